// Waking the PC for the next reservation: a waitable timer that brings the
// PC out of sleep a minute before the next start instant, so that the stereo
// is prepared and the programme recorded as if the PC had stayed on.
#pragma once
#include <windows.h>

// Time for the PC to resume and the stereo's USB link to come back before
// the start instant (FILETIME units).
const ULONGLONG WakeLead = 60ULL * 10000000ULL;

// What the conversion needs of the local clock: the two offsets it may run
// at (minutes; UTC = local + bias), standard time's and summer time's (the
// same where there is no summer time), and the local time the clock shows
// at a UTC instant. Instants are FILETIMEs; local ones are wall clock, as
// the schedule's are.
struct LocalClockRules {
    LONG StandardBias;
    LONG DaylightBias;
    bool (*ToLocal)(const FILETIME *utc, FILETIME *local);
};
// The system's time zone, with the rules of the given year.
bool SystemClockRules(WORD year, LocalClockRules *rules);
// The first UTC instant at which the local clock shows local: at the change
// back from summer time, when an hour comes twice, its first coming; at the
// change to summer time, when the clock skips over local, the instant it
// jumps. False when the rules give no such instant.
bool LocalToFirstUtc(const FILETIME *local, const LocalClockRules *rules, FILETIME *utc);
// When to wake the PC for a start instant (local wall clock): WakeLead
// before it, or the start instant itself when less than that is left at
// nowUtc, so that a PC sent to sleep in the last minute still wakes.
bool WakeDueFor(const FILETIME *start, const FILETIME *nowUtc, const LocalClockRules *rules, FILETIME *due);

// Sets the wake-up after App.NextReservation, or cancels it when nothing is
// next or the option WakeRec is off. Called wherever the next reservation is
// recomputed and when the option changes.
void UpdateWakeTimer();
// At exit: the wake-up belongs to the running program.
void CloseWakeTimer();
