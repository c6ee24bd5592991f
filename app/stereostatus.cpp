// What the panel makes of a status reply.
#include "app/stereostatus.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/stereowait.h"
#include "panel/panel.h"
#include <stdio.h>

// The box may hold what the user is typing; it is rewritten only when its
// number is not the stereo's preset, so an equal entry ("07") stays as typed.
static void ShowPresetInNumberBox(uint8_t preset)
{
    if (!App.NumberBox)
        return;
    char text[3] = "";
    GetWindowTextA(App.NumberBox, text, sizeof text);
    if (ParseDecimal(text) == preset)
        return;
    char number[8];
    snprintf(number, sizeof number, "%d", preset);
    SetWindowTextA(App.NumberBox, number);
}

bool ReadStereoStatus(HWND mainWindow)
{
    StatusChange change;
    bool redraw = RefreshDeviceStatus(mainWindow, &change);
    if (change.PresetChanged)
        ShowPresetInNumberBox(App.DeviceStatus.Preset);
    if (change.LayoutChanged) {
        SwitchPanelMode(change.FromLayout, change.ToLayout);
        UpdateTrayIcon();
    }
    if (change.Answered && App.WaitingForStereo)
        EndWaitingForStereo(mainWindow);
    if (change.AnswerChanged)
        ShowStereoAnswer();
    return redraw;
}

void ShowStationTableChange()
{
    StationTableChanged();
    if (App.MainWindow)
        InvalidateRect(App.MainWindow, &DisplayRect, FALSE);
}
