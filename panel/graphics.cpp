// The panel's images, bitmaps and fonts, loaded once at start-up.
#include "panel/panel.h"
#include "app/appstate.h"
#include "app/dpi.h"
#include "res/resource.h"

enum { KeyImageSize = 16 };

static HIMAGELIST LoadKeyImages(HINSTANCE instance, int scale)
{
    return LoadImagesInWholeDots(instance, IDB_BUTTONS, KeyImageSize, scale);
}

void ScaleKeyImages(HINSTANCE instance, UINT dpi)
{
    HIMAGELIST images = LoadKeyImages(instance, DotPixels(dpi));
    if (!images)
        return;
    if (App.ButtonImages)
        ImageList_Destroy(App.ButtonImages);
    App.ButtonImages = images;
}

// 32 bits a pixel, the top row first.
static BITMAPINFO ArgbFormat(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

// A 32-bit picture of width × height whose bits the caller fills; zeroed
// (transparent) to begin with.
static HBITMAP CreateArgbBitmap(int width, int height, void **bits)
{
    BITMAPINFO info = ArgbFormat(width, height);
    return CreateDIBSection(NULL, &info, DIB_RGB_COLORS, bits, NULL, 0);
}

// The notification area's icon at the size the system asks for (the small
// icon size of its scale): the 16-pixel art in whole-pixel squares, in the
// middle where the size is not a whole multiple of 16.
static HICON LoadTrayIcon(HINSTANCE instance, int id, int size)
{
    HICON art = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
    if (!art || size <= 16)
        return art;
    // The art's colours and mask, 32 bits a pixel, top row first.
    ICONINFO parts = {};
    uint32_t colours[16 * 16] = {}, masks[16 * 16] = {};
    BITMAPINFO format = ArgbFormat(16, 16);
    HDC screen = GetDC(NULL);
    bool read = GetIconInfo(art, &parts) && parts.hbmColor &&
                GetDIBits(screen, parts.hbmColor, 0, 16, colours, &format, DIB_RGB_COLORS) == 16 &&
                GetDIBits(screen, parts.hbmMask, 0, 16, masks, &format, DIB_RGB_COLORS) == 16;
    ReleaseDC(NULL, screen);
    if (parts.hbmColor)
        DeleteObject(parts.hbmColor);
    if (parts.hbmMask)
        DeleteObject(parts.hbmMask);
    DestroyIcon(art);
    if (!read)
        return (HICON)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
    // Art without an alpha channel takes its transparency from the mask.
    bool alpha = false;
    for (uint32_t colour : colours)
        alpha = alpha || (colour >> 24) != 0;
    if (!alpha)
        for (int i = 0; i < 16 * 16; i++)
            colours[i] = (masks[i] & 0xFFFFFF) ? 0 : (colours[i] | 0xFF000000u);
    int scale = size / 16, offset = (size - 16 * scale) / 2;
    void *bits = NULL;
    HBITMAP colour = CreateArgbBitmap(size, size, &bits);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, NULL);
    HICON icon = NULL;
    if (colour && mask) {
        uint32_t *target = (uint32_t *)bits;
        for (int y = 0; y < 16 * scale; y++)
            for (int x = 0; x < 16 * scale; x++)
                target[(offset + y) * size + offset + x] = colours[(y / scale) * 16 + x / scale];
        // The colours carry their own transparency; the mask leaves them be.
        HDC context = CreateCompatibleDC(NULL);
        HGDIOBJ previous = SelectObject(context, mask);
        PatBlt(context, 0, 0, size, size, BLACKNESS);
        SelectObject(context, previous);
        DeleteDC(context);
        ICONINFO info = { TRUE, 0, 0, mask, colour };
        icon = CreateIconIndirect(&info);
    }
    if (colour)
        DeleteObject(colour);
    if (mask)
        DeleteObject(mask);
    return icon;
}

