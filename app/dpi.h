// The display's scale: the program's pixel sizes are those of 96 dots per
// inch (100 %), scaled to the DPI a window is shown at.
#pragma once
#include <windows.h>

enum { BaseDpi = 96 };

// The window's DPI: GetDpiForWindow where Windows has it (10, version 1607
// on), else the system's.
UINT WindowDpi(HWND window);
// A size or position at 96 DPI, at dpi.
int ScaleToDpi(int value, UINT dpi);
// How many screen pixels wide one dot of the stereo's display is drawn at
// dpi: the scale rounded to a whole number (1 at 100 and 125 %, 2 from 150
// to 225 %, 3 from 250 %), so that every dot stays a sharp square.
int DotPixels(UINT dpi);
// A system metric at dpi: GetSystemMetricsForDpi where Windows has it (10,
// version 1607 on), else the system's own.
int SystemMetricAt(int index, UINT dpi);
// How wide text is drawn in font, in pixels.
int TextWidthIn(HFONT font, const char *text);
// How wide a time picker in font must be at dpi for the latest time, 23:59,
// to show whole beside its arrows.
int TimePickerWidthAt(HFONT font, UINT dpi);

// The main window moved to a screen of another scale (WM_DPICHANGED): it
// takes the suggested place, and the panel is laid out, lettered and
// pictured again for the new DPI. Nothing else changes.
void OnMainDpiChanged(HWND window, WPARAM wParam, const RECT *suggested);
// Another window moved to a screen of another scale takes the place
// Windows suggests; its own WM_SIZE lays it out.
void TakeSuggestedPlace(HWND window, const RECT *suggested);
// The new main window's size for its DPI (nothing at 96 DPI).
void FitMainWindowToDpi(HWND window);
