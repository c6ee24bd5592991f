// Timer recording from end to end: the main window on the simulated stereo,
// ticked with a clock of the test's own (moved as the ticks go, jumped where
// nothing happens), recording the stereo's tone from the real recording
// device into real files.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "wavecheck.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "app/tray.h"
#include "app/notices.h"
#include "app/wake.h"
#include "app/wakecheck.h"
#include "app/stereowait.h"
#include "schedule/execute.h"
#include "schedule/results.h"
#include "reserveui/reserveui.h"
#include "res/resource.h"

namespace {

typedef std::vector<std::string> ResultFields;

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
        SetTestClock(start);
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
        clock = start;
        App.LastTick = start;
        // What the start itself began counts as taken, as it does for the program.
        ComputeSchedule(&clock, &App.ReserveList, &App.NextReservation, ScheduleNowTaken);
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
        SetTestClock(clock);
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
    // "抜けたまま" on preset 6 from 10:00 for minutes, the stereo off and
    // unplugged from just before it begins, without the power-off.
    void OpenUnplugged(int minutes, const char *file)
    {
        stereo.Power = 0;
        stereo.Source = 1;
        App.OptionFlags.PowOffEndRec = 0;
        Add("抜けたまま", 6, 5, 0, 10, 0, 10, minutes, file);
        Open(At(9, 59, 50));
        SimSetFaults(SimUnplugged);
    }
    // A new start in a new folder, for the cases of one test.
    void StartAfresh()
    {
        CloseMainWindow(window);
        window = NULL;
        ResetAppState();
        RemoveTree(folder);
        folder = MakeTempFolder("timer");
        SimDefaultStereo(&stereo);
        LoadAllSections(folder);
    }
    // The stereo on and tuned to the preset; recordings leave it unmuted.
    void OnAndTunedTo(int preset)
    {
        stereo.Power = 1;
        stereo.Source = 0;
        stereo.Preset = preset;
        App.OptionFlags.MuteRec = 0;
    }
    // The tests' clock runs ahead of the audio: before it moves on to until,
    // the recording is given the time skipped as the stereo would have filled
    // it (silence, which leaves what was heard as it was), so that a file
    // holds its whole span as a recording in real time would.
    void FillUntil(const SYSTEMTIME &until)
    {
        FILETIME from, to;
        if (App.ReserveState != Recording || !SystemTimeToFileTime(&App.RecordingBegunAt, &from) ||
            !SystemTimeToFileTime(&until, &to) || FileTimeToUnits(&to) <= FileTimeToUnits(&from))
            return;
        uint64_t wanted = (FileTimeToUnits(&to) - FileTimeToUnits(&from)) / FileTimeSecond * App.CaptureFormat.nAvgBytesPerSec;
        if (wanted <= App.CapturedBytes)
            return;
        std::vector<BYTE> audio((size_t)(wanted - App.CapturedBytes), App.CaptureFormat.wBitsPerSample == 8 ? 0x80 : 0);
        StageCapture(audio.data(), (DWORD)audio.size());
    }
    void RecordFor(int ticks)
    {
        for (int i = 0; i < ticks; i++)
            Tick(true);
    }
    // Records in real time until the recording has heard the stereo (the
    // device's first buffers can be slow to come); false after eight seconds.
    bool RecordUntilHeard()
    {
        for (int i = 0; i < 80 && !App.CaptureLoud; i++)
            Tick(true);
        return App.CaptureLoud != FALSE;
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

// The recording device as a USB one behaves: pulled, its handle dies under
// the recorder; plugged in again, it opens as a new device.
bool RecordingDevicePlugged = true;

MMRESULT WINAPI PluggableWaveInOpen(LPHWAVEIN device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                    DWORD_PTR instance, DWORD flags)
{
    return RecordingDevicePlugged ? waveInOpen(device, id, format, callback, instance, flags) : MMSYSERR_NODRIVER;
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
    EXPECT_EQ(entry->Enabled, 1) << "a date reservation is done only when its programme has ended";
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
    OnAndTunedTo(7);
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
    OnAndTunedTo(3);
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
    OnAndTunedTo(1);
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
    EndReservation(ResultEndAtItsTime);
    ChangeSimulatedStereo([](SimStereo &s) { s.Power = 1; });
    Tick();
    EXPECT_EQ(App.TrayData.hIcon, App.TrayIcons[TrayIconOn]) << "the stereo's power within one tick";
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(TimerRecording, FullDiskEndsTheReservationAndSaysSoQuietly)
{
    OnAndTunedTo(4);
    UseFullDisk(500000);
    Add("満杯", 4, 0, 5, 10, 0, 11, 0, "full.wav");
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
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "full.wav"), &parts), "");
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

TEST_F(TimerRecording, AOneShotReservationStaysOnTheDiskWhileItRunsAndIsRetiredAtItsEnd)
{
    Add("朝のニュース", 5, 5, 0, 10, 0, 10, 1, "news.wav");
    Add("毎週の番組", 5, 5, 0, 23, 0, 23, 30, "weekly.wav");
    Open(At(9, 59, 50));
    ASSERT_TRUE(TickUntil(Armed, 60, false));
    // Read back from the file as a start after a crash right now would: it
    // finds the programme under way and records the rest.
    char line[512] = "";
    GetPrivateProfileStringA("RESERVE", "0", "", line, sizeof line, (folder + SettingsFileName).c_str());
    EXPECT_EQ(std::string(line).rfind("1,朝のニュース,", 0), 0u) << line;
    clock = At(10, 1, 0);
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);
    GetPrivateProfileStringA("RESERVE", "0", "", line, sizeof line, (folder + SettingsFileName).c_str());
    EXPECT_EQ(std::string(line).rfind("0,朝のニュース,", 0), 0u) << "done at its end: " << line;
    GetPrivateProfileStringA("RESERVE", "1", "", line, sizeof line, (folder + SettingsFileName).c_str());
    EXPECT_EQ(std::string(line).rfind("1,毎週の番組,", 0), 0u) << "the others as they were: " << line;
}

