// The results file: composing and reading its CSV records, appending one,
// and rewriting it whole when it is trimmed or cleared.
//
// In Shift-JIS the bytes CSV cares about (quote, comma, CR, LF) are never the
// second byte of a double-byte character, so the text is scanned byte by byte.
#include "settings/resultsfile.h"
#include "settings/settings.h"
#include "settings/safesave.h"
#include "settings/resultspending.h"
#include "app/heap.h"
#include <string.h>

const char ResultsFileName[] = "TALVORec-results.csv";
const char ResultsHeader[] =
    "結果,予約名,予定の開始,予定の終了,録音の開始,録音の終了,長さ(秒),ファイル,大きさ(バイト),形式,詳細";
// The header files written by earlier versions begin with: read as the
// header, and replaced by today's when the file is next trimmed.
static const char EarlierHeader[] =
    "結果,予約名,予定の開始,予定の終了,録画の開始,録画の終了,長さ(秒),ファイル,大きさ(バイト),形式,詳細";

static bool NeedsQuotes(const char *field)
{
    return strpbrk(field, ",\"\r\n") != NULL;
}

char *ComposeResultRecord(const char *const fields[ResultFieldCount])
{
    size_t length = 2;
    for (int i = 0; i < ResultFieldCount; i++) {
        const char *field = fields[i] ? fields[i] : "";
        // Every byte may be a doubled quote, plus the quotes and a comma.
        length += strlen(field) * 2 + 3;
    }
    char *record = (char *)HeapAllocZero(length + 1);
    if (!record)
        return NULL;
    char *out = record;
    for (int i = 0; i < ResultFieldCount; i++) {
        const char *field = fields[i] ? fields[i] : "";
        if (i > 0)
            *out++ = ',';
        bool quoted = NeedsQuotes(field);
        if (quoted)
            *out++ = '"';
        for (const char *c = field; *c; c++) {
            if (*c == '"')
                *out++ = '"';
            *out++ = *c;
        }
        if (quoted)
            *out++ = '"';
    }
    *out++ = '\r';
    *out++ = '\n';
    *out = '\0';
    return record;
}

void FreeResultLine(ResultLine *line)
{
    for (int i = 0; i < ResultFieldCount; i++) {
        HeapFreeBlock(line->Fields[i]);
        line->Fields[i] = NULL;
    }
}

// One field from at; *at is left on the comma or line end after it. NULL
// when the field runs past end (a torn record) or there is no memory.
static char *ReadField(const char **at, const char *end)
{
    const char *c = *at;
    bool quoted = c < end && *c == '"';
    if (quoted)
        c++;
    // The field's text is never longer than its bytes in the file.
    const char *start = c;
    while (c < end && (quoted || (*c != ',' && *c != '\r' && *c != '\n'))) {
        if (quoted && *c == '"') {
            if (c + 1 < end && c[1] == '"') {
                c += 2;
                continue;
            }
            break;
        }
        c++;
    }
    if (c >= end)
        return NULL;
    char *field = (char *)HeapAllocZero((size_t)(c - start) + 1);
    if (!field)
        return NULL;
    char *out = field;
    for (const char *from = start; from < c; from++) {
        *out++ = *from;
        if (quoted && *from == '"')
            from++;
    }
    if (quoted)
        c++;  // the closing quote
    *at = c;
    return field;
}

// Past the line that at is in, or end when it has no line end.
static const char *PastLineEnd(const char *at, const char *end)
{
    const char *lf = (const char *)memchr(at, '\n', (size_t)(end - at));
    return lf ? lf + 1 : end;
}

bool ParseResultRecord(const char *text, const char *end, const char **next, ResultLine *line)
{
    memset(line, 0, sizeof *line);
    const char *at = text;
    int count = 0;
    for (;;) {
        char *field = ReadField(&at, end);
        if (!field) {
            FreeResultLine(line);
            *next = end;
            return false;
        }
        if (count < ResultFieldCount)
            line->Fields[count] = field;
        else
            HeapFreeBlock(field);
        count++;
        if (at < end && *at == ',') {
            at++;
            continue;
        }
        break;
    }
    // The line ends here: CRLF as written, or a bare LF.
    bool ended = false;
    if (at + 1 < end && at[0] == '\r' && at[1] == '\n') {
        at += 2;
        ended = true;
    } else if (at < end && *at == '\n') {
        at++;
        ended = true;
    }
    if (!ended || count != ResultFieldCount) {
        FreeResultLine(line);
        *next = ended ? at : PastLineEnd(at, end);
        return false;
    }
    *next = at;
    return true;
}

