// The simulated stereo's behaviour: what each command does, how long it
// takes to show, and the status reply it answers with.
#include "simulator/simulator.h"
#include "simulator/wire.h"
#include <string.h>

// Polls (ten a second) before a command's effect shows in the status.
enum {
    PowerOnPolls = 10,
    // From the power key on, the stereo takes no other key for two seconds,
    // though it shows itself on after one.
    WakingPolls = 20,
    PowerOffPolls = 3,
    SourcePolls = 2,
    PresetPolls = 2,
    OtherPolls = 1,
    MaxPending = 16,
    MaxVolume = 80,
    FirstFm = 1630,
};

struct PendingEffect {
    uint32_t Code;
    int PollsLeft;
};

static SimStereo Stereo;
static bool StereoKnown;
static PendingEffect Pending[MaxPending];
static int PendingCount;
static int DeafPolls;       // polls left in which every key is ignored
static uint8_t PollCounter;

// Tokyo-area stations on both bands, and a few slots left empty.
static const int32_t DefaultPresets[SimPresetCount] = {
    8010, 8250, 8130, 7800, 7640, 7950, 8470, 7690, 8400, 7860,
    594, 693, 954, 1134, 1242, 1422, 810, 1197, 0, 0,
    8520, 8050, 7750, 8300, 7960, 8900, 8140, 7600, 9000, 9160,
    639, 747, 828, 1008, 1287, 0, 7720, 0, 8610, 0,
};

void SimDefaultStereo(SimStereo *stereo)
{
    memset(stereo, 0, sizeof *stereo);
    stereo->Volume = 20;
    stereo->Preset = 1;
    memcpy(stereo->PresetFrequency, DefaultPresets, sizeof DefaultPresets);
    stereo->Frequency = DefaultPresets[0];
    stereo->LastFm = DefaultPresets[0];
    stereo->LastAm = DefaultPresets[10];
}

static void DropPending()
{
    PendingCount = 0;
    DeafPolls = 0;
}

static void EnsureStereoKnown()
{
    if (!StereoKnown) {
        SimLoadStateFile(&Stereo);
        DropPending();
        StereoKnown = true;
    }
}

void SimStereoForget()
{
    StereoKnown = false;
    DropPending();
}

bool SimStereoLoad()
{
    bool loaded = SimLoadStateFile(&Stereo);
    DropPending();
    StereoKnown = true;
    return loaded;
}

void SimStereoSave()
{
    SimSaveStateFile(&Stereo);
}

void SimGetStereo(SimStereo *stereo)
{
    EnsureStereoKnown();
    *stereo = Stereo;
}

void SimSetStereo(const SimStereo *stereo)
{
    Stereo = *stereo;
    StereoKnown = true;
    DropPending();
    SimStereoSave();
}

int SimTonePitch()
{
    EnsureStereoKnown();
    if (!Stereo.Power || Stereo.Source != 0 || Stereo.Preset < 1 || Stereo.Preset > SimPresetCount
        || Stereo.Frequency == 0)
        return 0;
    return 300 + 20 * Stereo.Preset;
}

static bool IsPending(uint32_t code)
{
    for (int i = 0; i < PendingCount; i++) {
        if (Pending[i].Code == code)
            return true;
    }
    return false;
}

static int PollsFor(uint32_t code)
{
    switch (code) {
    case SimPowerOn: return PowerOnPolls;
    case SimPowerOff: return PowerOffPolls;
    case SimSelectTuner: case SimSelectCd: case SimSelectMd: case SimSelectTapeAux: case SimSelectPcUsb: return SourcePolls;
    }
    if ((code & 0xFFFFFF00) == SimRecallPreset)
        return PresetPolls;
    return OtherPolls;
}

// In standby, and while switching on or off, the stereo listens only for the
// power key; once it has taken that, for nothing at all for a while.
static bool Accepts(uint32_t code)
{
    if (PendingCount == MaxPending || DeafPolls > 0)
        return false;
    if (!Stereo.Power)
        return code == SimPowerOn && !IsPending(SimPowerOn);
    return code != SimPowerOn && !IsPending(SimPowerOff);
}

void SimStereoCommand(uint32_t code)
{
    EnsureStereoKnown();
    if (!Accepts(code))
        return;
    Pending[PendingCount].Code = code;
    Pending[PendingCount].PollsLeft = PollsFor(code);
    PendingCount++;
    if (code == SimPowerOn)
        DeafPolls = WakingPolls;
}

static bool SelectSource(uint8_t source)
{
    if (Stereo.Source == source)
        return false;
    Stereo.Source = source;
    return true;
}

static bool SwitchBand()
{
    if (Stereo.Source != 0)
        return false;
    if (Stereo.Band == 0) {
        if (Stereo.Frequency)
            Stereo.LastFm = Stereo.Frequency;
        Stereo.Frequency = Stereo.LastAm;
    } else {
        if (Stereo.Frequency)
            Stereo.LastAm = Stereo.Frequency;
        Stereo.Frequency = Stereo.LastFm;
    }
    Stereo.Band ^= 1;
    Stereo.Preset = 0;
    return true;
}

// A preset that holds no station is not recalled: the tuner stays where it
// was, so the status never names an empty preset.
static bool Recall(int preset)
{
    if (Stereo.Source != 0 || preset < 1 || preset > SimPresetCount || Stereo.PresetFrequency[preset - 1] == 0)
        return false;
    Stereo.Preset = (uint8_t)preset;
    Stereo.Frequency = Stereo.PresetFrequency[preset - 1];
    if (Stereo.Frequency)
        Stereo.Band = Stereo.Frequency < FirstFm;
    return true;
}