TEST_F(TimerRecording, EndWithoutPowerOffKeepsTheStereosStepsGoingInThatTick)
{
    stereo.Power = 1;
    stereo.Source = 1;
    stereo.Preset = 7;
    App.OptionFlags.MuteRec = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("短い番組", 3, 0, 5, 10, 0, 10, 1, "short.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Armed) << "the stereo is still on CD";
    ASSERT_NE(App.DeviceRequest.PendingFlags, 0u);
    TakeSentCommands();
    clock = At(10, 1, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    std::vector<uint32_t> sent = TakeSentCommands();
    EXPECT_FALSE(sent.empty()) << "the ending tick still takes its step towards the preset";
    EXPECT_FALSE(Sent(sent, PowerOff));
    for (int i = 0; i < 10 && App.DeviceRequest.PendingFlags != 0; i++)
        Tick();
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    EXPECT_EQ(SimulatedStereo().Preset, 3);
    EXPECT_EQ(SimulatedStereo().Power, 1);
}

TEST_F(TimerRecording, MuteRecCountsAnyNonZeroValueAsSet)
{
    WriteTextFile(folder + SettingsFileName, "[OPTION]\r\nPowOffEndRec=0\r\nMuteRec=2\r\n");
    ResetAppState();
    LoadAllSections(folder);
    ASSERT_EQ(App.OptionFlags.MuteRec, 2);
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 2;
    stereo.Mute = 0;
    Add("手で書いた設定", 2, 0, 5, 10, 0, 11, 0, "muted.wav");
    Open(At(9, 59, 55));
    Tick();
    EXPECT_NE(App.DeviceRequest.PendingFlags & ReqMute, 0u) << "the speakers are to be muted";
    for (int i = 0; i < 20 && App.ReserveState == Armed; i++)
        Tick(true);
    EXPECT_EQ(SimulatedStereo().Mute, 1);
}

namespace {

// The right edge of what the control draws: the last column holding a pixel
// of another colour than its right-most column.
int DrawnRightEdge(HWND control)
{
    RECT client;
    GetClientRect(control, &client);
    HDC screen = GetDC(control);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(control, WM_PRINTCLIENT, (WPARAM)memory, PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF background = GetPixel(memory, client.right - 1, 0);
    int edge = 0;
    for (int x = 0; x < client.right; x++)
        for (int y = 0; y < client.bottom; y++)
            if (GetPixel(memory, x, y) != background)
                edge = x + 1;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, screen);
    return edge;
}

}  // namespace

TEST_F(TimerRecording, StatusLineDrawsTheTitleAsItIs)
{
    OnAndTunedTo(1);
    App.OptionFlags.PowOffEndRec = 0;
    Add("R&B&&J", 1, 0, 5, 10, 0, 11, 0, "soul.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_NE(App.ReserveState, Idle);
    HWND line = GetDlgItem(window, 20);
    EXPECT_EQ(WindowText(20), "「R&B&&J」を録音中");
    int measured = TextWidth(line, WindowText(20));
    int drawn = DrawnRightEdge(line);
    EXPECT_GE(drawn, measured - 3) << "every ampersand is drawn; none underlines the next character";
    EXPECT_LE(drawn, measured + 1);
}

// ---- programmes under way and missed ----

TEST_F(TimerRecording, StartedInsideAProgrammeTheRestIsRecorded)
{
    stereo.Power = 0;
    stereo.Source = 1;
    ReserveEntry *entry = Add("途中から", 4, 5, 0, 10, 0, 10, 3, "rest.wav");
    Add("毎日", 4, 255, 0, 23, 0, 23, 30, "daily.wav");
    SetTestClock(At(10, 1, 30));
    window = OpenMainWindow(folder, stereo);
    ASSERT_NE(window, (HWND)NULL);
    clock = At(10, 1, 30);
    ASSERT_EQ(App.ReserveState, Armed) << "begun by the program's start itself";
    ASSERT_NE(App.ActiveReservation, nullptr);
    EXPECT_STREQ(App.ActiveReservation->Title, "途中から");
    EXPECT_EQ(entry->Enabled, 1) << "done only when its programme has ended";
    char line[512] = "";
    GetPrivateProfileStringA("RESERVE", "0", "", line, sizeof line, (folder + SettingsFileName).c_str());
    EXPECT_EQ(std::string(line).rfind("1,途中から,", 0), 0u) << "on the disk as running: " << line;
    SYSTEMTIME end;
    FileTimeToSystemTime(&App.ActiveEnd, &end);
    EXPECT_EQ(end.wHour * 60 + end.wMinute, 10 * 60 + 3) << "the programme's own end";
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "毎日");

    ASSERT_TRUE(TickUntil(Recording, 120, true)) << "the stereo is prepared as usual";
    SimStereo now = SimulatedStereo();
    EXPECT_EQ(now.Power, 1);
    EXPECT_EQ(now.Preset, 4);
    ReserveEntry *copy = App.ActiveReservation;
    RecordFor(40);
    EXPECT_EQ(App.ActiveReservation, copy) << "begun once";
    clock = At(10, 3, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    ExpectToneOfPreset(folder + "rest.wav", 4, 1.5);
}

TEST_F(TimerRecording, AMidnightProgrammeIsNamedWithItsOwnDayAndMinuteEvenWhenBegunLate)
{
    for (int late = 0; late < 2; late++) {
        if (late)
            StartAfresh();
        OnAndTunedTo(3);
        Add("深夜便", 3, 0, 6, 0, 0, 0, 5, "%Y%M%D_%H%m(%W).wav");  // Saturdays 0:00, the 6th
        Open(late ? At(0, 2, 30, 0, 6) : At(23, 59, 50));
        ASSERT_TRUE(TickUntil(Recording, 120, false)) << late;
        EXPECT_EQ(App.RecordingBegunAt.wDay, late ? 6 : 5);
        EXPECT_STREQ(App.RecordingPath, (folder + "270306_0000(土).wav").c_str()) << late;
        RecordFor(30);
        clock = At(0, 5, 0, 0, 6);
        Tick();
        WaveParts parts;
        ASSERT_EQ(ParseWave(ReadTextFile(folder + "270306_0000(土).wav"), &parts), "");
        EXPECT_EQ(InfoTexts(parts.List)["ICRD"], "2027-03-06") << "the programme's day";
    }
}

TEST_F(TimerRecording, AProgrammeThatEndedBeforeTheStartIsToldAndRetired)
{
    ReserveEntry *gone = Add("終わった番組", 2, 5, 0, 8, 0, 9, 0, "gone.wav");
    ReserveEntry *daily = Add("毎朝", 2, 255, 0, 7, 0, 7, 30, "daily.wav");
    Open(At(9, 30, 0));
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(gone->Enabled, 0);
    EXPECT_EQ(daily->Enabled, 1);
    EXPECT_EQ(App.NoticeCount, 1u) << "the daily one was not expected of a program that was not running";
    EXPECT_EQ(App.LastNoticeKind, NoticeProgrammeMissed);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("終わった番組"), std::string::npos) << App.LastNotice.szInfo;
    EXPECT_EQ(App.NextReservation.Entry, daily);
    char line[512] = "";
    GetPrivateProfileStringA("RESERVE", "0", "", line, sizeof line, (folder + SettingsFileName).c_str());
    EXPECT_EQ(std::string(line).rfind("0,終わった番組,", 0), 0u) << "saved retired: " << line;
}

TEST_F(TimerRecording, ADayChangedWhileAsleepRecordsTheDateReservationInItsWindow)
{
    OnAndTunedTo(6);
    ReserveEntry *morning = Add("翌朝", 6, 6, 0, 6, 0, 7, 0, "morning.wav");
    ReserveEntry *slept = Add("寝ている間", 6, 6, 0, 2, 0, 3, 0, "slept.wav");
    Open(At(23, 0, 0));
    ASSERT_EQ(App.NextReservation.Entry, slept);
    Tick();
    DWORD notices = App.NoticeCount;
    // The next tick comes on the 6th at 06:30, after a sleep.
    clock = At(6, 30, 0, 0, 6);
    Tick();
    ASSERT_NE(App.ActiveReservation, nullptr) << "recorded, not retired unrecorded";
    EXPECT_STREQ(App.ActiveReservation->Title, "翌朝");
    EXPECT_NE(App.ReserveState, Idle);
    EXPECT_EQ(morning->Enabled, 1) << "running until its end";
    EXPECT_EQ(slept->Enabled, 0);
    EXPECT_GE(App.NoticeCount - notices, 2u) << "the one slept through is told, then the start";
    ASSERT_TRUE(TickUntil(Recording, 60, true));
    RecordFor(30);
    clock = At(7, 0, 0, 0, 6);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    ExpectToneOfPreset(folder + "morning.wav", 6, 1.0);
}

TEST_F(TimerRecording, TheMidnightStepKeepsARunningRecordingAndBeginsNothingTwice)
{
    OnAndTunedTo(2);
    Add("夜更け", 2, 255, 0, 23, 59, 0, 30, "late.wav");
    Open(At(23, 59, 54, 900));
    Tick();
    Tick();
    ASSERT_NE(App.ReserveState, Idle);
    ReserveEntry *copy = App.ActiveReservation;
    DWORD notices = App.NoticeCount;
    clock = At(0, 0, 0, 0, 6);
    Tick();
    EXPECT_EQ(App.ActiveReservation, copy) << "the new day did not begin it again";
    EXPECT_NE(App.ReserveState, Idle);
    EXPECT_EQ(App.NoticeCount, notices) << "nothing told missed";
}

// ---- clock changes and resume ----

TEST_F(TimerRecording, AClockMovedBackAndForwardSkipsNothingAndBeginsNothingTwice)
{
    OnAndTunedTo(3);
    App.OptionFlags.PowOffEndRec = 0;
    Add("朝", 3, 255, 0, 7, 0, 7, 30, "a.wav");
    Add("昼", 3, 255, 0, 8, 0, 9, 0, "b.wav");
    Add("夕", 3, 255, 0, 10, 0, 10, 30, "c.wav");
    Open(At(6, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    ReserveEntry *copy = App.ActiveReservation;
    RecordFor(35);  // the device's first buffer can take up to two seconds

    // Set back by the time service: the recording goes on, nothing begins.
    clock = At(6, 59, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    EXPECT_EQ(App.ActiveReservation, copy);
    EXPECT_EQ(App.ReserveState, Recording);
    for (int i = 0; i < 60; i++)
        Tick();
    EXPECT_EQ(App.ActiveReservation, copy) << "the programme's start came again and did not begin it twice";

    // Its wall-clock end ends it, wherever the clock went.
    clock = At(7, 30, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    clock = At(7, 20, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle) << "set back into the finished programme: not begun again";
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "昼");

    // Set forward over 昼's start into it: 昼 records the rest.
    DWORD notices = App.NoticeCount;
    clock = At(8, 10, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    ASSERT_NE(App.ActiveReservation, nullptr);
    EXPECT_STREQ(App.ActiveReservation->Title, "昼");
    EXPECT_EQ(App.NoticeCount, notices) << "nothing was missed";

    // Forward over the whole of 夕: told, and the next is tomorrow's 朝.
    clock = At(11, 0, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    EXPECT_EQ(App.LastNoticeKind, NoticeProgrammeMissed);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("夕"), std::string::npos) << App.LastNotice.szInfo;
    Tick();
    EXPECT_EQ(App.ReserveState, Idle) << "昼 ended at its wall-clock end";
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "朝");
    ExpectToneOfPreset(folder + "a.wav", 3, 0.3);
}

// An edit of the list after a clock set back counts from where the schedule
// was seen, as the clock change itself did.
TEST_F(TimerRecording, AnEditAfterAClockSetBackDoesNotBeginAgainWhatWasRecorded)
{
    OnAndTunedTo(3);
    App.OptionFlags.PowOffEndRec = 0;
    Add("朝", 3, 255, 0, 7, 0, 7, 5, "a.wav");
    Add("昼", 3, 255, 0, 8, 0, 9, 0, "b.wav");
    Open(At(6, 59, 55));
    ASSERT_TRUE(TickUntil(Recording, 3, false));
    clock = At(7, 5, 0);
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);

    clock = At(6, 50, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    Tick();
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    ASSERT_STREQ(App.NextReservation.Entry->Title, "昼");

    Add("夜", 4, 255, 0, 21, 0, 22, 0, "c.wav");
    ComputeScheduleAfterEdit();
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "昼") << "朝 was recorded before the clock was set back";
    clock = At(7, 0, 0);
    for (int i = 0; i < 5; i++)
        Tick();
    EXPECT_EQ(App.ReserveState, Idle);

    // Once the clock is past where it was seen, edits count from the tick.
    clock = At(7, 40, 0);
    Tick();
    ComputeScheduleAfterEdit();
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "昼");
    Add("朝二", 5, 255, 0, 7, 50, 7, 55, "d.wav");
    ComputeScheduleAfterEdit();
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, "朝二");
}

namespace {

WNDPROC PickerProc;
HWND SendInto;

// The end-time picker is set while a reservation begins: from there the
// system's messages come inside the begin, as they do while the shell
// answers the tray icon's update.
LRESULT CALLBACK PickerSendingSystemMessages(HWND picker, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == DTM_SETSYSTEMTIME && SendInto) {
        HWND window = SendInto;
        SendInto = NULL;
        SetTestClock(At(10, 10, 0));
        SendMessageA(window, WM_TIMECHANGE, 0, 0);
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    }
    return CallWindowProcA(PickerProc, picker, message, wParam, lParam);
}

}  // namespace

TEST_F(TimerRecording, TheClockSleepAndSessionMessagesInsideABeginWaitForIt)
{
    OnAndTunedTo(4);
    Add("長い番組", 4, 5, 0, 10, 0, 10, 30, "a.wav");
    Add("その間に", 4, 5, 0, 10, 5, 10, 8, "b.wav");
    Open(At(9, 59, 54, 900));
    HWND picker = GetDlgItem(window, EndTimePickerId);
    PickerProc = (WNDPROC)SetWindowLongPtrA(picker, GWLP_WNDPROC, (LONG_PTR)PickerSendingSystemMessages);
    SendInto = window;
    Tick();
    Tick();  // 09:59:55.000: the begin
    // Begun once; after the tick the resume and the clock see what passed
    // meanwhile, then the session's end shuts the program down.
    EXPECT_FALSE(IsWindow(window));
    window = NULL;
    std::vector<std::string> lines;
    for (const ResultFields &line : ReadResults(folder))
        lines.push_back(line[ResultOutcome] + "|" + line[ResultTitle]);
    EXPECT_EQ(lines, (std::vector<std::string>{ "見逃しました|その間に", "途中で止まりました (無音)|長い番組" }));
}

TEST_F(TimerRecording, AResumeReopensTheLinkAndRecordsTheProgrammeUnderWay)
{
    stereo.Power = 0;
    ReserveEntry *entry = Add("起きたら録音", 8, 5, 0, 10, 0, 10, 30, "wake.wav");
    Open(At(9, 0, 0));
    Tick();
    // Asleep: the stereo's handle died with the USB device.
    DeviceClose();
    ASSERT_EQ(App.DeviceLink, (HANDLE)NULL);

    clock = At(10, 10, 0);
    SetTestClock(clock);
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), TRUE);
    EXPECT_NE(App.DeviceLink, (HANDLE)NULL) << "the link opened again";
    EXPECT_NE(App.DeviceLink, INVALID_HANDLE_VALUE);
    ASSERT_EQ(App.ReserveState, Armed);
    ReserveEntry *copy = App.ActiveReservation;
    EXPECT_EQ(entry->Enabled, 1) << "running until its end";
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ(App.ActiveReservation, copy) << "the second resume message begins nothing again";

    ASSERT_TRUE(TickUntil(Recording, 120, true));
    EXPECT_EQ(SimulatedStereo().Preset, 8);
    RecordFor(30);
    clock = At(10, 30, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    ExpectToneOfPreset(folder + "wake.wav", 8, 1.0);
}