bool ResultsFilePath(const char *folder, char path[MAX_PATH])
{
    return JoinWithinPath(folder, ResultsFileName, path);
}


static bool WriteAll(HANDLE file, const char *bytes, size_t length)
{
    DWORD written = 0;
    return WriteFile(file, bytes, (DWORD)length, &written, NULL) && written == length;
}

// A line a power failure tore off at the file's end goes before the next is
// added, so that it can never pass for a whole one. True when the file now
// ends with a whole line (or is empty); false when it could not be cut.
static bool CutTornTail(HANDLE file, LARGE_INTEGER *size)
{
    enum { TailBytes = 65536 };
    if (size->QuadPart == 0)
        return true;
    DWORD tail = size->QuadPart < TailBytes ? (DWORD)size->QuadPart : (DWORD)TailBytes;
    char *bytes = (char *)HeapAllocZero(tail);
    if (!bytes)
        return false;
    LARGE_INTEGER from;
    from.QuadPart = size->QuadPart - tail;
    DWORD read = 0;
    bool ok = SetFilePointerEx(file, from, NULL, FILE_BEGIN) && ReadFile(file, bytes, tail, &read, NULL) && read == tail;
    if (ok && bytes[tail - 1] != '\n') {
        DWORD keep = tail;
        while (keep > 0 && bytes[keep - 1] != '\n')
            keep--;
        // A torn line longer than the tail read is closed rather than cut.
        LARGE_INTEGER cut;
        cut.QuadPart = from.QuadPart + keep;
        if (keep == 0 && from.QuadPart > 0) {
            LARGE_INTEGER zero = {};
            ok = SetFilePointerEx(file, zero, NULL, FILE_END) && WriteAll(file, "\r\n", 2);
            size->QuadPart += 2;
        } else {
            ok = SetFilePointerEx(file, cut, NULL, FILE_BEGIN) && SetEndOfFile(file);
            size->QuadPart = cut.QuadPart;
        }
    }
    HeapFreeBlock(bytes);
    return ok;
}

bool AppendResultRecord(const char *folder, const char *const fields[ResultFieldCount])
{
    char *record = ComposeResultRecord(fields);
    if (!record)
        return false;
    bool written = AppendResultText(folder, record, strlen(record));
    HeapFreeBlock(record);
    return written;
}

