// Notices from the notification-area icon: their texts, and what the
// program hands to the notification area (App.LastNotice, the record itself)
// for each event of a real timer recording on the simulated stereo.
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>
#include <string>
#include "support.h"
#include "wavecheck.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "app/notices.h"
#include "res/resource.h"

namespace {

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// Whether length bytes of text end at a character boundary.
bool WholeCharacters(const std::string &text)
{
    size_t at = 0;
    while (at < text.size())
        at = (size_t)(CharNextA(text.c_str() + at) - text.c_str());
    return at == text.size();
}

}  // namespace

TEST(NoticeTexts, FinishedNamesTheFileAndItsLength)
{
    Notice n = {};
    ComposeRecordingFinished(&n, "C:\\録音\\朝のニュース_0305.wav", 3723, 1);
    EXPECT_EQ(n.Kind, NoticeRecordingFinished);
    EXPECT_STREQ(n.Title, "録音が終わりました");
    EXPECT_STREQ(n.Text, "朝のニュース_0305.wav に保存しました。長さ 1:02:03");
    ComposeRecordingFinished(&n, "D:\\long.wav", 125, 3);
    EXPECT_STREQ(n.Text, "long.wav ほか 2 個のファイルに保存しました。長さ 2:05");
    char text[32];
    FormatDuration(59, text, sizeof text);
    EXPECT_STREQ(text, "0:59");
    FormatDuration(36000, text, sizeof text);
    EXPECT_STREQ(text, "10:00:00");
}

TEST(NoticeTexts, TitlesAndTextsCarryTheirPartsAndFitTheBalloon)
{
    SYSTEMTIME end = At(0, 30), start = At(6, 0);
    std::string longTitle;
    for (int i = 0; i < 60; i++)
        longTitle += "長";  // 120 bytes, every one a double-byte character
    struct Case {
        const char *what;
        NoticeKind kind;
        std::function<void(Notice *, const char *)> compose;
        std::string title;
        std::vector<std::string> parts;
    } cases[] = {
        { "began", NoticeRecordingBegan, [&](Notice *n, const char *t) { ComposeRecordingBegan(n, t, &end); }, "録音を始めました", { "0:30" } },
        { "failed", NoticeRecordingFailed, [&](Notice *n, const char *t) { ComposeRecordingFailed(n, t); }, "録音を中止しました", { "残っています" } },
        { "not started", NoticeRecordingFailed, [&](Notice *n, const char *t) { ComposeRecordingNotStarted(n, t); }, "録音を始められませんでした",
          { "保存先" } },
        { "stereo", NoticeStereoNotReady, [&](Notice *n, const char *t) { ComposeStereoNotReady(n, t); }, "TALVO の準備が間に合いませんでした",
          { "USB" } },
        { "missed", NoticeProgrammeMissed, [&](Notice *n, const char *t) { ComposeProgrammeMissed(n, t, &start); }, "録音できなかった番組があります",
          { "3/5 6:00" } },
        { "disk", NoticeDiskTooSmall, [&](Notice *n, const char *t) { ComposeDiskTooSmall(n, t, 5000000, 100); }, "ディスクの空きが足りないかもしれません",
          { "5 MB", "1 MB" } },
        { "overlap", NoticeOverlap, [&](Notice *n, const char *t) { ComposeOverlap(n, t, t); }, "予約の時間が重なっています",
          { "後から始まる予約" } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string &title : { std::string("ラジオ深夜便"), longTitle }) {
            Notice n = {};
            c.compose(&n, title.c_str());
            EXPECT_EQ(n.Kind, c.kind);
            EXPECT_EQ(std::string(n.Title), c.title);
            std::string text = n.Text;
            EXPECT_LT(text.size(), (size_t)NoticeTextBytes);
            EXPECT_TRUE(WholeCharacters(text)) << "no double-byte character is split";
            for (const std::string &part : c.parts)
                EXPECT_TRUE(Contains(text, part)) << text;
            if (title.size() < 40) {
                EXPECT_TRUE(Contains(text, "「" + title + "」")) << text;
            } else {
                EXPECT_FALSE(Contains(text, title)) << "a long name is shortened";
                EXPECT_TRUE(Contains(text, "「" + title.substr(0, 36) + "...」")) << text;
            }
        }
    }
}

