// Output file names from a reservation's path pattern, its folder, and the
// file dialog the edit dialog picks a path with.
#include "recorder/recorder.h"
#include "schedule/clock.h"
#include "schedule/schedule.h"
#include "app/appstate.h"
#include "recorder/filenametext.h"
#include <stdio.h>
#include <string.h>

// Bytes of the character at text: a double-byte character is taken whole, so
// its trail byte is never mistaken for a percent sign or a backslash.
static size_t CharWidth(const char *text)
{
    if (IsDBCSLeadByte((BYTE)text[0]) && text[1] != '\0')
        return 2;
    return 1;
}

// Copies the first length bytes of text (a whole number of characters) into a
// SavePathBytes-byte buffer, cutting before a character that would not fit.
static void CopyWhole(char *out, const char *text, size_t length)
{
    size_t taken = 0;
    while (taken < length) {
        size_t width = CharWidth(text + taken);
        if (taken + width > length || taken + width > SavePathBytes - 1)
            break;
        taken += width;
    }
    memcpy(out, text, taken);
    out[taken] = '\0';
}

struct ClockTexts {
    char Year[8], Month[8], Day[8], Hour[8], Minute[8];
};

static void FormatClock(const SYSTEMTIME *now, ClockTexts *texts)
{
    snprintf(texts->Year, sizeof texts->Year, "%02d", now->wYear % 100);
    snprintf(texts->Month, sizeof texts->Month, "%02d", now->wMonth);
    snprintf(texts->Day, sizeof texts->Day, "%02d", now->wDay);
    snprintf(texts->Hour, sizeof texts->Hour, "%02d", now->wHour);
    snprintf(texts->Minute, sizeof texts->Minute, "%02d", now->wMinute);
}

// What a code letter stands for; none for a byte that is no code, which then
// leaves its percent sign in the text as it is.
static const char *CodeText(char code, const ClockTexts *texts, const char *title, WORD weekday)
{
    switch (code) {
    case 'Y': return texts->Year;
    case 'M': return texts->Month;
    case 'D': return texts->Day;
    case 'H': return texts->Hour;
    case 'm': return texts->Minute;
    case 'W': return WeekdayNames[weekday % 7];
    case 'T': return title;
    case '%': return "%";
    }
    return NULL;
}

static void AppendPiece(char *out, size_t *used, const char *piece, size_t length)
{
    memcpy(out + *used, piece, length);
    *used += length;
}

bool ExpandSavePathAt(const char *pattern, char *out, size_t size, const char *title,
                      const SYSTEMTIME *now)
{
    ClockTexts texts;
    FormatClock(now, &texts);
    // The title is the programme's, not the user's pattern: what Windows
    // forbids in a name is made harmless in it.
    char safeTitle[SavePathBytes];
    FileNameText(title ? title : "", safeTitle, sizeof safeTitle);
    title = safeTitle;
    size_t used = 0;
    const char *run = pattern;
    const char *scan = pattern;
    while (*scan) {
        const char *text = *scan == '%' ? CodeText(scan[1], &texts, title, now->wDayOfWeek) : NULL;
        if (!text) {
            scan += *scan == '%' ? 1 : CharWidth(scan);
            continue;
        }
        size_t runLength = (size_t)(scan - run);
        size_t textLength = strlen(text);
        if (used + runLength + textLength + 1 > size)
            return false;
        AppendPiece(out, &used, run, runLength);
        AppendPiece(out, &used, text, textLength);
        scan += 2;
        run = scan;
    }
    size_t runLength = (size_t)(scan - run);
    if (used + runLength + 1 > size)
        return false;
    AppendPiece(out, &used, run, runLength);
    out[used] = '\0';
    return true;
}

void ProgrammeStartMinute(SYSTEMTIME *minute)
{
    ReadLocalTime(minute);
    // A recording begins a few seconds ahead of its programme, which for a
    // midnight programme is still the day before: the names take the
    // programme's own minute, as the schedule found it.
    ULARGE_INTEGER start;
    start.LowPart = App.ActiveStart.dwLowDateTime;
    start.HighPart = App.ActiveStart.dwHighDateTime;
    if (!App.ActiveReservation || start.QuadPart == 0)
        return;
    FILETIME instant = FileTimeAdd(&App.ActiveStart, (LONGLONG)StartLead);
    SYSTEMTIME programme;
    if (FileTimeToSystemTime(&instant, &programme))
        *minute = programme;
}

bool ExpandSavePath(const char *pattern, char *out, size_t size, const ReserveEntry *entry)
{
    SYSTEMTIME minute;
    ProgrammeStartMinute(&minute);
    return ExpandSavePathAt(pattern ? pattern : "", out, size, entry ? entry->Title : NULL, &minute);
}

size_t SplitPath(const char *path, char *folder, char *name)
{
    size_t cut = 0;
    for (const char *scan = path; *scan; scan += CharWidth(scan)) {
        if (*scan == '\\')
            cut = (size_t)(scan - path) + 1;
    }
    if (folder)
        CopyWhole(folder, path, cut);
    if (name)
        CopyWhole(name, path + cut, strlen(path + cut));
    return cut;
}

bool NumberedPartPath(const char *first, DWORD part, char *out, size_t size)
{
    size_t name = SplitPath(first, NULL, NULL), length = strlen(first);
    // The extension begins at the name's last dot (a whole-character scan);
    // a name without one takes the number at its end.
    size_t extension = length;
    for (const char *scan = first + name; *scan; scan += CharWidth(scan)) {
        if (*scan == '.')
            extension = (size_t)(scan - first);
    }
    char number[16];
    int digits = wsprintfA(number, "_%lu", (unsigned long)part);
    if (length + (size_t)digits + 1 > size)
        return false;
    memmove(out, first, extension);
    memcpy(out + extension, number, (size_t)digits);
    memcpy(out + extension + digits, first + extension, length - extension + 1);
    return true;
}

bool EnsureFolder(const char *path)
{
    char folder[SavePathBytes];
    size_t cut = SplitPath(path, folder, NULL);
    if (cut == 0)
        return true;
    // A folder part too long for the buffer would otherwise be created cut short.
    if (cut >= SavePathBytes)
        return false;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return CreateDirectoryA(folder, NULL) != 0;
}
