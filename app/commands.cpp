// The main window's commands: its two pop-up menus, the shortcut keys of
// the panel and the stop key's confirmation.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/transition.h"
#include "app/savenotice.h"
#include "panel/panel.h"
#include "reserveui/reserveui.h"
#include "options/options.h"
#include "schedule/execute.h"
#include "res/resource.h"
#include <shellapi.h>

static void ToggleTopMost(HWND window)
{
    SetWindowPos(window, App.TopMost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    App.TopMost = !App.TopMost;
    SaveSettingsChange(SectionWindow);
}

static void Exit(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

static void Open(HWND window)
{
    // Opened from a notice while another one still shows from the icon.
    if (!App.NoticesShowing)
        DeleteTrayIcon();
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

static void ShowReserveList(HWND window)
{
    (void)window;
    if (App.ReserveListWindow)
        SetForegroundWindow(App.ReserveListWindow);
    else
        App.ReserveListWindow = CreateReserveListWindow(App.Instance);
}

static void ShowResults(HWND window)
{
    (void)window;
    ShowResultsWindow(App.Instance);
}

static void ShowAudioProperties(HWND window)
{
    ShellExecuteA(window, "open", "RUNDLL32.EXE", "MMSYS.CPL,ShowAudioPropertySheet", NULL, SW_SHOWNORMAL);
}

static BOOL CALLBACK FindOpenDialog(HWND candidate, LPARAM found)
{
    char className[16];
    if (!IsWindowVisible(candidate) || !IsWindowEnabled(candidate) ||
        !GetClassNameA(candidate, className, sizeof className) || lstrcmpA(className, "#32770") != 0)
        return TRUE;
    *(HWND *)found = candidate;
    return FALSE;
}

// The dialog the user is working in (the sheet, a box or dialog opened from
// it, the reservation editor): the one among the program's dialogs that a
// modal loop has left enabled. None when no dialog is open.
static HWND OpenDialog()
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, (LPARAM)&found);
    return found;
}

// The notification icon's menu stays at hand while a dialog is open; a
// second sheet inside the first would take over its page menus, so the open
// dialog comes forward instead.
static void ShowOptions(HWND window)
{
    HWND dialog = OpenDialog();
    if (dialog)
        SetForegroundWindow(dialog);
    else
        OpenOptionsSheet(window, App.Instance, 0);
}

static const struct {
    WORD Id;
    void (*Run)(HWND window);
} MenuCommands[] = {
    { IDM_TOPMOST, ToggleTopMost },
    { IDM_EXIT, Exit },
    { IDM_OPEN, Open },
    { IDM_RESERVELIST, ShowReserveList },
    { IDM_RESULTS, ShowResults },
    { IDM_AUDIOPROPERTIES, ShowAudioProperties },
    { IDM_OPTIONS, ShowOptions },
};

void OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    for (const auto &command : MenuCommands)
        if (command.Id == id)
            command.Run(window);
    if (code == 0) {
        // Menu commands pass here too; the panel ignores their ids.
        if (id == KeyReserveList)
            PostMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
        else
            OnPanelCommand(window, (HWND)lParam, wParam);
    } else if (code == EN_CHANGE && (HWND)lParam == App.NumberBox && App.NumberBox) {
        OnPresetEdit(App.NumberBox);
    }
}

void StopRecordingRequest(HWND window)
{
    if (App.ReserveState == Idle)
        return;
    // The tick goes on while the box is up: the answer stops the reservation
    // the question was about, never the next one that began meanwhile.
    DWORD asked = App.ActiveSerial;
    if (MessageBoxA(window, "録音を停止しますか？", "録音停止の確認", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES &&
        App.ReserveState != Idle && App.ActiveSerial == asked) {
        EnterTransition();
        EndReservation(ResultEndByUser);
        LeaveTransition(window);
    }
}