// A toast shows its body in about four lines of some forty columns; a
// double-byte character takes two of them, as it takes two bytes.
TEST(NoticeTexts, EveryBodyFitsFourLinesOfAToast)
{
    SYSTEMTIME end = At(23, 59), start = At(23, 59, 0, 0, 31);
    start.wMonth = 12;
    std::string name;
    for (int i = 0; i < 60; i++)
        name += "長";
    std::string path = "C:\\録音\\" + name + ".wav";
    const char *sentence = "バッテリー駆動時の「スリープ解除タイマーの許可」が無効です。";
    std::vector<std::function<void(Notice *)>> composers = {
        [&](Notice *n) { ComposeRecordingBegan(n, name.c_str(), &end); },
        [&](Notice *n) { ComposeRecordingFinished(n, path.c_str(), 359999, 1); },
        [&](Notice *n) { ComposeRecordingFinished(n, path.c_str(), 359999, 99); },
        [&](Notice *n) { ComposeRecordingFailed(n, name.c_str()); },
        [&](Notice *n) { ComposeRecordingNotStarted(n, name.c_str()); },
        [&](Notice *n) { ComposeStereoNotReady(n, name.c_str()); },
        [&](Notice *n) { ComposeProgrammeMissed(n, name.c_str(), &start); },
        [&](Notice *n) { ComposeProgrammesMissed(n, name.c_str(), 999); },
        [&](Notice *n) { ComposeRecordingSilent(n, name.c_str(), path.c_str()); },
        [&](Notice *n) { ComposeResultsUnwritable(n); },
        [&](Notice *n) { ComposeWakeHindered(n, sentence); },
        [&](Notice *n) { ComposeDiskTooSmall(n, name.c_str(), 1500000000000ULL, 1500000000ULL); },
        [&](Notice *n) { ComposeOverlap(n, name.c_str(), name.c_str()); },
    };
    for (size_t i = 0; i < composers.size(); i++) {
        Notice n = {};
        composers[i](&n);
        SCOPED_TRACE(n.Title);
        std::string body = n.Text;
        EXPECT_LE(std::count(body.begin(), body.end(), '\n'), 3);
        EXPECT_LE(body.size(), (size_t)(4 * 40)) << body;
        EXPECT_LT(strlen(n.Title), sizeof(NOTIFYICONDATAA{}.szInfoTitle)) << "the title is shown whole";
    }
}

TEST(NoticeFlags, RoutineNoticesWaitOutQuietTimeAndFailuresDoNot)
{
    struct { NoticeKind kind; bool routine; } table[] = {
        { NoticeRecordingBegan, true },     { NoticeRecordingFinished, true },  { NoticeProgrammeMissed, true },
        { NoticeRecordingFailed, false },   { NoticeStereoNotReady, false },    { NoticeDiskTooSmall, false },
        { NoticeOverlap, false },           { NoticeRecordingSilent, false },   { NoticeResultsUnwritable, false },
        { NoticeWakeHindered, false },
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.kind);
        DWORD flags = NoticeInfoFlags(row.kind);
        EXPECT_EQ((flags & NIIF_RESPECT_QUIET_TIME) != 0, row.routine);
        EXPECT_EQ(flags & (NIIF_USER | NIIF_LARGE_ICON), (DWORD)(NIIF_USER | NIIF_LARGE_ICON));
    }
}

// ---- the notices of a timer recording ----

namespace {

class NoticeRecording : public testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("notices");
        SimDefaultStereo(&stereo);
        stereo.Power = 1;
        stereo.Source = 0;
        stereo.Preset = 3;
        LoadAllSections(folder);  // no file: notices on
        App.OptionFlags.MuteRec = 0;
        App.OptionFlags.PowOffEndRec = 0;
    }
    void TearDown() override
    {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    ReserveEntry *Add(const char *title, int startHour, int startMinute, int endHour, int endMinute,
                      const std::string &file)
    {
        ReserveEntry *e = ReserveEntryCreate(0);
        HeapFreeBlock(e->Title);
        HeapFreeBlock(e->SavePath);
        e->Title = HeapStrDup(title);
        e->SavePath = HeapStrDup((folder + file).c_str());
        e->Preset = 3;
        e->Day = 0;
        e->WeekdayFirst = e->WeekdayLast = 5;
        e->StartHour = (uint16_t)startHour;
        e->StartMinute = (uint16_t)startMinute;
        e->EndHour = (uint16_t)endHour;
        e->EndMinute = (uint16_t)endMinute;
        ReserveListPush(&App.ReserveList, e);
        return e;
    }
    void Open(const SYSTEMTIME &start)
    {
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
        clock = start;
        App.LastTick = start;
        ComputeSchedule(&clock, &App.ReserveList, &App.NextReservation, 0);
        App.NoticeCount = 0;
    }
    void Tick(bool realTime = false)
    {
        OnTickAt(window, &clock);
        if (realTime)
            PumpMessagesFor(100);
        else
            PumpMessages();
        clock = Later(clock, 100);
    }
    std::string Shown() { return App.LastNotice.szInfo; }

    std::string folder;
    SimStereo stereo;
    HWND window = NULL;
    SYSTEMTIME clock = {};
};

}  // namespace

