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
        return;
    }
    App.ReserveState = Recording;
    NoteRecordingStarted(now, ready);
    // Whatever the stereo plays is recorded from here on; its preparation
    // is still pending and the tick keeps sending it.
    RecordingStarted(App.ActiveReservation, App.RecordingPath, now, ready);
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
    App.DeviceRequest.PendingFlags &= ~(ReqPower | ReqSource | ReqPreset | ReqMute | ReqJustPoweredOn);
    App.PreparationLeftUntil = UnitsToFileTime(0);
}
