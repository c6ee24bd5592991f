// Looking back over the time the program was away, day by day.
#include "schedule/missed.h"
#include "schedule/schedule.h"
#include "app/heap.h"
#include <string.h>

static bool Passed(const Occurrence *occurrence, const FILETIME *since, const FILETIME *now)
{
    return (!since || CompareFileTime(&occurrence->Start, since) > 0) && FileTimeReached(&occurrence->End, now);
}

static bool Push(MissedList *out, uint32_t *capacity, const ReserveEntry *entry, const Occurrence *when)
{
    if (out->Count == *capacity) {
        uint32_t grown = *capacity ? *capacity * 2 : 16;
        void *items = HeapResizeZero(out->Items, sizeof(MissedOccurrence) * grown);
        if (!items)
            return false;
        out->Items = (MissedOccurrence *)items;
        *capacity = grown;
    }
    out->Items[out->Count].Entry = entry;
    out->Items[out->Count].When = *when;
    out->Count++;
    return true;
}

// Sorts by start, then by the list's order (insertion sort: the lists are short).
static void SortByStart(MissedList *out)
{
    for (uint32_t i = 1; i < out->Count; i++) {
        MissedOccurrence item = out->Items[i];
        uint32_t j = i;
        while (j > 0 && CompareFileTime(&out->Items[j - 1].When.Start, &item.When.Start) > 0) {
            out->Items[j] = out->Items[j - 1];
            j--;
        }
        out->Items[j] = item;
    }
}

// Files one occurrence: listed when it began within the listed days, else
// counted. False when there was no memory to list it.
static bool File(MissedList *out, uint32_t *capacity, const ReserveEntry *entry, const Occurrence *when,
                 ULONGLONG listedFrom)
{
    if (FileTimeToUnits(&when->Start) < listedFrom) {
        out->Older++;
        return true;
    }
    return Push(out, capacity, entry, when);
}

bool CollectMissed(const ReserveList *list, const FILETIME *since, const FILETIME *now, MissedList *out)
{
    memset(out, 0, sizeof *out);
    ULONGLONG to = FileTimeToUnits(now);
    ULONGLONG span = (ULONGLONG)MissedDaysListed * FileTimeDay;
    ULONGLONG listedFrom = to > span ? to - span : 0;
    // A programme begins on the day of its start and may end the next day.
    ULONGLONG firstDay = since ? FileTimeToUnits(since) : to;
    firstDay = firstDay - firstDay % FileTimeDay;
    if (firstDay >= FileTimeDay)
        firstDay -= FileTimeDay;
    uint32_t capacity = 0;
    bool whole = true;
    for (uint32_t i = 0; i < list->Count && whole; i++) {
        const ReserveEntry *entry = list->Items[i];
        Occurrence when;
        if (!entry->Enabled || !ReserveEntrySchedulable(entry))
            continue;
        if (ReserveEntryMode(entry) == ReserveModeDate) {
            if (DateOccurrence(entry, &when) && FileTimeReached(&when.End, now))
                whole = File(out, &capacity, entry, &when, listedFrom);
            continue;
        }
        if (!since)
            continue;
        for (ULONGLONG day = firstDay; day <= to && whole; day += FileTimeDay)
            if (RepeatOccurrenceOnDay(entry, day, &when) && Passed(&when, since, now))
                whole = File(out, &capacity, entry, &when, listedFrom);
    }
    if (!whole) {
        FreeMissed(out);
        return false;
    }
    SortByStart(out);
    return true;
}

void FreeMissed(MissedList *missed)
{
    HeapFreeBlock(missed->Items);
    memset(missed, 0, sizeof *missed);
}