static bool StepInputLevel(int step)
{
    int8_t *level = Stereo.Source == 2 ? &Stereo.InputLevelMd
        : Stereo.Source == 3 ? &Stereo.InputLevelTapeAux : NULL;
    if (!level)
        return false;
    int next = *level + step;
    if (next < -SimInputLevelLimit || next > SimInputLevelLimit)
        return false;
    *level = (int8_t)next;
    return true;
}

static uint8_t ReportedMute()
{
    return Stereo.MuteStale ? Stereo.StaleMute : Stereo.Mute;
}

// The stereo always comes on with its speakers playing, but its status goes
// on reporting the mute it reported before standby until the mute key is
// pressed.
static void SwitchOn()
{
    Stereo.StaleMute = ReportedMute();
    Stereo.MuteStale = 1;
    Stereo.Power = 1;
    Stereo.Mute = 0;
}

// The CD keys and disc search find no disc in the simulated tray, so they
// change nothing.
static bool Apply(uint32_t code)
{
    switch (code) {
    case SimPowerOn: SwitchOn(); return true;
    case SimPowerOff: Stereo.Power = 0; DropPending(); return true;
    case SimSelectTuner: return SelectSource(0);
    case SimSelectCd: return SelectSource(1);
    case SimSelectMd: return SelectSource(2);
    case SimSelectTapeAux: return SelectSource(3);
    case SimSelectPcUsb: return SelectSource(4);
    case SimMuteToggle:
        Stereo.Mute ^= 1;
        Stereo.MuteStale = 0;
        return true;
    case SimNbCycle: Stereo.NbMode = (uint8_t)((Stereo.NbMode + 1) % 4); return true;
    case SimTunerAuto:
        if (Stereo.Source != 0)
            return false;
        Stereo.TuneManual ^= 1;
        return true;
    case SimTunerBand: return SwitchBand();
    case SimInputLevelDown: return StepInputLevel(-1);
    case SimInputLevelUp: return StepInputLevel(+1);
    }
    uint32_t argument = code & 0xFF;
    if ((code & 0xFFFFFF00) == SimSetVolume) {
        if (argument > MaxVolume || argument == Stereo.Volume)
            return false;
        Stereo.Volume = (uint8_t)argument;
        return true;
    }
    if ((code & 0xFFFFFF00) == SimRecallPreset)
        return Recall((int)argument);
    return false;
}

static void AdvanceTime()
{
    bool changed = false;
    int i = 0;
    while (i < PendingCount) {
        if (--Pending[i].PollsLeft > 0) {
            i++;
            continue;
        }
        uint32_t code = Pending[i].Code;
        memmove(Pending + i, Pending + i + 1, (PendingCount - i - 1) * sizeof *Pending);
        PendingCount--;
        changed |= Apply(code);
        if (code == SimPowerOff)
            break;
    }
    if (changed)
        SimStereoSave();
}

// A state that names an empty preset (set from outside) is reported as
// tuned off the presets.
static uint8_t ReportedPreset()
{
    int preset = Stereo.Preset;
    if (preset < 1 || preset > SimPresetCount || Stereo.PresetFrequency[preset - 1] == 0)
        return 0;
    return (uint8_t)preset;
}

static uint8_t BcdByte(int value)
{
    return (uint8_t)((value / 10 % 10) << 4 | value % 10);
}

static int8_t CurrentInputLevel()
{
    if (Stereo.Source == 2)
        return Stereo.InputLevelMd;
    if (Stereo.Source == 3)
        return Stereo.InputLevelTapeAux;
    return 0;
}

static void ComposeReply(uint8_t reply[SimReplyBytes])
{
    memset(reply, 0, SimReplyBytes);
    reply[0] = 'S';
    reply[1] = 'B';
    reply[9] = 0x01;
    reply[10] = PollCounter;
    reply[11] = Stereo.Source;
    reply[12] = BcdByte(Stereo.Volume);
    reply[13] = (uint8_t)(Stereo.Power | ReportedMute() << 1 | Stereo.NbMode << 4);
    int8_t level = CurrentInputLevel();
    reply[14] = level < 0 ? '-' : '+';
    reply[15] = (uint8_t)(level < 0 ? -level : level);
    reply[17] = BcdByte(ReportedPreset());
    int frequency = Stereo.Frequency % 10000;
    reply[20] = BcdByte(frequency / 100);
    reply[21] = BcdByte(frequency % 100);
    reply[22] = Stereo.Band;
    reply[23] = Stereo.TuneManual;
    uint8_t sum = 0;
    for (int i = 9; i <= 38; i++)
        sum += reply[i];
    reply[39] = sum;
}

void SimStereoPoll(uint8_t reply[SimReplyBytes])
{
    EnsureStereoKnown();
    PollCounter++;
    if (DeafPolls > 0)
        DeafPolls--;
    AdvanceTime();
    SimToneUpdate(SimTonePitch());
    ComposeReply(reply);
}

void SimStereoClose()
{
    EnsureStereoKnown();
    while (PendingCount > 0)
        AdvanceTime();
    DeafPolls = 0;
    SimStereoSave();
    SimToneClose();
}
