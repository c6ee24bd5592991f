#include "app/power.h"
#include "app/appstate.h"
#include "app/transition.h"
#include "app/wake.h"
#include "device/device.h"
#include "schedule/execute.h"

// A running recording is left alone: it ends when the wall clock reaches
// its end, wherever the clock was moved. What began or passed before the
// change is not begun again.
static void SeeScheduleAfresh()
{
    SYSTEMTIME now;
    ReadLocalTime(&now);
    ScheduleAfresh(&now, &App.LastTick);
    App.LastTick = now;
}

void OnTimeChange(HWND window)
{
    if (DeferredUntilTransitionDone(WM_TIMECHANGE, 0))
        return;
    EnterTransition();
    SeeScheduleAfresh();
    LeaveTransition(window);
}

// Going to sleep (the user's choice: while a reservation runs the program
// keeps the PC from sleeping of its own accord): the recording is finished
// while there is time (the system gives about two seconds), and the wake-up
// is set again from now, so that a start less than the wake lead away still
// wakes the PC.
static void GoingToSleep()
{
    SuspendReservation();
    UpdateWakeTimer();
}

// Both come after a sleep (the second only when a user is there); the
// second finds the schedule already seen and begins nothing again.
static void Resumed()
{
    DeviceClose();
    DeviceOpen();
    App.FailedReads = 0;
    SeeScheduleAfresh();
}

LRESULT OnPowerBroadcast(HWND window, WPARAM event, LPARAM data)
{
    (void)data;
    if (DeferredUntilTransitionDone(WM_POWERBROADCAST, event))
        return TRUE;
    EnterTransition();
    if (event == PBT_APMSUSPEND)
        GoingToSleep();
    else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND)
        Resumed();
    LeaveTransition(window);
    return TRUE;
}
