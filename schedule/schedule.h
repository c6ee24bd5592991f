// Which reservation fires next and when, and when an occurrence ends.
// Nothing in schedule/ touches a window: a reservation's life is announced
// through schedule/events.h and shown by app/reservationevents.cpp.
//
// Instants are FILETIMEs made straight from local wall-clock SYSTEMTIMEs
// (SystemTimeToFileTime, no time-zone or daylight-saving conversion), so a day
// is always exactly FileTimeDay units and midnight is a multiple of it.
#pragma once
#include <windows.h>
#include "schedule/reserve.h"

struct NextReservationInfo {
    ReserveEntry *Entry;  // in ReserveList, or none
    FILETIME NextStart;
};

enum : unsigned {
    // Sort by start instant alone (the list window's order); otherwise every
    // enabled entry comes before every disabled one.
    ScheduleByTimeOnly = 0x01,
    // Rewrite the list's pointers in the sorted order.
    ScheduleReorderList = 0x02,
    // An occurrence whose start instant equals now counts as taken, exactly as
    // one whose start instant is earlier. Without it an occurrence starting at
    // now is still to come, so that a calculation made before the tick at now
    // has looked for due reservations still lets that tick begin it.
    //
    // BeginReservation must pass it: right after taking its copy it calls
    //     ComputeSchedule(now, &App.ReserveList, &App.NextReservation,
    //                     ScheduleNowTaken)
    // with the same now it was given (the tick's time, or the time of "start
    // recording now"). The occurrence it has just begun has NextStart <= now,
    // so it is passed either way and the next tick does not begin it again;
    // a date reservation begun this way is retired (Enabled 0) by this call.
    // A calculation from LastTick may pass it for the same reason: the tick at
    // LastTick has already begun whatever was due at that instant.
    ScheduleNowTaken = 0x04,
};

// FILETIME units are 100 ns.
const ULONGLONG FileTimeSecond = 10000000ULL;
const ULONGLONG FileTimeDay = 86400ULL * FileTimeSecond;
// Every start instant lies this far before the programme's start minute, so
// that the stereo is switched on and tuned by the time the programme begins.
const ULONGLONG StartLead = 5 * FileTimeSecond;

ULONGLONG FileTimeToUnits(const FILETIME *instant);
FILETIME UnitsToFileTime(ULONGLONG units);
// instant moved by units (negative: earlier).
FILETIME FileTimeAdd(const FILETIME *instant, LONGLONG units);
// True when instant is earlier than or equal to now: a start or end instant
// the tick has to act on.
bool FileTimeReached(const FILETIME *instant, const FILETIME *now);

// Finds the next occurrence of every entry, retires date entries whose
// occurrence has passed (Enabled 0, date kept), sorts, and stores the
// earliest enabled occurrence in out (when given; empty when there is none).
// An entry whose date, time or weekdays are not a real calendar time (only a
// hand-edited settings file can hold one) never fires, keeps its Enabled
// flag and sorts behind every other entry. False when now is not a valid
// time or the working array cannot be allocated; out is then empty and the
// list unchanged.
bool ComputeSchedule(const SYSTEMTIME *now, ReserveList *list, NextReservationInfo *out,
                     unsigned flags);

// Whether the entry names times that exist (a date, times of day and
// weekdays of the real calendar).
bool ReserveEntrySchedulable(const ReserveEntry *entry);

// The start minute of the entry's next occurrence as a calculation at now
// would find it (an occurrence starting exactly at now + StartLead is still
// to come), without retiring anything. False when there is none: a date
// whose occurrence has passed, a time that does not exist.
bool NextOccurrenceStart(const ReserveEntry *entry, const SYSTEMTIME *now, FILETIME *start);

// The end instant of the occurrence that starts at start: the entry's end time
// of day on the date of start, or the next day when that is earlier than
// start. An end time of day that does not exist gives start itself, so such
// an occurrence ends as soon as it has begun.
// A date entry's start minute; false when its date and time name no real
// instant the schedule can hold.
bool DateStartMinute(const ReserveEntry *entry, FILETIME *minute);
FILETIME ComputeEndTime(const ReserveEntry *entry, const FILETIME *start);
