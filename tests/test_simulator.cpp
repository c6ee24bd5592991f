// The simulated stereo: its memory in TALVOSim.ini, the delays and effects of
// its commands, its tone, and the request sequencer driving it end to end.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/stereostatus.h"
#include "options/options.h"
#include "support.h"

namespace {

void Poll(int count)
{
    uint8_t reply[StatusReplySize];
    for (int i = 0; i < count; i++)
        DeviceReadStatus(reply, sizeof reply);
}

// Stands in for the acquisition progress dialog: keeps what it is told and
// drops the pending actions when it closes, as the dialog does.
std::vector<std::pair<int, int>> Acquired;
int AcquireCancels;

LRESULT CALLBACK AcquireProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PRESETACQUIRED) {
        Acquired.push_back({ (int)wParam, (int)lParam });
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        AcquireCancels++;
        App.AcquireWindow = NULL;
        App.DeviceRequest.PendingFlags = 0;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateAcquireWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = AcquireProc;
    windowClass.lpszClassName = "TalvoTestAcquire";
    RegisterClassA(&windowClass);
    Acquired.clear();
    AcquireCancels = 0;
    return CreateWindowExA(0, "TalvoTestAcquire", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
}

class Simulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("sim");
        ASSERT_TRUE(OpenSimulatedStereo(folder));
    }
    void TearDown() override
    {
        ResetAppState();
        SimSetFaults(0);
        RemoveTree(folder);
    }
    // Runs ticks until nothing is pending; the number of ticks, or -1.
    int TicksUntilDone(int limit)
    {
        for (int tick = 1; tick <= limit; tick++) {
            RunStereoTick();
            if (App.DeviceRequest.PendingFlags == 0)
                return tick;
        }
        return -1;
    }
    std::string folder;
};

}  // namespace

TEST_F(Simulator, NewStereoStartsInStandbyOnTheTuner)
{
    ASSERT_TRUE(ReadStereoStatus(NULL));
    const DeviceStatus &status = App.DeviceStatus;
    EXPECT_EQ(status.Power, 0);
    EXPECT_EQ(status.Source, 0);
    EXPECT_EQ(status.Volume, 20);
    EXPECT_EQ(status.Preset, 1);
    EXPECT_EQ(BcdFrequencyValue(status.Frequency), SimulatedStereo().PresetFrequency[0]);
    int empty = 0, am = 0;
    for (int32_t frequency : SimulatedStereo().PresetFrequency) {
        empty += frequency == 0;
        am += frequency > 0 && frequency < 1630;
    }
    EXPECT_GT(empty, 0);
    EXPECT_GT(am, 0);
}

TEST_F(Simulator, StateOutlivesTheProgram)
{
    DeviceSendCommand(PowerOn, 0);
    Poll(21);  // it takes no other key for two seconds
    DeviceSendCommand(SetVolume, 33);
    DeviceSendCommand(MuteToggle, 0);
    DeviceSendCommand(RecallPreset, 13);  // completes while closing
    DeviceClose();
    std::string path = folder + "TALVOSim.ini";
    EXPECT_EQ(GetPrivateProfileIntA("Stereo", "Volume", -1, path.c_str()), 33u);

    SimSetStateFolder(folder.c_str());  // forgets what it had in memory
    SimStereo back = SimulatedStereo();
    EXPECT_EQ(back.Power, 1);
    EXPECT_EQ(back.Volume, 33);
    EXPECT_EQ(back.Mute, 1);
    EXPECT_EQ(back.Preset, 13);
    EXPECT_EQ(back.Frequency, back.PresetFrequency[12]);

    WritePrivateProfileStringA("Stereo", "InputLevelMd", "-5", path.c_str());
    WritePrivateProfileStringA("Stereo", "Source", "9", path.c_str());
    SimSetStateFolder(folder.c_str());
    back = SimulatedStereo();
    EXPECT_EQ(back.InputLevelMd, -5);
    EXPECT_EQ(back.Source, 0);  // out of range: the factory value
}

TEST_F(Simulator, StandbyObeysOnlyThePowerKeyAndWakesAfterASecond)
{
    for (uint32_t code : { (uint32_t)SelectCd, (uint32_t)MuteToggle, (uint32_t)SetVolume + 50, (uint32_t)PowerOff })
        DeviceSendCommand(code, 0);
    Poll(5);
    SimStereo stereo = SimulatedStereo();
    EXPECT_EQ(stereo.Source, 0);
    EXPECT_EQ(stereo.Mute, 0);
    EXPECT_EQ(stereo.Volume, 20);
    DeviceSendCommand(PowerOn, 0);
    int polls = 0;
    while (!SimulatedStereo().Power && polls < 50) {
        DeviceSendCommand(SelectCd, 0);
        Poll(1);
        polls++;
    }
    EXPECT_GE(polls, 8);
    EXPECT_LE(polls, 12);
    EXPECT_EQ(SimulatedStereo().Source, 0);
}

