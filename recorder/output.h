// The kinds of file a recording can write, as one table: a row of
// operations for each OutputKind. The capture code picks the row once when a
// recording starts and from then on only calls through it, so it never asks
// which kind it writes; the crash repair at the next start goes through the
// same rows. A new kind of file is its own row here and its own writer file.
//
// Every operation works on the recorder's state in App (the writer of the
// file being written, App.PartPath, the information chunk); none is called
// while no recording is starting or running, but the repair.
#pragma once
#include "recorder/recorder.h"

struct OutputOps {
    OutputKind Kind;
    // Creates the recording's first file in the target format block.
    bool (*Create)(const char *path, const BYTE *format);
    // The programme's information the files carry (none: a kind that
    // carries none), composed before the first file is made.
    void (*Describe)(const ReserveEntry *entry);
    // Appends encoded audio; false when the disk did not take all of it.
    // A numbered kind begins its next file here when the current one is full.
    bool (*Append)(const void *bytes, DWORD length);
    // Makes the file as it stands readable, frames being the sample frames
    // of the file being written; true at once for a kind without a header.
    bool (*KeepHeaderCurrent)(DWORD frames);
    // The file made final and closed; true when there was none open.
    bool (*Finish)(DWORD frames);
    // After a failed write: the file closed as it is, and made consistent
    // with what reached the disk where the kind can be.
    void (*Abandon)();
    // Makes a file cut off by a crash consistent with its length. True when
    // it now is (or the kind needs no repair).
    bool (*Repair)(const char *path);
    // Whether the kind's encoder is there (none: always).
    bool (*Available)();
    bool Numbered;    // a long recording goes on in "_2", "_3", ... files
    bool Repairable;  // the settings file names the file being written, for Repair at the next start
};

// The rows of the program's own encoders, in their files.
extern const OutputOps Mp3Output, FlacOutput;

// The row of a kind; never none.
const OutputOps *OutputFor(OutputKind kind);

// ---- shared with the capture code ----

// The sample frames of the file being written: everything captured since it
// began but what is still staged.
DWORD CurrentPartFrames();
// Names path in the settings file as the file being written.
void MarkRecording(const char *path);
