#include "schedule/schedule.h"
#include "app/heap.h"
#include <stdlib.h>

// Where an occurrence goes in the sorted order: all of the first rank before
// all of the second, and so on.
enum ScheduleRank : uint32_t {
    RankScheduled = 0,      // enabled (or any entry, when sorting by time only)
    RankDisabled = 1,
    RankUnschedulable = 2,  // no real calendar time: never fires
};

// One entry of the working array: the entry's next occurrence.
struct SchedulePair {
    ReserveEntry *Entry;
    FILETIME Start;   // start instant, StartLead before the start minute
    uint32_t Rank;
    uint32_t Index;   // list position; keeps equal occurrences in list order
    bool Underway;    // a date entry whose occurrence has begun and not ended: not next
};

ULONGLONG FileTimeToUnits(const FILETIME *instant)
{
    return ((ULONGLONG)instant->dwHighDateTime << 32) | instant->dwLowDateTime;
}

FILETIME UnitsToFileTime(ULONGLONG units)
{
    FILETIME instant;
    instant.dwLowDateTime = (DWORD)units;
    instant.dwHighDateTime = (DWORD)(units >> 32);
    return instant;
}

FILETIME FileTimeAdd(const FILETIME *instant, LONGLONG units)
{
    return UnitsToFileTime(FileTimeToUnits(instant) + (ULONGLONG)units);
}

bool FileTimeReached(const FILETIME *instant, const FILETIME *now)
{
    return CompareFileTime(instant, now) < 1;
}

