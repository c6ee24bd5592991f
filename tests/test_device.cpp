// The device link: request bytes and reply checks, status decoding, the
// reaction to status changes and the request sequencer's timelines. The link
// goes to the simulated stereo in-process.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "app/stereostatus.h"
#include "support.h"

namespace {

std::vector<uint8_t> ValidReply(std::initializer_list<std::pair<int, uint8_t>> bytes)
{
    std::vector<uint8_t> reply(StatusReplySize, 0);
    for (auto &b : bytes)
        reply[b.first] = b.second;
    unsigned sum = 0;
    for (int i = 9; i <= 38; i++)
        sum += reply[i];
    reply[39] = (uint8_t)sum;
    return reply;
}

class Device : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("device");
        ASSERT_TRUE(OpenSimulatedStereo(folder));
    }
    void TearDown() override
    {
        ResetAppState();
        SimSetFaults(0);
        RemoveTree(folder);
    }
    std::string folder;
};

}  // namespace

TEST(DeviceBytes, StatusRequestIsTheBareHeader)
{
    uint8_t expected[StatusRequestSize] = { 'B', 'S', 0, 0, 0, 0, 0x18, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0 };
    uint8_t request[StatusRequestSize];
    ASSERT_EQ(BuildStatusRequest(request), (size_t)StatusRequestSize);
    EXPECT_EQ(memcmp(request, expected, sizeof expected), 0);
    expected[8] = 0;
    BuildRequestHeader(request, TransferCommand);
    EXPECT_EQ(memcmp(request, expected, sizeof expected), 0);
}

