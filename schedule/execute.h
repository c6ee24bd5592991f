// Beginning and ending a reserved recording.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "device/device.h"

enum ReserveStateValue : uint16_t {
    Idle = 0,
    Armed = 1,
    Recording = 2,
};

// Starts executing App.NextReservation: recording layout, private copy,
// stereo preparation, end instant, next schedule, state Armed.
void BeginReservation(HWND mainWindow, const SYSTEMTIME *now, DeviceStatus *status, DeviceRequest *request);
// Ends the active reservation whatever its state (stopping the recorder).
void EndReservation(HWND mainWindow, DeviceStatus *status);
