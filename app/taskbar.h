// Explorer restarted (after a crash or an update): the notification area is
// new and empty, and a program hidden there must put its icon back or it can
// no longer be reached.
#pragma once
#include <windows.h>

// The message Explorer broadcasts when its taskbar is created.
UINT TaskbarCreatedMessage();
// Adds the icon again while the main window is in the notification area,
// and a notice's icon while one shows from the open window.
void OnTaskbarCreated(HWND mainWindow);
