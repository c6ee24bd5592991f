// The replica of the stereo's display: composed off-screen and copied to the
// main window in one piece, so that it never flickers.
#include "panel/panel.h"
#include "app/appstate.h"
#include "app/dpi.h"
#include <math.h>
#include <string.h>

const RECT DisplayRect = { 153, 11, 221, 79 };

static const double Pi = 3.14159265;
enum { PictogramX = 34, PictogramY = 34, PictogramCell = 32, ClockCentre = 49 };

static void FillBox(HDC context, int left, int top, int right, int bottom, COLORREF color)
{
    RECT box = { left, top, right, bottom };
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(context, &box, brush);
    DeleteObject(brush);
}

static void DrawLine(HDC context, int x0, int y0, int x1, int y1, COLORREF color)
{
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ previous = SelectObject(context, pen);
    MoveToEx(context, x0, y0, NULL);
    LineTo(context, x1, y1);
    SelectObject(context, previous);
    DeleteObject(pen);
}

static void DrawDisplayBackground(HDC context, bool on)
{
    FillBox(context, 0, 0, DisplaySize, DisplaySize, on ? LcdLight : LcdOff);
    if (on)
        FillBox(context, 2, 2, 66, 23, LcdDark);
}

// Hands drawn from the tip to the centre; (int) cuts toward zero.
static void DrawClockHands(HDC context, int minutes)
{
    int h = (minutes % 720) / 10;
    int hourX = ClockCentre - (int)(-9 * cos((h - 18) * Pi / 36));
    int hourY = ClockCentre - (int)(9 * sin((h + 18) * Pi / 36));
    int m = minutes % 60;
    int minuteX = ClockCentre - (int)(-13 * cos((m - 15) * Pi / 30));
    int minuteY = ClockCentre - (int)(13 * sin((m + 15) * Pi / 30));
    DrawLine(context, hourX, hourY, ClockCentre, ClockCentre, LcdDark);
    DrawLine(context, minuteX, minuteY, ClockCentre, ClockCentre, LcdDark);
}

// The volume wedge grows two pixels every five steps; at 80 it fills the
// lower right half of the cell.
static void DrawVolumeWedge(HDC context, int volume)
{
    int d = 2 * ((volume + 4) / 5);
    POINT corners[3] = {
        { PictogramX, 66 }, { PictogramX + d, 66 }, { PictogramX + d, 66 - d },
    };
    HBRUSH brush = CreateSolidBrush(LcdDark);
    HGDIOBJ previousBrush = SelectObject(context, brush);
    HGDIOBJ previousPen = SelectObject(context, GetStockObject(NULL_PEN));
    Polygon(context, corners, 3);
    SelectObject(context, previousPen);
    SelectObject(context, previousBrush);
    DeleteObject(brush);
}

static void DrawPictogram(HDC context, int kind, int value)
{
    HDC cells = CreateCompatibleDC(context);
    if (cells) {
        HGDIOBJ previous = SelectObject(cells, App.Pictograms);
        SetTextColor(context, LcdDark);
        SetBkColor(context, LcdLight);
        BitBlt(context, PictogramX, PictogramY, PictogramCell, PictogramCell, cells, kind * PictogramCell, 0, SRCCOPY);
        SelectObject(cells, previous);
        DeleteDC(cells);
    }
    switch (kind) {
    case PictogramClock:
        DrawClockHands(context, value);
        break;
    case PictogramMast:
        // The two halves leave the mast's base free between them.
        if (value == 1) {
            DrawLcdText(context, 34, 48, "MAN", LcdSmall);
            DrawLcdText(context, 55, 48, "UAL", LcdSmall);
        } else {
            DrawLcdText(context, 32, 48, "  ", LcdSmall);
            DrawLcdText(context, 39, 48, "AU", LcdSmall);
            DrawLcdText(context, 55, 48, "TO", LcdSmall);
        }
        break;
    case PictogramVolume:
        DrawVolumeWedge(context, value);
        break;
    }
}

static void DrawClockText(HDC context, const SYSTEMTIME *time)
{
    char line[16];
    FormatClockLine(time, line, sizeof line);
    DrawLcdText(context, 3, 13, line, LcdInverted);
}

// The name is right-aligned at the band's end. Its text cell is kept inside
// the band, whatever the font's height or the name's length; the row under
// the band is given back its light colour.
static void DrawStationName(HDC context, const char *name)
{
    SetTextColor(context, LcdLight);
    SetBkColor(context, LcdDark);
    SetBkMode(context, OPAQUE);
    int saved = SaveDC(context);
    IntersectClipRect(context, 2, 2, 66, 23);
    HGDIOBJ previous = SelectObject(context, App.StationFont);
    int x = 63 - 6 * (int)strlen(name);
    for (const char *c = name; *c;) {
        int width = IsDBCSLeadByte((BYTE)*c) && c[1] ? 2 : 1;
        // What the display has dots for is drawn in them: the font's own
        // letters blur into blobs at this size (the M of "NHK FM").
        char one[2] = { *c, '\0' };
        // (K and Q have no dots, Z would take the cell of z.)
        if (width == 1 && !strchr(" KQZ", *c) && LargeGlyphX(*c) >= 0)
            DrawLcdText(context, x, 13, one, LcdInverted);
        else
            TextOutA(context, x, 12, c, width);
        x += 6 * width;
        c += width;
    }
    SelectObject(context, previous);
    RestoreDC(context, saved);
    DrawLine(context, 2, 23, 66, 23, LcdLight);
}

