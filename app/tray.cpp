#include "app/tray.h"
#include "schedule/clock.h"
#include "app/appstate.h"
#include "app/heap.h"
#include "app/notices.h"
#include "app/dpi.h"
#include "panel/panel.h"
#include "res/resource.h"
#include <commctrl.h>
#include <string.h>

static const char StatusFormat[] = "「%s」を録音中";
static const char Ellipsis[] = "...";
static const char TrayTip[] = "TALVO レコーダー";
static const char MainCaption[] = "TALVO レコーダー";
static const char FailureTip[] = "TALVO レコーダー\n書き込みエラーで録音を中止しました";
static const char SilentTip[] = "TALVO レコーダー\nTALVO が応答しません";
static const char WaitingTip[] = "TALVO レコーダー\nTALVO がつながるのを待っています";
static const char FailureCaption[] = "TALVO レコーダー - 録音中止";
static const ULONGLONG OneDay = 864000000000ULL;

int TrayIconIndex()
{
    if (App.ReserveState != Idle)
        return TrayIconReserved;
    return App.DeviceStatus.Power ? TrayIconOn : TrayIconOff;
}

// The tip says the most pressing of what stands: a stopped recording, a
// start still waiting for the stereo, a stereo that does not answer.
static const char *CurrentTrayTip()
{
    if (App.RecordingFailureShown)
        return FailureTip;
    if (App.WaitingForStereo)
        return WaitingTip;
    return App.StereoSilent ? SilentTip : TrayTip;
}

void FillTrayRecord(HWND mainWindow, NOTIFYICONDATAA *data)
{
    memset(data, 0, sizeof *data);
    data->cbSize = NOTIFYICONDATAA_V1_SIZE;
    data->hWnd = mainWindow;
    data->uID = TrayIconId;
    data->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data->uCallbackMessage = WM_TRAYNOTIFY;
    data->hIcon = App.TrayIcons[TrayIconIndex()];
    lstrcpynA(data->szTip, CurrentTrayTip(), 64);
}

BOOL NotifyTray(DWORD message, NOTIFYICONDATAA *data)
{
    return App.NotifyIcon ? App.NotifyIcon(message, data) : Shell_NotifyIconA(message, data);
}

// About two seconds of ticks: Explorer busy at sign-in answers late, and
// asking it every tick would only add to its load.
enum { TrayRetryPeriod = 20 };

void AddTrayIcon(HWND mainWindow)
{
    // The icon stays now, whatever the notices do.
    App.NoticesShowing = 0;
    FillTrayRecord(mainWindow, &App.TrayData);
    // The icon a notice brought while the window was open is there already.
    bool added = NotifyTray(NIM_ADD, &App.TrayData) || NotifyTray(NIM_MODIFY, &App.TrayData);
    App.TrayIconPending = !added;
    App.TrayRetryTicks = TrayRetryPeriod;
    // Hidden without its icon, the window could not be reached again: it
    // stays on the taskbar until the notification area takes the icon.
    if (added)
        ShowWindow(mainWindow, SW_HIDE);
}

void RetryTrayIcon(HWND mainWindow)
{
    if (!App.TrayIconPending)
        return;
    if (!IsIconic(mainWindow)) {
        App.TrayIconPending = FALSE;
        return;
    }
    if (--App.TrayRetryTicks > 0)
        return;
    AddTrayIcon(mainWindow);
}

// The record that names the program's one icon, with nothing else set.
static NOTIFYICONDATAA IconRecord(UINT flags)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = App.MainWindow;
    data.uID = TrayIconId;
    data.uFlags = flags;
    return data;
}

void DeleteTrayIcon()
{
    NOTIFYICONDATAA data = IconRecord(0);
    NotifyTray(NIM_DELETE, &data);
}

void UpdateTrayIcon()
{
    if (!App.MainWindow || !IsIconic(App.MainWindow))
        return;
    NOTIFYICONDATAA data = IconRecord(NIF_ICON);
    data.hIcon = App.TrayIcons[TrayIconIndex()];
    App.TrayData.hIcon = data.hIcon;
    NotifyTray(NIM_MODIFY, &data);
}

void FitTrayIconsToScreen(HWND mainWindow)
{
    UINT dpi = TaskbarDpi();
    if (dpi == App.TrayDpi)
        return;
    HICON icons[3], noticeIcon;
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE);
    if (!LoadTrayIcons(instance, dpi, icons, &noticeIcon)) {
        DestroyTrayIcons(icons, &noticeIcon);
        return;
    }
    HICON oldIcons[3] = { App.TrayIcons[0], App.TrayIcons[1], App.TrayIcons[2] };
    HICON oldNoticeIcon = App.NoticeIcon;
    memcpy(App.TrayIcons, icons, sizeof icons);
    App.NoticeIcon = noticeIcon;
    App.TrayDpi = dpi;
    // The records kept for adding the icon again name the new pictures.
    App.TrayData.hIcon = App.TrayIcons[TrayIconIndex()];
    if (App.LastNotice.hIcon)
        App.LastNotice.hIcon = App.TrayData.hIcon;
    if (App.LastNotice.hBalloonIcon)
        App.LastNotice.hBalloonIcon = noticeIcon;
    UpdateTrayIcon();
    DestroyTrayIcons(oldIcons, &oldNoticeIcon);
}

