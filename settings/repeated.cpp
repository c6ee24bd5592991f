// Sections that stand more than once in the settings file: their headers are
// counted and their lines read from the file's text itself.
#include "settings/repeated.h"
#include "settings/settings.h"
#include "app/heap.h"
#include <string.h>

// Far beyond any settings file the program writes; a larger one is not read.
enum : DWORD { LargestFile = 16u << 20 };

static bool Blank(char c) { return c == ' ' || c == '\t'; }

// One line of the text without its line end and surrounding blanks.
struct TextLine {
    const char *Start;
    size_t Length;
};

static const char *NextLine(const char *p, const char *end, TextLine *line)
{
    const char *stop = p;
    while (stop < end && *stop != '\n' && *stop != '\r')
        stop++;
    const char *next = stop;
    if (next < end && *next == '\r')
        next++;
    if (next < end && *next == '\n')
        next++;
    while (p < stop && Blank(*p))
        p++;
    while (stop > p && Blank(stop[-1]))
        stop--;
    line->Start = p;
    line->Length = (size_t)(stop - p);
    return next;
}

// A header line gives its name (blanks inside the brackets not counted).
static bool HeaderName(const TextLine &line, TextLine *name)
{
    if (line.Length < 2 || line.Start[0] != '[')
        return false;
    // The name ends at the line's last "]", as the private-profile functions
    // read a header.
    const char *close = NULL;
    for (const char *p = line.Start + line.Length; p > line.Start && !close; p--)
        if (p[-1] == ']')
            close = p - 1;
    if (!close)
        return false;
    const char *p = line.Start + 1;
    while (p < close && Blank(*p))
        p++;
    while (close > p && Blank(close[-1]))
        close--;
    name->Start = p;
    name->Length = (size_t)(close - p);
    return true;
}

static bool SameName(const TextLine &found, const char *name)
{
    size_t length = strlen(name);
    return found.Length == length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, found.Start, (int)length,
                                                    name, (int)length) == CSTR_EQUAL;
}

int CountSectionHeaders(const char *path, const char *name)
{
    DWORD length = 0;
    char *text = ReadWholeFile(path, LargestFile, &length);
    if (!text)
        return 0;
    int headers = 0;
    TextLine line, found;
    for (const char *p = text, *end = text + length; p < end;) {
        p = NextLine(p, end, &line);
        if (HeaderName(line, &found) && SameName(found, name))
            headers++;
    }
    HeapFreeBlock(text);
    return headers;
}

char *ReadLaterSections(const char *path, const char *name, DWORD *count)
{
    DWORD length = 0;
    char *text = ReadWholeFile(path, LargestFile, &length);
    if (!text)
        return NULL;
    // The lines never outgrow the text they come from, plus the final NUL.
    char *lines = (char *)HeapAllocZero((size_t)length + 2);
    if (!lines) {
        HeapFreeBlock(text);
        return NULL;
    }
    size_t used = 0;
    int headers = 0;
    bool inside = false;
    TextLine line, found;
    for (const char *p = text, *end = text + length; p < end;) {
        p = NextLine(p, end, &line);
        if (HeaderName(line, &found)) {
            inside = SameName(found, name) && ++headers > 1;
            continue;
        }
        if (!inside || line.Length == 0 || line.Start[0] == ';')
            continue;
        memcpy(lines + used, line.Start, line.Length);
        used += line.Length + 1;
    }
    HeapFreeBlock(text);
    *count = (DWORD)used;
    return lines;
}

bool WriteSectionOnce(const char *path, const char *name, const char *lines, int headers)
{
    // Each deletion takes out the first of the headers and its lines.
    // The result of a deletion is not looked at: whether the file still holds
    // the section afterwards is what counts, and the count below tells.
    for (int i = 0; i < headers; i++)
        WritePrivateProfileStringA(name, NULL, NULL, path);
    return WritePrivateProfileSectionA(name, lines, path) && CountSectionHeaders(path, name) == 1;
}
