// What became of each reservation: one line in the results file as soon as
// it is known, from the moments the reservation's run passes through.
#pragma once
#include <windows.h>
#include "schedule/missed.h"
#include "settings/resultsfile.h"
#include "settings/settings.h"
#include "settings/resultspending.h"
#include "schedule/outcome.h"
#include "recorder/recorder.h"

// ---- the moments of a reservation's run ----

// The reservation begun at now for its occurrence starting at start.
void NoteReservationBegun(const FILETIME *start, const SYSTEMTIME *now);
// The reservation just begun was started by hand (直ちに録音開始): its
// programme starts at its begin.
void NoteStartedByHand();
// The recorder started at now; ready: the stereo had done its preparation.
void NoteRecordingStarted(const SYSTEMTIME *now, bool ready);
// The active reservation is about to end this way; next: the title of the
// one taking over.
void NoteReservationEnding(ResultEnd how, const char *next);
// The recorder has stopped: the recording's line, made from what became of
// it. Returns the line's outcome.
Outcome LogRecordingStopped(const RecordingSummary *summary);
// The reservation ended without a recording (its start failed, or it was
// ended before the recorder started): its line.
Outcome LogReservationUnrecorded();
// A recording the program was killed in the middle of, mended at the start;
// occurrence: the programme it was of, as its marker kept it (none: not known).
void LogInterruptedRecording(const char *path, const RecordingOccurrenceTexts *occurrence = NULL);
// The programme the recording now starting is of, for its marker: the
// active reservation's title, planned times and the recording's start.
void DescribeActiveOccurrence(RecordingOccurrenceTexts *occurrence);

// ---- missed programmes ----

// A line for each occurrence not already in the file (one more for those
// further back), and one announcement for them all.
void LogMissedProgrammes(const MissedList *missed);
// At the start: the last running moment the settings file holds, for the
// first look at the schedule.
void RecallLastRunning();
// The last running moment, at most every ten minutes (force: now).
void KeepLastRunning(const SYSTEMTIME *now, bool force);
// Lines the results file refused, kept aside, are offered to it again once a
// minute, from the tick.
void RetryKeptResults(const SYSTEMTIME *now);

// ---- composing (no window, no file) ----

// "3分20秒", "1時間5分", "40秒".
void FormatLateness(ULONGLONG seconds, char *text, size_t size);
