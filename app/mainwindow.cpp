// The main window: its creation, its message table and its shutdown.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/taskbar.h"
#include "app/onecopy.h"
#include "app/power.h"
#include "app/dpi.h"
#include "app/wake.h"
#include "app/awake.h"
#include "app/transition.h"
#include "app/savenotice.h"
#include "app/placement.h"
#include "app/stereostatus.h"
#include "settings/safesave.h"
#include "panel/panel.h"
#include "schedule/execute.h"
#include "schedule/schedule.h"
#include "res/resource.h"

static void LoadMenus(HINSTANCE instance)
{
    App.PanelMenuResource = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_PANEL));
    App.TrayMenuResource = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY));
    App.PanelMenu = App.PanelMenuResource ? GetSubMenu(App.PanelMenuResource, 0) : NULL;
    App.TrayMenu = App.TrayMenuResource ? GetSubMenu(App.TrayMenuResource, 0) : NULL;
    if (App.TrayMenu)
        SetMenuDefaultItem(App.TrayMenu, IDM_OPEN, FALSE);
}

static void DestroyMenus()
{
    if (App.PanelMenuResource)
        DestroyMenu(App.PanelMenuResource);
    if (App.TrayMenuResource)
        DestroyMenu(App.TrayMenuResource);
    App.PanelMenuResource = App.TrayMenuResource = App.PanelMenu = App.TrayMenu = NULL;
}

bool InitMainWindow(HWND window)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    App.MainWindow = window;
    INITCOMMONCONTROLSEX controls = { sizeof controls,
                                      ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_DATE_CLASSES };
    InitCommonControlsEx(&controls);
    App.Dpi = WindowDpi(window);
    LoadPanelGraphics(instance);
    LoadMenus(instance);
    CreatePanelFonts(window);
    CreatePanelControls(window);
    // A start at sign-in may come before the stereo's USB is ready: it
    // waits (app/stereowait.h). A start by hand tells and ends.
    App.WaitingForStereo = FALSE;
    if (!DeviceOpen()) {
        if (!App.StartedByRunEntry) {
            MessageBoxA(NULL, "デバイスドライバの初期化に失敗しました", NULL, MB_SYSTEMMODAL | MB_ICONERROR);
            App.MainWindow = NULL;
            return false;
        }
        App.WaitingForStereo = TRUE;
    }
    App.ThemeActive = LoadThemeApi() && App.Theme.IsThemeActive();
    App.DeviceStatus = DeviceStatus{};
    ReadStereoStatus(window);
    App.ReserveState = Idle;
    if (App.OptionFlags.PowOnStart && !App.WaitingForStereo) {
        App.DeviceRequest.PendingFlags = ReqPower;
        App.DeviceRequest.TargetPower = 1;
    }
    // A programme already under way is recorded from here; one that came
    // and went while the program was not running is told.
    ReadLocalTime(&App.LastTick);
    RecallLastRunning();
    ScheduleAfresh(&App.LastTick, NULL);
    SetTimer(window, TickTimerId, TickPeriod, NULL);
    return true;
}

void ShutdownMainWindow(HWND window)
{
    // A recording still running is ended first, so that its file is
    // finished and the panel is back in its source's layout.
    if (App.ReserveState != Idle) {
        EndReservation(ResultEndAtExit);
    }
    // The list window stores its geometry when it closes, before it is saved;
    // the results window stores its own.
    if (App.ReserveListWindow)
        SendMessageA(App.ReserveListWindow, WM_CLOSE, 0, 0);
    if (App.ResultsWindow)
        SendMessageA(App.ResultsWindow, WM_CLOSE, 0, 0);
    if (App.OptionFlags.PowOffEnd && App.DeviceStatus.Power == 1)
        DeviceSendCommand(PowerOff, 0);
    static const SettingsSection order[] = {
        SectionWindow, SectionReserveList, SectionOption, SectionReserve, SectionFreq, SectionStation,
    };
    // All of them in one replacement of the file. No notice here: the
    // program is ending, and a failure was told when it first happened.
    NoteMainWindowPlace();
    SaveSettingsSections(App.ProgramFolder, order, sizeof order / sizeof order[0]);
    SYSTEMTIME now;
    ReadLocalTime(&now);
    KeepLastRunning(&now, true);
    DeviceClose();
    CloseWakeTimer();
    ReleaseAwake();
    KillTimer(window, TickTimerId);
    DeletePanelFonts();
    DestroyMenus();
    DeleteTrayIcon();
    UnmarkOneCopyWindow(window);
    DestroyWindow(window);
    FreePanelGraphics();
}

static void ShowPanelMenu(HWND window)
{
    CheckMenuItem(App.PanelMenu, IDM_TOPMOST, MF_BYCOMMAND | (App.TopMost ? MF_CHECKED : MF_UNCHECKED));
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenu(App.PanelMenu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, NULL);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return InitMainWindow(window) ? 0 : -1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            AddTrayIcon(window);
        return 0;
    case WM_PAINT:
        PaintDisplay(window);
        return 0;
    case WM_CLOSE:
        ShutdownMainWindow(window);
        return 0;
    case WM_ENDSESSION:
        // The session may end as soon as this is answered. One that comes
        // inside a begin or an end is answered at once and the shutdown
        // done when the transition is: everything a restart needs (the
        // list, the running moment, the recording's marker) is on the disk
        // from the begin on.
        if (wParam && !DeferredUntilTransitionDone(WM_ENDSESSION, wParam))
            ShutdownMainWindow(window);
        return 0;
    case WM_DRAWITEM:
        DrawPanelButton((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_NOTIFY:
        if (wParam == EndTimePickerId)
            OnEndTimeChanged(window, (const NMHDR *)lParam);
        return 0;
    case WM_COMMAND:
        OnMainCommand(window, wParam, lParam);
        return 0;
    case WM_TIMER:
        OnTick(window, (UINT)wParam);
        return 0;
    case WM_TIMECHANGE:
        OnTimeChange(window);
        return 0;
    case WM_POWERBROADCAST:
        return OnPowerBroadcast(window, wParam, lParam);
    case WM_RBUTTONUP:
        ShowPanelMenu(window);
        return 0;
    case MM_WIM_OPEN:
    case MM_WIM_CLOSE:
    case MM_WIM_DATA:
        OnWaveInMessage(window, message, wParam, lParam);  // capture buffers, for the recorder
        return 0;
    case WM_TRAYNOTIFY:
        OnTrayNotify(window, lParam);
        return 0;
    case WM_DPICHANGED:
        OnMainDpiChanged(window, wParam, (const RECT *)lParam);
        return 0;
    case WM_GETDPISCALEDSIZE:
        return OnMainDpiScaledSize(wParam, (SIZE *)lParam);
    case WM_DISPLAYCHANGE:
        FitTrayIconsToScreen(window);  // the primary screen may have changed
        return 0;
    case WM_EXITSIZEMOVE:
        SaveSettingsChange(SectionWindow);  // the window's new place
        return 0;
    case WM_SETTINGSNOTICE:
        OnSettingsNotice(window);
        return 0;
    }
    if (message == TaskbarCreatedMessage()) {
        OnTaskbarCreated(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
