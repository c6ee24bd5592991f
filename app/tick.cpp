// The 100 ms tick of the main window: everything time-driven hangs off it.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "panel/panel.h"

// A full repaint when anything shown changed; otherwise only the blinking
// marks, straight on the window.
static void UpdateDisplay(HWND window, const SYSTEMTIME *now, bool redraw)
{
    if (redraw) {
        InvalidateRect(window, &DisplayRect, FALSE);
        return;
    }
    HDC context = GetDC(window);
    if (!context)
        return;
    DrawBlinkers(context, now, false);
    ReleaseDC(window, context);
}

// A held volume key steps once per tick after a short delay; its screen
// stays up while it is held.
static void RepeatHeldKey(HWND window)
{
    int id = App.HeldButton;
    HWND key = (id == KeyVolumeDown || id == KeyVolumeUp) ? GetDlgItem(window, id) : NULL;
    if (key && (SendMessageA(key, BM_GETSTATE, 0, 0) & BST_PUSHED)) {
        if (App.RepeatDelay > 0)
            App.RepeatDelay--;
        else
            PostMessageA(window, WM_COMMAND, (WPARAM)id, (LPARAM)key);
        return;
    }
    if (App.TempDisplayTicks > 0)
        App.TempDisplayTicks--;
    if (App.RepeatDelay > 0)
        App.RepeatDelay--;
}

void OnTick(HWND window, UINT timerId)
{
    if (timerId != TickTimerId)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    bool redraw = RefreshDeviceStatus(window);
    if (!redraw)
        redraw = MinuteChanged(&now);
    UpdateDisplay(window, &now, redraw);
    if (App.DeviceRequest.PendingFlags != 0)
        RunDeviceRequests();
    RepeatHeldKey(window);
    App.LastTick = now;
}
