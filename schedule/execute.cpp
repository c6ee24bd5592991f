#include "schedule/execute.h"

// Placeholder until reservations are executed: nothing is ever armed.
void EndReservation(HWND mainWindow, const DeviceStatus *status)
{
    (void)mainWindow;
    (void)status;
}