// The icon's tip, while the icon is there.
static void SetTrayTip(const char *tip)
{
    lstrcpynA(App.TrayData.szTip, tip, sizeof App.TrayData.szTip);
    if (!App.MainWindow || !IsIconic(App.MainWindow))
        return;
    NOTIFYICONDATAA data = IconRecord(NIF_TIP);
    lstrcpynA(data.szTip, tip, sizeof data.szTip);
    NotifyTray(NIM_MODIFY, &data);
}

void ShowRecordingFailure(HWND mainWindow)
{
    App.RecordingFailureShown = TRUE;
    SetWindowTextA(mainWindow, FailureCaption);
    SetTrayTip(FailureTip);
}

void ClearRecordingFailure(HWND mainWindow)
{
    if (!App.RecordingFailureShown)
        return;
    App.RecordingFailureShown = FALSE;
    SetWindowTextA(mainWindow, MainCaption);
    SetTrayTip(CurrentTrayTip());
}

void ShowStereoAnswer()
{
    SetTrayTip(CurrentTrayTip());
}

static void ShowTrayMenu(HWND mainWindow)
{
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(mainWindow);
    TrackPopupMenu(App.TrayMenu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, mainWindow, NULL);
}

void OnTrayNotify(HWND mainWindow, LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDBLCLK)
        PostMessageA(mainWindow, WM_COMMAND, IDM_OPEN, 0);
    else if (mouseMessage == WM_RBUTTONUP)
        ShowTrayMenu(mainWindow);
    else
        OnNoticeEvent(mainWindow, mouseMessage);
    // Lets a menu opened from the icon close when the user clicks elsewhere.
    PostMessageA(mainWindow, WM_NULL, 0, 0);
}

static bool TextFits(HDC dc, const char *text, int width)
{
    SIZE extent;
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    return extent.cx <= width;
}

// The format around the first `length` bytes of the title, with "..."
// after them when shortened.
static void ComposeStatus(char *text, const char *title, size_t length, bool shortened, char *work)
{
    memcpy(work, title, length);
    work[length] = '\0';
    if (shortened)
        strcat(work, Ellipsis);
    wsprintfA(text, StatusFormat, work);
}

void SetRecordingStatusText(HWND statusControl, const char *title)
{
    size_t titleLength = strlen(title);
    char *text = (char *)HeapAllocZero(titleLength + sizeof StatusFormat + sizeof Ellipsis + 2);
    char *work = (char *)HeapAllocZero(titleLength + sizeof Ellipsis + 1);
    if (!text || !work) {
        HeapFreeBlock(text);
        HeapFreeBlock(work);
        return;
    }
    RECT rect;
    GetWindowRect(statusControl, &rect);
    int width = rect.right - rect.left;
    HDC dc = GetDC(statusControl);
    HFONT font = (HFONT)SendMessageA(statusControl, WM_GETFONT, 0, 0);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;

    ComposeStatus(text, title, titleLength, false, work);
    if (!TextFits(dc, text, width)) {
        size_t fitting = 0;
        for (const char *p = title; *p;) {
            const char *next = CharNextA(p);
            ComposeStatus(text, title, (size_t)(next - title), true, work);
            if (!TextFits(dc, text, width))
                break;
            fitting = (size_t)(next - title);
            p = next;
        }
        ComposeStatus(text, title, fitting, true, work);
    }
    SetWindowTextA(statusControl, text);

    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(statusControl, dc);
    HeapFreeBlock(text);
    HeapFreeBlock(work);
}

static ULONGLONG Units(const FILETIME &instant)
{
    return (ULONGLONG)instant.dwHighDateTime << 32 | instant.dwLowDateTime;
}

static FILETIME Instant(ULONGLONG units)
{
    FILETIME instant;
    instant.dwLowDateTime = (DWORD)units;
    instant.dwHighDateTime = (DWORD)(units >> 32);
    return instant;
}

FILETIME EndInstantFromPicker(const SYSTEMTIME *now, const SYSTEMTIME *picked)
{
    FILETIME nowInstant, end;
    SystemTimeToFileTime(now, &nowInstant);
    SYSTEMTIME endTime = *now;
    endTime.wHour = picked->wHour;
    endTime.wMinute = picked->wMinute;
    endTime.wSecond = 0;
    endTime.wMilliseconds = 0;
    SystemTimeToFileTime(&endTime, &end);
    if (CompareFileTime(&end, &nowInstant) < 0)
        end = Instant(Units(end) + OneDay);
    return end;
}

void OnEndTimeChanged(HWND mainWindow, const NMHDR *header)
{
    (void)mainWindow;
    if (header->code != DTN_DATETIMECHANGE)
        return;
    SYSTEMTIME now, picked = {};
    ReadLocalTime(&now);
    SendMessageA(header->hwndFrom, DTM_GETSYSTEMTIME, 0, (LPARAM)&picked);
    App.ActiveEnd = EndInstantFromPicker(&now, &picked);
}
