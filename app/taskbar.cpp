#include "app/taskbar.h"
#include "app/appstate.h"
#include "app/tray.h"

UINT TaskbarCreatedMessage()
{
    static UINT message;
    if (!message)
        message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void OnTaskbarCreated(HWND mainWindow)
{
    // The new taskbar may be at another scale than the one before.
    FitTrayIconsToScreen(mainWindow);
    // Shown, the window needs no icon, unless a notice was showing from it:
    // that notice went with the old notification area and is shown again,
    // and its icon goes when it closes.
    if (!IsIconic(mainWindow)) {
        if (App.NoticesShowing && App.LastNotice.hWnd == mainWindow) {
            NOTIFYICONDATAA data = App.LastNotice;
            App.NoticesShowing = NotifyTray(NIM_ADD, &data) ? 1 : 0;
        }
        return;
    }
    // Minimised, it is hidden and its icon was the only way back. Should the
    // new notification area refuse it, the window comes back to the taskbar
    // until the tick's next offer is taken.
    AddTrayIcon(mainWindow);
    if (App.TrayIconPending)
        ShowWindow(mainWindow, SW_SHOWMINNOACTIVE);
}