static void DrawMarks(HDC context)
{
    const DeviceStatus &status = App.DeviceStatus;
    DrawBlinkers(context, &App.LastTick, true);
    static const char *const NbTexts[] = { NULL, "N.B.1", "N.B.2", "TONE " };
    if (status.NbMode >= 1 && status.NbMode <= 3)
        DrawLcdText(context, 2, 31, NbTexts[status.NbMode], LcdSmall);
    if (status.Volume >= 1 && status.Volume <= 49) {
        FillBox(context, 2, 59, 27, 66, LcdDark);
        DrawLcdText(context, 3, 59, "PURE A", LcdSmall | LcdInverted);
    } else {
        FillBox(context, 2, 59, 27, 66, LcdLight);
        DrawLcdText(context, 3, 59, "PURE A", LcdSmall);
    }
}

void RenderDisplay(HDC context)
{
    const DeviceStatus &status = App.DeviceStatus;
    // What the stereo showed last is no longer so: the display says that it
    // does not answer, until it does.
    if (App.StereoSilent) {
        DrawDisplayBackground(context, true);
        DrawLcdText(context, 3, 3, "TALVO", LcdInverted);
        DrawStationName(context, "応答なし");
        return;
    }
    DrawDisplayBackground(context, status.Power == 1);
    if (status.Power != 1)
        return;
    DisplayContent content;
    ComposeDisplayContent(&status, App.VolumeDisplay, App.InputDisplay, App.StationIndex, &App.LastTick, &content);
    if (content.Line1[0])
        DrawLcdText(context, 3, 3, content.Line1, LcdInverted);
    if (content.ClockLine)
        DrawClockText(context, &App.LastTick);
    else if (content.StationName[0])
        DrawStationName(context, content.StationName);
    else if (content.Line2[0])
        DrawLcdText(context, 3, 13, content.Line2, LcdInverted);
    if (content.PictogramKind != PictogramNone)
        DrawPictogram(context, content.PictogramKind, content.PictogramValue);
    DrawMarks(context);
}

void PaintDisplay(HWND mainWindow)
{
    PAINTSTRUCT paint;
    HDC window = BeginPaint(mainWindow, &paint);
    RECT shown = ShownDisplayRect();
    RECT frame = shown;
    InflateRect(&frame, 2, 2);
    DrawEdge(window, &frame, EDGE_SUNKEN, BF_RECT);
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(window, DisplaySize, DisplaySize) : NULL;
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        RenderDisplay(memory);
        // Each dot a solid square of whole pixels: copied, never blended.
        int side = shown.right - shown.left;
        if (side == DisplaySize) {
            BitBlt(window, shown.left, shown.top, DisplaySize, DisplaySize, memory, 0, 0, SRCCOPY);
        } else {
            int mode = SetStretchBltMode(window, COLORONCOLOR);
            StretchBlt(window, shown.left, shown.top, side, side, memory, 0, 0, DisplaySize, DisplaySize, SRCCOPY);
            SetStretchBltMode(window, mode);
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    if (memory)
        DeleteDC(memory);
    EndPaint(mainWindow, &paint);
}

// The marks that blink in what the display shows now; false when none does.
static bool BlinkingMarks(bool *mute, bool *colon)
{
    const DeviceStatus &status = App.DeviceStatus;
    if (status.Power != 1)
        return false;
    *mute = status.Mute == 1;
    // Only the sources whose second line is the clock have a colon to blink.
    *colon = !App.VolumeDisplay && !App.InputDisplay && status.Source >= 2 && status.Source <= 4;
    return *mute || *colon;
}

bool BlinkersChange(const SYSTEMTIME *time)
{
    bool mute, colon;
    if (!BlinkingMarks(&mute, &colon))
        return false;
    return (time->wMilliseconds < 500) != (App.LastTick.wMilliseconds < 500);
}

void DrawBlinkers(HDC context, const SYSTEMTIME *time, bool offScreen)
{
    bool mute, colon;
    if (!BlinkingMarks(&mute, &colon))
        return;
    int x = offScreen ? 2 : DisplayRect.left + 2;
    int y = offScreen ? 24 : DisplayRect.top + 24;
    int current = time->wMilliseconds, previous = App.LastTick.wMilliseconds;
    if (current < 500 && (offScreen || previous >= 500)) {
        if (mute)
            DrawLcdText(context, x, y, "MUTE", LcdSmall);
        if (colon)
            DrawLcdText(context, x + 37, y - 11, ":", LcdInverted);
    } else if (current >= 500 && previous < 500) {
        if (mute)
            FillBox(context, x, y, x + 16, y + 7, LcdLight);
        if (colon)
            FillBox(context, x + 37, y - 11, x + 43, y - 1, LcdDark);
    }
}