// ---- awake while it matters ----

TEST_F(TimerRecording, ThePCIsKeptAwakeFromTheWakeTimeToTheEndAndAcrossAShortGap)
{
    stereo.Power = 0;
    Add("眠らせない", 5, 5, 0, 10, 0, 10, 1, "awake.wav");
    Add("すぐ次", 5, 5, 0, 10, 2, 10, 3, "next.wav");  // begins 55 s after the first ends
    ReserveEntry *nowhere = Add("行き先なし", 5, 5, 0, 11, 0, 11, 30, "x.wav");
    HeapFreeBlock(nowhere->SavePath);
    nowhere->SavePath = HeapStrDup((folder + "missing\\deeper\\x.wav").c_str());
    Open(At(9, 58, 54, 900));
    const DWORD held = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    Tick();
    ASSERT_EQ(App.AwakeFlags, 0u) << "nothing held before the wake time";
    Tick();  // 09:58:55.000: the wake lead before the start instant
    EXPECT_EQ(App.AwakeFlags & held, held) << "held from the wake time on";
    EXPECT_EQ(App.AwakeFlags & ~(held | ES_AWAYMODE_REQUIRED), 0u);
    clock = At(9, 59, 55);
    Tick();
    ASSERT_EQ(App.ReserveState, Armed);
    ASSERT_TRUE(TickUntil(Recording, 120, true));
    EXPECT_EQ(App.AwakeFlags & held, held);
    RecordFor(30);
    clock = At(10, 0, 59, 900);
    Tick();
    EXPECT_EQ(App.AwakeFlags & held, held) << "still held in the last tick before the end";
    Tick();  // 10:01:00.000
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.AwakeFlags & held, held) << "held across the gap to the next start";
    SYSTEMTIME next = At(10, 1, 55);
    FILETIME due = WakeDueShownLocally(), expected;
    SystemTimeToFileTime(&next, &expected);
    EXPECT_EQ(CompareFileTime(&due, &expected), 0) << "set again: its wake time passed while the first recorded";
    clock = At(10, 3, 0);
    Tick();
    EXPECT_EQ(App.AwakeFlags, 0u) << "released: the next start is an hour away";

    // A recording that cannot begin releases it in the same tick.
    clock = At(10, 59, 55);
    App.DeviceRequest.PendingFlags = 0;
    for (int i = 0; i < 120 && App.ReserveState == Idle; i++)
        Tick();
    for (int i = 0; i < 120 && App.ReserveState != Idle; i++)
        Tick(true);
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.AwakeFlags, 0u) << "released when the recording could not begin";
}

// ---- waking the PC for the next reservation ----

namespace {

FILETIME Utc(int year, int month, int day, int hour, int minute, int second = 0)
{
    SYSTEMTIME t = {};
    t.wYear = (WORD)year;
    t.wMonth = (WORD)month;
    t.wDay = (WORD)day;
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    FILETIME instant;
    SystemTimeToFileTime(&t, &instant);
    return instant;
}

std::string Text(const FILETIME &instant)
{
    SYSTEMTIME t;
    FileTimeToSystemTime(&instant, &t);
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, t.wMilliseconds);
    return text;
}

FILETIME Moved(const FILETIME &instant, int seconds)
{
    return FileTimeAdd(&instant, (LONGLONG)seconds * (LONGLONG)FileTimeSecond);
}

// Central European time in 2027: summer time from 28 March to 31 October,
// changing at 01:00 UTC both times.
bool CentralEuropeanClock(const FILETIME *utc, FILETIME *local)
{
    const FILETIME from = Utc(2027, 3, 28, 1, 0), to = Utc(2027, 10, 31, 1, 0);
    int hours = CompareFileTime(utc, &from) >= 0 && CompareFileTime(utc, &to) < 0 ? 2 : 1;
    *local = FileTimeAdd(utc, (LONGLONG)hours * 3600 * (LONGLONG)FileTimeSecond);
    return true;
}

bool JapaneseClock(const FILETIME *utc, FILETIME *local)
{
    *local = FileTimeAdd(utc, 9LL * 3600 * (LONGLONG)FileTimeSecond);
    return true;
}

bool BrokenClock(const FILETIME *, FILETIME *)
{
    return false;
}

const LocalClockRules CentralEurope = { -60, -120, CentralEuropeanClock };
const LocalClockRules Japan = { -540, -540, JapaneseClock };

}  // namespace

