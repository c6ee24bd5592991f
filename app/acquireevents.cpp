// The acquisition's progress, handed to its dialog (options/acquire.cpp).
#include "device/acquireevents.h"
#include "app/appstate.h"
#include "options/options.h"

void PresetAcquired(uint8_t preset, int32_t frequency)
{
    if (App.AcquireWindow)
        SendMessageA(App.AcquireWindow, WM_PRESETACQUIRED, preset, (LPARAM)frequency);
}

void AcquisitionFinished()
{
    if (App.AcquireWindow)
        SendMessageA(App.AcquireWindow, WM_COMMAND, IDCANCEL, 0);
}
