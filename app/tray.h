// The notification-area icon and the recording layout's end-time picker.
#pragma once
#include <windows.h>
#include <commctrl.h>

enum { WM_TRAYNOTIFY = WM_APP + 100 };

// Shows the icon for the stereo's and the recorder's state while the main
// window is minimised.
void UpdateTrayIcon();
// Minimising: the window leaves the task bar for the notification area.
void AddTrayIcon(HWND mainWindow);
void DeleteTrayIcon();
// WM_TRAYNOTIFY: lParam is the mouse message on the icon.
void OnTrayNotify(HWND mainWindow, LPARAM lParam);
// WM_NOTIFY from the end-time picker.
void OnEndTimeChanged(HWND mainWindow, const NMHDR *header);
