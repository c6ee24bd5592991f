// The display's two dot fonts: where each character sits in its strip, and
// writing a text with them.
#include "panel/panel.h"
#include "app/appstate.h"
#include <string.h>

enum {
    LargeCellWidth = 6,
    LargeCellHeight = 10,
    LargeStripWidth = 252,
    SmallCellWidth = 4,
    SmallWideCellWidth = 5,   // N
    SmallCellHeight = 7,
    SmallStripWidth = 145,
};

int LargeGlyphX(char c)
{
    int x;
    if (c == ' ')
        return -1;
    if (c == '+')
        x = 0;
    else if (c == 'z')
        x = 240;
    else if (c == 'k')
        x = 246;
    else if (c < 'A')
        x = (c - 44) * LargeCellWidth;
    else if (c <= 'Z')
        x = (c - 50) * LargeCellWidth;
    else
        return -1;
    // Characters before "+" in the code table would fall in front of the strip.
    return x >= 0 && x + LargeCellWidth <= LargeStripWidth ? x : -1;
}

static int SmallGlyphWidth(char c) { return c == 'N' ? SmallWideCellWidth : SmallCellWidth; }

int SmallGlyphX(char c)
{
    int x;
    if (c == ' ')
        return 0;
    if (c < 'A')
        x = (c - 45) * SmallCellWidth;
    else if (c <= 'N')
        x = (c - 51) * SmallCellWidth;
    else
        x = 4 * c - 203;
    return x >= 0 && x + SmallGlyphWidth(c) <= SmallStripWidth ? x : -1;
}

// Each cell is copied whole from the monochrome strip, so its ink takes the
// text colour and the rest the background colour of the target.
void DrawLcdText(HDC context, int x, int y, const char *text, int style)
{
    bool small = (style & LcdSmall) != 0;
    if (style & LcdInverted) {
        SetTextColor(context, LcdLight);
        SetBkColor(context, LcdDark);
    } else {
        SetTextColor(context, LcdDark);
        SetBkColor(context, LcdLight);
    }
    HDC strip = CreateCompatibleDC(context);
    if (!strip)
        return;
    HGDIOBJ previous = SelectObject(strip, small ? App.SmallGlyphs : App.LargeGlyphs);
    for (const char *c = text; *c; c++) {
        int width = small ? SmallGlyphWidth(*c) : LargeCellWidth;
        int source = small ? SmallGlyphX(*c) : LargeGlyphX(*c);
        if (source >= 0)
            BitBlt(context, x, y, width, small ? SmallCellHeight : LargeCellHeight, strip, source, 0, SRCCOPY);
        x += width;
    }
    SelectObject(strip, previous);
    DeleteDC(strip);
}
