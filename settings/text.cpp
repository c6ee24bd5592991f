// Byte-string helpers of the settings file: tokens, escaping, hexadecimal,
// numbers. Every scan steps by whole characters of the ANSI code page.
#include "settings/settings.h"
#include "app/heap.h"
#include <stdio.h>
#include <string.h>

static const char *NextChar(const char *p)
{
    if (IsDBCSLeadByte((BYTE)*p) && p[1])
        return p + 2;
    return p + 1;
}

bool JoinWithinPath(const char *head, const char *tail, char path[MAX_PATH])
{
    size_t headLength = strlen(head), tailLength = strlen(tail);
    if (headLength + tailLength + 1 > MAX_PATH)
        return false;
    memcpy(path, head, headLength);
    memcpy(path + headLength, tail, tailLength + 1);
    return true;
}

size_t WholeCharactersWithin(const char *text, size_t size)
{
    size_t kept = 0;
    for (const char *p = text; *p;) {
        const char *next = NextChar(p);
        if ((size_t)(next - text) > size - 1)
            break;
        kept = (size_t)(next - text);
        p = next;
    }
    return kept;
}

void SplitToken(char *text, char **next, char separator)
{
    for (char *p = text; *p; p = (char *)NextChar(p)) {
        if (*p == separator) {
            *p = '\0';
            *next = p + 1;
            return;
        }
    }
}

size_t ReplaceAll(const char *source, char *destination, const char *find, const char *replacement)
{
    size_t findLength = strlen(find);
    size_t replacementLength = strlen(replacement);
    size_t out = 0;
    const char *p = source;
    while (*p) {
        if (findLength && strncmp(p, find, findLength) == 0) {
            if (destination)
                memcpy(destination + out, replacement, replacementLength);
            out += replacementLength;
            p += findLength;
            continue;
        }
        const char *next = NextChar(p);
        if (destination)
            memcpy(destination + out, p, next - p);
        out += next - p;
        p = next;
    }
    if (destination)
        destination[out] = '\0';
    return out;
}

void BytesToHex(const BYTE *bytes, size_t count, char *text)
{
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; i++) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 15];
    }
    text[2 * count] = '\0';
}

static BYTE HexNibble(char c)
{
    if (c >= '0' && c <= '9')
        return (BYTE)(c - '0');
    if (c >= 'A' && c <= 'F')
        return (BYTE)(c - 'A' + 10);
    return 0;
}

size_t HexToBytes(const char *text, BYTE *bytes)
{
    size_t count = (strlen(text) + 1) / 2;
    for (size_t k = 0; k < count; k++) {
        char high = text[2 * k];
        char low = high ? text[2 * k + 1] : '\0';
        bytes[k] = (BYTE)(HexNibble(high) << 4 | HexNibble(low));
    }
    return count;
}

int32_t ParseDecimal(const char *text)
{
    while (*text == ' ' || *text == '\t')
        text++;
    bool negative = false;
    if (*text == '-' || *text == '+')
        negative = *text++ == '-';
    uint32_t value = 0;
    while (*text >= '0' && *text <= '9')
        value = value * 10 + (uint32_t)(*text++ - '0');
    return (int32_t)(negative ? 0u - value : value);
}

void FormatFrequency(int32_t frequency, char *text, size_t size)
{
    if (size == 0)
        return;
    if (frequency == 0)
        text[0] = '\0';
    else if (frequency < 1630)
        snprintf(text, size, "AM %dkHz", (int)frequency);
    else
        snprintf(text, size, "FM %d.%02dMHz", (int)(frequency / 100), (int)(frequency % 100));
}

char *ReadWholeFile(const char *path, DWORD limit, DWORD *length)
{
    *length = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    DWORD size = GetFileSize(file, NULL);
    char *text = NULL;
    if (size != INVALID_FILE_SIZE && size <= limit)
        text = (char *)HeapAllocZero((size_t)size + 1);
    DWORD read = 0;
    if (text && (!ReadFile(file, text, size, &read, NULL) || read != size)) {
        HeapFreeBlock(text);
        text = NULL;
    }
    CloseHandle(file);
    if (text)
        *length = read;
    else
        SetLastError(ERROR_READ_FAULT);
    return text;
}
