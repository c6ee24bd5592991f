#include "app/awake.h"
#include "app/appstate.h"
#include "app/wake.h"

void HoldAwake()
{
    if (App.AwakeFlags)
        return;
    EXECUTION_STATE flags = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_AWAYMODE_REQUIRED;
    // A system without away mode refuses the whole request; it still keeps
    // the PC from sleeping without it.
    if (!SetThreadExecutionState(flags)) {
        flags = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
        if (!SetThreadExecutionState(flags))
            return;
    }
    App.AwakeFlags = flags;
}

void ReleaseAwake()
{
    if (!App.AwakeFlags)
        return;
    SetThreadExecutionState(ES_CONTINUOUS);
    App.AwakeFlags = 0;
}

static bool NextStartNear(const SYSTEMTIME *now)
{
    FILETIME instant;
    if (!App.NextReservation.Entry || !SystemTimeToFileTime(now, &instant))
        return false;
    FILETIME woken = FileTimeAdd(&App.NextReservation.NextStart, -(LONGLONG)WakeLead);
    return FileTimeReached(&woken, &instant);
}

void HoldAwakeAsDue(const SYSTEMTIME *now)
{
    if (App.ReserveState != Idle || NextStartNear(now))
        HoldAwake();
    else
        ReleaseAwake();
}