TEST(WakeTime, TheFirstUtcInstantTheLocalClockShows)
{
    struct Case {
        const char *what;
        const LocalClockRules *rules;
        FILETIME local;
        FILETIME utc;
    } cases[] = {
        { "Japan", &Japan, Utc(2027, 3, 5, 9, 58, 55), Utc(2027, 3, 5, 0, 58, 55) },
        { "Japan, the day before in UTC", &Japan, Utc(2027, 3, 5, 5, 0), Utc(2027, 3, 4, 20, 0) },
        { "winter", &CentralEurope, Utc(2027, 1, 15, 12, 0), Utc(2027, 1, 15, 11, 0) },
        { "summer: that day's offset, not today's", &CentralEurope, Utc(2027, 7, 15, 12, 0), Utc(2027, 7, 15, 10, 0) },
        { "the last minute before summer time", &CentralEurope, Utc(2027, 3, 28, 1, 59), Utc(2027, 3, 28, 0, 59) },
        { "skipped by the change to summer time: its jump", &CentralEurope, Utc(2027, 3, 28, 2, 30),
          Utc(2027, 3, 28, 1, 0) },
        { "the first minute of summer time", &CentralEurope, Utc(2027, 3, 28, 3, 0), Utc(2027, 3, 28, 1, 0) },
        { "the last hour of summer time", &CentralEurope, Utc(2027, 10, 31, 1, 30), Utc(2027, 10, 30, 23, 30) },
        { "the hour that comes twice: its first coming", &CentralEurope, Utc(2027, 10, 31, 2, 30),
          Utc(2027, 10, 31, 0, 30) },
        { "after the change back", &CentralEurope, Utc(2027, 10, 31, 3, 10), Utc(2027, 10, 31, 2, 10) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FILETIME utc = {};
        ASSERT_TRUE(LocalToFirstUtc(&c.local, c.rules, &utc));
        EXPECT_EQ(Text(utc), Text(c.utc));
    }
    const LocalClockRules broken = { 0, 0, BrokenClock };
    FILETIME utc, local = Utc(2027, 1, 1, 0, 0);
    EXPECT_FALSE(LocalToFirstUtc(&local, &broken, &utc));
}

TEST(WakeTime, AMinuteBeforeTheStartOrTheStartItselfWhenLessIsLeft)
{
    const FILETIME start = Utc(2027, 7, 15, 11, 59, 55);  // local, summer time
    struct Case {
        const char *what;
        FILETIME now;
        FILETIME due;
    } cases[] = {
        { "hours ahead", Utc(2027, 7, 15, 7, 0), Utc(2027, 7, 15, 9, 58, 55) },
        { "exactly a minute left", Utc(2027, 7, 15, 9, 58, 55), Utc(2027, 7, 15, 9, 58, 55) },
        { "half a minute left", Utc(2027, 7, 15, 9, 59, 25), Utc(2027, 7, 15, 9, 59, 55) },
        { "the start has passed", Utc(2027, 7, 15, 10, 5), Utc(2027, 7, 15, 9, 59, 55) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FILETIME due = {};
        ASSERT_TRUE(WakeDueFor(&start, &c.now, &CentralEurope, &due));
        EXPECT_EQ(Text(due), Text(c.due));
    }
}

// The system's own time zone, over this year: the local clock shows the
// instant found there, and had not yet a second before.
TEST(WakeTime, TheSystemsZoneShowsTheLocalTimeAtTheInstantFound)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    today.wHour = 12;
    today.wMinute = today.wSecond = today.wMilliseconds = 0;
    FILETIME noon;
    SystemTimeToFileTime(&today, &noon);
    for (int day = 0; day < 365; day += 23) {
        FILETIME local = Moved(noon, day * 86400);
        SYSTEMTIME calendar;
        FileTimeToSystemTime(&local, &calendar);
        LocalClockRules rules;
        ASSERT_TRUE(SystemClockRules(calendar.wYear, &rules));
        FILETIME utc;
        ASSERT_TRUE(LocalToFirstUtc(&local, &rules, &utc)) << Text(local);
        SYSTEMTIME universal, shown, before;
        FileTimeToSystemTime(&utc, &universal);
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(NULL, &universal, &shown));
        FILETIME shownInstant;
        SystemTimeToFileTime(&shown, &shownInstant);
        EXPECT_EQ(Text(shownInstant), Text(local));
        FILETIME earlier = Moved(utc, -1);
        FileTimeToSystemTime(&earlier, &universal);
        SystemTimeToTzSpecificLocalTime(NULL, &universal, &before);
        FILETIME beforeInstant;
        SystemTimeToFileTime(&before, &beforeInstant);
        EXPECT_LT(CompareFileTime(&beforeInstant, &local), 0) << Text(local);
    }
}

TEST_F(TimerRecording, TheWakeUpIsAMinuteBeforeTheNextStartAndFollowsTheSchedule)
{
    OnAndTunedTo(2);
    App.OptionFlags.PowOffEndRec = 0;
    Add("朝", 2, 255, 0, 7, 0, 7, 30, "morning.wav");
    Add("特番", 2, 5, 0, 10, 0, 10, 30, "special.wav");
    Open(At(6, 0, 0));
    ASSERT_TRUE(App.WakeTimer) << "set from the program's start";
    FILETIME expected;
    SYSTEMTIME wake = At(6, 58, 55);
    SystemTimeToFileTime(&wake, &expected);
    EXPECT_EQ(Text(WakeDueShownLocally()), Text(expected)) << "a minute before 朝's start instant";
    LocalClockRules rules;
    ASSERT_TRUE(SystemClockRules(2027, &rules));
    FILETIME utc;
    ASSERT_TRUE(LocalToFirstUtc(&expected, &rules, &utc));
    EXPECT_EQ(Text(App.WakeDue), Text(utc)) << "set in UTC";

    // The begin of 朝 moves it to the next programme.
    clock = At(6, 59, 55);
    Tick();
    ASSERT_NE(App.ReserveState, Idle);
    wake = At(9, 58, 55);
    SystemTimeToFileTime(&wake, &expected);
    EXPECT_EQ(Text(WakeDueShownLocally()), Text(expected)) << "for 特番";

    // The clock set on past 特番: told missed, and tomorrow's 朝 is next.
    clock = At(11, 0, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    wake = At(6, 58, 55, 0, 6);
    SystemTimeToFileTime(&wake, &expected);
    EXPECT_EQ(Text(WakeDueShownLocally()), Text(expected)) << "for tomorrow's 朝";
    EXPECT_EQ(WaitForSingleObject(App.WakeTimer, 0), (DWORD)WAIT_TIMEOUT) << "not yet due";

    // Sent to sleep with less than the wake lead left: set again, at the
    // start instant itself.
    clock = At(6, 59, 30, 0, 6);
    SetTestClock(clock);
    SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    wake = At(6, 59, 55, 0, 6);
    SystemTimeToFileTime(&wake, &expected);
    EXPECT_EQ(Text(WakeDueShownLocally()), Text(expected)) << "before a sleep";
}

TEST_F(TimerRecording, NothingNextCancelsTheWakeUpAndTheExitClosesIt)
{
    ReserveEntry *entry = Add("一度だけ", 2, 5, 0, 10, 0, 10, 30, "once.wav");
    Open(At(9, 0, 0));
    ASSERT_NE(App.WakeDue.dwHighDateTime, 0u);
    HANDLE timer = App.WakeTimer;
    ASSERT_TRUE(timer);

    clock = At(11, 0, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    ASSERT_EQ(entry->Enabled, 0) << "passed while the clock jumped";
    EXPECT_EQ(App.NextReservation.Entry, nullptr);
    EXPECT_EQ(App.WakeDue.dwHighDateTime | App.WakeDue.dwLowDateTime, 0u) << "cancelled";
    EXPECT_EQ(App.WakeTimer, timer) << "kept for the next one";

    CloseMainWindow(window);
    window = NULL;
    EXPECT_EQ(App.WakeTimer, (HANDLE)NULL) << "closed at exit";
}

// The timer itself, on the system's clock: due in the past, it rings at
// once; due hours ahead, it stays quiet.
TEST_F(TimerRecording, TheWakeTimerRingsWhenItsTimeHasCome)
{
    SYSTEMTIME real;
    GetLocalTime(&real);
    real.wSecond = real.wMilliseconds = 0;
    FILETIME minute;
    SystemTimeToFileTime(&real, &minute);
    struct Case {
        const char *what;
        int startMinutes;  // from the present minute
        DWORD result;
    } cases[] = {
        { "started three minutes ago", -3, WAIT_OBJECT_0 },
        { "two hours ahead", 120, WAIT_TIMEOUT },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ResetAppState();
        DeleteFileA((folder + SettingsFileName).c_str());
        LoadAllSections(folder);
        FILETIME startInstant = Moved(minute, c.startMinutes * 60);
        SYSTEMTIME start;
        FileTimeToSystemTime(&startInstant, &start);
        ReserveEntry *e = Add("実時間", 2, start.wDay, 0, start.wHour, start.wMinute, start.wHour, start.wMinute, "r.wav");
        e->Year = start.wYear;
        e->Month = start.wMonth;
        e->EndHour = (uint16_t)((start.wHour + 1) % 24);
        // The program's clock stands before the start, so that it is next.
        FILETIME before = Moved(startInstant, -600);
        SYSTEMTIME programClock;
        FileTimeToSystemTime(&before, &programClock);
        Open(programClock);
        ASSERT_EQ(App.NextReservation.Entry, e);
        ASSERT_TRUE(App.WakeTimer);
        EXPECT_EQ(WaitForSingleObject(App.WakeTimer, c.result == WAIT_OBJECT_0 ? 5000 : 300), c.result);
        CloseMainWindow(window);
        window = NULL;
    }
}

// ---- a stereo that does not answer ----

namespace {

bool PresetStillAsked(const std::vector<uint32_t> &commands, int preset)
{
    return Sent(commands, RecallPreset + (uint32_t)preset);
}

}  // namespace

// Preset 19 holds no station: the preparation never completes. It is not
// sent on for good after a stop, a failed start, or the user switching the
// stereo off after the end.
TEST_F(TimerRecording, AnUnfinishedPreparationIsGivenUpOnAStopAFailedStartOrThePowerKey)
{
    enum { Stopped, FailedStart, PowerKeyAfterTheEnd };
    for (int how = Stopped; how <= PowerKeyAfterTheEnd; how++) {
        SCOPED_TRACE(how);
        StartAfresh();
        OnAndTunedTo(1);
        App.OptionFlags.PowOffEndRec = 0;
        Add("空のプリセット", 19, 5, 0, 10, 0, 10, 1, how == FailedStart ? "missing\\deeper\\x.wav" : "e.wav");
        Open(At(9, 59, 50));
        ASSERT_TRUE(TickUntil(Armed, 60, false));
        ASSERT_TRUE(TickUntil(how == FailedStart ? Idle : Recording, 250, false));  // at the grace
        if (how == Stopped)
            EndReservation(ResultEndByUser);
        if (how == PowerKeyAfterTheEnd) {
            clock = At(10, 1, 0);
            Tick();
            SendMessageA(App.Panel.Power, BM_CLICK, 0, 0);
        }
        TakeSentCommands();
        for (int i = 0; i < 20; i++)
            Tick();
        std::vector<uint32_t> sent = TakeSentCommands();
        EXPECT_FALSE(PresetStillAsked(sent, 19));
        EXPECT_FALSE(Sent(sent, PowerOn));
    }
}

TEST_F(TimerRecording, AReservationOnAnEmptyPresetStartsRecordingAtTheGraceWithItsNotice)
{
    stereo.Power = 0;
    stereo.Source = 1;
    ASSERT_EQ(stereo.PresetFrequency[18], 0) << "preset 19 holds no station";
    App.OptionFlags.PowOffEndRec = 0;
    Add("空のプリセット", 19, 5, 0, 10, 0, 10, 1, "empty.wav");
    Open(At(9, 59, 50));
    ASSERT_TRUE(TickUntil(Armed, 60, false));
    DWORD notices = App.NoticeCount;

    // Up to the programme's start minute plus the grace, the stereo is
    // prepared and the preset asked for; nothing is recorded yet.
    while (!(clock.wMinute == 0 && clock.wSecond == 15))
        Tick();
    EXPECT_EQ(App.ReserveState, Armed) << "waited for until the last tick before the grace ran out";
    EXPECT_EQ(App.NoticeCount, notices);
    SimStereo prepared = SimulatedStereo();
    EXPECT_EQ(prepared.Power, 1);
    EXPECT_EQ(prepared.Mute, 1);
    EXPECT_EQ(prepared.Source, 0);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, (uint32_t)ReqPreset);

    Tick();  // 10:00:15.000
    ASSERT_EQ(App.ReserveState, Recording) << "started without the preset";
    EXPECT_EQ(App.NoticeCount, notices + 1);
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoNotReady);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("空のプリセット"), std::string::npos) << App.LastNotice.szInfo;

    TakeSentCommands();
    RecordFor(30);
    EXPECT_TRUE(PresetStillAsked(TakeSentCommands(), 19)) << "the preparation goes on";
    EXPECT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.NoticeCount, notices + 1) << "told once";
    clock = At(10, 1, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "empty.wav"), &parts), "");
    EXPECT_GT(parts.Frames(), 0u) << "what the stereo played is in the file";

    // Without the power-off the preparation outlives the end, but not for
    // good: the preset is given up the grace after it.
    TakeSentCommands();
    for (int i = 0; i < 140; i++)  // to 10:01:14.100
        Tick();
    EXPECT_TRUE(PresetStillAsked(TakeSentCommands(), 19)) << "still asked for after the end";
    for (int i = 0; i < 10; i++)  // to 10:01:15.100
        Tick();
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    TakeSentCommands();
    for (int i = 0; i < 30; i++)
        Tick();
    EXPECT_TRUE(TakeSentCommands().empty()) << "given up";
}