TEST_F(NoticeRecording, BeganAndFinishedAreEachToldOnceFromTheProgramsIcon)
{
    Add("朝のニュース", 10, 0, 11, 0, "news.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.NoticeCount, 1u);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan);
    const NOTIFYICONDATAA &data = App.LastNotice;
    EXPECT_EQ(data.cbSize, (DWORD)sizeof(NOTIFYICONDATAA)) << "the whole record, with the notice's large icon";
    EXPECT_EQ(data.hWnd, window);
    EXPECT_EQ(data.uID, 1u);
    EXPECT_EQ(data.uFlags, (UINT)(NIF_INFO | NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(data.uCallbackMessage, (UINT)(WM_APP + 100));
    EXPECT_EQ(data.dwInfoFlags, (DWORD)(NIIF_USER | NIIF_NOSOUND | NIIF_LARGE_ICON | NIIF_RESPECT_QUIET_TIME))
        << "the program's large icon, no sound, not in the quiet hour";
    ASSERT_NE(data.hBalloonIcon, nullptr);
    ICONINFO large = {};
    BITMAP picture = {};
    ASSERT_TRUE(GetIconInfo(data.hBalloonIcon, &large));
    GetObjectA(large.hbmColor ? large.hbmColor : large.hbmMask, sizeof picture, &picture);
    EXPECT_EQ(picture.bmWidth, GetSystemMetrics(SM_CXICON));
    DeleteObject(large.hbmColor);
    DeleteObject(large.hbmMask);
    EXPECT_EQ(data.hIcon, App.TrayIcons[2]) << "the recording picture";
    EXPECT_STREQ(data.szInfoTitle, "録音を始めました");
    EXPECT_TRUE(Contains(Shown(), "「朝のニュース」")) << Shown();
    EXPECT_TRUE(Contains(Shown(), "11:00")) << Shown();
    EXPECT_EQ(App.LastNoticeMessage, (DWORD)NIM_ADD) << "the window is open: the notice brings the icon";

    for (int i = 0; i < 25; i++)
        Tick(true);
    EXPECT_EQ(App.NoticeCount, 1u) << "nothing more while it records";

    // Minimised, the icon is there already: the notice comes from it.
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(window));
    clock = At(11, 0);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.NoticeCount, 2u);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingFinished);
    EXPECT_EQ(App.LastNoticeMessage, (DWORD)NIM_MODIFY);
    EXPECT_STREQ(App.LastNotice.szInfoTitle, "録音が終わりました");
    EXPECT_TRUE(Contains(Shown(), "news.wav に保存しました")) << Shown();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "news.wav"), &parts), "");
    char length[32];
    FormatDuration(parts.Frames() / 22050, length, sizeof length);
    EXPECT_TRUE(Contains(Shown(), std::string("長さ ") + length)) << Shown();
}

TEST_F(NoticeRecording, NoneWhenTheOptionIsOff)
{
    Add("ニュース", 10, 0, 10, 1, "quiet.wav");
    Add("行き先なし", 10, 30, 10, 31, "missing\\deeper\\x.wav");
    Open(At(9, 59, 55));
    App.OptionFlags.Notices = 0;
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    clock = At(10, 1);
    Tick();
    ASSERT_EQ(App.ReserveState, Idle);
    clock = At(10, 29, 55);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle) << "the start failed";
    TellStereoNotReady(window, "x");
    TellProgrammeMissed(window, "x", &clock);
    EXPECT_EQ(App.NoticeCount, 0u);
    EXPECT_EQ(App.LastNoticeKind, NoticeNone);
    EXPECT_TRUE(Exists(folder + "quiet.wav")) << "the recording itself is unchanged";
}

TEST_F(NoticeRecording, ASmallDiskIsToldAndTheRecordingGoesOn)
{
    Add("長い番組", 10, 0, 12, 0, "big.wav");
    App.FreeSpaceLimit = 1000000;  // two hours at 22,050 bytes a second need 158 MB
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.NoticeCount, 1u) << "one notice: the start is in it";
    EXPECT_EQ(App.LastNoticeKind, NoticeDiskTooSmall);
    EXPECT_TRUE(Contains(Shown(), "「長い番組」の録音を始めました")) << Shown();
    EXPECT_TRUE(Contains(Shown(), "約 152 MB")) << Shown();
    EXPECT_TRUE(Contains(Shown(), "空きは 1 MB")) << Shown();
    for (int i = 0; i < 10; i++)
        Tick(true);
    EXPECT_EQ(App.ReserveState, Recording) << "the recording goes on";

    // Enough room: the plain notice.
    CloseMainWindow(window);
    window = NULL;
    App.FreeSpaceLimit = 200000000;
    ReserveListClear(&App.ReserveList);
    Add("長い番組", 10, 0, 12, 0, "big2.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan);
}