TEST_F(Simulator, CommandsShowAfterAPollOrTwo)
{
    struct Case {
        uint32_t code, argument;
        int polls;
        std::function<bool(const SimStereo &)> done;
    } cases[] = {
        { SelectCd, 0, 2, [](const SimStereo &s) { return s.Source == 1; } },
        { SelectMd, 0, 2, [](const SimStereo &s) { return s.Source == 2; } },
        { InputLevelDown, 0, 1, [](const SimStereo &s) { return s.InputLevelMd == -1; } },
        { SelectPcUsb, 0, 2, [](const SimStereo &s) { return s.Source == 4; } },
        { InputLevelDown, 0, 1, [](const SimStereo &s) { return s.InputLevelMd == -1; } },
        { SelectTuner, 0, 2, [](const SimStereo &s) { return s.Source == 0; } },
        { RecallPreset, 12, 2, [](const SimStereo &s) { return s.Preset == 12 && s.Band == 1; } },
        { TunerBand, 0, 1, [](const SimStereo &s) { return s.Band == 0 && s.Preset == 0 && s.Frequency > 1630; } },
        { TunerAuto, 0, 1, [](const SimStereo &s) { return s.TuneManual == 1; } },
        { SetVolume, 80, 1, [](const SimStereo &s) { return s.Volume == 80; } },
        { SetVolume, 81, 1, [](const SimStereo &s) { return s.Volume == 80; } },
        { MuteToggle, 0, 1, [](const SimStereo &s) { return s.Mute == 1; } },
        { NbCycle, 0, 1, [](const SimStereo &s) { return s.NbMode == 1; } },
        { PowerOff, 0, 3, [](const SimStereo &s) { return s.Power == 0; } },
    };
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; });
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " " << c.argument);
        DeviceSendCommand(c.code, c.argument);
        if (c.polls > 1) {
            Poll(c.polls - 1);
            EXPECT_FALSE(c.done(SimulatedStereo()));
        }
        Poll(1);
        EXPECT_TRUE(c.done(SimulatedStereo()));
    }
}

TEST_F(Simulator, TakesNoKeyForTwoSecondsAfterThePowerKey)
{
    DeviceSendCommand(PowerOn, 0);
    int polls = 0;
    while (SimulatedStereo().Source != 1 && polls < 60) {
        DeviceSendCommand(SelectCd, 0);
        Poll(1);
        polls++;
        if (polls == 10) {
            EXPECT_EQ(SimulatedStereo().Power, 1) << "on after a second";
        }
    }
    // The first key it takes is the one sent after the twentieth poll; the
    // source shows two polls later.
    EXPECT_EQ(polls, 22);

    // Switched on by hand, it is as deaf; a stereo that is simply on is not.
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 0; s.Mute = 0; });
    DeviceSendCommand(PowerOn, 0);
    Poll(15);
    DeviceSendCommand(MuteToggle, 0);
    Poll(5);
    EXPECT_EQ(SimulatedStereo().Mute, 0) << "a mute key in the deaf time is lost";
    DeviceSendCommand(MuteToggle, 0);
    Poll(1);
    EXPECT_EQ(SimulatedStereo().Mute, 1);
}

TEST_F(Simulator, MuteReadingAfterSwitchingOnIsTheOneBeforeStandby)
{
    for (uint8_t mutedBefore : { 0, 1 }) {
        SCOPED_TRACE(mutedBefore);
        ChangeSimulatedStereo([&](SimStereo &s) { s.Power = 0; s.Mute = mutedBefore; s.MuteStale = 0; });
        DeviceSendCommand(PowerOn, 0);
        Poll(21);
        ReadStereoStatus(NULL);
        ASSERT_EQ(App.DeviceStatus.Power, 1);
        EXPECT_EQ(SimulatedStereo().Mute, 0) << "it always comes on playing";
        EXPECT_EQ(App.DeviceStatus.Mute, mutedBefore) << "but reports the mute of before";

        // A stereo closed meanwhile still reports it so when opened again.
        DeviceClose();
        SimSetStateFolder(folder.c_str());
        ASSERT_TRUE(DeviceOpen());
        ReadStereoStatus(NULL);
        EXPECT_EQ(App.DeviceStatus.Mute, mutedBefore);

        DeviceSendCommand(MuteToggle, 0);
        Poll(1);
        ReadStereoStatus(NULL);
        EXPECT_EQ(SimulatedStereo().Mute, 1);
        EXPECT_EQ(App.DeviceStatus.Mute, 1) << "the mute key puts the reading right";
        DeviceSendCommand(MuteToggle, 0);
        Poll(1);
        ReadStereoStatus(NULL);
        EXPECT_EQ(App.DeviceStatus.Mute, 0);
    }
}

