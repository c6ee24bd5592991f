// The owner-drawn keys: their look, with or without a visual style, and the
// mouse handling every subclassed key shares.
#include "panel/panel.h"
#include "app/appstate.h"
#include <vsstyle.h>

// GetProcAddress gives a generic pointer; each is stored with its own type.
template <typename Function> static bool FindFunction(HMODULE library, const char *name, Function *function)
{
    *function = (Function)(void *)GetProcAddress(library, name);
    return *function != NULL;
}

int LoadThemeApi()
{
    HMODULE library = LoadLibraryA("UxTheme.dll");
    if (!library)
        return 0;
    ThemeApi &api = App.Theme;
    bool found = FindFunction(library, "IsThemeActive", &api.IsThemeActive) &&
                 FindFunction(library, "CloseThemeData", &api.CloseThemeData) &&
                 FindFunction(library, "DrawThemeBackground", &api.DrawThemeBackground) &&
                 FindFunction(library, "DrawThemeParentBackground", &api.DrawThemeParentBackground) &&
                 FindFunction(library, "OpenThemeData", &api.OpenThemeData) &&
                 FindFunction(library, "DrawThemeEdge", &api.DrawThemeEdge);
    if (!found) {
        FreeLibrary(library);
        api = ThemeApi{};
        return 0;
    }
    api.Library = library;
    return 1;
}

static bool DrawThemedFace(const DRAWITEMSTRUCT *item)
{
    if (!App.ThemeActive)
        return false;
    HTHEME theme = App.Theme.OpenThemeData(item->hwndItem, L"BUTTON");
    if (!theme)
        return false;
    int state = (item->itemState & ODS_DISABLED) ? PBS_DISABLED
              : (item->itemState & ODS_SELECTED) ? PBS_PRESSED
              : ((int)item->CtlID == App.HotButton) ? PBS_HOT
                                                    : PBS_NORMAL;
    RECT whole = item->rcItem;
    App.Theme.DrawThemeParentBackground(item->hwndItem, item->hDC, &whole);
    App.Theme.DrawThemeBackground(theme, item->hDC, BP_PUSHBUTTON, state, &item->rcItem, NULL);
    App.Theme.CloseThemeData(theme);
    return true;
}

void DrawPanelButton(const DRAWITEMSTRUCT *item)
{
    if (item->CtlType != ODT_BUTTON)
        return;
    bool pressed = (item->itemState & ODS_SELECTED) != 0;
    if (!DrawThemedFace(item)) {
        RECT face = item->rcItem;
        DrawFrameControl(item->hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    int shift = pressed ? 1 : 0;
    // The picture in the middle of the key.
    int width = 16, height = 16;
    ImageList_GetIconSize(App.ButtonImages, &width, &height);
    int x = (item->rcItem.left + item->rcItem.right - width) / 2, y = (item->rcItem.top + item->rcItem.bottom - height) / 2;
    ImageList_Draw(App.ButtonImages, (int)item->CtlID - 1, item->hDC, x + shift, y + shift, ILD_TRANSPARENT);
    if (item->itemState & ODS_FOCUS) {
        RECT focus = item->rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item->hDC, &focus);
    }
}

static bool IsVolumeKey(int id) { return id == KeyVolumeDown || id == KeyVolumeUp; }
static bool IsInputKey(int id) { return id == KeyInputDown || id == KeyInputUp; }

static void OnButtonMouseMove(HWND button, int id)
{
    if (id == App.HotButton)
        return;
    TRACKMOUSEEVENT track = { sizeof track, TME_LEAVE, button, 0 };
    _TrackMouseEvent(&track);
    App.HotButton = id;
    InvalidateRect(button, NULL, FALSE);
}

// The volume and input screens appear at once on a press, before the stereo
// reports the new value.
static void OnButtonPress(HWND button, int id)
{
    App.HeldButton = id;
    App.RepeatDelay = 3;
    if (IsVolumeKey(id)) {
        App.VolumeDisplay = TRUE;
        App.InputDisplay = FALSE;
    } else if (IsInputKey(id)) {
        App.VolumeDisplay = FALSE;
        App.InputDisplay = TRUE;
    } else {
        return;
    }
    // The screen times out like after a reported change, also when the level
    // is already at the end of its range and the stereo reports nothing new.
    App.TempDisplayTicks = 50;
    RECT shown = ShownDisplayRect();
    InvalidateRect(GetParent(button), &shown, FALSE);
}

static void OnButtonRelease(int id)
{
    App.HeldButton = 0;
    if (IsVolumeKey(id))
        App.TempDisplayTicks = 50;
}

LRESULT CALLBACK PanelButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    int id = GetDlgCtrlID(button);
    switch (message) {
    case WM_MOUSEMOVE:
        OnButtonMouseMove(button, id);
        break;
    case WM_MOUSELEAVE:
        InvalidateRect(button, NULL, FALSE);
        App.HotButton = 0;
        break;
    case WM_LBUTTONDOWN:
        OnButtonPress(button, id);
        break;
    case WM_LBUTTONUP:
        OnButtonRelease(id);
        break;
    case WM_LBUTTONDBLCLK:
        // The second click of a fast double click is a press of its own.
        PostMessageA(button, WM_LBUTTONDOWN, wParam, lParam);
        break;
    }
    return CallWindowProcA(App.BaseButtonProc, button, message, wParam, lParam);
}
