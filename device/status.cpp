// The meaning of the stereo's status reply and what the program does when it
// changes.
#include "device/device.h"
#include "app/appstate.h"
#include <stdio.h>
#include <string.h>

static uint8_t BcdByteValue(uint8_t bcd)
{
    return (uint8_t)((bcd >> 4) * 10 + (bcd & 0x0F));
}

int32_t BcdFrequencyValue(uint16_t bcd)
{
    return ((bcd >> 12) & 0x0F) * 1000 + ((bcd >> 8) & 0x0F) * 100 + ((bcd >> 4) & 0x0F) * 10 + (bcd & 0x0F);
}

void DecodeStatusReply(const uint8_t *reply, DeviceStatus *status)
{
    status->Source = reply[11] & 0x0F;
    status->Volume = BcdByteValue(reply[12]);
    status->Power = reply[13] & 0x01;
    status->Mute = (reply[13] >> 1) & 0x01;
    status->NbMode = (reply[13] >> 4) & 0x03;
    status->InputLevel = reply[14] == '-' ? -(int32_t)reply[15] : (int32_t)reply[15];
    status->Preset = BcdByteValue(reply[17]);
    status->Frequency = (uint16_t)((reply[20] << 8) | reply[21]);
    status->Band = reply[22] & 0x01;
    status->TuneManual = reply[23] & 0x01;
}

static void EndTemporaryScreen()
{
    App.TempDisplayTicks = 0;
    App.VolumeDisplay = FALSE;
    App.InputDisplay = FALSE;
}

// The volume and input screens last 50 ticks after the last change; any
// change of what the normal screen shows ends them at once.
static bool ReactToDisplayChanges(const DeviceStatus *before, const DeviceStatus *now)
{
    bool redraw = false;
    if (now->Volume != before->Volume) {
        App.TempDisplayTicks = 50;
        App.VolumeDisplay = TRUE;
        redraw = true;
    }
    if (now->InputLevel != before->InputLevel) {
        App.TempDisplayTicks = 50;
        App.InputDisplay = TRUE;
        redraw = true;
    }
    if (now->Mute != before->Mute)
        redraw = true;
    bool screenChanged = now->Source != before->Source || now->Power != before->Power
        || now->NbMode != before->NbMode || now->Band != before->Band || now->TuneManual != before->TuneManual
        || now->Preset != before->Preset || now->Frequency != before->Frequency;
    if (App.TempDisplayTicks == 1 || screenChanged) {
        EndTemporaryScreen();
        redraw = true;
    }
    return redraw;
}

// A stereo unplugged and plugged in again is a new device: the old handle
// stays dead. While reads fail the link is opened afresh every two seconds;
// from the first such try the stereo counts as not answering.
static void ReviveLink(StatusChange *change)
{
    if (++App.FailedReads < ReopenTicks)
        return;
    App.FailedReads = 0;
    if (!App.StereoSilent) {
        App.StereoSilent = TRUE;
        change->AnswerChanged = true;
        change->Redraw = true;
    }
    DeviceClose();
    DeviceOpen();
}

bool RefreshDeviceStatus(HWND mainWindow, StatusChange *change)
{
    (void)mainWindow;
    StatusChange ignored;
    if (!change)
        change = &ignored;
    *change = StatusChange{};
    uint8_t reply[StatusReplySize];
    if (!DeviceReadStatus(reply, sizeof reply)) {
        ReviveLink(change);
        return change->Redraw;
    }
    App.FailedReads = 0;
    change->Answered = true;
    if (App.StereoSilent) {
        App.StereoSilent = FALSE;
        change->AnswerChanged = true;
    }
    DeviceStatus before = App.DeviceStatus;
    DecodeStatusReply(reply, &App.DeviceStatus);
    const DeviceStatus *now = &App.DeviceStatus;

    bool redraw = ReactToDisplayChanges(&before, now) || change->AnswerChanged;
    App.PanelMode = before.Power ? before.Source : (int)PanelModeOff;
    change->Redraw = redraw;
    change->PresetChanged = now->Preset != before.Preset;
    if (now->Frequency != before.Frequency)
        App.StationIndex = FindStationByFrequency(BcdFrequencyValue(now->Frequency));
    // While a reservation runs the panel keeps its recording layout whatever
    // the stereo does. In standby the layout stays "off" whatever source the
    // stereo reports, so the panel and the icon are left alone there.
    int layout = now->Power ? now->Source : (int)PanelModeOff;
    if (App.ReserveState == Idle && (now->Power != before.Power || App.PanelMode != layout)) {
        change->LayoutChanged = true;
        change->FromLayout = App.PanelMode;
        change->ToLayout = layout;
    }
    return redraw;
}

bool MinuteChanged(const SYSTEMTIME *now)
{
    const SYSTEMTIME *last = &App.LastTick;
    return now->wYear != last->wYear || now->wMonth != last->wMonth || now->wDayOfWeek != last->wDayOfWeek
        || now->wDay != last->wDay || now->wHour != last->wHour || now->wMinute != last->wMinute;
}

void StationTableChanged()
{
    App.StationIndex = FindStationByFrequency(BcdFrequencyValue(App.DeviceStatus.Frequency));
}