TEST_F(Simulator, AnEmptyPresetIsNeverTunedNorReported)
{
    ChangeSimulatedStereo([](SimStereo &s) {
        s.Power = 1;
        s.Preset = 18;
        s.Frequency = s.PresetFrequency[17];
        s.PresetFrequency[18] = 0;
    });
    SimStereo before = SimulatedStereo();
    DeviceSendCommand(RecallPreset, 19);
    Poll(5);
    ReadStereoStatus(NULL);
    SimStereo after = SimulatedStereo();
    EXPECT_EQ(after.Preset, 18) << "the tuner stays where it was";
    EXPECT_EQ(after.Frequency, before.Frequency);
    EXPECT_EQ(App.DeviceStatus.Preset, 18);
    EXPECT_EQ(BcdFrequencyValue(App.DeviceStatus.Frequency), before.Frequency);

    // A state that names an empty preset (an old state file) reports none.
    ChangeSimulatedStereo([](SimStereo &s) { s.Preset = 19; s.Frequency = 0; });
    ReadStereoStatus(NULL);
    EXPECT_EQ(App.DeviceStatus.Preset, 0);
    EXPECT_EQ(SimTonePitch(), 0);
    // A preset given a station is tuned again.
    ChangeSimulatedStereo([](SimStereo &s) { s.PresetFrequency[18] = 8200; });
    DeviceSendCommand(RecallPreset, 19);
    Poll(2);
    ReadStereoStatus(NULL);
    EXPECT_EQ(App.DeviceStatus.Preset, 19);
    EXPECT_EQ(BcdFrequencyValue(App.DeviceStatus.Frequency), 8200);
}

TEST_F(Simulator, ToneNamesThePresetWhileTheTunerPlays)
{
    struct Case {
        uint8_t power, source, mute, preset;
        int pitch;
    } cases[] = {
        { 1, 0, 0, 1, 320 }, { 1, 0, 1, 12, 540 }, { 1, 0, 0, 39, 1080 }, { 1, 0, 0, 40, 0 }, { 0, 0, 0, 12, 0 },
        { 1, 1, 0, 12, 0 },  { 1, 0, 0, 19, 0 },   { 1, 0, 0, 0, 0 },
    };
    for (const Case &c : cases) {
        ChangeSimulatedStereo([&](SimStereo &s) {
            s.Power = c.power;
            s.Source = c.source;
            s.Mute = c.mute;
            s.Preset = c.preset;
            s.Frequency = c.preset ? s.PresetFrequency[c.preset - 1] : 8000;
        });
        Poll(1);
        EXPECT_EQ(SimTonePitch(), c.pitch) << (int)c.preset;
        if (waveOutGetNumDevs() > 0) {
            EXPECT_EQ(SimTonePlaying(), c.pitch != 0);
        }
    }
    DeviceClose();
    EXPECT_FALSE(SimTonePlaying());
}

// A reserved recording that begins with the stereo in standby on CD.
TEST_F(Simulator, ReservationRequestBringsTheStereoToThePreset)
{
    for (uint8_t mutedBefore : { 0, 1 }) {
        SCOPED_TRACE(mutedBefore);
        ChangeSimulatedStereo([&](SimStereo &s) { s.Power = 0; s.Source = 1; s.Mute = mutedBefore; s.Preset = 3; });
        App.DeviceStatus = DeviceStatus{};
        App.HoldoffTicks = 0;
        ReadStereoStatus(NULL);
        App.DeviceRequest = { 0, 1, 1, 12, ReqPower | ReqSource | ReqMute | ReqPreset };
        // Through the two deaf seconds after the power key, and past a mute
        // reading that is wrong right after switching on.
        int ticks = 0;
        bool wrongReading = false;
        for (; ticks < 60 && App.DeviceRequest.PendingFlags; ticks++) {
            RunStereoTick();
            wrongReading |= App.DeviceStatus.Power && App.DeviceStatus.Mute != SimulatedStereo().Mute;
        }
        EXPECT_EQ(wrongReading, mutedBefore == 1);
        EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
        EXPECT_GT(ticks, 21);
        EXPECT_LE(ticks, 40);
        SimStereo stereo = SimulatedStereo();
        EXPECT_EQ(stereo.Power, 1);
        EXPECT_EQ(stereo.Mute, 1);
        EXPECT_EQ(App.DeviceStatus.Mute, 1);
        EXPECT_EQ(stereo.Source, 0);
        EXPECT_EQ(stereo.Preset, 12);
        EXPECT_EQ(App.DeviceStatus.Preset, 12);
        EXPECT_EQ(SimTonePitch(), 540);
    }
}

