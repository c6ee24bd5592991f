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

// The lines under the section's headers, from the first one or from the
// second on.
static char *ReadSectionLines(const char *path, const char *name, DWORD *count, bool first, int *headersSeen)
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
            inside = SameName(found, name) && (++headers > 1 || first);
            continue;
        }
        if (!inside || line.Length == 0 || line.Start[0] == ';')
            continue;
        memcpy(lines + used, line.Start, line.Length);
        used += line.Length + 1;
    }
    HeapFreeBlock(text);
    *count = (DWORD)used;
    if (headersSeen)
        *headersSeen = headers;
    return lines;
}

char *ReadLaterSections(const char *path, const char *name, DWORD *count)
{
    return ReadSectionLines(path, name, count, false, NULL);
}

char *ReadWholeSection(const char *path, const char *name, DWORD *count, int *headers)
{
    // Lines the private-profile functions still hold go to the disk first.
    WritePrivateProfileStringA(NULL, NULL, NULL, path);
    return ReadSectionLines(path, name, count, true, headers);
}

bool WriteSectionOnce(const char *path, const char *name, const char *lines, int headers)
{
    // Each deletion takes out the first of the headers and its lines.
    // The result of a deletion is not looked at: whether the file still holds
    // the section afterwards is what counts, and the count below tells.
    for (int i = 0; i < headers; i++)
        WritePrivateProfileStringA(name, NULL, NULL, path);
    return WriteProfileLines(name, lines, path) && CountSectionHeaders(path, name) == 1;
}

// The text being composed, in a heap block that grows.
struct ComposedText {
    char *Data;
    size_t Length;
    size_t Capacity;
    bool Failed;
};

static void Put(ComposedText *out, const char *bytes, size_t length)
{
    if (out->Failed)
        return;
    if (out->Length + length + 1 > out->Capacity) {
        size_t capacity = out->Capacity ? out->Capacity : 65536;
        while (capacity < out->Length + length + 1)
            capacity *= 2;
        char *grown = (char *)HeapResizeZero(out->Data, capacity);
        if (!grown) {
            out->Failed = true;
            return;
        }
        out->Data = grown;
        out->Capacity = capacity;
    }
    memcpy(out->Data + out->Length, bytes, length);
    out->Length += length;
}

static void PutSection(ComposedText *out, const char *name, const char *lines)
{
    Put(out, "[", 1);
    Put(out, name, strlen(name));
    Put(out, "]\r\n", 3);
    for (const char *line = lines; *line; line += strlen(line) + 1) {
        Put(out, line, strlen(line));
        Put(out, "\r\n", 2);
    }
}

static bool WriteWholeText(const char *path, const char *bytes, size_t length)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool whole = WriteFile(file, bytes, (DWORD)length, &written, NULL) && written == length && SetEndOfFile(file);
    CloseHandle(file);
    return whole;
}

bool WriteSectionText(const char *path, const char *name, const char *lines)
{
    // What the private-profile functions wrote so far must be in the text
    // read here, and nothing of theirs written after it.
    WritePrivateProfileStringA(NULL, NULL, NULL, path);
    DWORD length = 0;
    char *text = ReadWholeFile(path, LargestFile, &length);
    if (!text) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        length = 0;
    }
    ComposedText out = {};
    bool inside = false, placed = false;
    TextLine line, found;
    for (const char *p = text, *end = text + length; text && p < end;) {
        const char *next = NextLine(p, end, &line);
        if (HeaderName(line, &found)) {
            inside = SameName(found, name);
            if (inside && !placed)
                PutSection(&out, name, lines);
            placed = placed || inside;
        }
        if (!inside) {
            Put(&out, p, (size_t)(next - p));
            // A last line without its line end gets one before a section follows.
            if (next == end && next > p && next[-1] != '\n' && !placed)
                Put(&out, "\r\n", 2);
        }
        p = next;
    }
    if (!placed)
        PutSection(&out, name, lines);
    HeapFreeBlock(text);
    bool written = !out.Failed && WriteWholeText(path, out.Data ? out.Data : "", out.Length);
    HeapFreeBlock(out.Data);
    return written;
}
