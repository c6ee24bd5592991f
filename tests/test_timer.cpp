// Timer recording from end to end: the main window on the simulated stereo,
// ticked with a clock of the test's own (moved as the ticks go, jumped where
// nothing happens), recording the stereo's tone from the real recording
// device into real files.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "wavecheck.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "app/tray.h"
#include "res/resource.h"

namespace {

// 2027-03-05 was a Friday.
SYSTEMTIME At(int hour, int minute, int second, int millisecond = 0, int day = 5)
{
    SYSTEMTIME t = {};
    t.wYear = 2027;
    t.wMonth = 3;
    t.wDay = (WORD)day;
    t.wDayOfWeek = (WORD)((5 + day - 5) % 7);
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    t.wMilliseconds = (WORD)millisecond;
    return t;
}

SYSTEMTIME Later(const SYSTEMTIME &t, int milliseconds)
{
    FILETIME instant;
    SystemTimeToFileTime(&t, &instant);
    FILETIME moved = FileTimeAdd(&instant, (LONGLONG)milliseconds * 10000);
    SYSTEMTIME out;
    FileTimeToSystemTime(&moved, &out);
    return out;
}

class TimerRecording : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("timer");
        SimDefaultStereo(&stereo);
        LoadAllSections(folder);  // no file: PowOffEndRec and MuteRec set
    }
    void TearDown() override
    {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    void Open(const SYSTEMTIME &start)
    {
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
        clock = start;
        App.LastTick = start;
        ComputeSchedule(&clock, &App.ReserveList, &App.NextReservation, 0);
    }
    ReserveEntry *Add(const char *title, int preset, int day, int weekday, int startHour, int startMinute,
                      int endHour, int endMinute, const std::string &file)
    {
        ReserveEntry *e = ReserveEntryCreate(0);
        HeapFreeBlock(e->Title);
        HeapFreeBlock(e->SavePath);
        e->Title = HeapStrDup(title);
        e->SavePath = HeapStrDup((folder + file).c_str());
        e->Preset = (uint16_t)preset;
        e->Year = 2027;
        e->Month = 3;
        e->Day = (uint16_t)day;
        e->WeekdayFirst = e->WeekdayLast = (uint16_t)weekday;
        e->StartHour = (uint16_t)startHour;
        e->StartMinute = (uint16_t)startMinute;
        e->EndHour = (uint16_t)endHour;
        e->EndMinute = (uint16_t)endMinute;
        ReserveListPush(&App.ReserveList, e);
        return e;
    }
    // One tick at the test's clock; with realTime the audio gets its 100 ms.
    void Tick(bool realTime = false)
    {
        OnTickAt(window, &clock);
        if (realTime)
            PumpMessagesFor(100);
        else
            PumpMessages();
        clock = Later(clock, 100);
    }
    // Ticks until the state is reached; false after limit ticks.
    bool TickUntil(ReserveStateValue state, int limit, bool realTime)
    {
        for (int i = 0; i < limit; i++) {
            if (App.ReserveState == state)
                return true;
            Tick(realTime);
        }
        return App.ReserveState == state;
    }
    void RecordFor(int ticks)
    {
        for (int i = 0; i < ticks; i++)
            Tick(true);
    }
    std::string WindowText(int id)
    {
        char text[256] = "";
        GetWindowTextA(GetDlgItem(window, id), text, sizeof text);
        return text;
    }

    std::string folder;
    SimStereo stereo;
    HWND window = NULL;
    SYSTEMTIME clock = {};
};

// The recording holds the tone of the tuned preset: the simulated stereo
// sounds 300 + 20 x preset Hz.
void ExpectToneOfPreset(const std::string &path, int preset, double minimumSeconds)
{
    WaveParts parts;
    std::string bytes = ReadTextFile(path);
    ASSERT_EQ(ParseWave(bytes, &parts), "") << path;
    const WAVEFORMATEX *format = (const WAVEFORMATEX *)parts.Fmt.data();
    double seconds = (double)parts.Frames() / format->nSamplesPerSec;
    EXPECT_GE(seconds, minimumSeconds);
    Hearing heard = Listen(FirstChannel(parts.Data, format->wBitsPerSample, format->nChannels),
                           (int)format->nSamplesPerSec);
    EXPECT_GT(heard.Rms, 0.05) << "not silence";
    EXPECT_NEAR(heard.Hz, 300 + 20 * preset, (300 + 20 * preset) * 0.03);
}

bool Sent(const std::vector<uint32_t> &commands, uint32_t code)
{
    for (uint32_t c : commands)
        if (c == code)
            return true;
    return false;
}

}  // namespace

