// A recording never overwrites a file. When its expanded path is taken (a
// weekly programme saved without a date code), it goes to the same name with
// " (2)", " (3)", ... before the extension. A continuation file of a long
// recording ends its name in "_2", "_3", ... instead, so the two kinds of
// number can never give the same name. The look beforehand is only a guess
// (a folder that cannot be listed, a share's cached answer): the file itself
// is created only where none stands, and a name found taken then takes the
// next number.
#include "recorder/recorder.h"
#include <stdio.h>
#include <string.h>

enum : DWORD { HighestNumber = 9999 };

bool CopyNumberedPath(const char *path, DWORD number, char *out, size_t size)
{
    size_t name = SplitPath(path, NULL, NULL), length = strlen(path);
    size_t extension = length;
    for (const char *scan = path + name; *scan; scan = CharNextA(scan))
        if (*scan == '.')
            extension = (size_t)(scan - path);
    char suffix[24];
    int digits = snprintf(suffix, sizeof suffix, " (%lu)", (unsigned long)number);
    if (length + (size_t)digits + 1 > size)
        return false;
    memmove(out, path, extension);
    memmove(out + extension + digits, path + extension, length - extension + 1);
    memcpy(out + extension, suffix, (size_t)digits);
    return true;
}

static bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Free when neither the file nor the continuation it would start first is
// there: a recording that outgrows one file must not overwrite either.
static bool Free(const char *path)
{
    char next[SavePathBytes];
    return !Exists(path) && (!NumberedPartPath(path, 2, next, sizeof next) || !Exists(next));
}

// number 1 stands for the path itself, 2 on for " (2)", ...
static bool CandidatePath(const char *path, DWORD number, char *out, size_t size)
{
    if (number > 1)
        return CopyNumberedPath(path, number, out, size);
    if (strlen(path) >= size)
        return false;
    strcpy(out, path);
    return true;
}

bool NextRecordingPath(const char *path, DWORD *number, char *out, size_t size)
{
    char candidate[SavePathBytes];
    // A folder of that name says the path is wrong, not that last week's
    // recording is there: no number makes it right.
    DWORD attributes = GetFileAttributesA(path);
    if (strlen(path) >= sizeof candidate ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    DWORD next = *number + 1;
    for (;; next++)
        if (next > HighestNumber || !CandidatePath(path, next, candidate, sizeof candidate))
            return false;
        else if (Free(candidate))
            break;
    if (strlen(candidate) >= size)
        return false;
    strcpy(out, candidate);
    *number = next;
    return true;
}

bool FreeRecordingPath(const char *path, char *out, size_t size)
{
    DWORD number = 0;
    return NextRecordingPath(path, &number, out, size);
}
