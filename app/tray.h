// The notification-area icon.
#pragma once
#include <windows.h>

// Shows the icon for the stereo's and the recorder's state while the main
// window is minimised.
void UpdateTrayIcon();
