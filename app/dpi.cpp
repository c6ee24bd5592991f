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

// GetSystemMetricsForDpi where Windows has it (10, version 1607 on), else
// the system's own scale.
static int MetricAt(int index, UINT dpi)
{
    typedef int(WINAPI * MetricsForDpi)(int, UINT);
    static MetricsForDpi forDpi =
        (MetricsForDpi)(void *)GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : GetSystemMetrics(index);
}

void FitTimePicker(HWND picker, UINT dpi)
{
    static const char Widest[] = "23:59";
    HDC context = GetDC(picker);
    if (!context)
        return;
    HFONT font = (HFONT)SendMessageA(picker, WM_GETFONT, 0, 0);
    HGDIOBJ previous = font ? SelectObject(context, font) : NULL;
    SIZE text = {};
    GetTextExtentPoint32A(context, Widest, lstrlenA(Widest), &text);
    if (previous)
        SelectObject(context, previous);
    ReleaseDC(picker, context);
    // The arrows, the sunken border on both sides and the field's own
    // margins around the digits.
    int needed = text.cx + MetricAt(SM_CXVSCROLL, dpi) + 2 * MetricAt(SM_CXEDGE, dpi) + ScaleToDpi(6, dpi);
    RECT at;
    GetWindowRect(picker, &at);
    if (at.right - at.left >= needed)
        return;
    SetWindowPos(picker, NULL, 0, 0, needed, at.bottom - at.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int DotPixels(UINT dpi)
{
    int dots = (int)((dpi + BaseDpi / 2) / BaseDpi);
    return dots < 1 ? 1 : dots;
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
