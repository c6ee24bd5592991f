#include "schedule/overlap.h"
#include "schedule/schedule.h"

// How far ahead occurrences are compared: a weekly pattern repeats itself
// after a week, and a programme lasts less than a day.
const ULONGLONG OverlapHorizon = 8 * FileTimeDay;
// The step past an occurrence to the one after it: the calendar form the
// calculation takes counts milliseconds.
const ULONGLONG OneMillisecond = 10000;
enum { MaxOccurrences = 16 };

bool SpansOverlap(const OccurrenceSpan *a, const OccurrenceSpan *b)
{
    return CompareFileTime(&a->Start, &b->End) < 0 && CompareFileTime(&b->Start, &a->End) < 0;
}

static SYSTEMTIME Calendar(ULONGLONG units)
{
    FILETIME instant = UnitsToFileTime(units);
    SYSTEMTIME time = {};
    FileTimeToSystemTime(&instant, &time);
    return time;
}

// The entry's first occurrence whose start minute is not earlier than from.
static bool OccurrenceFrom(const ReserveEntry *entry, ULONGLONG from, OccurrenceSpan *span)
{
    // A calculation at from - StartLead finds the occurrences starting at from or later.
    SYSTEMTIME at = Calendar(from - StartLead);
    if (!NextOccurrenceStart(entry, &at, &span->Start))
        return false;
    FILETIME instant = FileTimeAdd(&span->Start, -(LONGLONG)StartLead);
    span->End = ComputeEndTime(entry, &instant);
    return true;
}

// Whether one of a's occurrences in the week from its next one meets one of b's.
static bool OccurrencesMeet(const ReserveEntry *a, const ReserveEntry *b, ULONGLONG now)
{
    OccurrenceSpan span;
    if (!OccurrenceFrom(a, now, &span))
        return false;
    ULONGLONG horizon = FileTimeToUnits(&span.Start) + OverlapHorizon;
    for (int i = 0; i < MaxOccurrences && FileTimeToUnits(&span.Start) < horizon; i++) {
        ULONGLONG start = FileTimeToUnits(&span.Start);
        // b's occurrences that could reach into this one begin less than a
        // day before it, and not before now.
        ULONGLONG from = start > now + FileTimeDay ? start - FileTimeDay : now;
        OccurrenceSpan other;
        for (int j = 0; j < MaxOccurrences && OccurrenceFrom(b, from, &other) &&
                        CompareFileTime(&other.Start, &span.End) < 0;
             j++) {
            if (SpansOverlap(&span, &other))
                return true;
            from = FileTimeToUnits(&other.Start) + OneMillisecond;
        }
        if (ReserveEntryMode(a) == ReserveModeDate || !OccurrenceFrom(a, start + OneMillisecond, &span))
            break;
    }
    return false;
}

bool ReservationsOverlap(const ReserveEntry *a, const ReserveEntry *b, const SYSTEMTIME *now)
{
    FILETIME instant;
    if (!SystemTimeToFileTime(now, &instant))
        return false;
    ULONGLONG units = FileTimeToUnits(&instant) + StartLead;
    return OccurrencesMeet(a, b, units) || OccurrencesMeet(b, a, units);
}

void FindOverlaps(const ReserveList *list, const SYSTEMTIME *now, int32_t *others)
{
    for (uint32_t i = 0; i < list->Count; i++)
        others[i] = -1;
    for (uint32_t i = 0; i < list->Count; i++) {
        if (!list->Items[i]->Enabled)
            continue;
        for (uint32_t j = i + 1; j < list->Count; j++) {
            if (!list->Items[j]->Enabled || !ReservationsOverlap(list->Items[i], list->Items[j], now))
                continue;
            if (others[i] < 0)
                others[i] = (int32_t)j;
            if (others[j] < 0)
                others[j] = (int32_t)i;
        }
    }
}
