// A reservation's begin or end runs whole. Updating the tray icon waits on
// the shell, and what the system sends the main window meanwhile (the clock
// set, a sleep or a resume, the session's end) is handled inside that wait:
// a begin inside a begin, or a shutdown in the middle of one, would leave
// neither whole. Such messages wait until the transition is done.
#pragma once
#include <windows.h>

// Around the tick's reservation steps and every other call that may begin
// or end a reservation; they nest.
void EnterTransition();
// The outermost one handles what waited, in the order it can have come:
// sleep, resume, the clock, the session's end.
void LeaveTransition(HWND window);
// True when the message came inside a transition and was noted to be
// handled at its end; false: the caller handles it now.
bool DeferredUntilTransitionDone(UINT message, WPARAM wParam);