TEST(DeviceBytes, CommandRequestsCarryCodeAndChecksum)
{
    struct Case {
        uint32_t code, argument;
        uint8_t bytes[4], checksum;
    } cases[] = {
        { RecallPreset, 7, { 0xB8, 0x02, 0x4C, 0x07 }, 0x0D },
        { SelectTuner, 7, { 0xB8, 0x02, 0x00, 0x91 }, 0x4B },
        { SetVolume, 80, { 0xB8, 0x02, 0x4D, 0x50 }, 0x57 },
        { RecallPreset, 0x1FF, { 0xB8, 0x02, 0x4C, 0xFF }, 0x05 },
        { DiscSearch, 5, { 0xB8, 0x02, 0x44, 0x00 }, 0xFE },
        { PowerOn, 0, { 0xB8, 0x02, 0x06, 0x81 }, 0x41 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        uint8_t request[CommandRequestSize];
        memset(request, 0xEE, sizeof request);
        ASSERT_EQ(BuildCommandRequest(CommandWithArgument(c.code, c.argument), request), (size_t)CommandRequestSize);
        uint8_t header[RequestHeaderSize];
        BuildRequestHeader(header, TransferCommand);
        EXPECT_EQ(memcmp(request, header, sizeof header), 0);
        EXPECT_EQ(memcmp(request + 19, c.bytes, 4), 0);
        EXPECT_EQ(request[23], c.checksum);
        for (int i = 24; i < CommandRequestSize; i++)
            EXPECT_EQ(request[i], 0) << "byte " << i;
    }
}

TEST(DeviceBytes, ReplyNeedsFortyBytesAndItsChecksum)
{
    std::vector<uint8_t> reply = ValidReply({ { 11, 1 }, { 12, 0x20 }, { 17, 0x05 } });
    EXPECT_TRUE(CheckStatusReply(reply.data(), 40));
    EXPECT_TRUE(CheckStatusReply(reply.data(), 41));
    EXPECT_FALSE(CheckStatusReply(reply.data(), 39));
    reply[0] = reply[8] = 0x77;  // outside the summed bytes
    EXPECT_TRUE(CheckStatusReply(reply.data(), 40));
    reply[39]++;
    EXPECT_FALSE(CheckStatusReply(reply.data(), 40));

    // Bytes summing to 0x1F0: only the low byte is compared.
    std::vector<uint8_t> wrapped = ValidReply({ { 9, 0xF0 }, { 20, 0x80 }, { 38, 0x80 } });
    EXPECT_EQ(wrapped[39], 0xF0);
    EXPECT_TRUE(CheckStatusReply(wrapped.data(), 40));
}

TEST(DeviceBytes, StatusFieldsDecode)
{
    struct Case {
        std::vector<uint8_t> reply;
        DeviceStatus expected;
    } cases[] = {
        { ValidReply({ { 14, '-' }, { 15, 3 } }), { 0, 0, 0, 0, 0, 0, 0, 0, 0, -3 } },
        { ValidReply({ { 14, '+' }, { 15, 3 } }), { 0, 0, 0, 0, 0, 0, 0, 0, 0, 3 } },
        { ValidReply({ { 14, 0 }, { 15, 3 } }), { 0, 0, 0, 0, 0, 0, 0, 0, 0, 3 } },
        { ValidReply({ { 20, 0x82 }, { 21, 0x50 }, { 17, 0x40 } }), { 0, 0, 0, 0, 0, 0, 40, 0, 0x8250, 0 } },
        { ValidReply({ { 11, 0x14 }, { 12, 0x80 }, { 13, 0x33 } }), { 4, 1, 1, 3, 0, 0, 0, 80, 0, 0 } },
        { ValidReply({ { 12, 0x45 }, { 13, 0x20 }, { 22, 0xFF }, { 23, 0x03 } }), { 0, 0, 0, 2, 1, 1, 0, 45, 0, 0 } },
        { ValidReply({ { 22, 0xFE }, { 23, 0xFE }, { 20, 0x09 }, { 21, 0x54 } }), { 0, 0, 0, 0, 0, 0, 0, 0, 0x0954, 0 } },
    };
    for (const Case &c : cases) {
        DeviceStatus status;
        memset(&status, 0xCC, sizeof status);
        DecodeStatusReply(c.reply.data(), &status);
        const DeviceStatus &e = c.expected;
        EXPECT_EQ(status.Source, e.Source);
        EXPECT_EQ(status.Power, e.Power);
        EXPECT_EQ(status.Mute, e.Mute);
        EXPECT_EQ(status.NbMode, e.NbMode);
        EXPECT_EQ(status.Band, e.Band);
        EXPECT_EQ(status.TuneManual, e.TuneManual);
        EXPECT_EQ(status.Preset, e.Preset);
        EXPECT_EQ(status.Volume, e.Volume);
        EXPECT_EQ(status.Frequency, e.Frequency);
        EXPECT_EQ(status.InputLevel, e.InputLevel);
    }
    EXPECT_EQ(BcdFrequencyValue(0x8250), 8250);
    EXPECT_EQ(BcdFrequencyValue(0x0954), 954);
    EXPECT_EQ(BcdFrequencyValue(0x1629), 1629);
}

TEST(DeviceBytes, MinuteChangeIgnoresSecondsOnly)
{
    const SYSTEMTIME last = { 2024, 3, 5, 13, 21, 59, 30, 500 };
    struct Case {
        WORD SYSTEMTIME::*field;
        bool changed;
    } cases[] = {
        { &SYSTEMTIME::wSecond, false }, { &SYSTEMTIME::wMilliseconds, false }, { &SYSTEMTIME::wMinute, true },
        { &SYSTEMTIME::wHour, true }, { &SYSTEMTIME::wDay, true }, { &SYSTEMTIME::wDayOfWeek, true },
        { &SYSTEMTIME::wMonth, true }, { &SYSTEMTIME::wYear, true },
    };
    App.LastTick = last;
    for (const Case &c : cases) {
        SYSTEMTIME now = last;
        now.*c.field += 1;
        EXPECT_EQ(MinuteChanged(&now), c.changed);
    }
}

TEST_F(Device, OpenedLinkCarriesStatusAndCommands)
{
    ASSERT_NE(App.DeviceLink, (HANDLE)NULL);
    ASSERT_NE(App.DeviceLink, INVALID_HANDLE_VALUE);
    uint8_t reply[StatusReplySize];
    EXPECT_TRUE(DeviceReadStatus(reply, sizeof reply));
    EXPECT_TRUE(DeviceSendCommand(RecallPreset, 7));
    EXPECT_TRUE(DeviceSendCommand(SelectTuner, 7));
    EXPECT_TRUE(DeviceSendCommand(SetVolume, 0x134));
    EXPECT_EQ(TakeSentCommands(), (std::vector<uint32_t>{ 0xB8024C07, 0xB8020091, 0xB8024D34 }));
    DeviceClose();
    EXPECT_EQ(App.DeviceLink, (HANDLE)NULL);
    EXPECT_FALSE(DeviceReadStatus(reply, sizeof reply));
    EXPECT_FALSE(DeviceSendCommand(PowerOn, 0));
}

TEST_F(Device, FaultsOfTheLinkAreRefused)
{
    uint8_t reply[StatusReplySize];
    for (uint32_t fault : { SimShortReply, SimBadChecksum, SimUnplugged }) {
        SimSetFaults(fault);
        EXPECT_FALSE(DeviceReadStatus(reply, sizeof reply)) << fault;
    }
    EXPECT_FALSE(DeviceSendCommand(PowerOn, 0));
    DeviceClose();
    EXPECT_FALSE(DeviceOpen());

    // Listed but not openable: found, yet nothing goes through.
    SimSetFaults(SimOpenFails);
    EXPECT_TRUE(DeviceOpen());
    EXPECT_EQ(App.DeviceLink, INVALID_HANDLE_VALUE);
    SimSetFaults(0);
    EXPECT_FALSE(DeviceReadStatus(reply, sizeof reply));
    EXPECT_FALSE(DeviceSendCommand(PowerOn, 0));
}

TEST_F(Device, FailedReadLeavesEverythingAsItWas)
{
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; s.Volume = 33; });
    ASSERT_TRUE(ReadStereoStatus(NULL));
    DeviceStatus before = App.DeviceStatus;
    ChangeSimulatedStereo([](SimStereo &s) { s.Volume = 34; s.Source = 2; });
    App.TempDisplayTicks = 1;
    for (uint32_t fault : { SimShortReply, SimBadChecksum, SimUnplugged }) {
        SimSetFaults(fault);
        EXPECT_FALSE(ReadStereoStatus(NULL));
        EXPECT_EQ(memcmp(&App.DeviceStatus, &before, sizeof before), 0);
        EXPECT_EQ(App.TempDisplayTicks, 1);
    }
}

