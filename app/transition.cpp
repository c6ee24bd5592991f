// Messages that wait for a reservation's begin or end to be done.
#include "app/transition.h"
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "app/power.h"

enum DeferredMessage : UINT {
    DeferredSuspend = 1,
    DeferredResume = 2,
    DeferredTimeChange = 4,
    DeferredEndSession = 8,
};

void EnterTransition()
{
    App.TransitionDepth++;
}

bool DeferredUntilTransitionDone(UINT message, WPARAM wParam)
{
    if (App.TransitionDepth == 0)
        return false;
    switch (message) {
    case WM_TIMECHANGE:
        App.DeferredMessages |= DeferredTimeChange;
        return true;
    case WM_ENDSESSION:
        App.DeferredMessages |= DeferredEndSession;
        return true;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND)
            App.DeferredMessages |= DeferredSuspend;
        else if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            App.DeferredMessages |= DeferredResume;
        return true;
    }
    return false;
}

void LeaveTransition(HWND window)
{
    if (App.TransitionDepth > 0)
        App.TransitionDepth--;
    if (App.TransitionDepth > 0)
        return;
    // Each handler is a transition of its own: what comes during it waits
    // for it in turn.
    while (App.DeferredMessages && window && App.MainWindow == window) {
        UINT waiting = App.DeferredMessages;
        if (waiting & DeferredSuspend) {
            App.DeferredMessages &= ~DeferredSuspend;
            OnPowerBroadcast(window, PBT_APMSUSPEND, 0);
        } else if (waiting & DeferredResume) {
            App.DeferredMessages &= ~DeferredResume;
            OnPowerBroadcast(window, PBT_APMRESUMEAUTOMATIC, 0);
        } else if (waiting & DeferredTimeChange) {
            App.DeferredMessages &= ~DeferredTimeChange;
            OnTimeChange(window);
        } else {
            // Windows may end the process as soon as the message is
            // answered, which it was already: the shutdown's work is done
            // here and now, never left to a posted message.
            App.DeferredMessages = 0;
            ShutdownMainWindow(window);
        }
    }
    if (App.MainWindow != window)
        App.DeferredMessages = 0;
}
