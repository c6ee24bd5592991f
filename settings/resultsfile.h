// TALVORec-results.csv beside TALVORec.ini: one line for what became of each
// reservation, in Shift-JIS with CRLF, as a spreadsheet on a Japanese PC
// opens it. Lines are appended whole and flushed one at a time; a line a
// power failure tore off is passed over when the file is read.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

enum ResultField {
    ResultOutcome,
    ResultTitle,
    ResultPlannedStart,
    ResultPlannedEnd,
    ResultRecordStart,
    ResultRecordEnd,
    ResultSeconds,
    ResultFiles,
    ResultBytes,
    ResultFormat,
    ResultDetail,
    ResultFieldCount
};

// The newest lines kept at a start; older ones go.
enum { ResultsKept = 1000 };

extern const char ResultsFileName[];
// The first line of the file, without its CRLF.
extern const char ResultsHeader[];

// One line's fields, each its own heap copy (never NULL once read).
struct ResultLine {
    char *Fields[ResultFieldCount];
};
// Lines in the file's order: the oldest first.
struct ResultList {
    uint32_t Count;
    ResultLine *Items;
};

// The CSV record of the fields with its CRLF, in a heap block the caller
// frees (HeapFreeBlock); a field that holds a comma, a quote or a line break
// is quoted. NULL fields are empty. NULL when there is no memory.
char *ComposeResultRecord(const char *const fields[ResultFieldCount]);
// Reads the record that begins at text, ending with its CRLF before end.
// *next points past it. False for a record torn off before its CRLF and for
// one that does not hold exactly the file's fields (the fields are then
// left empty); *next then points past the broken line, or at end.
bool ParseResultRecord(const char *text, const char *end, const char **next, ResultLine *line);
void FreeResultLine(ResultLine *line);

// folder + TALVORec-results.csv; false when it does not fit MAX_PATH.
bool ResultsFilePath(const char *folder, char path[MAX_PATH]);
// Appends the line, writing the header first into a new or empty file, and
// flushes it to the disk. A torn line at the file's end is closed first so
// that the new one stands whole. False when it was not written.
bool AppendResultRecord(const char *folder, const char *const fields[ResultFieldCount]);
// The same for whole records already composed, appended in one write.
bool AppendResultText(const char *folder, const char *records, size_t length);
// Every whole line of the file but its header, then the lines kept aside
// for it (settings/resultspending.h); an empty list when there is no file.
// False only when the file exists but cannot be read.
bool LoadResults(const char *folder, ResultList *list);
void FreeResults(ResultList *list);
// Keeps the newest kept lines: the file is rewritten beside itself and takes
// its place in one step, or stays as it was. True when nothing needed doing.
bool TrimResults(const char *folder, uint32_t kept);
// Leaves the file with its header alone (whole or not at all).
bool ClearResults(const char *folder);

// "YYYY/MM/DD HH:MM:SS", the file's way of writing a time; 20 bytes.
enum { ResultTimeBytes = 20 };
void FormatResultTime(const SYSTEMTIME *time, char text[ResultTimeBytes]);
// False unless text is such a time of the real calendar.
bool ParseResultTime(const char *text, SYSTEMTIME *time);

// ---- kept in TALVORec.ini, section RESULTS ----

// The last moment the program is known to have been running. Written into
// an existing settings file only: a first start's file is made by its first
// save. False when it was not written.
bool SaveLastRunning(const char *programFolder, const SYSTEMTIME *moment);
// False when the file holds no such moment (an older file, a first start).
bool LoadLastRunning(const char *programFolder, SYSTEMTIME *moment);
// The results window's normal rectangle; false when none is stored.
bool SaveResultsWindowRect(const char *programFolder, const RECT *rect);
bool LoadResultsWindowRect(const char *programFolder, RECT *rect);
