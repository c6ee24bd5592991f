// The recording under way, remembered in TALVORec.ini while it runs: a start
// after a crash or a power failure finds there the file it has to repair.
// The section exists only while a WAVE recording is being written.
#include "settings/settings.h"
#include "settings/safesave.h"
#include "app/heap.h"
#include <string.h>

static const char RecordingSection[] = "RECORDING";
static const char FileKey[] = "File=";

bool SaveRecordingMarker(const char *programFolder, const char *recordingPath)
{
    size_t length = strlen(recordingPath);
    // "File=path", its NUL and the NUL that ends the section's lines.
    char *lines = (char *)HeapAllocZero(sizeof FileKey + length + 1);
    if (!lines)
        return false;
    memcpy(lines, FileKey, sizeof FileKey - 1);
    memcpy(lines + sizeof FileKey - 1, recordingPath, length);
    // Like every save of the file: whole, so that the settings around the
    // mark survive a crash in the middle of writing it.
    SettingsCopy copy;
    bool written = BeginSettingsCopy(programFolder, &copy);
    if (written && !WritePrivateProfileSectionA(RecordingSection, lines, copy.Copy)) {
        DiscardSettingsCopy(&copy);
        written = false;
    }
    written = written && CommitSettingsCopy(&copy);
    HeapFreeBlock(lines);
    return written;
}

bool LoadRecordingMarker(const char *programFolder, char *recordingPath, size_t size)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    enum { SectionBytes = 2048 };
    char *lines = (char *)HeapAllocZero(SectionBytes);
    if (!lines)
        return false;
    DWORD count = GetPrivateProfileSectionA(RecordingSection, lines, SectionBytes, path);
    bool found = false;
    for (char *line = lines; line < lines + count && *line && !found; line += strlen(line) + 1) {
        if (strncmp(line, FileKey, sizeof FileKey - 1) != 0)
            continue;
        const char *value = line + sizeof FileKey - 1;
        size_t length = strlen(value);
        if (length > 0 && length < size) {
            memcpy(recordingPath, value, length + 1);
            found = true;
        }
    }
    HeapFreeBlock(lines);
    return found;
}

void ClearRecordingMarker(const char *programFolder)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    SettingsCopy copy;
    if (!BeginSettingsCopy(programFolder, &copy))
        return;
    WritePrivateProfileStringA(RecordingSection, NULL, NULL, copy.Copy);
    // A file that held nothing but the marker goes again, so that the next
    // start still finds no settings file and begins with its defaults (all
    // presets offered, the default stations).
    char names[4] = "";
    if (GetPrivateProfileSectionNamesA(names, sizeof names, copy.Copy) == 0) {
        DiscardSettingsCopy(&copy);
        DeleteFileA(path);
        return;
    }
    CommitSettingsCopy(&copy);
}
