// Waking the PC for the next reservation.
#include "app/wake.h"
#include "app/appstate.h"
#include "app/wakecheck.h"
#include "schedule/schedule.h"

// ---- the local clock ----

static FILETIME Minutes(const FILETIME *instant, LONG minutes)
{
    return FileTimeAdd(instant, (LONGLONG)minutes * 60 * (LONGLONG)FileTimeSecond);
}

// Where the user has switched off the automatic change to summer time, the
// clock keeps standard time all year.
static bool SummerTimeFollowed()
{
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    return GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && !zone.DynamicDaylightTimeDisabled;
}

// The zone as it stands in the given year: its offsets and the dates of its
// changes may differ from this year's.
static bool ZoneOfYear(WORD year, TIME_ZONE_INFORMATION *zone)
{
    return GetTimeZoneInformationForYear(year, NULL, zone) || GetTimeZoneInformation(zone) != TIME_ZONE_ID_INVALID;
}

static bool SystemToLocal(const FILETIME *utc, FILETIME *local)
{
    SYSTEMTIME universal, shown;
    if (!FileTimeToSystemTime(utc, &universal))
        return false;
    TIME_ZONE_INFORMATION zone;
    // With the automatic change switched off, only the active zone (none
    // given) leaves summer time out.
    const TIME_ZONE_INFORMATION *rules = SummerTimeFollowed() && ZoneOfYear(universal.wYear, &zone) ? &zone : NULL;
    return SystemTimeToTzSpecificLocalTime(rules, &universal, &shown) && SystemTimeToFileTime(&shown, local);
}

bool SystemClockRules(WORD year, LocalClockRules *rules)
{
    TIME_ZONE_INFORMATION zone;
    if (!ZoneOfYear(year, &zone))
        return false;
    rules->StandardBias = zone.Bias + zone.StandardBias;
    // A zone without summer time leaves its date empty.
    rules->DaylightBias =
        zone.DaylightDate.wMonth && SummerTimeFollowed() ? zone.Bias + zone.DaylightBias : rules->StandardBias;
    rules->ToLocal = SystemToLocal;
    return true;
}

static bool ShowsAtLeast(const LocalClockRules *rules, const FILETIME *utc, const FILETIME *local)
{
    FILETIME shown;
    return rules->ToLocal(utc, &shown) && CompareFileTime(&shown, local) >= 0;
}

// The local time is the UTC instant less one of the two offsets; the
// earlier of the two instants, when the clock shows local there, is its
// first coming. Otherwise the clock reaches local between the two, running
// forward all the way (at most one jump ahead, to summer time): halving
// the interval finds the instant it gets there.
bool LocalToFirstUtc(const FILETIME *local, const LocalClockRules *rules, FILETIME *utc)
{
    FILETIME standard = Minutes(local, rules->StandardBias);
    FILETIME daylight = Minutes(local, rules->DaylightBias);
    FILETIME early = CompareFileTime(&standard, &daylight) <= 0 ? standard : daylight;
    FILETIME late = CompareFileTime(&standard, &daylight) <= 0 ? daylight : standard;
    if (ShowsAtLeast(rules, &early, local)) {
        *utc = early;
        return true;
    }
    if (!ShowsAtLeast(rules, &late, local))
        return false;
    ULONGLONG before = FileTimeToUnits(&early), reached = FileTimeToUnits(&late);
    while (reached - before > 1) {
        FILETIME middle = UnitsToFileTime(before + (reached - before) / 2);
        if (ShowsAtLeast(rules, &middle, local))
            reached = FileTimeToUnits(&middle);
        else
            before = FileTimeToUnits(&middle);
    }
    *utc = UnitsToFileTime(reached);
    return true;
}

bool WakeDueFor(const FILETIME *start, const FILETIME *nowUtc, const LocalClockRules *rules, FILETIME *due)
{
    FILETIME early = FileTimeAdd(start, -(LONGLONG)WakeLead);
    if (!LocalToFirstUtc(&early, rules, due))
        return false;
    if (CompareFileTime(due, nowUtc) >= 0)
        return true;
    return LocalToFirstUtc(start, rules, due);
}

// ---- the timer ----

static void CancelWake()
{
    if (App.WakeTimer)
        CancelWaitableTimer(App.WakeTimer);
    App.WakeDue = UnitsToFileTime(0);
}

// The due time in UTC for the next start; the system's present offset when
// the time zone's rules give none (the start is then at worst an hour off
// across a change of summer time, better than no wake-up at all).
static bool NextWakeDue(FILETIME *due)
{
    SYSTEMTIME start;
    LocalClockRules rules;
    if (FileTimeToSystemTime(&App.NextReservation.NextStart, &start) && SystemClockRules(start.wYear, &rules)) {
        // Now as the schedule's clock has it, never earlier than the
        // system's: in an hour that comes twice the local time alone names
        // its first coming.
        FILETIME nowUtc, scheduleUtc, local;
        GetSystemTimeAsFileTime(&nowUtc);
        SYSTEMTIME now;
        ReadLocalTime(&now);
        if (SystemTimeToFileTime(&now, &local) && LocalToFirstUtc(&local, &rules, &scheduleUtc) &&
            CompareFileTime(&scheduleUtc, &nowUtc) > 0)
            nowUtc = scheduleUtc;
        if (WakeDueFor(&App.NextReservation.NextStart, &nowUtc, &rules, due))
            return true;
    }
    FILETIME early = FileTimeAdd(&App.NextReservation.NextStart, -(LONGLONG)WakeLead);
    return LocalFileTimeToFileTime(&early, due) != FALSE;
}

void UpdateWakeTimer()
{
    FILETIME due;
    if (!App.OptionFlags.WakeRec || !App.NextReservation.Entry || !NextWakeDue(&due)) {
        CancelWake();
        return;
    }
    // Manual reset: the timer is only there to wake the PC; nothing waits on
    // it, and the resume itself is seen through WM_POWERBROADCAST.
    if (!App.WakeTimer)
        App.WakeTimer = CreateWaitableTimerA(NULL, TRUE, NULL);
    LARGE_INTEGER when;
    when.QuadPart = (LONGLONG)FileTimeToUnits(&due);
    // On a PC that cannot be woken by a timer the call still succeeds (the
    // last error says so): the timer then rings only while the PC is on,
    // which does no harm, but the user is told.
    bool unsupported = false;
    if (!App.WakeTimer || !SetWakeUp(App.WakeTimer, &when, &unsupported)) {
        CancelWake();
        return;
    }
    App.WakeTimerUnsupported = unsupported;
    App.WakeDue = due;
    TellWakeHindrance(unsupported);
}

void CloseWakeTimer()
{
    CancelWake();
    if (App.WakeTimer)
        CloseHandle(App.WakeTimer);
    App.WakeTimer = NULL;
}
