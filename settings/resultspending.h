// Result lines the results file would not take (a spreadsheet holding it
// open without sharing), kept in TALVORec-results.pending beside it until it
// can be written: appended and flushed one at a time like the file itself,
// so a crash loses none, and moved into the file in their order at the next
// line or the next try.
#pragma once
#include <windows.h>
#include "settings/resultsfile.h"

extern const char ResultsPendingName[];

enum ResultStored {
    ResultStoredInFile,  // in the results file
    ResultStoredKept,    // kept beside it for later
    ResultStoredLost,    // neither could be written
};

// Kept lines go to the file first, then this one; a line the file does not
// take is kept.
ResultStored StoreResultRecord(const char *folder, const char *const fields[ResultFieldCount]);
// Moves the kept lines into the results file. True when none are kept any
// more (or there were none).
bool WriteKeptResults(const char *folder);
// Whether lines are kept, waiting for the file.
bool ResultsKeptAside(const char *folder);
// The kept lines' bytes (whole CSV records) in a heap block the caller
// frees; none when nothing is kept.
char *ReadKeptResults(const char *folder, DWORD *length);
// The kept lines go (the results are cleared). False when they stay.
bool DropKeptResults(const char *folder);
