#include "schedule/execute.h"
#include "app/appstate.h"

void BeginReservation(HWND mainWindow, const SYSTEMTIME *now, DeviceStatus *status, DeviceRequest *request)
{
    // Placeholder until reservations are executed.
    (void)mainWindow;
    (void)now;
    (void)status;
    (void)request;
}

void EndReservation(HWND mainWindow, DeviceStatus *status)
{
    // Placeholder until reservations are executed.
    (void)mainWindow;
    (void)status;
}
