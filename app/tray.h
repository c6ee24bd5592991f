// The notification-area icon, the recording status line and the end-time
// picker of the recording layout.
#pragma once
#include <windows.h>
#include <shellapi.h>

enum { WM_TRAYNOTIFY = WM_APP + 100, TrayIconId = 1 };
enum { TrayIconOff = 0, TrayIconOn = 1, TrayIconReserved = 2 };

// 2 while a reservation is armed or recording, else the stereo's power.
int TrayIconIndex();
// The icon's record as minimising adds it (icon, tip, callback message).
void FillTrayRecord(HWND mainWindow, NOTIFYICONDATAA *data);
// Shell_NotifyIconA, or the tests' stand-in for it (App.NotifyIcon).
BOOL NotifyTray(DWORD message, NOTIFYICONDATAA *data);
// Minimising: adds the icon and, once it is there, hides the main window.
void AddTrayIcon(HWND mainWindow);
// From the tick: an icon the notification area refused is offered again
// every couple of seconds while the window is minimised.
void RetryTrayIcon(HWND mainWindow);
void DeleteTrayIcon();
// The icons made again for the taskbar's scale when it changed since they
// were made (a screen's scale changed, Explorer started again), and the
// icon on show given its new picture.
void FitTrayIconsToScreen(HWND mainWindow);
// Follows the stereo's and the recorder's state while the main window is
// minimised; nothing while it is shown.
void UpdateTrayIcon();
void OnTrayNotify(HWND mainWindow, LPARAM mouseMessage);

// A recording stopped by a failed write (a full disk): told in the main
// window's caption and the icon's tip, where the user looks next, without a
// box that would hold up the timer. It stands until the next reservation
// begins.
void ShowRecordingFailure(HWND mainWindow);
void ClearRecordingFailure(HWND mainWindow);
// The tip follows whether the stereo answers, and a start waiting for it.
void ShowStereoAnswer();

// "「title」を録音中", the title shortened at whole characters with "..." so
// the text fits the control's width.
void SetRecordingStatusText(HWND statusControl, const char *title);
void OnEndTimeChanged(HWND mainWindow, const NMHDR *header);
// The end instant for a picked time: today at its hour and minute, or
// tomorrow when that is earlier than now.
FILETIME EndInstantFromPicker(const SYSTEMTIME *now, const SYSTEMTIME *picked);
