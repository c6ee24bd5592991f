// The panel's images, bitmaps and fonts, loaded once at start-up.
#include "panel/panel.h"
#include "app/appstate.h"
#include "res/resource.h"

bool LoadPanelGraphics(HINSTANCE instance)
{
    App.ButtonImages = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_BUTTONS), 16, 0, RGB(255, 0, 255),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
    App.LargeGlyphs = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LARGE_GLYPHS));
    App.SmallGlyphs = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_SMALL_GLYPHS));
    App.Pictograms = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_PICTOGRAMS));
    static const int trayIcons[] = { IDI_TRAY_OFF, IDI_TRAY_ON, IDI_TRAY_RECORDING };
    bool loaded = App.ButtonImages && App.LargeGlyphs && App.SmallGlyphs && App.Pictograms;
    for (int i = 0; i < 3; i++) {
        App.TrayIcons[i] = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(trayIcons[i]), IMAGE_ICON, 16, 16,
                                             LR_DEFAULTCOLOR);
        loaded = loaded && App.TrayIcons[i];
    }
    return loaded;
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
    for (HICON &icon : App.TrayIcons) {
        if (icon)
            DestroyIcon(icon);
        icon = NULL;
    }
    App.ButtonImages = NULL;
}

static HFONT CreateMessageFont(HWND window, const char *face, int points)
{
    NONCLIENTMETRICSA metrics = {};
    // The size without the padded border width of Vista and later, which
    // older systems reject.
    metrics.cbSize = CCSIZEOF_STRUCT(NONCLIENTMETRICSA, lfMessageFont);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    LOGFONTA font = metrics.lfMessageFont;
    HDC context = GetDC(window);
    font.lfHeight = -MulDiv(points, GetDeviceCaps(context, LOGPIXELSY), 72);
    ReleaseDC(window, context);
    if (face)
        lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

void CreatePanelFonts(HWND mainWindow)
{
    App.PanelFont = CreateMessageFont(mainWindow, NULL, 8);
    App.PanelGothicFont = CreateMessageFont(mainWindow, "ＭＳ ゴシック", 8);
    App.StationFont = CreateMessageFont(mainWindow, "ＭＳ ゴシック", 9);
}

void DeletePanelFonts()
{
    HFONT *fonts[] = { &App.PanelFont, &App.PanelGothicFont, &App.StationFont };
    for (HFONT *font : fonts) {
        if (*font)
            DeleteObject(*font);
        *font = NULL;
    }
}
