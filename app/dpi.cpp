// Finding and applying the display's scale.
#include "app/dpi.h"
#include "app/appstate.h"
#include "app/placement.h"
#include "app/tray.h"
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

UINT SystemDpi()
{
    return WindowDpi(NULL);
}

UINT TaskbarDpi()
{
    typedef HRESULT(WINAPI * DpiForMonitor)(HMONITOR, int, UINT *, UINT *);
    static DpiForMonitor forMonitor;
    static bool looked;
    if (!looked) {
        looked = true;
        // Only Windows' own copy, from 8.1 on, where the flag is known.
        HMODULE library = LoadLibraryExA("shcore.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
        forMonitor = library ? (DpiForMonitor)(void *)GetProcAddress(library, "GetDpiForMonitor") : NULL;
    }
    DpiForMonitor ask = App.DpiForMonitor ? App.DpiForMonitor : forMonitor;
    // The primary monitor is the one at the origin; 0 is MDT_EFFECTIVE_DPI.
    POINT origin = { 0, 0 };
    UINT x = 0, y = 0;
    if (ask && SUCCEEDED(ask(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), 0, &x, &y)) && x)
        return x;
    return SystemDpi();
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

HFONT CreateFontAtDpi(HFONT font, UINT dpi)
{
    UINT system = SystemDpi();
    LOGFONTA shape;
    HGDIOBJ from = font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT);
    if (!dpi || dpi == system || !GetObjectA(from, sizeof shape, &shape))
        return NULL;
    shape.lfHeight = MulDiv(shape.lfHeight, (int)dpi, (int)system);
    shape.lfWidth = 0;
    return CreateFontIndirectA(&shape);
}

void SetControlFontAtDpi(HWND control, HFONT systemFont, UINT dpi, HFONT *made)
{
    HFONT font = CreateFontAtDpi(systemFont, dpi);
    SendMessageA(control, WM_SETFONT, (WPARAM)(font ? font : systemFont), TRUE);
    if (*made)
        DeleteObject(*made);
    *made = font;
}

HIMAGELIST LoadImagesInWholeDots(HINSTANCE instance, int bitmapId, int size, int scale)
{
    static const COLORREF clear = RGB(255, 0, 255);
    if (scale <= 1)
        return ImageList_LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), size, 0, clear, IMAGE_BITMAP,
                                    LR_CREATEDIBSECTION);
    HBITMAP art = (HBITMAP)LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    BITMAP shape = {};
    if (!art || !GetObjectA(art, sizeof shape, &shape)) {
        if (art)
            DeleteObject(art);
        return NULL;
    }
    HIMAGELIST images = ImageList_Create(size * scale, size * scale, ILC_COLOR24 | ILC_MASK, shape.bmWidth / size, 0);
    HDC screen = GetDC(NULL);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, shape.bmWidth * scale, shape.bmHeight * scale);
    if (images && from && to && scaled) {
        HGDIOBJ oldFrom = SelectObject(from, art), oldTo = SelectObject(to, scaled);
        SetStretchBltMode(to, COLORONCOLOR);
        StretchBlt(to, 0, 0, shape.bmWidth * scale, shape.bmHeight * scale, from, 0, 0, shape.bmWidth,
                   shape.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        ImageList_AddMasked(images, scaled, clear);
    }
    if (scaled)
        DeleteObject(scaled);
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    ReleaseDC(NULL, screen);
    DeleteObject(art);
    return images;
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
    // Its screen's scale may be the taskbar's too.
    FitTrayIconsToScreen(window);
}

LRESULT OnMainDpiScaledSize(WPARAM dpi, SIZE *size)
{
    if (!LOWORD(dpi))
        return FALSE;
    *size = MainWindowSizeAt(LOWORD(dpi));
    return TRUE;
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
    if (BeingPlaced(window))
        return;
    SetWindowPos(window, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ScaleListColumns(HWND listView, int count, UINT from, UINT to)
{
    for (int c = 0; c < count; c++) {
        int width = (int)SendMessageA(listView, LVM_GETCOLUMNWIDTH, (WPARAM)c, 0);
        SendMessageA(listView, LVM_SETCOLUMNWIDTH, (WPARAM)c, MAKELPARAM(MulDiv(width, (int)to, (int)from), 0));
    }
}