// A temporary screen is up (30 ticks left); one field changes on the next poll.
TEST_F(Device, ChangesRedrawAndEndOrStartTheTemporaryScreen)
{
    struct Case {
        const char *what;
        std::function<void(SimStereo &)> change;
        bool redraw, volumeScreen, inputScreen;
        int ticksLeft;
    } cases[] = {
        { "nothing", [](SimStereo &) {}, false, true, false, 30 },
        { "volume", [](SimStereo &s) { s.Volume = 21; }, true, true, false, 50 },
        { "input level", [](SimStereo &s) { s.InputLevelMd = -2; }, true, true, true, 50 },
        { "mute", [](SimStereo &s) { s.Mute = 1; }, true, true, false, 30 },
        { "N.B.", [](SimStereo &s) { s.NbMode = 3; }, true, false, false, 0 },
        { "tuning", [](SimStereo &s) { s.TuneManual = 1; }, true, false, false, 0 },
        { "frequency", [](SimStereo &s) { s.Frequency = 7800; }, true, false, false, 0 },
        { "volume and power", [](SimStereo &s) { s.Volume = 5; s.Power = 0; }, true, false, false, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ChangeSimulatedStereo([](SimStereo &s) { s = SimStereo{}; s.Power = 1; s.Source = 2; s.Volume = 20; });
        ReadStereoStatus(NULL);
        App.TempDisplayTicks = 30;
        App.VolumeDisplay = TRUE;
        App.InputDisplay = FALSE;
        ChangeSimulatedStereo(c.change);
        EXPECT_EQ(ReadStereoStatus(NULL), c.redraw);
        EXPECT_EQ(App.VolumeDisplay != FALSE, c.volumeScreen);
        EXPECT_EQ(App.InputDisplay != FALSE, c.inputScreen);
        EXPECT_EQ(App.TempDisplayTicks, c.ticksLeft);
    }
}

TEST_F(Device, VolumeScreenEndsWhenTheRefreshFindsOneTickLeft)
{
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; });
    ReadStereoStatus(NULL);
    ChangeSimulatedStereo([](SimStereo &s) { s.Volume = 25; });
    int ticks = 0;
    for (;; ticks++) {
        bool redraw = ReadStereoStatus(NULL);
        if (ticks == 0)
            EXPECT_TRUE(redraw && App.VolumeDisplay);
        else if (!App.VolumeDisplay) {
            EXPECT_TRUE(redraw);
            break;
        }
        else
            EXPECT_FALSE(redraw) << ticks;
        if (App.TempDisplayTicks > 0)  // the tick's own countdown
            App.TempDisplayTicks--;
        ASSERT_LT(ticks, 100);
    }
    EXPECT_EQ(ticks, 49);
    EXPECT_EQ(App.TempDisplayTicks, 0);
}

