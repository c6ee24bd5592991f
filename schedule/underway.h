// Occurrences seen from a fresh view of the time: the one under way when the
// program starts, the PC wakes or the clock is set, and the ones that came and
// went while the program was not there to begin them.
//
// Instants are the schedule's own (local wall clock, see schedule.h); an
// occurrence's start is its start instant, StartLead before its start minute,
// and its end is ComputeEndTime's.
#pragma once
#include <windows.h>
#include "schedule/reserve.h"

struct Occurrence {
    FILETIME Start;
    FILETIME End;
};

// The occurrence of entry that has begun but not ended at now (start <= now <
// end), whether or not the entry is enabled. False when there is none or the
// entry names no real time.
bool FindOccurrenceUnderway(const ReserveEntry *entry, const FILETIME *now, Occurrence *out);

// The latest occurrence of entry that began after since and ended by now:
// one nothing was there to begin. Without since (at the program's start,
// when nobody knows how long it was away) only a date entry's single
// occurrence counts; a repeating entry simply has its next one. Occurrences
// more than a week back are not looked for.
bool FindOccurrenceMissed(const ReserveEntry *entry, const FILETIME *since, const FILETIME *now,
                          Occurrence *out);

// The single occurrence of a date entry; false when its date and time name
// no real instant.
bool DateOccurrence(const ReserveEntry *entry, Occurrence *out);
// The occurrence of a daily or weekly entry on the day that begins at the
// midnight day (in FILETIME units); false when the entry does not run that
// weekday.
bool RepeatOccurrenceOnDay(const ReserveEntry *entry, ULONGLONG day, Occurrence *out);

// The start minute of the occurrence, for the notice that names it.
SYSTEMTIME OccurrenceStartMinute(const Occurrence *occurrence);
