// What became of a reservation, as a value from the moment it is known to
// the results file: the file's text and the results window's mark are
// looked up from it, in one table.
#pragma once
#include <stddef.h>

// How the active reservation comes to its end.
enum ResultEnd {
    ResultEndAtItsTime,   // its end time came (or a failed write ended it)
    ResultEndTakenOver,   // the next reservation began and took the stereo
    ResultEndByUser,      // the user stopped it
    ResultEndAtExit,      // the program was ended
    ResultEndAsleep,      // the PC went to sleep
};

enum Outcome {
    OutcomeRecorded,      // from its start to its end
    OutcomeRecordedLate,  // begun under way
    OutcomeStopped,       // cut short: the user, the exit, a failed write, a crash
    OutcomeNotReady,      // recorded without waiting for the stereo
    OutcomeNotRecorded,   // nothing was recorded
    OutcomeMissed,        // the program was not running, or the PC was asleep
    OutcomeUnknown,       // a text of the file the program does not know
};

// How the results window marks a line (its pictures' order); MarkNone: no
// mark at all.
enum OutcomeMark { MarkNone = -1, MarkRecorded, MarkPartly, MarkFailed, MarkMissed, MarkCount };

// The first column's text: the outcome's, with " (無音)" behind it for a
// recording that heard nothing. OutcomeUnknown has none.
enum { OutcomeTextBytes = 64 };
void OutcomeText(Outcome outcome, bool silent, char text[OutcomeTextBytes]);
// The outcome a line's text says, and whether it says the recording was
// silent; OutcomeUnknown for a text the program does not know.
Outcome ParseOutcome(const char *text, bool *silent);
// The mark of a line: a silent recording is marked as failed; an outcome
// the program does not know gets none.
OutcomeMark MarkForOutcome(Outcome outcome, bool silent);
