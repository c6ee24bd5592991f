#include "app/tray.h"

// Placeholders until the notification icon exists: a minimised window stays
// on the task bar, and the picker only shows its time.

void UpdateTrayIcon()
{
}

void AddTrayIcon(HWND mainWindow)
{
    (void)mainWindow;
}

void DeleteTrayIcon()
{
}

void OnTrayNotify(HWND mainWindow, LPARAM lParam)
{
    (void)mainWindow;
    (void)lParam;
}

void OnEndTimeChanged(HWND mainWindow, const NMHDR *header)
{
    (void)mainWindow;
    (void)header;
}
