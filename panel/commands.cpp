// What the keys and the number box send to the stereo.
#include "panel/panel.h"
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "schedule/readiness.h"
#include "res/resource.h"

static void Send(uint32_t command, uint32_t argument = 0) { DeviceSendCommand(command, argument); }

static void PressPower(const DeviceStatus &status)
{
    if (status.Power != 1) {
        Send(PowerOn);
        return;
    }
    StereoSwitchedOffByUser();
    Send(PowerOff);
}

static bool OnNamedControl(HWND control)
{
    const PanelControls &p = App.Panel;
    const DeviceStatus &status = App.DeviceStatus;
    if (!control)
        return false;
    if (control == p.Power)
        PressPower(status);
    else if (control == p.Nb)
        Send(NbCycle);
    else if (control == p.Multi1)
        Send(status.Source == 0 ? TunerAuto : CdRepeat);
    else if (control == p.Multi2)
        Send(status.Source == 0 ? TunerBand : CdRandom);
    else
        return false;
    return true;
}

void OnPanelCommand(HWND mainWindow, HWND control, WPARAM wParam)
{
    if (OnNamedControl(control))
        return;
    const DeviceStatus &status = App.DeviceStatus;
    switch (LOWORD(wParam)) {
    case KeyTuner: Send(SelectTuner); break;
    case KeyCd: Send(SelectCd); break;
    case KeyMd: Send(SelectMd); break;
    case KeyTapeAux: Send(SelectTapeAux); break;
    case KeyPcUsb: Send(SelectPcUsb); break;
    case KeyMute: Send(MuteToggle); break;
    case KeyStop: StopRecordingRequest(mainWindow); break;
    case KeyOptions: PostMessageA(mainWindow, WM_COMMAND, IDM_OPTIONS, 0); break;
    case KeyAudioProperties: PostMessageA(mainWindow, WM_COMMAND, IDM_AUDIOPROPERTIES, 0); break;
    case KeyVolumeDown:
        if (status.Volume > 0)
            Send(SetVolume, status.Volume - 1u);
        break;
    case KeyVolumeUp:
        if (status.Volume < 80)
            Send(SetVolume, status.Volume + 1u);
        break;
    case KeyInputDown: Send(InputLevelDown); break;
    case KeyInputUp: Send(InputLevelUp); break;
    }
}

int ReadNumberBox(HWND numberBox)
{
    char text[3] = "";
    GetWindowTextA(numberBox, text, sizeof text);
    int n = 0;
    for (const char *c = text; *c >= '0' && *c <= '9'; c++)
        n = n * 10 + (*c - '0');
    return n;
}

void OnPresetEdit(HWND numberBox)
{
    if (App.PanelMode != 0 && App.PanelMode != 1)
        return;
    int n = ReadNumberBox(numberBox);
    if (n == App.DeviceStatus.Preset || n < 1 || n > 40)
        return;
    Send(App.PanelMode == 0 ? RecallPreset : DiscSearch, (uint32_t)n);
}
