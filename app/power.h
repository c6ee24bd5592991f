// Sleep, wake and clock changes: whenever the time jumps under the program,
// the schedule is seen afresh, so a programme under way is recorded and none
// is begun twice.
#pragma once
#include <windows.h>

// WM_TIMECHANGE: the clock was set (by the user or the time service).
void OnTimeChange(HWND window);
// WM_POWERBROADCAST: before a sleep the running recording is finished (its
// programme taken up again after the resume) and the wake-up set again; on
// resume the stereo's link is opened again (the USB device came back as a
// new one) and the schedule computed afresh.
LRESULT OnPowerBroadcast(HWND window, WPARAM event, LPARAM data);
