// Whole-or-nothing saving of the settings file. The private-profile functions
// edit a copy of the file in the same folder; the copy is flushed and then
// moved over the file with write-through, a step the file system completes
// or does not begin.
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

bool BeginSettingsCopy(const char *programFolder, SettingsCopy *copy)
{
    if (!SettingsFilePath(programFolder, copy->File) || !CopyPath(copy->File, copy->Copy))
        return false;
    // A read-only settings file is the user's wish that it stay as it is;
    // the move would replace it regardless.
    if (ReadOnlyFile(copy->File))
        return false;
    // A copy left behind by a save that was cut off is stale: it goes.
    if (ReadOnlyFile(copy->Copy))
        SetFileAttributesA(copy->Copy, FILE_ATTRIBUTE_NORMAL);
    if (GetFileAttributesA(copy->File) == INVALID_FILE_ATTRIBUTES)
        return CreateEmptyFile(copy->Copy);
    return CopyFileA(copy->File, copy->Copy, FALSE) != FALSE;
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

bool PutCopyInPlace(const char *copy, const char *file)
{
    if (!FlushToDisk(copy) || !MoveFileExA(copy, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(copy);
        return false;
    }
    return true;
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
    if (!SettingsFilePath(programFolder, file) || !CopyPath(file, probe) || ReadOnlyFile(file))
        return false;
    HANDLE created = CreateFileA(probe, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (created == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(created);
    DeleteFileA(probe);
    return true;
}
