// The display's scale: the program's pixel sizes are those of 96 dots per
// inch (100 %), scaled to the DPI a window is shown at.
#pragma once
#include <windows.h>
#include <commctrl.h>

enum { BaseDpi = 96 };

// Sent from Windows 10, version 1703, on; the headers name it only for
// programs that need that version.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// The window's DPI: GetDpiForWindow where Windows has it (10, version 1607
// on), else the system's.
UINT WindowDpi(HWND window);
// The system's DPI: the one the stock fonts and GetSystemMetrics are made
// for, fixed while the program runs.
UINT SystemDpi();
// The DPI of the primary monitor, whose taskbar holds the notification
// area: GetDpiForMonitor where Windows has it (8.1 on), else the system's.
UINT TaskbarDpi();
// A size or position at 96 DPI, at dpi.
int ScaleToDpi(int value, UINT dpi);
// How many screen pixels wide one dot of the stereo's display is drawn at
// dpi: the scale rounded to a whole number (1 at 100 and 125 %, 2 from 150
// to 225 %, 3 from 250 %), so that every dot stays a sharp square.
int DotPixels(UINT dpi);
// A system metric at dpi: GetSystemMetricsForDpi where Windows has it (10,
// version 1607 on), else the system's own.
int SystemMetricAt(int index, UINT dpi);
// A font like font, which is made for the system's DPI, at dpi; NULL at the
// system's DPI, where font itself serves.
HFONT CreateFontAtDpi(HFONT font, UINT dpi);
// Gives control systemFont's like at dpi. *made is the font made for it
// last time, deleted now, and afterwards the one made this time (NULL when
// systemFont serves); the caller deletes it with the control.
void SetControlFontAtDpi(HWND control, HFONT systemFont, UINT dpi, HFONT *made);
// The first count columns of a report list view, from widths at dpi from to
// widths at dpi to.
void ScaleListColumns(HWND listView, int count, UINT from, UINT to);
// The bitmap's pictures, each size pixels square, with every pixel a square
// of scale × scale: pixel art stays sharp at a whole scale. Magenta is
// transparent.
HIMAGELIST LoadImagesInWholeDots(HINSTANCE instance, int bitmapId, int size, int scale);
// How wide text is drawn in font, in pixels.
int TextWidthIn(HFONT font, const char *text);
// How wide a time picker in font must be at dpi for the latest time, 23:59,
// to show whole beside its arrows.
int TimePickerWidthAt(HFONT font, UINT dpi);

// The main window moved to a screen of another scale (WM_DPICHANGED): it
// takes the suggested place, and the panel is laid out, lettered and
// pictured again for the new DPI. Nothing else changes.
void OnMainDpiChanged(HWND window, WPARAM wParam, const RECT *suggested);
// The main window's size at the DPI Windows asks about
// (WM_GETDPISCALEDSIZE): the panel does not grow in step with the scale,
// so the place Windows suggests next is the one the window takes.
LRESULT OnMainDpiScaledSize(WPARAM dpi, SIZE *size);
// Another window moved to a screen of another scale takes the place
// Windows suggests; its own WM_SIZE lays it out. A window being put back at
// its stored place (RestoreWindowPlace) keeps that place: it was stored at
// the scale of the screen it is going to.
void TakeSuggestedPlace(HWND window, const RECT *suggested);
// The new main window's size for its DPI (nothing at 96 DPI).
void FitMainWindowToDpi(HWND window);