TEST_F(TimerRecording, AStereoThatIsReadyInTimeIsNotToldAbout)
{
    stereo.Power = 0;
    stereo.Source = 1;
    App.OptionFlags.PowOffEndRec = 0;
    Add("間に合う", 9, 5, 0, 10, 0, 10, 1, "ready.wav");
    Open(At(9, 59, 50));
    ASSERT_TRUE(TickUntil(Armed, 60, false));
    ASSERT_TRUE(TickUntil(Recording, 120, true));
    SYSTEMTIME started = App.LastTick;
    EXPECT_TRUE(started.wHour == 9 && started.wMinute == 59) << "ready before the programme's start minute";
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
}

// Switched off while muted, the stereo comes on playing but still reports
// itself muted, and takes no key for two seconds: the program's pause and
// its forced mute toggle still leave it truly muted before the programme.
TEST_F(TimerRecording, AStereoThatReportsAStaleMuteAfterSwitchingOnEndsMuted)
{
    stereo.Power = 0;
    stereo.Source = 0;
    stereo.Mute = 1;
    App.OptionFlags.PowOffEndRec = 0;
    ASSERT_NE(App.OptionFlags.MuteRec, 0);
    Add("静かに", 3, 5, 0, 10, 0, 10, 1, "quiet.wav");
    Open(At(9, 59, 50));
    ASSERT_TRUE(TickUntil(Armed, 60, false));
    bool staleSeen = false;
    for (int i = 0; i < 120 && App.ReserveState == Armed; i++) {
        Tick();
        staleSeen |= App.DeviceStatus.Power && App.DeviceStatus.Mute && !SimulatedStereo().Mute;
    }
    EXPECT_TRUE(staleSeen) << "the stereo did report a mute it did not have";
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan) << "ready in time";
    EXPECT_EQ(App.LastTick.wMinute, 59) << "before the programme's start minute";
    SimStereo now = SimulatedStereo();
    EXPECT_EQ(now.Mute, 1) << "the speakers are silent";
    EXPECT_EQ(App.DeviceStatus.Mute, 1);
    EXPECT_EQ(now.Preset, 3);
}

TEST_F(TimerRecording, AnUnpluggedStereoCostsTheProgrammeTheGraceAndIsPreparedWhenBack)
{
    OpenUnplugged(2, "late.wav");
    ASSERT_TRUE(TickUntil(Armed, 60, false));
    ASSERT_TRUE(TickUntil(Recording, 250, false));
    EXPECT_EQ(App.LastTick.wMinute, 0);
    EXPECT_EQ(App.LastTick.wSecond, 15);
    EXPECT_EQ(App.LastTick.wMilliseconds, 0);
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoNotReady);

    // Plugged in again during the programme: the link opens again and the
    // stereo is switched on, muted and tuned while the recording runs.
    SimSetFaults(0);
    for (int i = 0; i < 100 && App.DeviceRequest.PendingFlags; i++)
        Tick(true);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    EXPECT_EQ(App.ReserveState, Recording);
    SimStereo now = SimulatedStereo();
    EXPECT_EQ(now.Power, 1);
    EXPECT_EQ(now.Mute, 1);
    EXPECT_EQ(now.Source, 0);
    EXPECT_EQ(now.Preset, 6);
    RecordFor(30);
    clock = At(10, 2, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    // The file begins with the stereo's silence and ends with its station.
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "late.wav"), &parts), "");
    const WAVEFORMATEX *format = (const WAVEFORMATEX *)parts.Fmt.data();
    std::vector<double> samples = FirstChannel(parts.Data, format->wBitsPerSample, format->nChannels);
    size_t tail = (size_t)format->nSamplesPerSec * 2;
    ASSERT_GT(samples.size(), tail);
    Hearing heard = Listen(std::vector<double>(samples.end() - tail, samples.end()), (int)format->nSamplesPerSec);
    EXPECT_GT(heard.Rms, 0.05) << "not silence";
    EXPECT_NEAR(heard.Hz, 300 + 20 * 6, (300 + 20 * 6) * 0.03);
}

