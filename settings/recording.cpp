// The recording under way, remembered in TALVORec.ini while it runs: a start
// after a crash or a power failure finds there the file it has to repair.
// The section exists only while a WAVE recording is being written.
#include "settings/settings.h"
#include "app/heap.h"
#include <string.h>

static const char RecordingSection[] = "RECORDING";
static const char FileKey[] = "File=";

bool SaveRecordingMarker(const char *programFolder, const char *recordingPath)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path))
        return false;
    size_t length = strlen(recordingPath);
    // "File=path", its NUL and the NUL that ends the section's lines.
    char *lines = (char *)HeapAllocZero(sizeof FileKey + length + 1);
    if (!lines)
        return false;
    memcpy(lines, FileKey, sizeof FileKey - 1);
    memcpy(lines + sizeof FileKey - 1, recordingPath, length);
    bool written = WritePrivateProfileSectionA(RecordingSection, lines, path) != FALSE;
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
    WritePrivateProfileStringA(RecordingSection, NULL, NULL, path);
    // A file that held nothing but the marker goes again, so that the next
    // start still finds no settings file and begins with its defaults (all
    // presets offered, the default stations).
    char names[4] = "";
    if (GetPrivateProfileSectionNamesA(names, sizeof names, path) == 0)
        DeleteFileA(path);
}
