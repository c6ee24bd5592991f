// Beginning and ending a reserved recording.
#pragma once
#include <windows.h>
#include "schedule/clock.h"
#include <stdint.h>
#include "device/device.h"
#include "schedule/schedule.h"
#include "schedule/outcome.h"

enum ReserveStateValue : uint16_t {
    Idle = 0,
    Armed = 1,
    Recording = 2,
};

// Starts executing App.NextReservation at now: private copy, stereo
// preparation, end instant, next schedule, state Armed; a reservation still
// running is ended for it. False when there is nothing to begin or no memory
// for the copy (nothing changed).
bool BeginReservation(const SYSTEMTIME *now);
// 直ちに録音開始: entry begins at now, until its end time next comes; its
// line's planned start is now.
bool BeginReservationNow(ReserveEntry *entry, const SYSTEMTIME *now);
// Ends the active reservation whatever its state (stopping the recorder),
// how telling its results line why.
void EndReservation(ResultEnd how);
// The PC is going to sleep: the reservation running ends (its recording
// finished whole, its line a cut part) and its programme is noted, so that
// the first fresh look after the resume (ScheduleAfresh) takes it up into a
// file of its own, the recording device opened again.
void SuspendReservation();
// The tick's step: the active reservation ends when its end time has come or
// the disk no longer takes its recording; the stereo is then switched off
// when the options say so, or else left to finish its preparation.
void EndDueReservation(const SYSTEMTIME *now);
// The schedule computed into App.NextReservation from the given time (flags
// as ComputeSchedule takes them); the PC's wake-up follows the new next
// reservation. Everything that changes what comes next goes through here.
void RecomputeNextReservation(const SYSTEMTIME *from, unsigned flags);

// The schedule computed from a fresh view of the time (the program's start,
// a resume, a clock change, a new day). Occurrences that began after since
// and have ended get a notice (a date reservation is retired as before); the
// latest one under way begins at once and records the rest. since is the
// time the program last looked (the last tick); none at the program's start,
// when every occurrence under way counts and only date reservations can have
// been missed. A clock set back by a correction keeps what had begun or
// passed by since as taken; one set back further than ClockCorrectionLimit
// is a new start.
// One hour: the time service's corrections are seconds, a summer-time
// mistake an hour.
const ULONGLONG ClockCorrectionLimit = 3600ULL * FileTimeSecond;
void ScheduleAfresh(const SYSTEMTIME *now, const SYSTEMTIME *since);
// Ticks come ten times a second; a gap this long between two means the PC
// slept or the clock was set.
const ULONGLONG TickGapLimit = 5 * FileTimeSecond;
// Whether the tick at now must look at the schedule afresh after the tick at
// last: another day, a gap of more than TickGapLimit, or time gone backwards
// by more than a second.
bool TickIsFreshLook(const SYSTEMTIME *now, const SYSTEMTIME *last);
// The schedule after the user changed the list. It counts from the last
// tick, whose instant is taken already; after a clock set back it counts from
// where the schedule was last seen, so an edit does not begin again what
// began before the correction.
void ComputeScheduleAfterEdit();