TEST_F(TimerRecording, AStartAtSignInWithoutTheStereoWaitsRecordsWhatIsDueAndCarriesOnWhenItAnswers)
{
    stereo.Power = 0;
    Add("待つあいだ", 6, 5, 0, 10, 0, 10, 2, "wait.wav");
    App.StartedByRunEntry = TRUE;
    SetTestClock(clock = App.LastTick = At(9, 59, 40));
    window = OpenMainWindow(folder, stereo, SimUnplugged);
    ASSERT_NE(window, (HWND)NULL) << "no box and no end";
    ShowMainWindowAtStart(window, SW_SHOWNORMAL);
    EXPECT_TRUE(IsIconic(window)) << "in the notification area";
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoAwaited);
    EXPECT_NE(std::string(App.TrayData.szTip).find("待っています"), std::string::npos) << App.TrayData.szTip;

    ASSERT_TRUE(TickUntil(Recording, 400, false)) << "the programme records on without the stereo";
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoNotReady) << "the wait was told once";
    SimSetFaults(0);
    for (int i = 0; i < 100 && (App.WaitingForStereo || App.DeviceRequest.PendingFlags); i++)
        Tick(true);
    EXPECT_FALSE(IsIconic(window)) << "shown as the start asked";
    EXPECT_EQ(std::string(App.TrayData.szTip).find("待っています"), std::string::npos) << App.TrayData.szTip;
    EXPECT_EQ(SimulatedStereo().Preset, 6) << "prepared once there";
    FillUntil(At(10, 1, 55));
    clock = At(10, 2, 0);
    Tick();
    EXPECT_EQ(ReadResults(folder).at(0)[ResultOutcome], "準備が間に合いませんでした");
}

TEST_F(TimerRecording, ARecordingDeviceThatComesBackTakesTheRestIntoTheSameFileAndTheGapIsTold)
{
    OnAndTunedTo(4);
    Add("抜き差し", 4, 5, 0, 10, 0, 10, 2, "replug.wav");
    Open(At(9, 59, 54, 950));
    App.WaveInOpen = PluggableWaveInOpen;
    ASSERT_TRUE(TickUntil(Recording, 20, false));
    ASSERT_TRUE(RecordUntilHeard());
    RecordingDevicePlugged = false;
    HWAVEIN device = App.CaptureDevice;
    waveInReset(device);
    for (WAVEHDR &header : App.CaptureBuffers)
        waveInUnprepareHeader(device, &header, sizeof header);
    waveInClose(device);
    RecordFor(30);
    EXPECT_TRUE(App.CaptureLost);
    double heard = (double)App.CapturedBytes / App.CaptureFormat.nAvgBytesPerSec;
    RecordingDevicePlugged = true;
    RecordFor(50);
    EXPECT_FALSE(App.CaptureLost) << "opened again";
    clock = At(10, 2, 0);
    Tick();
    ExpectToneOfPreset(folder + "replug.wav", 4, heard + 1.0);  // the rest in the same file
    std::string detail = ReadResults(folder).at(0)[ResultDetail];
    EXPECT_NE(detail.find("録音デバイスが 1 回とぎれ、あわせて "), std::string::npos) << detail;
}

TEST_F(TimerRecording, AProgrammeUnderWayGivesTheStereoTheWholeGraceFromItsBegin)
{
    stereo.Power = 0;
    App.OptionFlags.PowOffEndRec = 0;
    Add("途中から空", 20, 5, 0, 10, 0, 10, 3, "rest.wav");
    ASSERT_EQ(stereo.PresetFrequency[19], 0);
    SetTestClock(At(10, 1, 30));
    window = OpenMainWindow(folder, stereo);
    ASSERT_NE(window, (HWND)NULL);
    clock = At(10, 1, 30);
    ASSERT_EQ(App.ReserveState, Armed);
    // The start minute's grace is long gone; the begin gets five seconds and
    // the grace as a begin on time does.
    for (int i = 0; i < 200; i++)  // 10:01:30.000 to 10:01:49.900
        Tick();
    EXPECT_EQ(App.ReserveState, Armed) << "10:01:49.900";
    Tick();
    EXPECT_EQ(App.ReserveState, Recording) << "10:01:50.000";
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoNotReady);
}

// ---- what became of each reservation: its line in the results ----

namespace {

std::string FormatOf(const ReserveEntry *entry)
{
    char text[FormatDescriptionBytes];
    DescribeFormat((const WAVEFORMATEX *)entry->Format, false, text);
    return text;
}

uint64_t FileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

}  // namespace

