#include "app/power.h"
#include "app/appstate.h"
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
    (void)window;
    SeeScheduleAfresh();
}

LRESULT OnPowerBroadcast(HWND window, WPARAM event, LPARAM data)
{
    (void)data;
    // Both come after a sleep (the second only when a user is there); the
    // second finds the schedule already seen and begins nothing again.
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        DeviceClose();
        DeviceOpen();
        App.FailedReads = 0;
        SeeScheduleAfresh();
    }
    (void)window;
    return TRUE;
}