bool LoadTrayIcons(HINSTANCE instance, UINT dpi, HICON icons[3], HICON *noticeIcon)
{
    static const int trayIcons[] = { IDI_TRAY_OFF, IDI_TRAY_ON, IDI_TRAY_RECORDING };
    bool loaded = true;
    for (int i = 0; i < 3; i++) {
        icons[i] = LoadTrayIcon(instance, trayIcons[i], SystemMetricAt(SM_CXSMICON, dpi));
        loaded = loaded && icons[i];
    }
    int large = SystemMetricAt(SM_CXICON, dpi);
    // Scaled down from the largest picture (Vista on), else as LoadImage
    // picks it.
    typedef HRESULT(WINAPI * ScaleDown)(HINSTANCE, PCWSTR, int, int, HICON *);
    static ScaleDown loadScaledDown =
        (ScaleDown)(void *)GetProcAddress(GetModuleHandleA("comctl32.dll"), "LoadIconWithScaleDown");
    *noticeIcon = NULL;
    if (!loadScaledDown || FAILED(loadScaledDown(instance, MAKEINTRESOURCEW(IDI_MAIN), large, large, noticeIcon)))
        *noticeIcon =
            (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, large, large, LR_DEFAULTCOLOR);
    return loaded;
}

void DestroyTrayIcons(HICON icons[3], HICON *noticeIcon)
{
    for (int i = 0; i < 3; i++) {
        if (icons[i])
            DestroyIcon(icons[i]);
        icons[i] = NULL;
    }
    if (*noticeIcon)
        DestroyIcon(*noticeIcon);
    *noticeIcon = NULL;
}

bool LoadPanelGraphics(HINSTANCE instance)
{
    App.ButtonImages = LoadKeyImages(instance, DotPixels(App.Dpi ? App.Dpi : (UINT)BaseDpi));
    App.LargeGlyphs = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LARGE_GLYPHS));
    App.SmallGlyphs = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SMALL_GLYPHS));
    App.Pictograms = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_PICTOGRAMS));
    bool loaded = App.ButtonImages && App.LargeGlyphs && App.SmallGlyphs && App.Pictograms;
    App.TrayDpi = TaskbarDpi();
    return LoadTrayIcons(instance, App.TrayDpi, App.TrayIcons, &App.NoticeIcon) && loaded;
}

void FreePanelGraphics()
{
    if (App.ButtonImages)
        ImageList_Destroy(App.ButtonImages);
    HBITMAP *bitmaps[] = { &App.LargeGlyphs, &App.SmallGlyphs, &App.Pictograms };
    for (HBITMAP *bitmap : bitmaps) {
        if (*bitmap)
            DeleteObject(*bitmap);
        *bitmap = NULL;
    }
    DestroyTrayIcons(App.TrayIcons, &App.NoticeIcon);
    App.ButtonImages = NULL;
}

static HFONT CreateMessageFont(HWND window, const char *face, int points, BYTE quality = DEFAULT_QUALITY)
{
    NONCLIENTMETRICSA metrics = {};
    // The size without the padded border width of Vista and later, which
    // older systems reject.
    metrics.cbSize = CCSIZEOF_STRUCT(NONCLIENTMETRICSA, lfMessageFont);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    LOGFONTA font = metrics.lfMessageFont;
    UINT dpi = App.Dpi;
    if (!dpi) {
        HDC context = GetDC(window);
        dpi = (UINT)GetDeviceCaps(context, LOGPIXELSY);
        ReleaseDC(window, context);
    }
    font.lfHeight = -MulDiv(points, (int)dpi, 72);
    if (face)
        lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    if (quality != DEFAULT_QUALITY)
        font.lfQuality = quality;
    return CreateFontIndirectA(&font);
}

HFONT PanelGuiFont()
{
    return App.PanelGuiFont ? App.PanelGuiFont : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}

void CreatePanelFonts(HWND mainWindow)
{
    // The system's dialog font is made for the system's DPI; on a screen of
    // another scale the keys get its like, scaled.
    App.PanelGuiFont = CreateFontAtDpi((HFONT)GetStockObject(DEFAULT_GUI_FONT), App.Dpi);
    App.PanelFont = CreateMessageFont(mainWindow, NULL, 8);
    App.PanelGothicFont = CreateMessageFont(mainWindow, "ＭＳ ゴシック", 8);
    // The display shows only its own two colours: its letters are not smoothed.
    App.StationFont = CreateMessageFont(mainWindow, "ＭＳ ゴシック", 9, NONANTIALIASED_QUALITY);
}

void DeletePanelFonts()
{
    HFONT *fonts[] = { &App.PanelFont, &App.PanelGothicFont, &App.StationFont, &App.PanelGuiFont };
    for (HFONT *font : fonts) {
        if (*font)
            DeleteObject(*font);
        *font = NULL;
    }
}