// What a run of the program goes through in a programme's life: started,
// quit, killed, started again, the clock stepped. Each row is a day of the
// tick under the tests' clock; at its end the results hold one line per
// part of every programme, and each part its own file.
TEST_F(TimerRecording, EveryProgrammeIsRecordedThroughQuitsCrashesOverlapsAndClockStepsWithItsLines)
{
    struct Reservation {
        const char *title;
        int day, weekday, startHour, startMinute, endHour, endMinute;
        const char *file;
    };
    // TickAt: time passes with the stereo playing; JumpTo: the clock moves
    // on without the audio (a sleep, a clock set ahead). Sleep and WakeAt:
    // the messages of a sleep the user chose, through the window procedure
    // (the two resume messages, as Windows sends them when a user is there).
    enum Do { OpenAt, TickAt, JumpTo, Hear, Quit, Crash, RestartAt, Sleep, WakeAt };
    struct Step {
        Do what;
        int hour = 0, minute = 0, second = 0;
    };
    struct Row {
        const char *what;
        std::vector<Reservation> reservations;
        std::vector<Step> steps;
        std::vector<std::string> lines;  // outcome|title, oldest first
        std::vector<std::string> files;
    } rows[] = {
        { "quit during a date programme, started again inside it",
          { { "深夜便", 5, 0, 10, 0, 10, 10, "d.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 3, 0 }, { Quit }, { RestartAt, 10, 4, 0 }, { Hear },
            { TickAt, 10, 10, 0 } },
          { "途中で止まりました|深夜便", "途中から録音しました|深夜便" },
          { "d.wav", "d (2).wav" } },
        { "killed during a date programme, started again inside it",
          { { "深夜便", 5, 0, 10, 0, 10, 10, "d.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 3, 0 }, { Crash }, { RestartAt, 10, 4, 0 }, { Hear },
            { TickAt, 10, 10, 0 } },
          { "途中で止まりました|深夜便", "途中から録音しました|深夜便" },
          { "d.wav", "d (2).wav" } },
        { "killed during a weekly programme, started again after it",
          { { "毎週", 0, 5, 10, 0, 10, 5, "w.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 2, 0 }, { Crash }, { RestartAt, 10, 30, 0 },
            { TickAt, 10, 30, 1 } },
          { "途中で止まりました|毎週" },
          { "w.wav" } },
        { "two at the same time: the first row, then the rest of the other",
          { { "ニュース", 5, 0, 10, 0, 10, 2, "n.wav" }, { "特集", 5, 0, 10, 0, 10, 5, "t.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 2, 0 }, { Hear }, { TickAt, 10, 5, 0 } },
          { "録音しました|ニュース", "途中から録音しました|特集" },
          { "n.wav", "t.wav" } },
        { "started inside two: the later one, then the rest of the earlier",
          { { "長い番組", 5, 0, 10, 0, 10, 10, "d.wav" }, { "毎週", 0, 5, 10, 3, 10, 5, "w.wav" } },
          { { OpenAt, 10, 4, 0 }, { Hear }, { TickAt, 10, 5, 0 }, { Hear }, { TickAt, 10, 10, 0 } },
          { "途中から録音しました|毎週", "途中から録音しました|長い番組" },
          { "w.wav", "d.wav" } },
        { "taken over in the middle: cut, the other whole, then the rest",
          { { "特集", 5, 0, 10, 0, 10, 10, "a.wav" }, { "臨時", 5, 0, 10, 1, 10, 3, "b.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 0, 55 }, { Hear }, { TickAt, 10, 3, 0 }, { Hear },
            { TickAt, 10, 10, 0 } },
          { "途中で止まりました|特集", "録音しました|臨時", "途中から録音しました|特集" },
          { "a.wav", "b.wav", "a (2).wav" } },
        { "asleep or the clock set ahead in the middle: cut",
          { { "朝", 5, 0, 10, 0, 10, 5, "a.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 1, 0 }, { JumpTo, 10, 5, 0 } },
          { "途中で止まりました|朝" },
          { "a.wav" } },
        { "slept in the middle: the part finished, the rest into its own file on resume",
          { { "朝", 5, 0, 10, 0, 10, 5, "a.wav" } },
          { { OpenAt, 9, 59, 50 }, { Hear }, { TickAt, 10, 1, 0 }, { Sleep }, { WakeAt, 10, 3, 0 }, { Hear },
            { TickAt, 10, 5, 0 } },
          { "途中で止まりました|朝", "途中から録音しました|朝" },
          { "a.wav", "a (2).wav" } },
        { "the clock stepped past one programme into the next",
          { { "前", 5, 0, 10, 0, 10, 2, "a.wav" }, { "後", 5, 0, 10, 5, 10, 10, "b.wav" } },
          { { OpenAt, 9, 50, 0 }, { TickAt, 9, 50, 1 }, { TickAt, 10, 7, 0 }, { Hear }, { TickAt, 10, 10, 0 } },
          { "見逃しました|前", "途中から録音しました|後" },
          { "b.wav" } },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        StartAfresh();
        OnAndTunedTo(4);
        App.OptionFlags.PowOffEndRec = 0;
        for (const Reservation &r : row.reservations)
            Add(r.title, 4, r.day, r.weekday, r.startHour, r.startMinute, r.endHour, r.endMinute, r.file);
        for (const Step &step : row.steps) {
            SYSTEMTIME at = At(step.hour, step.minute, step.second);
            switch (step.what) {
            case OpenAt:
                SaveAllSections(folder);
                Open(at);
                break;
            case TickAt:
                FillUntil(at);
                clock = at;
                Tick();
                break;
            case JumpTo:
                clock = at;
                Tick();
                break;
            case Hear:
                ASSERT_TRUE(TickUntil(Recording, 100, true));
                ASSERT_TRUE(RecordUntilHeard());
                break;
            case Quit:
                CloseMainWindow(window);
                window = NULL;
                break;
            case Crash:
                // As a kill leaves it: the device and the file closed as they
                // are, the file named in the settings, nothing finished, saved
                // or logged.
                waveInReset(App.CaptureDevice);
                waveInClose(App.CaptureDevice);
                AbandonWaveFile(&App.WaveFile);
                App.CaptureDevice = NULL;
                App.RecordingActive = FALSE;
                App.ReserveState = Idle;
                DestroyWindow(window);
                PumpMessages();
                window = NULL;
                break;
            case Sleep:
                SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
                ASSERT_EQ(App.ReserveState, Idle) << "the part finished before the sleep";
                break;
            case WakeAt:
                clock = at;
                SetTestClock(clock);
                SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
                SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
                break;
            case RestartAt:
                ResetAppState();
                snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
                LoadAllSections(folder);
                RepairInterruptedRecording(folder.c_str());
                Open(at);
                break;
            }
        }
        std::vector<std::string> lines;
        for (const ResultFields &line : ReadResults(folder))
            lines.push_back(line[ResultOutcome] + "|" + line[ResultTitle]);
        EXPECT_EQ(lines, row.lines);
        for (const std::string &file : row.files)
            EXPECT_NE(GetFileAttributesA((folder + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
        EXPECT_EQ(App.ReserveState, Idle);
    }
}

TEST_F(TimerRecording, RecordingsToTheirEndOrToTheNextAreLoggedWithTheirFiles)
{
    OnAndTunedTo(4);
    App.OptionFlags.PowOffEndRec = 0;
    ReserveEntry *whole = Add("最後まで", 4, 0, 5, 10, 0, 10, 1, "whole.wav");
    Add("引き継ぐ前", 4, 0, 5, 10, 2, 10, 10, "before.wav");
    Add("引き継いだ", 4, 0, 5, 10, 3, 10, 4, "after.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    ASSERT_TRUE(RecordUntilHeard());
    FillUntil(At(10, 1, 0));
    clock = At(10, 1, 0);
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);
    clock = At(10, 1, 55);
    ASSERT_TRUE(TickUntil(Recording, 5, true));
    ASSERT_TRUE(RecordUntilHeard());
    clock = At(10, 2, 55);
    Tick();
    ASSERT_STREQ(App.ActiveReservation->Title, "引き継いだ");
    ASSERT_TRUE(TickUntil(Recording, 5, true));
    ASSERT_TRUE(RecordUntilHeard());
    FillUntil(At(10, 4, 0));
    clock = At(10, 4, 0);
    Tick();

    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 3u);
    const ResultFields &first = lines[0];
    EXPECT_EQ(first[ResultOutcome], "録音しました") << "the stereo's tone is no silence";
    EXPECT_EQ(first[ResultTitle], "最後まで");
    EXPECT_EQ(first[ResultPlannedStart], "2027/03/05 10:00:00");
    EXPECT_EQ(first[ResultPlannedEnd], "2027/03/05 10:01:00");
    EXPECT_EQ(first[ResultRecordStart], "2027/03/05 09:59:55") << "a ready stereo records from the tick that begins";
    EXPECT_EQ(first[ResultRecordEnd], "2027/03/05 10:01:00");
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "whole.wav"), &parts), "");
    EXPECT_EQ(first[ResultSeconds], std::to_string(parts.Frames() / 22050));
    EXPECT_EQ(first[ResultFiles], folder + "whole.wav");
    EXPECT_EQ(first[ResultBytes], std::to_string(FileSize(folder + "whole.wav")));
    EXPECT_EQ(first[ResultFormat], FormatOf(whole));
    EXPECT_NE(first[ResultFormat], "");
    EXPECT_EQ(first[ResultDetail], "終了時刻まで録音しました。");

    EXPECT_EQ(lines[1][ResultTitle], "引き継ぐ前");
    EXPECT_EQ(lines[1][ResultOutcome], "途中で止まりました") << "its end was seven minutes off: cut short";
    EXPECT_EQ(lines[1][ResultDetail], "次の予約「引き継いだ」が始まったところで終えました。");
    EXPECT_EQ(lines[1][ResultRecordEnd], "2027/03/05 10:02:55");
    EXPECT_EQ(lines[2][ResultTitle], "引き継いだ");
    EXPECT_EQ(lines[2][ResultOutcome], "録音しました");
}

TEST_F(TimerRecording, AnUnpluggedStereoRecordsSilenceAndBothAreTold)
{
    OpenUnplugged(1, "silent.wav");
    ASSERT_TRUE(TickUntil(Recording, 300, false));
    RecordFor(25);
    FillUntil(At(10, 1, 0));
    clock = At(10, 1, 0);
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingSilent);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("音が入っていません"), std::string::npos) << App.LastNotice.szInfo;
    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultOutcome], "準備が間に合いませんでした (無音)");
    EXPECT_EQ(lines[0][ResultRecordStart], "2027/03/05 10:00:15") << "at the end of the grace";
    EXPECT_EQ(lines[0][ResultDetail],
              "音が入っていません。TALVO の USB ケーブルとパソコンの録音デバイスを確かめてください。"
              "開始時刻までに TALVO の準備ができなかったため、準備を待たずに録音しました。終了時刻まで録音しました。");
}

TEST_F(TimerRecording, TheStopKeyStopsOnlyTheReservationItAskedAbout)
{
    OnAndTunedTo(4);
    App.OptionFlags.PowOffEndRec = 0;
    Add("前の番組", 4, 0, 5, 10, 0, 11, 0, "first.wav");
    Add("次の番組", 4, 0, 5, 11, 0, 12, 0, "second.wav");
    Open(At(10, 59, 50));
    ASSERT_TRUE(TickUntil(Recording, 10, true));
    // The answer comes after the next reservation has begun in the box's
    // own message loop.
    bool asked = false;
    WhenWindowAppears([] { return FindThreadWindow("#32770", "録音停止の確認", NULL); }, [&](HWND box) {
        asked = true;
        clock = At(11, 0, 5);
        Tick();
        PostMessageA(box, WM_COMMAND, IDYES, 0);
    });
    SendMessageA(App.Panel.CdKeys[1], BM_CLICK, 0, 0);
    PumpMessages();
    CancelWindowWaits();
    ASSERT_TRUE(asked);
    ASSERT_NE(App.ReserveState, Idle) << "the next one goes on";
    EXPECT_STREQ(App.ActiveReservation->Title, "次の番組");
    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultTitle], "前の番組");
    EXPECT_NE(lines[0][ResultDetail].find("次の予約「次の番組」が始まったところで終えました。"), std::string::npos)
        << lines[0][ResultDetail];
}

TEST_F(TimerRecording, AStopByTheUserOrByTheExitSaysWhichAndKeepsTheFile)
{
    struct Case {
        const char *what;
        bool byUser;
        const char *detail;
    } cases[] = {
        { "the stop key", true, "録音の停止で止めました。" },
        { "the program's end", false, "TALVO レコーダーを終了したため止まりました。" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        OnAndTunedTo(4);
        Add("途中まで", 4, 0, 5, 10, 0, 11, 0, "cut.wav");
        Open(At(9, 59, 55));
        Tick();
        ASSERT_EQ(App.ReserveState, Recording);
        ASSERT_TRUE(RecordUntilHeard());
        if (c.byUser) {
            DialogWatch watch;
            StartDialogWatch(&watch, GetCurrentProcessId(), IDYES, 5000);
            SendMessageA(App.Panel.CdKeys[1], BM_CLICK, 0, 0);
            PumpMessages();
            ASSERT_TRUE(FinishDialogWatch(&watch).Seen);
            EXPECT_EQ(App.ReserveState, Idle);
        }
        CloseMainWindow(window);
        window = NULL;
        std::vector<ResultFields> lines = ReadResults(folder);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0][ResultOutcome], "途中で止まりました");
        EXPECT_EQ(lines[0][ResultDetail], c.detail);
        EXPECT_EQ(lines[0][ResultFiles], folder + "cut.wav");
        EXPECT_NE(lines[0][ResultBytes], "0");
    }
}

TEST_F(TimerRecording, AProgrammeBegunUnderWaySaysHowLate)
{
    OnAndTunedTo(4);
    Add("途中から", 4, 5, 0, 10, 0, 10, 5, "late.wav");
    Open(At(10, 1, 30));
    ASSERT_EQ(App.ReserveState, Armed) << "begun by the start itself";
    ASSERT_TRUE(TickUntil(Recording, 10, true));
    ASSERT_TRUE(RecordUntilHeard());
    FillUntil(At(10, 5, 0));
    clock = At(10, 5, 0);
    Tick();
    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultOutcome], "途中から録音しました");
    EXPECT_EQ(lines[0][ResultPlannedStart], "2027/03/05 10:00:00");
    ASSERT_EQ(lines[0][ResultRecordStart], "2027/03/05 10:01:30");
    EXPECT_EQ(lines[0][ResultDetail], "番組の開始から 1分30秒 遅れて録音を始めました。終了時刻まで録音しました。");
}

