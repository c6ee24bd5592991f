// Whole-or-nothing saving of the settings file. The private-profile functions
// edit a copy of the file in the same folder; the copy is flushed and then
// moved over the file with write-through, a step the file system completes
// or does not begin.
//
// The search indexer, a virus scanner or a cloud folder's client open the
// file for a moment now and then; replacing it needs it free, so a refusal of
// that kind is tried again for a few seconds before the save counts as failed.
#include "settings/safesave.h"
#include "settings/settings.h"
#include "app/appstate.h"
#include <string.h>

// Beside the settings file, so that the move stays on one volume.
static const char CopySuffix[] = ".new";

static bool CopyPath(const char *file, char copy[MAX_PATH])
{
    return JoinWithinPath(file, CopySuffix, copy);
}

enum : DWORD { BusyPauseMs = 100, BusyTries = 30 };

// Refusals that pass once another program lets go of the file.
static bool Busy(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Waits a moment after a refusal that may pass; false when the refusal is of
// another kind or the tries are used up (the error is left as it was).
static bool WorthAnotherTry(DWORD *tries)
{
    DWORD error = GetLastError();
    if (!Busy(error) || ++*tries >= BusyTries)
        return false;
    Sleep(BusyPauseMs);
    SetLastError(error);
    return true;
}

static bool ReadOnlyFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

static bool CreateEmptyFile(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool ClearStaleCopy(const char *copy)
{
    DWORD tries = 0;
    for (;;) {
        DWORD attributes = GetFileAttributesA(copy);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return true;
        // Hidden, system or read-only (taken over from the file it was
        // copied from) would make the next copy or create refuse it.
        if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(copy))
            return true;
        if (!WorthAnotherTry(&tries))
            return false;
    }
}

bool BeginSettingsCopy(const char *programFolder, SettingsCopy *copy)
{
    if (!SettingsFilePath(programFolder, copy->File) || !CopyPath(copy->File, copy->Copy))
        return false;
    // A read-only settings file is the user's wish that it stay as it is;
    // the move would replace it regardless.
    if (ReadOnlyFile(copy->File))
        return false;
    // A copy left behind by a save that was cut off is stale: it goes.
    if (!ClearStaleCopy(copy->Copy))
        return false;
    if (GetFileAttributesA(copy->File) == INVALID_FILE_ATTRIBUTES)
        return CreateEmptyFile(copy->Copy);
    DWORD tries = 0;
    while (!CopyFileA(copy->File, copy->Copy, TRUE))
        if (!WorthAnotherTry(&tries)) {
            DeleteFileA(copy->Copy);
            return false;
        }
    // The copy is edited as an ordinary file; the file's own attributes
    // stay with it when the copy takes its place.
    SetFileAttributesA(copy->Copy, FILE_ATTRIBUTE_NORMAL);
    return true;
}

static bool FlushToDisk(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool flushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return flushed;
}

// The copy takes the file's place in one rename, so that a kill at any
// moment leaves one or the other (a replacement in several steps could leave
// neither). The file's attributes go onto the copy first: a hidden settings
// file stays hidden.
static bool TakePlace(const char *copy, const char *file)
{
    DWORD attributes = GetFileAttributesA(file);
    const DWORD carried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & carried))
        SetFileAttributesA(copy, attributes & carried);
    return MoveFileExA(copy, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool PutCopyInPlace(const char *copy, const char *file)
{
    DWORD tries = 0;
    bool flushed = false;
    for (;;) {
        flushed = flushed || FlushToDisk(copy);
        if (flushed && TakePlace(copy, file))
            return true;
        if (!WorthAnotherTry(&tries))
            break;
    }
    DWORD error = GetLastError();
    DeleteFileA(copy);
    SetLastError(error);
    return false;
}

bool CommitSettingsCopy(SettingsCopy *copy)
{
    return PutCopyInPlace(copy->Copy, copy->File);
}

void DiscardSettingsCopy(SettingsCopy *copy)
{
    DeleteFileA(copy->Copy);
}

bool SaveSettingsSections(const char *programFolder, const SettingsSection *sections, size_t count)
{
    SettingsCopy copy;
    if (!BeginSettingsCopy(programFolder, &copy))
        return false;
    for (size_t i = 0; i < count; i++) {
        SettingsSection section = sections[i];
        // What the start could not read is still in the file, whole; the
        // program's empty idea of it must not replace it.
        if (App.SectionUnreadable[section])
            continue;
        if (!WriteSettingsSection(copy.Copy, section)) {
            DiscardSettingsCopy(&copy);
            return false;
        }
    }
    return CommitSettingsCopy(&copy);
}

bool SettingsWritable(const char *programFolder)
{
    char file[MAX_PATH], probe[MAX_PATH];
    if (!SettingsFilePath(programFolder, file) || !CopyPath(file, probe) || ReadOnlyFile(file) ||
        !ClearStaleCopy(probe))
        return false;
    HANDLE created = CreateFileA(probe, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (created == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(created);
    DeleteFileA(probe);
    return true;
}
