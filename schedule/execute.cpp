// Beginning and ending a reserved recording: the panel's recording layout,
// the private copy of the reservation, the stereo's preparation and the
// recorder.
#include "schedule/execute.h"
#include "schedule/schedule.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "panel/panel.h"
#include "recorder/recorder.h"
#include <commctrl.h>

static int CurrentLayout(const DeviceStatus *status)
{
    return status->Power ? (int)status->Source : (int)PanelModeOff;
}

static void ShowActiveReservation(HWND mainWindow)
{
    HWND statusLine = GetDlgItem(mainWindow, RecordingStatusId);
    if (statusLine)
        SetRecordingStatusText(statusLine, App.ActiveReservation->Title ? App.ActiveReservation->Title : "");
    HWND picker = GetDlgItem(mainWindow, EndTimePickerId);
    if (picker) {
        SYSTEMTIME end;
        FileTimeToSystemTime(&App.ActiveEnd, &end);
        SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&end);
    }
}

static void PrepareStereo(DeviceRequest *request, const ReserveEntry *entry)
{
    request->TargetPower = 1;
    request->TargetSource = 0;
    request->TargetPreset = (uint8_t)entry->Preset;
    request->PendingFlags = ReqPower | ReqSource | ReqPreset;
    if (App.OptionFlags.MuteRec == 1) {
        request->TargetMute = 1;
        request->PendingFlags |= ReqMute;
    }
}

void BeginReservation(HWND mainWindow, const SYSTEMTIME *now, DeviceStatus *status, DeviceRequest *request)
{
    const NextReservationInfo next = App.NextReservation;
    if (!next.Entry)
        return;
    ReserveEntry *copy = NULL;
    // Without its private copy the reservation cannot run; it stays due and
    // the next tick tries again.
    if (!ReserveEntryCopy(&copy, next.Entry))
        return;

    if (App.ReserveState == Idle)
        SwitchPanelMode(CurrentLayout(status), RecordingLayout);
    // The reservation that begins now ends the one still running: its file
    // is finished even though its own end has not come.
    if (App.ReserveState == Recording)
        StopRecording();
    ReserveEntryFree(&App.ActiveReservation);
    App.ActiveReservation = copy;

    // What the caption said of the last recording is over now.
    ClearRecordingFailure(mainWindow);
    PrepareStereo(request, copy);
    App.ActiveEnd = ComputeEndTime(copy, &next.NextStart);
    // The occurrence just begun counts as taken even when it starts exactly
    // now, so the next tick does not begin it a second time.
    ComputeSchedule(now, &App.ReserveList, &App.NextReservation, ScheduleNowTaken);
    ShowActiveReservation(mainWindow);

    App.ReserveState = Armed;
    UpdateTrayIcon();
}

void EndReservation(HWND mainWindow, DeviceStatus *status)
{
    (void)mainWindow;
    if (App.ReserveState == Idle)
        return;
    if (App.ReserveState == Recording)
        StopRecording();
    ReserveEntryFree(&App.ActiveReservation);
    SwitchPanelMode(RecordingLayout, CurrentLayout(status));
    App.ReserveState = Idle;
    UpdateTrayIcon();
}
