// Every programme that came and went while the program was not there to
// record it: the PC was off or asleep, or the program was not running.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "schedule/reserve.h"
#include "schedule/underway.h"

// Occurrences further back than this are counted, not listed.
enum { MissedDaysListed = 7 };

struct MissedOccurrence {
    const ReserveEntry *Entry;
    Occurrence When;
};
struct MissedList {
    uint32_t Count;
    MissedOccurrence *Items;  // oldest first
    uint32_t Older;           // further back than MissedDaysListed days
};

// The occurrences of the list's enabled entries that began after since and
// ended by now. A date entry's passed occurrence counts whatever since is
// (beginning it would have retired it); without since nothing else counts,
// as nobody knows how long the program was away. False when the list could
// not be allocated (it is then empty).
bool CollectMissed(const ReserveList *list, const FILETIME *since, const FILETIME *now, MissedList *out);
void FreeMissed(MissedList *missed);
