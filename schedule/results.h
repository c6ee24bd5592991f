// What became of each reservation: one line in the results file as soon as
// it is known, from the moments the reservation's run passes through.
#pragma once
#include <windows.h>
#include "schedule/missed.h"
#include "settings/resultsfile.h"

// How the active reservation comes to its end.
enum ResultEnd {
    ResultEndAtItsTime,   // its end time came (or a failed write ended it)
    ResultEndTakenOver,   // the next reservation began and took the stereo
    ResultEndByUser,      // the user stopped it
    ResultEndAtExit,      // the program was ended
};

// Posted to the results window when a line was added.
enum { WM_RESULTSCHANGED = WM_APP + 102 };

// The outcome texts of the file's first column.
extern const char OutcomeRecorded[];
extern const char OutcomeRecordedLate[];
extern const char OutcomeStopped[];
extern const char OutcomeNotReady[];
extern const char OutcomeNotRecorded[];
extern const char OutcomeMissed[];
extern const char OutcomeSilentSuffix[];

// ---- the moments of a reservation's run ----

// The reservation begun at now for its occurrence starting at start.
void NoteReservationBegun(const FILETIME *start, const SYSTEMTIME *now);
// The recorder started at now; ready: the stereo had done its preparation.
void NoteRecordingStarted(const SYSTEMTIME *now, bool ready);
// The active reservation is about to end this way; next: the title of the
// one taking over.
void NoteReservationEnding(ResultEnd how, const char *next);
// The recorder has stopped: the recording's line.
void LogRecordingStopped(HWND mainWindow);
// The reservation ended without a recording (its start failed, or it was
// ended before the recorder started): its line.
void LogReservationUnrecorded(HWND mainWindow);
// A recording the program was killed in the middle of, mended at the start.
void LogInterruptedRecording(HWND mainWindow, const char *path);
// True when the last recording heard nothing but silence.
bool RecordingWasSilent();

// ---- missed programmes ----

// A line for each occurrence not already in the file (one more for those
// further back), and one notice for them all.
void LogMissedProgrammes(HWND mainWindow, const MissedList *missed);
// At the start: the last running moment the settings file holds, for the
// first look at the schedule.
void RecallLastRunning();
// The last running moment, at most every ten minutes (force: now).
void KeepLastRunning(const SYSTEMTIME *now, bool force);

// ---- composing (no window, no file) ----

// "3分20秒", "1時間5分", "40秒".
void FormatLateness(ULONGLONG seconds, char *text, size_t size);
