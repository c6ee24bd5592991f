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
    // Shown, the window has no icon to restore; minimised, it is hidden and
    // its icon was the only way back.
    if (!IsIconic(mainWindow))
        return;
    // The record kept from the last time the icon was added, with the icon
    // and tip it has shown since.
    NOTIFYICONDATAA data = App.TrayData;
    data.hWnd = mainWindow;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    Shell_NotifyIconA(NIM_ADD, &data);
}