TEST_F(TimerRecording, FromStandbyTheStationIsTunedRecordedAndTheStereoSwitchedOff)
{
    stereo.Power = 0;
    stereo.Source = 1;
    ReserveEntry *entry = Add("朝のニュース", 5, 5, 0, 10, 0, 10, 1, "news.wav");
    Open(At(9, 59, 50));
    ASSERT_EQ(App.NextReservation.Entry, entry);

    ASSERT_TRUE(TickUntil(Armed, 60, false));
    EXPECT_EQ(App.LastTick.wSecond, 55) << "begun five seconds before the programme";
    EXPECT_EQ(entry->Enabled, 0) << "a date reservation is retired once begun";
    EXPECT_EQ(App.NextReservation.Entry, nullptr);
    EXPECT_EQ(WindowText(20), "「朝のニュース」を録音中");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, 22))) << "the end-time picker is shown";

    ASSERT_TRUE(TickUntil(Recording, 120, true)) << "the stereo gets ready and the recording starts";
    SimStereo now = SimulatedStereo();
    EXPECT_EQ(now.Power, 1);
    EXPECT_EQ(now.Mute, 1);
    EXPECT_EQ(now.Source, 0);
    EXPECT_EQ(now.Preset, 5);
    RecordFor(40);

    TakeSentCommands();
    clock = At(10, 1, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.ActiveReservation, nullptr);
    EXPECT_TRUE(Sent(TakeSentCommands(), PowerOff)) << "switched off in the ending tick";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, 22)));
    ExpectToneOfPreset(folder + "news.wav", 5, 1.5);
}

TEST_F(TimerRecording, ReadyStereoRecordsFromTheTickThatBegins)
{
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 7;
    App.OptionFlags.MuteRec = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("音楽", 7, 0, 5, 10, 0, 11, 0, "a.wav");
    Open(At(9, 59, 54, 950));
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    Tick();
    EXPECT_EQ(App.ReserveState, Recording) << "nothing to prepare: the recording starts at once";
    RecordFor(35);  // the device's first buffer can take up to two seconds
    TakeSentCommands();
    clock = At(11, 0, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_FALSE(Sent(TakeSentCommands(), PowerOff)) << "without PowOffEndRec the stereo stays on";
    ExpectToneOfPreset(folder + "a.wav", 7, 0.5);
}

TEST_F(TimerRecording, NextProgrammeFinishesTheOneBeforeIt)
{
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 3;
    App.OptionFlags.MuteRec = 0;
    Add("A", 3, 0, 5, 10, 0, 11, 0, "first.wav");
    ReserveEntry *b = Add("B", 3, 0, 5, 11, 0, 12, 0, "second.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    RecordFor(35);
    clock = At(10, 59, 55);
    Tick();
    ASSERT_NE(App.ActiveReservation, nullptr);
    EXPECT_STREQ(App.ActiveReservation->Title, "B");
    EXPECT_EQ(App.ReserveState, Recording);
    EXPECT_NE(App.NextReservation.Entry, b) << "B moves on to next week";
    // A's file was finished when B began, an hour before its own end.
    ExpectToneOfPreset(folder + "first.wav", 3, 1.0);
    RecordFor(35);
    CloseMainWindow(window);
    window = NULL;
    // Closing the program finished B's file too.
    ExpectToneOfPreset(folder + "second.wav", 3, 0.3);
}

TEST_F(TimerRecording, StartAtTheExactInstantBeginsOnce)
{
    stereo.Power = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("毎日", 2, 255, 0, 7, 0, 7, 30, "daily.wav");
    Open(At(6, 59, 54));
    clock = At(6, 59, 55);  // exactly the start instant
    Tick();
    ASSERT_EQ(App.ReserveState, Armed);
    ReserveEntry *copy = App.ActiveReservation;
    FILETIME expected;
    SYSTEMTIME tomorrow = At(6, 59, 55, 0, 6);
    SystemTimeToFileTime(&tomorrow, &expected);
    EXPECT_EQ(CompareFileTime(&App.NextReservation.NextStart, &expected), 0) << "next is tomorrow's";
    for (int i = 0; i < 5; i++)
        Tick();
    EXPECT_EQ(App.ActiveReservation, copy) << "begun once: the copy was not replaced";
}

TEST_F(TimerRecording, FailedStartEndsTheReservationAtOnce)
{
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 1;
    App.OptionFlags.MuteRec = 0;
    ReserveEntry *e = Add("行き先なし", 1, 0, 5, 10, 0, 11, 0, "x.wav");
    HeapFreeBlock(e->SavePath);
    e->SavePath = HeapStrDup((folder + "missing\\deeper\\x.wav").c_str());
    Open(At(9, 59, 55));
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.ActiveReservation, nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, 20))) << "the panel is back in its tuner layout";
    EXPECT_TRUE(IsWindowVisible(App.NumberBox));
}