TEST_F(TimerRecording, AFullDiskAWriteErrorAndAFailedOpenAreLoggedWithTheirReasons)
{
    struct Case {
        const char *what;
        ULONGLONG freeSpace;  // 0: what the disk says
        const char *detail;
    } cases[] = {
        { "the disk is full", 1000, "ディスクがいっぱいになりました。" },
        { "a write error with room on the disk", 0, "ファイルに書き込めなくなりました。" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        StartAfresh();
        OnAndTunedTo(4);
        UseFullDisk(300000);
        Add("満杯", 4, 0, 5, 10, 0, 11, 0, "full.wav");
        Open(At(9, 59, 55));
        Tick();
        ASSERT_EQ(App.ReserveState, Recording);
        App.FreeSpaceLimit = c.freeSpace;
        std::string audio(App.CaptureBufferBytes, '\x11');
        for (int i = 0; i < 200 && !App.WriteFailed; i++)
            StageCapture((const BYTE *)audio.data(), (DWORD)audio.size());
        ASSERT_TRUE(App.WriteFailed);
        Tick();
        ASSERT_EQ(App.ReserveState, Idle);
        std::vector<ResultFields> lines = ReadResults(folder);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0][ResultOutcome], "途中で止まりました");
        EXPECT_EQ(lines[0][ResultDetail], c.detail);
        EXPECT_EQ(lines[0][ResultFiles], folder + "full.wav");
    }

    // A folder that cannot be made: nothing recorded, the system says why.
    StartAfresh();
    OnAndTunedTo(1);
    ReserveEntry *e = Add("行き先なし", 1, 0, 5, 10, 0, 11, 0, "x.wav");
    HeapFreeBlock(e->SavePath);
    e->SavePath = HeapStrDup((folder + "missing\\deeper\\x.wav").c_str());
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);
    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultOutcome], "録音できませんでした");
    const std::string prefix = "録音ファイルを作れませんでした: ";
    EXPECT_EQ(lines[0][ResultDetail].rfind(prefix, 0), 0u) << lines[0][ResultDetail];
    EXPECT_GT(lines[0][ResultDetail].size(), prefix.size()) << "with the system's reason";
    EXPECT_EQ(lines[0][ResultRecordStart], "");
    EXPECT_EQ(lines[0][ResultFiles], "");
}

TEST_F(TimerRecording, ProgrammesMissedWhileAwayAreLoggedOnceWithOneNotice)
{
    std::string ini = folder + SettingsFileName;
    Add("毎日", 2, 255, 0, 6, 0, 6, 30, "daily.wav");

    // Three days away: one line each, one notice for them all.
    WritePrivateProfileStringA("RESULTS", "Running", "2027/03/02 07:00:00", ini.c_str());
    Open(At(8, 0, 0));
    std::vector<ResultFields> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 3u);
    const char *days[] = { "2027/03/03 06:00:00", "2027/03/04 06:00:00", "2027/03/05 06:00:00" };
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(lines[i][ResultOutcome], "見逃しました");
        EXPECT_EQ(lines[i][ResultTitle], "毎日");
        EXPECT_EQ(lines[i][ResultPlannedStart], days[i]);
        EXPECT_EQ(lines[i][ResultRecordStart], "");
    }
    EXPECT_EQ(App.NoticeCount, 1u);
    EXPECT_EQ(App.LastNoticeKind, NoticeProgrammeMissed);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("3 件"), std::string::npos) << App.LastNotice.szInfo;
    CloseMainWindow(window);
    window = NULL;
    char running[32] = "";
    GetPrivateProfileStringA("RESULTS", "Running", "", running, sizeof running, ini.c_str());
    EXPECT_STREQ(running, "2027/03/05 08:00:00") << "the moment of the exit";

    // Started again at once: nothing more was missed.
    DWORD notices = App.NoticeCount;
    Open(At(8, 0, 10));
    EXPECT_EQ(ReadResults(folder).size(), 3u);
    EXPECT_EQ(App.NoticeCount, notices);
    CloseMainWindow(window);
    window = NULL;

    // Ten days away: a week is listed (the last three days already were), the
    // three days before it are counted in one line.
    WritePrivateProfileStringA("RESULTS", "Running", "2027/02/23 07:00:00", ini.c_str());
    Open(At(8, 0, 20));
    lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 3u + 4u + 1u);
    EXPECT_EQ(lines[3][ResultPlannedStart], "2027/02/27 06:00:00");
    EXPECT_EQ(lines[6][ResultPlannedStart], "2027/03/02 06:00:00");
    EXPECT_EQ(lines[7][ResultOutcome], "見逃しました");
    EXPECT_EQ(lines[7][ResultDetail], "このほか、7 日より前の番組 3 件も録音できませんでした。");
    EXPECT_EQ(App.NoticeCount, notices + 1);
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("7 件"), std::string::npos) << App.LastNotice.szInfo;
}

TEST_F(TimerRecording, AnOlderSettingsFileWithoutTheRunningMomentLogsNothingAsMissed)
{
    std::string ini = folder + SettingsFileName;
    WriteTextFile(ini, "[OPTION]\r\nPowOnStart=0\r\n[RESERVE]\r\n0=1,毎日,2,0,0,255,0,0,6,0,6,30,C:\\rec\\d.wav,1,"
                       "010001002256000022560000010008000000\r\n");
    LoadAllSections(folder);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    Open(At(8, 0, 0));
    EXPECT_TRUE(ReadResults(folder).empty());
    EXPECT_EQ(App.NoticeCount, 0u);
    EXPECT_FALSE(GetFileAttributesA((folder + ResultsFileName).c_str()) != INVALID_FILE_ATTRIBUTES);
}

// ---- whether the PC can be woken ----

TEST(WakeCheck, TheSentenceNamesWhatKeepsThePcAsleep)
{
    struct Case {
        WakeAnswers Answers;
        const char *Says;  // none: nothing in the way
    } cases[] = {
        { { false, false, false, false }, NULL },
        { { true, false, false, false }, "タイマーでスリープから起きられません" },
        { { false, true, false, false }, "モダン スタンバイ" },
        { { true, true, true, true }, "モダン スタンバイ" },
        { { false, false, true, true }, "電源オプションの「スリープ解除タイマーの許可」が無効" },
        { { false, false, true, false }, "電源接続時" },
        { { false, false, false, true }, "バッテリー駆動時" },
    };
    for (const Case &c : cases) {
        const char *sentence = WakeHindranceSentence(&c.Answers);
        if (!c.Says) {
            EXPECT_EQ(sentence, nullptr);
            continue;
        }
        ASSERT_NE(sentence, nullptr) << c.Says;
        EXPECT_NE(strstr(sentence, c.Says), nullptr) << sentence;
        EXPECT_EQ(strstr(sentence, "。"), sentence + strlen(sentence) - strlen("。")) << "one sentence: " << sentence;
    }
}

struct WakePcCase {
    FakeWakePc Pc;
    const char *Says;  // in the notice; none: no notice
};

class WakeHindrance : public TimerRecording, public testing::WithParamInterface<WakePcCase> {};

// Told when the wake-up is set, once however often it is set again.
TEST_P(WakeHindrance, IsToldOnceWhenTheWakeUpIsSet)
{
    const WakePcCase &c = GetParam();
    FakeWakeAnswers(c.Pc);
    Add("朝", 2, 255, 0, 7, 0, 7, 30, "morning.wav");
    Open(At(6, 0, 0));
    ASSERT_NE(App.WakeDue.dwHighDateTime, 0u) << "the wake-up is set all the same";
    if (!c.Says) {
        EXPECT_EQ(App.NoticeCount, 0u);
        return;
    }
    EXPECT_EQ(App.NoticeCount, 1u);
    EXPECT_EQ(App.LastNoticeKind, NoticeWakeHindered);
    EXPECT_NE(strstr(App.LastNotice.szInfo, c.Says), nullptr) << App.LastNotice.szInfo;
    EXPECT_EQ(App.WakeTimerUnsupported != FALSE, c.Pc == WakePcUnsupported);

    clock = At(6, 30, 0);
    SetTestClock(clock);
    SendMessageA(window, WM_TIMECHANGE, 0, 0);
    EXPECT_EQ(App.NoticeCount, 1u) << "not again";
}

INSTANTIATE_TEST_SUITE_P(ThePc, WakeHindrance,
                         testing::Values(WakePcCase{ WakePcFine, NULL },
                                         WakePcCase{ WakePcUnsupported, "タイマーでスリープから起きられません" },
                                         WakePcCase{ WakePcTimersOff, "「スリープ解除タイマーの許可」が無効" },
                                         WakePcCase{ WakePcModernStandby, "モダン スタンバイ" }));