TEST_F(Device, PanelFollowsTheStereoOnlyWhileNoReservationRuns)
{
    struct Case {
        uint8_t powerBefore, sourceBefore, powerAfter, sourceAfter;
        ReserveStateValue state;
        int panelMode;
    } cases[] = {
        { 0, 1, 1, 1, Idle, 1 },  { 1, 0, 1, 1, Idle, 1 },  { 1, 2, 0, 2, Idle, 16 },
        { 0, 1, 1, 1, Armed, 16 }, { 1, 0, 1, 1, Armed, 0 }, { 1, 2, 0, 2, Recording, 2 },
        { 1, 3, 1, 3, Armed, 3 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (int)c.powerBefore << c.sourceBefore << c.powerAfter << c.sourceAfter);
        App.ReserveState = Idle;
        ChangeSimulatedStereo([&](SimStereo &s) { s.Power = c.powerBefore; s.Source = c.sourceBefore; });
        ReadStereoStatus(NULL);
        App.ReserveState = c.state;
        ChangeSimulatedStereo([&](SimStereo &s) { s.Power = c.powerAfter; s.Source = c.sourceAfter; });
        ReadStereoStatus(NULL);
        EXPECT_EQ(App.PanelMode, c.panelMode);
    }
}

TEST_F(Device, NumberBoxAndStationFollowThePreset)
{
    App.NumberBox = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_NUMBER, 0, 0, 40, 20, NULL, NULL, NULL, NULL);
    ASSERT_NE(App.NumberBox, (HWND)NULL);
    StationName station = { 8250, "" };
    SetStationName(&station, "NHK-FM");
    AddStation(&station);
    struct Case {
        const char *boxBefore;
        uint8_t preset;
        int32_t frequency;
        const char *boxAfter;
        int station;
    } cases[] = {
        { "", 12, 8010, "12", -1 }, { "07", 7, 8250, "07", 0 }, { "3", 0, 594, "0", -1 }, { "40", 40, 8250, "40", 0 },
    };
    for (const Case &c : cases) {
        ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; s.Preset = 39; s.Frequency = 1000; });
        ReadStereoStatus(NULL);
        SetWindowTextA(App.NumberBox, c.boxBefore);
        // The stereo reports a preset only when it holds a station: this one.
        ChangeSimulatedStereo([&](SimStereo &s) {
            s.Preset = c.preset;
            s.Frequency = c.frequency;
            if (c.preset)
                s.PresetFrequency[c.preset - 1] = c.frequency;
        });
        ReadStereoStatus(NULL);
        char text[16];
        GetWindowTextA(App.NumberBox, text, sizeof text);
        EXPECT_STREQ(text, c.boxAfter);
        EXPECT_EQ(App.StationIndex, c.station);
    }
    DestroyWindow(App.NumberBox);
}

