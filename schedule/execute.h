// Beginning and ending a reserved recording.
#pragma once
#include <windows.h>
#include <stdint.h>

enum ReserveStateValue : uint16_t {
    Idle = 0,
    Armed = 1,
    Recording = 2,
};

struct DeviceStatus;

// Ends the active reservation, whatever its state: stops the recorder and
// returns the panel to the stereo's current source.
void EndReservation(HWND mainWindow, const DeviceStatus *status);
