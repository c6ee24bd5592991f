// The request sequencer: brings the stereo into the wanted state one command
// per tick, judging every step by the polled status rather than by whether a
// command was delivered, so an ignored command is simply sent again.
#include "device/device.h"
#include "device/acquireevents.h"
#include "app/appstate.h"

// The stereo takes no command for two seconds after switching on.
enum { PowerOnHoldoff = 20, MuteHoldoff = 1 };

static const uint32_t SourceCommands[] = { SelectTuner, SelectCd, SelectMd, SelectTapeAux, SelectPcUsb };

static bool StepPower(DeviceRequest *request, const DeviceStatus *status)
{
    if (status->Power == request->TargetPower) {
        request->PendingFlags &= ~ReqPower;
        return false;
    }
    if (status->Power) {
        DeviceSendCommand(PowerOff, 0);
    } else {
        DeviceSendCommand(PowerOn, 0);
        App.HoldoffTicks = PowerOnHoldoff;
        request->PendingFlags |= ReqJustPoweredOn;
    }
    return true;
}

// Right after switching on the reported mute cannot be trusted yet, so it is
// toggled once regardless and judged again on the following steps.
static bool StepMute(DeviceRequest *request, const DeviceStatus *status)
{
    if ((request->PendingFlags & ReqJustPoweredOn) || status->Mute != request->TargetMute) {
        DeviceSendCommand(MuteToggle, 0);
        request->PendingFlags &= ~ReqJustPoweredOn;
        App.HoldoffTicks = MuteHoldoff;
        return true;
    }
    request->PendingFlags &= ~ReqMute;
    return false;
}

static bool StepSource(DeviceRequest *request, const DeviceStatus *status)
{
    if (status->Source == request->TargetSource) {
        request->PendingFlags &= ~ReqSource;
        return false;
    }
    if (request->TargetSource < sizeof SourceCommands / sizeof SourceCommands[0]) {
        DeviceSendCommand(SourceCommands[request->TargetSource], 0);
        return true;
    }
    return false;
}

static bool StepPreset(DeviceRequest *request, const DeviceStatus *status)
{
    if (status->Preset != request->TargetPreset) {
        DeviceSendCommand(RecallPreset, request->TargetPreset);
        return true;
    }
    request->PendingFlags &= ~ReqPreset;
    return false;
}

// The stereo never tunes to a preset that holds no station, so a preset it
// has not reported after AcquireSkipAsks recalls in a row is taken to be
// empty and passed over; its row keeps what it held.
static bool PresetOverdue(const DeviceRequest *request)
{
    return App.AcquireAsked == request->TargetPreset && App.AcquireAsks >= AcquireSkipAsks;
}

static void RecallForAcquisition(uint8_t preset)
{
    DeviceSendCommand(RecallPreset, preset);
    if (App.AcquireAsked != preset) {
        App.AcquireAsked = preset;
        App.AcquireAsks = 0;
    }
    App.AcquireAsks++;
}

// Learning the presets' frequencies: every preset the stereo reports is
// handed to the progress dialog, then the next one is recalled.
static void StepAcquire(DeviceRequest *request, const DeviceStatus *status)
{
    if (status->Preset == request->TargetPreset) {
        PresetAcquired(status->Preset, BcdFrequencyValue(status->Frequency));
        request->TargetPreset++;
    } else if (PresetOverdue(request)) {
        request->TargetPreset++;
    }
    if (request->TargetPreset >= 1 && request->TargetPreset <= PresetCount) {
        RecallForAcquisition(request->TargetPreset);
        return;
    }
    request->PendingFlags &= ~ReqAcquire;
    AcquisitionFinished();
}

void RunDeviceRequests()
{
    if (App.HoldoffTicks > 0) {
        App.HoldoffTicks--;
        return;
    }
    DeviceRequest *request = &App.DeviceRequest;
    const DeviceStatus *status = &App.DeviceStatus;
    if ((request->PendingFlags & ReqPower) && StepPower(request, status))
        return;
    if ((request->PendingFlags & ReqMute) && StepMute(request, status))
        return;
    request->PendingFlags &= ~ReqJustPoweredOn;
    if ((request->PendingFlags & ReqSource) && StepSource(request, status))
        return;
    if ((request->PendingFlags & ReqPreset) && StepPreset(request, status))
        return;
    if (request->PendingFlags & ReqAcquire)
        StepAcquire(request, status);
}
