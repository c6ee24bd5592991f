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
