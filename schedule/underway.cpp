#include "schedule/underway.h"
#include "schedule/schedule.h"

// How far back a repeating entry's occurrences are looked for: a weekly one
// has at least one in any eight days.
static const int DaysLookedBack = 8;

static bool MakeOccurrence(const ReserveEntry *entry, ULONGLONG startMinute, Occurrence *out)
{
    if (startMinute < StartLead)
        return false;
    FILETIME minute = UnitsToFileTime(startMinute);
    out->Start = FileTimeAdd(&minute, -(LONGLONG)StartLead);
    out->End = ComputeEndTime(entry, &out->Start);
    return true;
}

bool DateOccurrence(const ReserveEntry *entry, Occurrence *out)
{
    FILETIME minute;
    return DateStartMinute(entry, &minute) && MakeOccurrence(entry, FileTimeToUnits(&minute), out);
}

bool RepeatOccurrenceOnDay(const ReserveEntry *entry, ULONGLONG day, Occurrence *out)
{
    if (ReserveEntryMode(entry) == ReserveModeWeekly) {
        SYSTEMTIME date;
        FILETIME at = UnitsToFileTime(day);
        if (!FileTimeToSystemTime(&at, &date) || date.wDayOfWeek < entry->WeekdayFirst ||
            date.wDayOfWeek > entry->WeekdayLast)
            return false;
    }
    ULONGLONG time = (entry->StartHour * 3600ULL + entry->StartMinute * 60ULL) * FileTimeSecond;
    return MakeOccurrence(entry, day + time, out);
}

// The occurrence of a repeating entry on the day days from the date of now
// (negative: earlier); false when the entry does not run that weekday.
static bool RepeatOccurrence(const ReserveEntry *entry, const FILETIME *now, int days, Occurrence *out)
{
    ULONGLONG units = FileTimeToUnits(now);
    ULONGLONG midnight = units - units % FileTimeDay;
    LONGLONG shift = (LONGLONG)days * (LONGLONG)FileTimeDay;
    if (days < 0 && (ULONGLONG)-shift > midnight)
        return false;
    return RepeatOccurrenceOnDay(entry, midnight + (ULONGLONG)shift, out);
}

static bool Underway(const Occurrence *occurrence, const FILETIME *now)
{
    return FileTimeReached(&occurrence->Start, now) && CompareFileTime(now, &occurrence->End) < 0;
}

bool FindOccurrenceUnderway(const ReserveEntry *entry, const FILETIME *now, Occurrence *out)
{
    if (!ReserveEntrySchedulable(entry))
        return false;
    Occurrence occurrence;
    if (ReserveEntryMode(entry) == ReserveModeDate) {
        if (!DateOccurrence(entry, &occurrence) || !Underway(&occurrence, now))
            return false;
        *out = occurrence;
        return true;
    }
    // Tomorrow's 00:00 begins in the last seconds of today; yesterday's
    // evening programme can run past midnight. The latest one wins.
    for (int days = 1; days >= -1; days--) {
        if (RepeatOccurrence(entry, now, days, &occurrence) && Underway(&occurrence, now)) {
            *out = occurrence;
            return true;
        }
    }
    return false;
}

static bool Missed(const Occurrence *occurrence, const FILETIME *since, const FILETIME *now)
{
    return CompareFileTime(&occurrence->Start, since) > 0 && FileTimeReached(&occurrence->End, now);
}

bool FindOccurrenceMissed(const ReserveEntry *entry, const FILETIME *since, const FILETIME *now,
                          Occurrence *out)
{
    if (!ReserveEntrySchedulable(entry))
        return false;
    Occurrence occurrence;
    if (ReserveEntryMode(entry) == ReserveModeDate) {
        if (!DateOccurrence(entry, &occurrence) || !FileTimeReached(&occurrence.End, now) ||
            (since && !Missed(&occurrence, since, now)))
            return false;
        *out = occurrence;
        return true;
    }
    if (!since)
        return false;
    for (int days = 1; days >= -DaysLookedBack; days--) {
        if (RepeatOccurrence(entry, now, days, &occurrence) && Missed(&occurrence, since, now)) {
            *out = occurrence;
            return true;
        }
    }
    return false;
}

SYSTEMTIME OccurrenceStartMinute(const Occurrence *occurrence)
{
    FILETIME minute = FileTimeAdd(&occurrence->Start, (LONGLONG)StartLead);
    SYSTEMTIME start = {};
    FileTimeToSystemTime(&minute, &start);
    return start;
}
