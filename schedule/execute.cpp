// Beginning and ending a reserved recording: the panel's recording layout,
// the private copy of the reservation, the stereo's preparation and the
// recorder.
#include "schedule/execute.h"
#include "schedule/schedule.h"
#include "schedule/underway.h"
#include "schedule/readiness.h"
#include "schedule/missed.h"
#include "schedule/results.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/awake.h"
#include "app/wake.h"
#include "app/notices.h"
#include "app/savenotice.h"
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
    if (App.OptionFlags.MuteRec) {
        request->TargetMute = 1;
        request->PendingFlags |= ReqMute;
    }
}

// The recording of the active reservation ends here; the user hears of its
// file, or of the write that failed.
static void StopAndTell(HWND mainWindow)
{
    StopRecording();
    LogRecordingStopped(mainWindow);
    TellRecordingEnded(mainWindow, App.ActiveReservation && App.ActiveReservation->Title ? App.ActiveReservation->Title : "");
}

bool BeginReservation(HWND mainWindow, const SYSTEMTIME *now, DeviceStatus *status, DeviceRequest *request)
{
    const NextReservationInfo next = App.NextReservation;
    if (!next.Entry)
        return false;
    ReserveEntry *copy = NULL;
    // Without its private copy the reservation cannot run; it stays due and
    // the next tick tries again.
    if (!ReserveEntryCopy(&copy, next.Entry))
        return false;

    if (App.ReserveState == Idle)
        SwitchPanelMode(CurrentLayout(status), RecordingLayout);
    // The reservation that begins now ends the one still running: its file
    // is finished even though its own end has not come.
    if (App.ReserveState != Idle)
        NoteReservationEnding(ResultEndTakenOver, next.Entry->Title);
    if (App.ReserveState == Recording)
        StopAndTell(mainWindow);
    else if (App.ReserveState == Armed)
        LogReservationUnrecorded(mainWindow);
    ReserveEntryFree(&App.ActiveReservation);
    App.ActiveReservation = copy;

    // What the caption said of the last recording is over now.
    ClearRecordingFailure(mainWindow);
    PrepareStereo(request, copy);
    App.ActiveEnd = ComputeEndTime(copy, &next.NextStart);
    NoteReservationBegun(&next.NextStart, now);
    FILETIME instant;
    SystemTimeToFileTime(now, &instant);
    App.PrepareDeadline = PreparationDeadline(&next.NextStart, &instant);
    // The occurrence just begun counts as taken even when it starts exactly
    // now, so the next tick does not begin it a second time.
    RecomputeNextReservation(now, ScheduleNowTaken);
    // A one-shot reservation is retired by its beginning: on the disk at
    // once, or a start after a crash would take it for a new one.
    SaveSettingsChange(SectionReserve);
    ShowActiveReservation(mainWindow);

    App.ReserveState = Armed;
    HoldAwake();
    UpdateTrayIcon();
    return true;
}

void EndReservation(HWND mainWindow, DeviceStatus *status)
{
    if (App.ReserveState == Idle)
        return;
    if (App.ReserveState == Recording)
        StopAndTell(mainWindow);
    else
        LogReservationUnrecorded(mainWindow);
    ReserveEntryFree(&App.ActiveReservation);
    SwitchPanelMode(RecordingLayout, CurrentLayout(status));
    App.ReserveState = Idle;
    ReleaseAwake();
    UpdateTrayIcon();
}

void RecomputeNextReservation(const SYSTEMTIME *from, unsigned flags)
{
    ComputeSchedule(from, &App.ReserveList, &App.NextReservation, flags);
    UpdateWakeTimer();
}