static bool IsLeapYear(unsigned year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

static unsigned DaysInMonth(unsigned year, unsigned month)
{
    static const unsigned char days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

static bool TimeOfDayValid(unsigned hour, unsigned minute)
{
    return hour <= 23 && minute <= 59;
}

static ULONGLONG TimeOfDayUnits(unsigned hour, unsigned minute)
{
    return (hour * 3600ULL + minute * 60ULL) * FileTimeSecond;
}

// Whether the entry names times that exist. The edit dialog's pickers never
// produce anything else; a settings file edited by hand can (February 30,
// hour 25, weekday 9, a range running backwards).
static bool EntrySchedulable(const ReserveEntry *entry, ReserveMode mode)
{
    if (!TimeOfDayValid(entry->StartHour, entry->StartMinute) ||
        !TimeOfDayValid(entry->EndHour, entry->EndMinute))
        return false;
    switch (mode) {
    case ReserveModeDate:
        // SYSTEMTIME reaches from 1601 to 30827.
        return entry->Year >= 1601 && entry->Year <= 30827 && entry->Month >= 1 &&
               entry->Month <= 12 && entry->Day <= DaysInMonth(entry->Year, entry->Month);
    case ReserveModeDaily:
        return true;
    case ReserveModeWeekly:
        return entry->WeekdayFirst <= entry->WeekdayLast && entry->WeekdayLast <= 6;
    }
    return false;
}

// What ComputeSchedule works from: the current instant, the lead-shifted
// instant T whose date is "today", today's midnight and weekday.
struct ScheduleClock {
    FILETIME Now;
    FILETIME Lead;      // now + StartLead
    ULONGLONG Midnight; // of the date of Lead
    unsigned Weekday;   // of the date of Lead, 0 = Sunday
    bool NowTaken;
};

static bool MakeScheduleClock(const SYSTEMTIME *now, unsigned flags, ScheduleClock *clock)
{
    if (!SystemTimeToFileTime(now, &clock->Now))
        return false;
    clock->Lead = FileTimeAdd(&clock->Now, StartLead);
    SYSTEMTIME today;
    if (!FileTimeToSystemTime(&clock->Lead, &today))
        return false;
    clock->Weekday = today.wDayOfWeek;
    today.wHour = today.wMinute = today.wSecond = today.wMilliseconds = 0;
    FILETIME midnight;
    if (!SystemTimeToFileTime(&today, &midnight))
        return false;
    clock->Midnight = FileTimeToUnits(&midnight);
    clock->NowTaken = (flags & ScheduleNowTaken) != 0;
    return true;
}

// Whether the occurrence whose start minute is start has been passed: the
// lead-shifted now is later than it (or, when the caller says an occurrence
// at now is taken, not earlier).
static bool OccurrencePassed(const ScheduleClock *clock, const FILETIME *start)
{
    int order = CompareFileTime(&clock->Lead, start);
    return clock->NowTaken ? order >= 0 : order > 0;
}

// Days from today to the next occurrence of a weekly entry whose start minute
// today would be today.
static unsigned WeeklyDaysAhead(const ReserveEntry *entry, unsigned d, bool todayPassed)
{
    unsigned a = entry->WeekdayFirst, b = entry->WeekdayLast;
    if (a == b) {
        if (a > d)
            return a - d;
        if (a < d)
            return a + 7 - d;
        return todayPassed ? 7 : 0;
    }
    if (a > d)
        return a - d;              // the first day of this week's range
    if (d <= b && !todayPassed)
        return 0;
    if (d < b)
        return 1;                  // the next day of the range
    return a + 7 - d;              // the first day of next week's range
}

bool DateStartMinute(const ReserveEntry *entry, FILETIME *minute)
{
    SYSTEMTIME date = {};
    date.wYear = entry->Year;
    date.wMonth = entry->Month;
    date.wDay = entry->Day;
    date.wHour = entry->StartHour;
    date.wMinute = entry->StartMinute;
    return SystemTimeToFileTime(&date, minute) && FileTimeToUnits(minute) >= StartLead;
}

// The start minute of the entry's next occurrence; false when the entry has
// none. A date entry counts as done only once its occurrence has ended: it
// is retired then. Until then one whose start has passed is under way
// (underway, when given): not next, but still there for a start after a
// crash or the end of a reservation that took the stereo from it.
static bool NextStartMinute(ReserveEntry *entry, const ScheduleClock *clock, FILETIME *start, bool *underway = NULL)
{
    if (underway)
        *underway = false;
    ReserveMode mode = ReserveEntryMode(entry);
    if (!EntrySchedulable(entry, mode))
        return false;
    if (mode == ReserveModeDate) {
        if (!DateStartMinute(entry, start))
            return false;
        if (OccurrencePassed(clock, start)) {
            FILETIME instant = FileTimeAdd(start, -(LONGLONG)StartLead);
            FILETIME end = ComputeEndTime(entry, &instant);
            if (FileTimeReached(&end, &clock->Now))
                entry->Enabled = 0;
            else if (underway)
                *underway = true;
        }
        return true;
    }
    ULONGLONG today = clock->Midnight + TimeOfDayUnits(entry->StartHour, entry->StartMinute);
    *start = UnitsToFileTime(today);
    bool passed = OccurrencePassed(clock, start);
    unsigned days;
    if (mode == ReserveModeDaily)
        days = passed ? 1 : 0;
    else
        days = WeeklyDaysAhead(entry, clock->Weekday, passed);
    *start = UnitsToFileTime(today + days * FileTimeDay);
    return true;
}

static int ComparePairs(const void *left, const void *right)
{
    const SchedulePair *a = (const SchedulePair *)left;
    const SchedulePair *b = (const SchedulePair *)right;
    if (a->Rank != b->Rank)
        return a->Rank < b->Rank ? -1 : 1;
    int order = CompareFileTime(&a->Start, &b->Start);
    if (order != 0)
        return order;
    return a->Index < b->Index ? -1 : a->Index > b->Index ? 1 : 0;
}

bool ComputeSchedule(const SYSTEMTIME *now, ReserveList *list, NextReservationInfo *out,
                     unsigned flags)
{
    if (out) {
        out->Entry = NULL;
        out->NextStart = UnitsToFileTime(0);
    }
    if (list->Count == 0)
        return true;
    ScheduleClock clock;
    if (!MakeScheduleClock(now, flags, &clock))
        return false;
    if (list->Count > (size_t)-1 / sizeof(SchedulePair))
        return false;
    SchedulePair *pairs = (SchedulePair *)HeapAllocZero(list->Count * sizeof(SchedulePair));
    if (!pairs)
        return false;

    for (uint32_t i = 0; i < list->Count; i++) {
        SchedulePair *pair = &pairs[i];
        pair->Entry = list->Items[i];
        pair->Index = i;
        FILETIME start;
        if (!NextStartMinute(pair->Entry, &clock, &start, &pair->Underway)) {
            pair->Rank = RankUnschedulable;
            continue;
        }
        pair->Start = FileTimeAdd(&start, -(LONGLONG)StartLead);
        pair->Rank = (flags & ScheduleByTimeOnly) || pair->Entry->Enabled ? RankScheduled
                                                                           : RankDisabled;
    }
    qsort(pairs, list->Count, sizeof(SchedulePair), ComparePairs);

    if (out) {
        // Sorted by time alone a disabled entry may come first; the next
        // reservation is still the earliest enabled one.
        for (uint32_t i = 0; i < list->Count && pairs[i].Rank == RankScheduled; i++) {
            if (pairs[i].Entry->Enabled && !pairs[i].Underway) {
                out->Entry = pairs[i].Entry;
                out->NextStart = pairs[i].Start;
                break;
            }
        }
    }
    if (flags & ScheduleReorderList) {
        for (uint32_t i = 0; i < list->Count; i++)
            list->Items[i] = pairs[i].Entry;
    }
    HeapFreeBlock(pairs);
    return true;
}

bool ReserveEntrySchedulable(const ReserveEntry *entry)
{
    return EntrySchedulable(entry, ReserveEntryMode(entry));
}

bool NextOccurrenceStart(const ReserveEntry *entry, const SYSTEMTIME *now, FILETIME *start)
{
    ScheduleClock clock;
    if (!MakeScheduleClock(now, 0, &clock))
        return false;
    // A copy: a passed date retires the copy only.
    ReserveEntry copy = *entry;
    if (!NextStartMinute(&copy, &clock, start))
        return false;
    return !(ReserveEntryMode(entry) == ReserveModeDate && OccurrencePassed(&clock, start));
}

FILETIME ComputeEndTime(const ReserveEntry *entry, const FILETIME *start)
{
    if (!TimeOfDayValid(entry->EndHour, entry->EndMinute))
        return *start;
    // The date of the start instant itself: for a 00:00 programme that is the
    // day before, which is what makes 00:00-01:00 end at 01:00 of its own day.
    ULONGLONG from = FileTimeToUnits(start);
    ULONGLONG end = from - from % FileTimeDay + TimeOfDayUnits(entry->EndHour, entry->EndMinute);
    if (end < from)
        end += FileTimeDay;
    return UnitsToFileTime(end);
}