// The sequencer alone: the decoded status is set by hand tick by tick.
TEST_F(Device, SwitchingOnTogglesMuteOnceThenChecksIt)
{
    for (uint8_t muteAfterToggle : { 0, 1 }) {
        SCOPED_TRACE(muteAfterToggle);
        App.DeviceStatus = DeviceStatus{};
        App.DeviceStatus.Mute = 1;
        App.DeviceRequest = { 0, 1, 1, 0, ReqPower | ReqMute };
        std::vector<std::vector<uint32_t>> timeline;
        for (int tick = 1; tick <= 30; tick++) {
            if (tick == 12)
                App.DeviceStatus.Power = 1;
            if (tick == 23)
                App.DeviceStatus.Mute = muteAfterToggle;
            if (tick == 25)
                App.DeviceStatus.Mute = 1;
            if (App.DeviceRequest.PendingFlags)
                RunDeviceRequests();
            timeline.push_back(TakeSentCommands());
        }
        EXPECT_EQ(timeline[0], std::vector<uint32_t>{ PowerOn });
        for (int tick = 2; tick <= 21; tick++)
            EXPECT_TRUE(timeline[tick - 1].empty()) << tick;
        EXPECT_EQ(timeline[21], std::vector<uint32_t>{ MuteToggle });
        EXPECT_TRUE(timeline[22].empty());
        EXPECT_EQ(timeline[23].size(), muteAfterToggle ? 0u : 1u);
        for (int tick = 25; tick <= 30; tick++)
            EXPECT_TRUE(timeline[tick - 1].empty()) << tick;
        EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    }
}

TEST_F(Device, EachStepRepeatsItsCommandUntilTheStatusShowsIt)
{
    App.DeviceStatus = { 1, 1, 0, 0, 0, 0, 9, 20, 0, 0 };
    App.DeviceRequest = { 0, 0, 0, 12, ReqPower | ReqSource | ReqPreset };
    std::vector<uint32_t> sent;
    for (int tick = 1; tick <= 9; tick++) {
        if (tick == 4)
            App.DeviceStatus.Power = 0;
        if (tick == 6)
            App.DeviceStatus.Source = 0;
        if (tick == 8)
            App.DeviceStatus.Preset = 12;
        RunDeviceRequests();
        std::vector<uint32_t> now = TakeSentCommands();
        sent.push_back(now.empty() ? 0 : now[0]);
    }
    const uint32_t rp12 = RecallPreset + 12;
    EXPECT_EQ(sent, (std::vector<uint32_t>{ PowerOff, PowerOff, PowerOff, SelectTuner, SelectTuner, rp12, rp12, 0, 0 }));
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);

    const uint32_t selects[] = { SelectTuner, SelectCd, SelectMd, SelectTapeAux, SelectPcUsb };
    for (uint8_t source = 0; source <= 5; source++) {
        App.DeviceStatus.Source = source == 0 ? 4 : 0;
        App.DeviceRequest = { source, 0, 0, 3, ReqSource | ReqPreset };
        RunDeviceRequests();
        std::vector<uint32_t> expected{ source <= 4 ? selects[source] : RecallPreset + 3 };
        EXPECT_EQ(TakeSentCommands(), expected);
        EXPECT_TRUE(App.DeviceRequest.PendingFlags & ReqSource);
    }
}
