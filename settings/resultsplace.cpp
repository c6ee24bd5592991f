// The results' own keys in TALVORec.ini: the last moment the program was
// running, for the programmes missed while it was not, and the results
// window's place. A section of their own, so that a program that does not
// know them loads and saves the file as ever.
#include "settings/resultsfile.h"
#include "settings/settings.h"
#include "settings/safesave.h"
#include <stdio.h>
#include <string.h>

static const char ResultsSection[] = "RESULTS";
static const char RunningKey[] = "Running";
static const char WindowKey[] = "Window";

void FormatResultTime(const SYSTEMTIME *time, char text[ResultTimeBytes])
{
    snprintf(text, ResultTimeBytes, "%04u/%02u/%02u %02u:%02u:%02u", time->wYear % 10000u, time->wMonth % 100u,
             time->wDay % 100u, time->wHour % 100u, time->wMinute % 100u, time->wSecond % 100u);
}

bool ParseResultTime(const char *text, SYSTEMTIME *time)
{
    unsigned year, month, day, hour, minute, second;
    char rest;
    if (sscanf(text, "%4u/%2u/%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute, &second, &rest) != 6)
        return false;
    SYSTEMTIME parsed = {};
    parsed.wYear = (WORD)year;
    parsed.wMonth = (WORD)month;
    parsed.wDay = (WORD)day;
    parsed.wHour = (WORD)hour;
    parsed.wMinute = (WORD)minute;
    parsed.wSecond = (WORD)second;
    // The calendar decides: 2027/02/29 and 25:00 are no times.
    FILETIME instant;
    if (!SystemTimeToFileTime(&parsed, &instant) || !FileTimeToSystemTime(&instant, time))
        return false;
    return true;
}

// Writes one key of the section into the existing settings file, whole.
static bool SaveResultsKey(const char *programFolder, const char *key, const char *value)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    SettingsCopy copy;
    if (!BeginSettingsCopy(programFolder, &copy))
        return false;
    if (!WritePrivateProfileStringA(ResultsSection, key, value, copy.Copy)) {
        DiscardSettingsCopy(&copy);
        return false;
    }
    return CommitSettingsCopy(&copy);
}

static bool LoadResultsKey(const char *programFolder, const char *key, char *value, DWORD size)
{
    char path[MAX_PATH];
    if (!SettingsFilePath(programFolder, path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    value[0] = '\0';
    GetPrivateProfileStringA(ResultsSection, key, "", value, size, path);
    return value[0] != '\0';
}

bool SaveLastRunning(const char *programFolder, const SYSTEMTIME *moment)
{
    char text[ResultTimeBytes];
    FormatResultTime(moment, text);
    return SaveResultsKey(programFolder, RunningKey, text);
}

bool LoadLastRunning(const char *programFolder, SYSTEMTIME *moment)
{
    char text[64];
    return LoadResultsKey(programFolder, RunningKey, text, sizeof text) && ParseResultTime(text, moment);
}

bool SaveResultsWindowRect(const char *programFolder, const RECT *rect)
{
    char text[64];
    snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", (long)rect->left, (long)rect->top, (long)rect->right,
             (long)rect->bottom);
    return SaveResultsKey(programFolder, WindowKey, text);
}

bool LoadResultsWindowRect(const char *programFolder, RECT *rect)
{
    char text[64];
    long left, top, right, bottom;
    char rest;
    if (!LoadResultsKey(programFolder, WindowKey, text, sizeof text) ||
        sscanf(text, "%ld,%ld,%ld,%ld%c", &left, &top, &right, &bottom, &rest) != 4 || right <= left ||
        bottom <= top)
        return false;
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return true;
}