bool AppendResultText(const char *folder, const char *records, size_t length)
{
    char path[MAX_PATH];
    if (!ResultsFilePath(folder, path))
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    bool written = file != INVALID_HANDLE_VALUE;
    LARGE_INTEGER size = {};
    if (written)
        written = GetFileSizeEx(file, &size) != FALSE;
    if (written) {
        LARGE_INTEGER zero = {};
        written = CutTornTail(file, &size) && SetFilePointerEx(file, zero, NULL, FILE_END);
        if (written && size.QuadPart == 0)
            written = WriteAll(file, ResultsHeader, sizeof ResultsHeader - 1) && WriteAll(file, "\r\n", 2);
        written = written && WriteAll(file, records, length) && FlushFileBuffers(file);
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return written;
}

// Far beyond the kept lines; a larger file is not read.
enum : DWORD { LargestResultsFile = 64u << 20 };

static bool IsHeader(const ResultLine *line, const char *text)
{
    size_t size = strlen(text) + 1;
    char *header = (char *)HeapAllocZero(size);
    if (!header)
        return false;
    memcpy(header, text, size);
    bool same = true;
    char *field = header;
    for (int i = 0; i < ResultFieldCount && same; i++) {
        char *comma = strchr(field, ',');
        if (comma)
            *comma = '\0';
        same = strcmp(line->Fields[i], field) == 0;
        field = comma ? comma + 1 : field + strlen(field);
    }
    HeapFreeBlock(header);
    return same;
}

static bool PushLine(ResultList *list, ResultLine *line, uint32_t *capacity)
{
    if (list->Count == *capacity) {
        uint32_t grown = *capacity ? *capacity * 2 : 64;
        void *items = HeapResizeZero(list->Items, sizeof(ResultLine) * grown);
        if (!items)
            return false;
        list->Items = (ResultLine *)items;
        *capacity = grown;
    }
    list->Items[list->Count++] = *line;
    return true;
}

// The whole lines of the bytes onto the list; a header first is passed over
// (*earlier, when given, says whether it was an earlier version's).
static void ParseLines(const char *bytes, DWORD length, ResultList *list, uint32_t *capacity, bool *earlier = NULL)
{
    const char *at = bytes, *end = bytes + length;
    bool first = true;
    while (at < end) {
        ResultLine line;
        const char *next = end;
        bool whole = ParseResultRecord(at, end, &next, &line);
        at = next;
        if (!whole)
            continue;
        bool old = first && IsHeader(&line, EarlierHeader);
        if (earlier && first)
            *earlier = old;
        if (old || (first && IsHeader(&line, ResultsHeader))) {
            FreeResultLine(&line);
            first = false;
            continue;
        }
        first = false;
        if (!PushLine(list, &line, capacity))
            FreeResultLine(&line);
    }
}

// The results file's lines alone.
static bool LoadFileLines(const char *folder, ResultList *list, uint32_t *capacity, bool *earlier = NULL)
{
    list->Count = 0;
    list->Items = NULL;
    char path[MAX_PATH];
    if (!ResultsFilePath(folder, path))
        return false;
    DWORD length = 0;
    char *bytes = ReadWholeFile(path, LargestResultsFile, &length);
    if (!bytes) {
        DWORD error = GetLastError();
        // No file yet: no results.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    ParseLines(bytes, length, list, capacity, earlier);
    HeapFreeBlock(bytes);
    return true;
}

bool LoadResults(const char *folder, ResultList *list)
{
    uint32_t capacity = 0;
    if (!LoadFileLines(folder, list, &capacity))
        return false;
    // Lines kept aside while the file was held are newer than its own.
    DWORD length = 0;
    char *kept = ReadKeptResults(folder, &length);
    if (kept)
        ParseLines(kept, length, list, &capacity);
    HeapFreeBlock(kept);
    return true;
}

void FreeResults(ResultList *list)
{
    for (uint32_t i = 0; i < list->Count; i++)
        FreeResultLine(&list->Items[i]);
    HeapFreeBlock(list->Items);
    list->Items = NULL;
    list->Count = 0;
}

// Writes the header and the lines from first on into path + ".new", which
// then takes the file's place whole.
static bool ReplaceWith(const char *path, const ResultList *list, uint32_t first)
{
    char copy[MAX_PATH];
    if (!JoinWithinPath(path, ".new", copy) || !ClearStaleCopy(copy))
        return false;
    HANDLE file = CreateFileA(copy, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = WriteAll(file, ResultsHeader, sizeof ResultsHeader - 1) && WriteAll(file, "\r\n", 2);
    for (uint32_t i = first; i < list->Count && written; i++) {
        char *record = ComposeResultRecord(list->Items[i].Fields);
        written = record && WriteAll(file, record, strlen(record));
        HeapFreeBlock(record);
    }
    CloseHandle(file);
    if (!written) {
        DeleteFileA(copy);
        return false;
    }
    return PutCopyInPlace(copy, path);
}

bool TrimResults(const char *folder, uint32_t kept)
{
    char path[MAX_PATH];
    ResultList list;
    uint32_t capacity = 0;
    bool earlier = false;
    if (!ResultsFilePath(folder, path) || !LoadFileLines(folder, &list, &capacity, &earlier))
        return false;
    // An earlier version's file goes on under today's header.
    uint32_t first = list.Count > kept ? list.Count - kept : 0;
    bool done = (first == 0 && !earlier) || ReplaceWith(path, &list, first);
    FreeResults(&list);
    return done;
}

bool ClearResults(const char *folder)
{
    char path[MAX_PATH];
    if (!ResultsFilePath(folder, path))
        return false;
    ResultList none = {};
    return ReplaceWith(path, &none, 0) && DropKeptResults(folder);
}
