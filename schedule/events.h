// What a reservation's life announces. The schedule calls these as things
// happen and never shows anything itself; app/reservationevents.cpp binds
// them at link time and decides what the user sees: the panel's layout, the
// tray icon, the caption, notices, keeping the PC awake, the wake-up and the
// saving of the list.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "schedule/reserve.h"
#include "schedule/missed.h"
#include "schedule/outcome.h"
#include "recorder/recorder.h"

// A reservation has begun: entry (the running copy) runs until end and the
// stereo is being prepared. tookOver: another one was running and has just
// ended for it (the panel is in its recording layout already).
void ReservationBegun(const ReserveEntry *entry, const FILETIME *end, bool tookOver);
// Its recording has started at now into path; stereoReady: the stereo had
// done its preparation by then.
void RecordingStarted(const ReserveEntry *entry, const char *path, const SYSTEMTIME *now, bool stereoReady);
// Its recording could not start (App.StartFailure says why); the
// reservation ends next.
void RecordingNotStarted(const ReserveEntry *entry);
// The reservation has ended, its results line written. summary: what became
// of its recording, none when nothing was recorded. next: true when another
// reservation begins at once in its place.
void ReservationEnded(const ReserveEntry *entry, const RecordingSummary *summary, Outcome outcome, bool next);
// count programmes were missed while the program was not running or the PC
// was asleep; first: the earliest one the notice can name, or none.
void ProgrammesMissed(const MissedOccurrence *first, uint32_t count);
// The results file refused a line. True when the user was told (there is a
// window to tell it from).
bool ResultsUnwritable();
// A line was added to the results file.
void ResultAdded();
// The reservation list changed without the user (a date reservation
// retired): the settings file must follow at once.
void ReservationsChanged();
// What comes next was worked out anew (App.NextReservation).
void NextReservationChanged();
