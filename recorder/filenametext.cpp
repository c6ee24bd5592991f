// Making a title fit for a file name.
#include "recorder/filenametext.h"
#include <windows.h>
#include <string.h>

static const struct {
    char Ascii;
    const char *Wide;
} Forbidden[] = {
    { '\\', "￥" }, { '/', "／" }, { ':', "：" }, { '*', "＊" }, { '?', "？" },
    { '"', "”" },  { '<', "＜" }, { '>', "＞" }, { '|', "｜" },
};

static const char *WideFormOf(char c)
{
    for (const auto &row : Forbidden)
        if (row.Ascii == c)
            return row.Wide;
    return NULL;
}

void FileNameText(const char *text, char *out, size_t size)
{
    if (size == 0)
        return;
    size_t used = 0, kept = 0;  // kept: the length without trailing dots and blanks
    for (const char *at = text; *at;) {
        // A double-byte character is copied whole: its trail byte may be a
        // backslash (表, ソ) and is no separator.
        size_t width = IsDBCSLeadByte((BYTE)*at) && at[1] ? 2 : 1;
        const char *piece = at;
        size_t length = width;
        if (width == 1) {
            const char *wide = WideFormOf(*at);
            if (wide) {
                piece = wide;
                length = strlen(wide);
            } else if ((BYTE)*at < 0x20) {
                length = 0;
            }
        }
        at += width;
        if (used + length + 1 > size)
            break;
        memcpy(out + used, piece, length);
        used += length;
        if (length && !(length == 1 && (piece[0] == '.' || piece[0] == ' ')))
            kept = used;
    }
    out[kept] = '\0';
}