TEST_F(TimerRecording, NewDayRecomputesTheScheduleOnce)
{
    Add("深夜", 1, 255, 0, 1, 0, 2, 0, "night.wav");
    Open(At(23, 59, 59, 900));
    App.NextReservation = NextReservationInfo{};
    Tick();
    EXPECT_EQ(App.NextReservation.Entry, nullptr) << "the same day: no recomputation";
    Tick();  // 00:00:00.000 of the 6th
    EXPECT_EQ(App.LastTick.wDay, 6);
    EXPECT_NE(App.NextReservation.Entry, nullptr) << "the new day recomputed the schedule";
}

TEST_F(TimerRecording, TrayIconShowsTheReservationAndThePower)
{
    stereo.Power = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("録音中の印", 1, 0, 5, 10, 0, 11, 0, "tray.wav");
    Open(At(9, 59, 50));
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(window)) << "minimised into the notification area";
    EXPECT_EQ(App.TrayData.hIcon, App.TrayIcons[TrayIconOff]);
    ASSERT_TRUE(TickUntil(Armed, 100, false));
    EXPECT_EQ(App.TrayData.hIcon, App.TrayIcons[TrayIconReserved]);
    EndReservation(window, &App.DeviceStatus);
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; });
    Tick();
    EXPECT_EQ(App.TrayData.hIcon, App.TrayIcons[TrayIconOn]) << "the stereo's power within one tick";
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(TimerRecording, FullDiskEndsTheReservationAndSaysSoQuietly)
{
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 4;
    App.OptionFlags.MuteRec = 0;
    UseFullDisk(500000);
    Add("満杯", 4, 0, 5, 10, 0, 11, 0, "full.ful+");
    ReserveEntry *next = Add("次の番組", 4, 0, 5, 12, 0, 13, 0, "next.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    std::string normalCaption = caption;

    // The device's buffers, faster than real time, until the disk is full.
    std::string audio(App.CaptureBufferBytes, '\x11');
    for (int i = 0; i < 200 && !App.WriteFailed; i++)
        StageCapture((const BYTE *)audio.data(), (DWORD)audio.size());
    ASSERT_TRUE(App.WriteFailed);
    TakeSentCommands();
    Tick();
    EXPECT_EQ(App.ReserveState, Idle) << "ended at the first tick after the failure";
    EXPECT_FALSE(App.RecordingActive);
    EXPECT_TRUE(Sent(TakeSentCommands(), PowerOff)) << "ended as at its end time: PowOffEndRec applies";
    EXPECT_EQ(FindThreadWindow("#32770", NULL, NULL), nullptr) << "no box holds up the timer";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), "TALVO レコーダー - 録音中止");
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    EXPECT_STREQ(App.TrayData.szTip, "TALVO レコーダー\n書き込みエラーで録音を中止しました");
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    PumpMessages();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "full.ful+"), &parts), "");
    EXPECT_GT(parts.Data.size(), 400000u);
    EXPECT_EQ(parts.Frames(), parts.Data.size()) << "22,050 Hz 8-bit mono: a byte a frame";

    // The notice stands until the next reservation begins.
    clock = At(11, 59, 55);
    Tick();
    EXPECT_NE(App.ActiveReservation, nullptr);
    EXPECT_STREQ(App.ActiveReservation->Title, next->Title);
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), normalCaption);
}

TEST_F(TimerRecording, UnpluggedStereoRecordsOnAndIsFollowedOnceBack)
{
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 6;
    stereo.Volume = 20;
    App.OptionFlags.MuteRec = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("抜けても", 6, 0, 5, 10, 0, 10, 1, "unplugged.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    RecordFor(20);

    SimSetFaults(SimUnplugged);
    DeviceStatus before = App.DeviceStatus;
    ChangeSimulatedStereo([](SimStereo &s) { s.Volume = 31; });
    RecordFor(45);  // more than two attempts to open the link again
    EXPECT_EQ(App.ReserveState, Recording) << "the recording goes on";
    EXPECT_EQ(memcmp(&App.DeviceStatus, &before, sizeof before), 0) << "the panel keeps the last status";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, 20))) << "still in the recording layout";

    SimSetFaults(0);
    int ticks = 0;
    while (App.DeviceStatus.Volume != 31 && ticks < 40) {
        Tick(true);
        ticks++;
    }
    EXPECT_EQ(App.DeviceStatus.Volume, 31) << "the panel follows the stereo again";
    EXPECT_LE(ticks, ReopenTicks + 1) << "within two seconds of being plugged in";
    clock = At(10, 1, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle) << "ended at its end time";
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "unplugged.wav"), &parts), "");
    EXPECT_GT(parts.Frames(), 3u * 22050) << "recorded through the time without the link";
}
