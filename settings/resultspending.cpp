// The lines kept aside while the results file is held by another program.
#include "settings/resultspending.h"
#include "settings/settings.h"
#include "app/heap.h"
#include <string.h>

const char ResultsPendingName[] = "TALVORec-results.pending";

// Far beyond what a week of holding the file keeps; a larger one is not read.
enum : DWORD { LargestPendingFile = 16u << 20 };

static bool PendingPath(const char *folder, char path[MAX_PATH])
{
    return JoinWithinPath(folder, ResultsPendingName, path);
}

static bool AppendKept(const char *folder, const char *record)
{
    char path[MAX_PATH];
    if (!PendingPath(folder, path))
        return false;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = (DWORD)strlen(record), written = 0;
    bool kept = WriteFile(file, record, length, &written, NULL) && written == length && FlushFileBuffers(file);
    CloseHandle(file);
    return kept;
}

char *ReadKeptResults(const char *folder, DWORD *length)
{
    char path[MAX_PATH];
    *length = 0;
    if (!PendingPath(folder, path))
        return NULL;
    char *bytes = ReadWholeFile(path, LargestPendingFile, length);
    if (!bytes)
        return NULL;
    // A line a power failure tore off while it was being kept is no line.
    while (*length > 0 && bytes[*length - 1] != '\n')
        bytes[--*length] = '\0';
    if (*length == 0) {
        HeapFreeBlock(bytes);
        return NULL;
    }
    return bytes;
}

bool ResultsKeptAside(const char *folder)
{
    char path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA data;
    return PendingPath(folder, path) && GetFileAttributesExA(path, GetFileExInfoStandard, &data) &&
           (data.nFileSizeLow || data.nFileSizeHigh);
}

bool DropKeptResults(const char *folder)
{
    char path[MAX_PATH];
    if (!PendingPath(folder, path))
        return false;
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    // Held for reading by someone: emptied, it keeps nothing either.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool WriteKeptResults(const char *folder)
{
    DWORD length = 0;
    char *kept = ReadKeptResults(folder, &length);
    if (!kept)
        return !ResultsKeptAside(folder) || DropKeptResults(folder);
    bool moved = AppendResultText(folder, kept, length) && DropKeptResults(folder);
    HeapFreeBlock(kept);
    return moved;
}

ResultStored StoreResultRecord(const char *folder, const char *const fields[ResultFieldCount])
{
    // Kept lines are older: none may be overtaken by this one.
    if (WriteKeptResults(folder) && AppendResultRecord(folder, fields))
        return ResultStoredInFile;
    char *record = ComposeResultRecord(fields);
    bool kept = record && AppendKept(folder, record);
    HeapFreeBlock(record);
    return kept ? ResultStoredKept : ResultStoredLost;
}