TEST_F(Simulator, UnpluggedLinkChangesNothing)
{
    ChangeSimulatedStereo([](SimStereo &s) { s.Source = 1; });
    ReadStereoStatus(NULL);
    DeviceStatus before = App.DeviceStatus;
    SimSetFaults(SimUnplugged);
    App.DeviceRequest = { 0, 1, 1, 12, ReqPower | ReqSource | ReqMute | ReqPreset };
    int powerOnTries = 0;
    for (int tick = 1; tick <= 100; tick++) {
        RunStereoTick();
        powerOnTries += App.HoldoffTicks == 20;
    }
    EXPECT_EQ(memcmp(&App.DeviceStatus, &before, sizeof before), 0);
    EXPECT_EQ(App.DeviceRequest.PendingFlags & 0x27, 0x27u);
    EXPECT_EQ(powerOnTries, 5);  // ticks 1, 22, 43, 64, 85
    EXPECT_EQ(SimulatedStereo().Power, 0);
}

// The stereo never reports an empty preset: each is asked for three
// seconds, passed over, and the acquisition still goes on to 40.
TEST_F(Simulator, AcquisitionLearnsEveryStationAndPassesOverEmptyPresets)
{
    App.AcquireWindow = CreateAcquireWindow();
    ASSERT_NE(App.AcquireWindow, (HWND)NULL);
    HWND dialog = App.AcquireWindow;
    App.DeviceRequest = { 0, 1, 1, 1, ReqPower | ReqSource | ReqMute | ReqAcquire };
    SimStereo stereo = SimulatedStereo();
    std::vector<std::pair<int, int>> stations;
    int empty = 0;
    for (int n = 1; n <= 40; n++) {
        if (stereo.PresetFrequency[n - 1])
            stations.push_back({ n, stereo.PresetFrequency[n - 1] });
        else
            empty++;
    }
    ASSERT_GE(empty, 2);
    ASSERT_EQ(stereo.PresetFrequency[39], 0) << "the last preset is one of them";
    int ticks = TicksUntilDone(2000);
    EXPECT_GT(ticks, empty * AcquireSkipAsks);
    EXPECT_LT(ticks, empty * AcquireSkipAsks + 250);
    EXPECT_EQ(Acquired, stations);
    EXPECT_EQ(AcquireCancels, 1) << "ended after 40";
    stereo = SimulatedStereo();
    EXPECT_EQ(stereo.Preset, stations.back().first);
    EXPECT_EQ(stereo.Mute, 1);
    DestroyWindow(dialog);
}

TEST_F(Simulator, AcquisitionFromPresetOneReportsAtOnce)
{
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; s.Mute = 1; s.Preset = 1; });
    ReadStereoStatus(NULL);
    App.AcquireWindow = CreateAcquireWindow();
    HWND dialog = App.AcquireWindow;
    App.DeviceRequest = { 0, 1, 1, 1, ReqPower | ReqSource | ReqMute | ReqAcquire };
    RunStereoTick();
    ASSERT_EQ(Acquired.size(), 1u);
    EXPECT_EQ(Acquired[0], std::make_pair(1, SimulatedStereo().PresetFrequency[0]));
    uint32_t sent[8];
    ASSERT_EQ(SimTakeCommands(sent, 8), 1);
    EXPECT_EQ(sent[0], RecallPreset + 2u);

    // The stereo stops listening; once what it had already taken has shown,
    // each next preset is asked for on every tick, AcquireSkipAsks times,
    // and then passed over for the one after it.
    SimSetFaults(SimIgnoreCommands);
    for (int tick = 0; tick < 5; tick++)
        RunStereoTick();
    SimTakeCommands(sent, 8);
    size_t learned = Acquired.size();
    std::vector<std::pair<uint32_t, int>> runs;
    for (int tick = 0; tick < 3 * AcquireSkipAsks; tick++) {
        RunStereoTick();
        ASSERT_EQ(SimTakeCommands(sent, 8), 1);
        if (runs.empty() || runs.back().first != sent[0])
            runs.push_back({ sent[0], 0 });
        runs.back().second++;
    }
    ASSERT_GE(runs.size(), 3u);
    for (size_t k = 0; k < runs.size(); k++) {
        EXPECT_EQ(runs[k].first, RecallPreset + learned + 1 + k);
        if (k == 0) {
            EXPECT_LE(runs[k].second, AcquireSkipAsks);
        } else if (k + 1 < runs.size()) {
            EXPECT_EQ(runs[k].second, AcquireSkipAsks);
        }
    }
    EXPECT_EQ(Acquired.size(), learned) << "nothing is reported for a preset passed over";
    EXPECT_EQ(AcquireCancels, 0);
    EXPECT_TRUE(App.DeviceRequest.PendingFlags & ReqAcquire);
    DestroyWindow(dialog);
}