TEST_F(NoticeRecording, TheRealDiskIsAsked)
{
    ULONGLONG available = 0;
    ASSERT_TRUE(FreeSpaceFor((folder + "x.wav").c_str(), &available));
    ULARGE_INTEGER free = {}, total = {}, all = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(folder.c_str(), &free, &total, &all));
    EXPECT_NEAR((double)available, (double)free.QuadPart, 64.0 * 1024 * 1024) << "the folder's own disk";
    EXPECT_FALSE(FreeSpaceFor("Q:\\no such disk\\x.wav", &available));
    EXPECT_EQ(EstimateRecordingBytes(NULL, 10), 0u);
}

TEST_F(NoticeRecording, AFailedWriteAndAFailedStartAreTold)
{
    // 44.1 kHz 16-bit stereo: the first write (256 KiB) does not fit the disk.
    ReserveEntry *e = Add("深夜便", 10, 0, 11, 0, "full.ful+");
    WAVEFORMATEX *format = (WAVEFORMATEX *)e->Format;
    format->nChannels = 2;
    format->nSamplesPerSec = 44100;
    format->wBitsPerSample = 16;
    format->nBlockAlign = 4;
    format->nAvgBytesPerSec = 176400;
    UseFullDisk(100000);
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan);
    for (int i = 0; i < 60 && App.ReserveState == Recording; i++)
        Tick(true);
    ASSERT_EQ(App.ReserveState, Idle) << "the failed write ended it";
    EXPECT_EQ(App.NoticeCount, 2u);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingFailed);
    EXPECT_STREQ(App.LastNotice.szInfoTitle, "録音を中止しました");
    EXPECT_TRUE(Contains(Shown(), "「深夜便」")) << Shown();

    Add("行き先なし", 11, 30, 12, 0, "missing\\deeper\\x.wav");
    ComputeSchedule(&clock, &App.ReserveList, &App.NextReservation, 0);
    clock = At(11, 29, 55);
    Tick();
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.NoticeCount, 3u);
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingFailed);
    EXPECT_STREQ(App.LastNotice.szInfoTitle, "録音を始められませんでした");
}

TEST_F(NoticeRecording, TheNextProgrammesNoticesAndTheOnesLeftForLater)
{
    Add("A", 10, 0, 11, 0, "a.wav");
    Add("B", 11, 0, 12, 0, "b.wav");
    Open(At(9, 59, 55));
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    for (int i = 0; i < 15; i++)
        Tick(true);
    clock = At(10, 59, 55);
    Tick();
    ASSERT_EQ(App.ReserveState, Recording);
    EXPECT_EQ(App.NoticeCount, 3u) << "A began, A's file finished, B began";
    EXPECT_EQ(App.LastNoticeKind, NoticeRecordingBegan);
    EXPECT_TRUE(Contains(Shown(), "「B」")) << Shown();

    // The checks on the stereo's readiness and on passed programmes call these;
    // each is told once, with its kind.
    SYSTEMTIME start = At(6, 0);
    TellStereoNotReady(window, "朝の番組");
    EXPECT_EQ(App.LastNoticeKind, NoticeStereoNotReady);
    TellProgrammeMissed(window, "朝の番組", &start);
    EXPECT_EQ(App.LastNoticeKind, NoticeProgrammeMissed);
    EXPECT_TRUE(Contains(Shown(), "3/5 6:00")) << Shown();
    EXPECT_EQ(App.NoticeCount, 5u);
}

TEST_F(NoticeRecording, ClickingTheNoticeOpensTheWindow)
{
    Open(At(9, 0));
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(window));
    SendMessageA(window, WM_APP + 100, 1, NIN_BALLOONUSERCLICK);
    PumpMessages();
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
}

// Two notices while the window is open: the first one's timeout leaves the
// icon to the second, whose timeout takes it.
TEST_F(NoticeRecording, TheIconStaysUntilTheLastNoticeCloses)
{
    Open(At(9, 0));
    auto iconThere = [&] {
        NOTIFYICONDATAA data = {};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = window;
        data.uID = 1;
        return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    };
    Notice notice;
    ComposeRecordingBegan(&notice, "朝のニュース", &clock);
    ASSERT_TRUE(ShowNotice(window, &notice));
    ComposeResultsUnwritable(&notice);
    ASSERT_TRUE(ShowNotice(window, &notice));
    ASSERT_TRUE(iconThere());
    SendMessageA(window, WM_APP + 100, 1, NIN_BALLOONTIMEOUT);
    EXPECT_TRUE(iconThere()) << "the second notice still shows";
    SendMessageA(window, WM_APP + 100, 1, NIN_BALLOONTIMEOUT);
    EXPECT_FALSE(iconThere()) << "gone with the last";
}
