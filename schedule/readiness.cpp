// Starting the recording of an armed reservation, ready or not.
#include "schedule/readiness.h"
#include "schedule/execute.h"
#include "app/appstate.h"
#include "schedule/events.h"
#include "schedule/results.h"
#include "recorder/recorder.h"
#include "device/device.h"

FILETIME PreparationDeadline(const FILETIME *start, const FILETIME *now)
{
    const FILETIME *from = CompareFileTime(now, start) > 0 ? now : start;
    return FileTimeAdd(from, (LONGLONG)(StartLead + PreparationGrace));
}

void StartArmedRecording(HWND window, const SYSTEMTIME *now)
{
    if (App.ReserveState != Armed)
        return;
    bool ready = App.DeviceRequest.PendingFlags == 0;
    FILETIME instant;
    if (!ready && (!SystemTimeToFileTime(now, &instant) || !FileTimeReached(&App.PrepareDeadline, &instant)))
        return;
    if (!StartRecording(window, App.ActiveReservation)) {
        App.RecordingStartFailed = TRUE;
        RecordingNotStarted(App.ActiveReservation);
        EndReservation(ResultEndAtItsTime);
        GiveUpPreparation();
        return;
    }
    App.ReserveState = Recording;
    NoteRecordingStarted(now, ready);
    // Whatever the stereo plays is recorded from here on; its preparation
    // is still pending and the tick keeps sending it.
    RecordingStarted(App.ActiveReservation, App.RecordingPath, now, ready);
}

// What a reservation asks of the stereo; an acquisition of the presets
// asks some of the same and is no reservation's.
static const uint32_t PreparationFlags = ReqPower | ReqSource | ReqPreset | ReqMute | ReqJustPoweredOn;

void GiveUpPreparation()
{
    App.PreparationLeftUntil = UnitsToFileTime(0);
    if (!(App.DeviceRequest.PendingFlags & ReqAcquire))
        App.DeviceRequest.PendingFlags &= ~PreparationFlags;
}

void StereoSwitchedOffByUser()
{
    if (App.ReserveState == Idle)
        GiveUpPreparation();
}

void LeavePreparationGoing(const FILETIME *ended)
{
    App.PreparationLeftUntil = FileTimeAdd(ended, (LONGLONG)PreparationGrace);
}

void GiveUpLeftPreparation(const FILETIME *now)
{
    if (FileTimeToUnits(&App.PreparationLeftUntil) == 0)
        return;
    if (App.ReserveState != Idle || (App.DeviceRequest.PendingFlags & ReqAcquire)) {
        App.PreparationLeftUntil = UnitsToFileTime(0);
        return;
    }
    if (!FileTimeReached(&App.PreparationLeftUntil, now))
        return;
    GiveUpPreparation();
}
