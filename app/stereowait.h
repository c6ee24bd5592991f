// A start at sign-in (by the Run entry) that finds no stereo yet: USB
// devices often come up seconds after sign-in, so the program waits in the
// notification area instead of ending, and carries on as a normal start
// once the stereo answers. A start by hand still tells and ends.
#pragma once
#include <windows.h>

// Shows the main window as the start asked (app/autostart.h), or, while the
// start waits for the stereo, puts it into the notification area and tells
// once that it waits.
void ShowMainWindowAtStart(HWND window, int showCommand);
// The stereo answered: what the start left for it is done now (the
// power-on of PowOnStart), and the window is shown as the start asked.
void EndWaitingForStereo(HWND window);
