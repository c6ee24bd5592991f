// The recording under way, remembered in TALVORec.ini while it runs: a start
// after a crash or a power failure finds there the file it has to repair.
// The section exists only while a WAVE recording is being written.
#include "settings/settings.h"
#include "settings/safesave.h"
#include "app/heap.h"
#include <string.h>

static const char RecordingSection[] = "RECORDING";
static const char FileKey[] = "File=";

static const char TitleKey[] = "Title=";
static const char StartKey[] = "Start=";
static const char EndKey[] = "End=";
static const char BeganKey[] = "Began=";

// Appends "key" + value and its NUL at *used.
static void AddMarkerLine(char *lines, size_t *used, const char *key, const char *value)
{
    size_t keyLength = strlen(key), length = strlen(value);
    memcpy(lines + *used, key, keyLength);
    memcpy(lines + *used + keyLength, value, length);
    *used += keyLength + length + 1;
}

bool SaveRecordingMarker(const char *programFolder, const char *recordingPath,
                         const RecordingOccurrenceTexts *occurrence)
{
    size_t length = strlen(recordingPath);
    // Each line, its NUL, and the NUL that ends the section's lines.
    char *lines = (char *)HeapAllocZero(sizeof FileKey + length + 1 + sizeof(RecordingOccurrenceTexts) + 64);
    if (!lines)
        return false;
    size_t used = 0;
    AddMarkerLine(lines, &used, FileKey, recordingPath);
    // Older programs read the file's name alone; the programme's lines are
    // new keys they pass over.
    if (occurrence) {
        AddMarkerLine(lines, &used, TitleKey, occurrence->Title);
        AddMarkerLine(lines, &used, StartKey, occurrence->PlannedStart);
        AddMarkerLine(lines, &used, EndKey, occurrence->PlannedEnd);
        AddMarkerLine(lines, &used, BeganKey, occurrence->RecordStart);
    }
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

// The value of key among the section's lines, as written (the profile
// functions' reading of one key would take the quotes off a title).
static void MarkerValue(const char *lines, DWORD count, const char *key, char *value, size_t size)
{
    size_t keyLength = strlen(key);
    for (const char *line = lines; line < lines + count && *line; line += strlen(line) + 1) {
        if (strncmp(line, key, keyLength) != 0)
            continue;
        lstrcpynA(value, line + keyLength, (int)size);
        return;
    }
}

// The section's lines in a heap block the caller frees; none when there is
// no settings file or no memory.
static char *ReadMarkerLines(const char *programFolder, DWORD *count)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return NULL;
    enum { SectionBytes = 4096 };
    char *lines = (char *)HeapAllocZero(SectionBytes);
    if (lines)
        *count = GetPrivateProfileSectionA(RecordingSection, lines, SectionBytes, path);
    return lines;
}

bool LoadRecordingOccurrence(const char *programFolder, RecordingOccurrenceTexts *occurrence)
{
    memset(occurrence, 0, sizeof *occurrence);
    DWORD count = 0;
    char *lines = ReadMarkerLines(programFolder, &count);
    if (!lines)
        return false;
    MarkerValue(lines, count, TitleKey, occurrence->Title, sizeof occurrence->Title);
    MarkerValue(lines, count, StartKey, occurrence->PlannedStart, sizeof occurrence->PlannedStart);
    MarkerValue(lines, count, EndKey, occurrence->PlannedEnd, sizeof occurrence->PlannedEnd);
    MarkerValue(lines, count, BeganKey, occurrence->RecordStart, sizeof occurrence->RecordStart);
    HeapFreeBlock(lines);
    return occurrence->Title[0] || occurrence->PlannedStart[0];
}

bool LoadRecordingMarker(const char *programFolder, char *recordingPath, size_t size)
{
    DWORD count = 0;
    char *lines = ReadMarkerLines(programFolder, &count);
    if (!lines)
        return false;
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
