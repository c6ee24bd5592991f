// The windows following the stereo: each status reply's change, as the
// device reports it, shown on the panel, in the number box and the tray.
#pragma once
#include <windows.h>

// Reads the stereo's status (device/device.h) and shows what changed: the
// panel's layout and the tray icon, the number box. True when the display
// must be redrawn.
bool ReadStereoStatus(HWND mainWindow);
// The station names were edited: the name of the tuned frequency is looked
// up again and the display redrawn.
void ShowStationTableChange();
