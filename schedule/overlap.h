// Reservations that would record at the same time. The program records one
// programme at a time: where two overlap, the later one begins and ends the
// earlier one's recording. The list window marks them and the edit dialog
// says so; nothing is refused.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "schedule/reserve.h"

// One occurrence: from its start minute to its end. Back to back (one ends
// where the other starts) is no overlap.
struct OccurrenceSpan {
    FILETIME Start;
    FILETIME End;
};
bool SpansOverlap(const OccurrenceSpan *a, const OccurrenceSpan *b);

// Whether a and b have occurrences that overlap, looking a week ahead from
// the next occurrence of each (a date reservation has its one).
bool ReservationsOverlap(const ReserveEntry *a, const ReserveEntry *b, const SYSTEMTIME *now);

// For every entry of the list, the index of the first other enabled entry it
// overlaps with, or -1 (always -1 for a disabled entry). others has room
// for the list's count.
void FindOverlaps(const ReserveList *list, const SYSTEMTIME *now, int32_t *others);