// Logs and tells of the enabled occurrences nothing was there to begin; the
// date reservations among them are retired. True when one was. Without
// since (the program's start) the look goes back to the last moment the
// program was running, when the settings file knows it.
static bool TellMissed(HWND mainWindow, const FILETIME *since, const FILETIME *now)
{
    if (!since && FileTimeToUnits(&App.AwaySince))
        since = &App.AwaySince;
    MissedList missed;
    bool collected = CollectMissed(&App.ReserveList, since, now, &missed);
    App.AwaySince = UnitsToFileTime(0);
    if (!collected)
        return false;
    LogMissedProgrammes(mainWindow, &missed);
    FreeMissed(&missed);
    // Those further back than the list goes are retired as well.
    bool retired = false;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        Occurrence passed;
        if (entry->Enabled && ReserveEntryMode(entry) == ReserveModeDate && DateOccurrence(entry, &passed) &&
            FileTimeReached(&passed.End, now)) {
            entry->Enabled = 0;
            retired = true;
        }
    }
    return retired;
}

// The enabled entry whose occurrence under way began latest (after since,
// when given): as on time, the later programme has the stereo.
static ReserveEntry *LatestUnderway(const FILETIME *since, const FILETIME *now, Occurrence *found)
{
    ReserveEntry *latest = NULL;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        Occurrence occurrence;
        if (!entry->Enabled || !FindOccurrenceUnderway(entry, now, &occurrence))
            continue;
        // Begun (or passed over for a later one) by the tick that saw it.
        if (since && CompareFileTime(&occurrence.Start, since) <= 0)
            continue;
        if (!latest || CompareFileTime(&occurrence.Start, &found->Start) > 0) {
            latest = entry;
            *found = occurrence;
        }
    }
    return latest;
}

void ScheduleAfresh(HWND mainWindow, const SYSTEMTIME *now, const SYSTEMTIME *since)
{
    FILETIME instant, last;
    if (!SystemTimeToFileTime(now, &instant))
        return;
    const FILETIME *seen = NULL;
    if (since && SystemTimeToFileTime(since, &last)) {
        if (CompareFileTime(&last, &App.ScheduleSeenUntil) > 0)
            App.ScheduleSeenUntil = last;
        ULONGLONG from = FileTimeToUnits(&App.ScheduleSeenUntil), to = FileTimeToUnits(&instant);
        if (from > to && from - to > ClockCorrectionLimit)
            App.ScheduleSeenUntil = UnitsToFileTime(0);
        else
            seen = &App.ScheduleSeenUntil;
    } else {
        App.ScheduleSeenUntil = UnitsToFileTime(0);
    }
    // A second fresh view at the same time (the two resume messages) finds
    // whatever the first one began already seen.
    FILETIME taken = seen ? *seen : UnitsToFileTime(0);
    if (seen)
        seen = &taken;
    if (CompareFileTime(&instant, &App.ScheduleSeenUntil) > 0)
        App.ScheduleSeenUntil = instant;

    bool retired = TellMissed(mainWindow, seen, &instant);
    Occurrence underway;
    ReserveEntry *entry = LatestUnderway(seen, &instant, &underway);
    if (entry) {
        App.NextReservation.Entry = entry;
        App.NextReservation.NextStart = underway.Start;
        // Retires a date reservation, computes the rest of the schedule and
        // saves, as a begin on time does.
        if (BeginReservation(mainWindow, now, &App.DeviceStatus, &App.DeviceRequest))
            return;
    }
    // After a clock set back, the future starts where the schedule was last
    // seen: what came by then is not begun a second time.
    SYSTEMTIME from = *now;
    unsigned flags = 0;
    if (CompareFileTime(&taken, &instant) > 0 && FileTimeToSystemTime(&taken, &from))
        flags = ScheduleNowTaken;
    RecomputeNextReservation(&from, flags);
    if (retired)
        SaveSettingsChange(SectionReserve);
}

void ComputeScheduleAfterEdit()
{
    SYSTEMTIME from = App.LastTick;
    FILETIME last;
    if (SystemTimeToFileTime(&App.LastTick, &last) && CompareFileTime(&App.ScheduleSeenUntil, &last) > 0) {
        SYSTEMTIME seen;
        if (FileTimeToSystemTime(&App.ScheduleSeenUntil, &seen))
            from = seen;
    }
    RecomputeNextReservation(&from, ScheduleNowTaken);
}
