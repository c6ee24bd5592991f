// The progress dialog of the automatic acquisition. It only sets the device
// requests and waits: the main window's tick walks the stereo through presets
// 1 to 40 and reports each preset's frequency here (WM_PRESETACQUIRED,
// wParam preset, lParam frequency), then ends the dialog with IDCANCEL.
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>

enum { TakeoverTimer = 1, TakeoverCheckMs = 100 };

// The dialog stays up with the reason and a close button instead of Cancel.
static void ShowAcquisitionStopped(HWND dialog, const char *reason)
{
    SetDlgItemTextA(dialog, IDC_ACQUIRE_TEXT, reason);
    SetDlgItemTextA(dialog, IDCANCEL, "閉じる");
}

static BOOL OnAcquireInit(HWND dialog)
{
    // Walking the presets would retune the stereo under a reserved
    // recording that is being prepared or is running.
    if (App.ReserveState != Idle) {
        ShowAcquisitionStopped(dialog, "予約録音中は取得できません。");
        return TRUE;
    }
    DeviceRequest &request = App.DeviceRequest;
    request.PendingFlags = ReqAcquire | ReqMute | ReqSource | ReqPower;
    App.AcquireWindow = dialog;
    request.TargetPower = 1;
    request.TargetMute = 1;
    request.TargetSource = 0;
    request.TargetPreset = 1;
    // The recalls of each preset are counted afresh, whatever an earlier
    // acquisition left.
    App.AcquireAsked = 0;
    SetTimer(dialog, TakeoverTimer, TakeoverCheckMs, NULL);
    return TRUE;
}

// A reserved recording that begins assigns the device requests anew, which
// drops the acquisition; the stereo will not report to us any more.
static void OnAcquireTimer(HWND dialog)
{
    if (App.AcquireWindow != dialog || (App.DeviceRequest.PendingFlags & ReqAcquire))
        return;
    KillTimer(dialog, TakeoverTimer);
    App.AcquireWindow = NULL;
    ShowAcquisitionStopped(dialog, "予約録音が始まったため中止しました。");
}

static void OnPresetReported(HWND dialog, int preset, int32_t frequency)
{
    HWND sheet = GetWindow(dialog, GW_OWNER);
    HWND page = (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 1, 0);
    StorePresetFrequency(page, preset, frequency);
    SendDlgItemMessageA(dialog, IDC_ACQUIRE_PROGRESS, PBM_SETPOS, (WPARAM)(preset * 5 / 2), 0);
}

static void OnAcquireCancel(HWND dialog)
{
    KillTimer(dialog, TakeoverTimer);
    if (App.AcquireWindow == dialog) {
        App.AcquireWindow = NULL;
        // Requests that replaced the acquisition belong to someone else.
        if (App.DeviceRequest.PendingFlags & ReqAcquire)
            App.DeviceRequest.PendingFlags = 0;
    }
    EndDialog(dialog, IDCANCEL);
}

INT_PTR CALLBACK AcquireDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnAcquireInit(dialog);
    case WM_TIMER:
        if (wParam != TakeoverTimer)
            return FALSE;
        OnAcquireTimer(dialog);
        return TRUE;
    case WM_PRESETACQUIRED:
        if (wParam < 1 || wParam > PresetCount)
            return FALSE;
        OnPresetReported(dialog, (int)wParam, (int32_t)lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL)
            return FALSE;
        OnAcquireCancel(dialog);
        return TRUE;
    }
    return FALSE;
}
