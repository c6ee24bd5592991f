// Finding and applying the display's scale.
#include "app/dpi.h"
#include "app/appstate.h"
#include "panel/panel.h"

UINT WindowDpi(HWND window)
{
    typedef UINT(WINAPI * DpiForWindow)(HWND);
    static DpiForWindow forWindow =
        (DpiForWindow)(void *)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    UINT dpi = forWindow && window ? forWindow(window) : 0;
    if (dpi)
        return dpi;
    HDC screen = GetDC(NULL);
    dpi = screen ? (UINT)GetDeviceCaps(screen, LOGPIXELSX) : (UINT)BaseDpi;
    if (screen)
        ReleaseDC(NULL, screen);
    return dpi ? dpi : (UINT)BaseDpi;
}

int ScaleToDpi(int value, UINT dpi)
{
    return MulDiv(value, (int)dpi, BaseDpi);
}

int DotPixels(UINT dpi)
{
    int dots = (int)((dpi + BaseDpi / 2) / BaseDpi);
    return dots < 1 ? 1 : dots;
}

int SystemMetricAt(int index, UINT dpi)
{
    typedef int(WINAPI * MetricForDpi)(int, UINT);
    static MetricForDpi forDpi =
        (MetricForDpi)(void *)GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : GetSystemMetrics(index);
}

int TextWidthIn(HFONT font, const char *text)
{
    HDC screen = GetDC(NULL);
    if (!screen)
        return 0;
    HGDIOBJ previous = SelectObject(screen, font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size = {};
    GetTextExtentPoint32A(screen, text, lstrlenA(text), &size);
    SelectObject(screen, previous);
    ReleaseDC(NULL, screen);
    return size.cx;
}

int TimePickerWidthAt(HFONT font, UINT dpi)
{
    // Beside the digits: the arrows, the sunken border on both sides and a
    // pixel of margin each side of the text. Fonts of the same size differ in
    // their digits' width from one system to another, so nothing here is a
    // fixed width. No more than that: the main window's row has no room.
    return TextWidthIn(font, "23:59") + SystemMetricAt(SM_CXVSCROLL, dpi) + 2 * SystemMetricAt(SM_CXEDGE, dpi) +
           ScaleToDpi(2, dpi);
}

void OnMainDpiChanged(HWND window, WPARAM wParam, const RECT *suggested)
{
    UINT dpi = LOWORD(wParam);
    if (!dpi || dpi == App.Dpi)
        return;
    App.Dpi = dpi;
    // Where Windows puts it, at the size the panel takes at this scale (the
    // display's whole dots do not grow in step with the rest).
    SIZE size = MainWindowSizeAt(dpi);
    SetWindowPos(window, NULL, suggested->left, suggested->top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    DeletePanelFonts();
    CreatePanelFonts(window);
    ScaleKeyImages((HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE), dpi);
    LayoutPanelControls(window);
}

void FitMainWindowToDpi(HWND window)
{
    if (!App.Dpi || App.Dpi == BaseDpi)
        return;
    SIZE size = MainWindowSizeAt(App.Dpi);
    SetWindowPos(window, NULL, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TakeSuggestedPlace(HWND window, const RECT *suggested)
{
    SetWindowPos(window, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}
