// The recording status line, the end-time picker's instant and the
// notification icon's callbacks, with real windows.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "support.h"
#include "app/tray.h"
#include "app/mainwindow.h"
#include "app/notices.h"
#include "res/resource.h"

namespace {

HWND MakeStatusControl(int width)
{
    HWND control = CreateWindowExA(0, "STATIC", "", WS_POPUP | SS_LEFT, 0, 0, width, 14, NULL, NULL,
                                   GetModuleHandleA(NULL), NULL);
    SendMessageA(control, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 0);
    return control;
}

std::string TextOf(HWND control)
{
    char text[1024];
    GetWindowTextA(control, text, sizeof text);
    return text;
}

// Whether every byte position of text is a character start in the title's walk.
bool EndsOnCharacterBoundary(const std::string &title, size_t length)
{
    size_t at = 0;
    while (at < length)
        at = (size_t)(CharNextA(title.c_str() + at) - title.c_str());
    return at == length;
}

SYSTEMTIME Time(int hour, int minute, int second, int millisecond = 0)
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 31;
    t.wDayOfWeek = 4;
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    t.wMilliseconds = (WORD)millisecond;
    return t;
}

SYSTEMTIME Calendar(const FILETIME &instant)
{
    SYSTEMTIME t;
    FileTimeToSystemTime(&instant, &t);
    return t;
}

}  // namespace

TEST(RecordingStatus, ShortTitleIsShownWhole)
{
    HWND control = MakeStatusControl(133);
    SetRecordingStatusText(control, "ニュース");
    EXPECT_EQ(TextOf(control), "「ニュース」を録音中");
    DestroyWindow(control);
}

TEST(RecordingStatus, LongTitleIsCutAtACharacterAndFits)
{
    HWND control = MakeStatusControl(133);
    const std::string title = "ラジオ深夜便・日本の歌こころの歌・再放送スペシャル";
    SetRecordingStatusText(control, title.c_str());
    std::string shown = TextOf(control);
    const std::string head = "「", tail = "...」を録音中";
    ASSERT_EQ(shown.compare(0, head.size(), head), 0) << shown;
    ASSERT_GT(shown.size(), head.size() + tail.size());
    ASSERT_EQ(shown.compare(shown.size() - tail.size(), tail.size(), tail), 0) << shown;
    size_t kept = shown.size() - head.size() - tail.size();
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(title.compare(0, kept, shown, head.size(), kept), 0) << "a prefix of the title";
    EXPECT_TRUE(EndsOnCharacterBoundary(title, kept)) << "no double-byte character is split";
    EXPECT_LE(TextWidth(control, shown), 133);
    // One more character would not have fitted.
    std::string longer = head + title.substr(0, (size_t)(CharNextA(title.c_str() + kept) - title.c_str())) + tail;
    EXPECT_GT(TextWidth(control, longer), 133);
    DestroyWindow(control);
}

TEST(RecordingStatus, NothingFitsGivesOnlyTheEllipsis)
{
    HWND control = MakeStatusControl(10);
    SetRecordingStatusText(control, "長い番組名");
    EXPECT_EQ(TextOf(control), "「...」を録音中");
    DestroyWindow(control);
}

TEST(EndTimePicker, EarlierThanNowMeansTomorrow)
{
    static const struct {
        SYSTEMTIME now;
        int hour, minute;
        WORD day, endHour, endMinute;
    } cases[] = {
        { Time(10, 0, 0), 11, 30, 31, 11, 30 },        // later today
        { Time(10, 0, 0), 9, 0, 1, 9, 0 },             // earlier: tomorrow (new year)
        { Time(10, 0, 0), 10, 0, 31, 10, 0 },          // the current minute at its first instant
        { Time(10, 0, 1), 10, 0, 1, 10, 0 },           // ... after its first second: tomorrow
        { Time(23, 59, 30, 500), 0, 5, 1, 0, 5 },
    };
    for (const auto &c : cases) {
        SYSTEMTIME picked = Time(c.hour, c.minute, 42);
        SYSTEMTIME end = Calendar(EndInstantFromPicker(&c.now, &picked));
        EXPECT_EQ(end.wDay, c.day) << c.hour << ":" << c.minute;
        EXPECT_EQ(end.wHour, c.endHour);
        EXPECT_EQ(end.wMinute, c.endMinute);
        EXPECT_EQ(end.wSecond, 0);
        EXPECT_EQ(end.wMilliseconds, 0);
    }
}

TEST(TrayIcon, PictureFollowsPowerAndReservation)
{
    ResetAppState();
    App.DeviceStatus.Power = 0;
    EXPECT_EQ(TrayIconIndex(), TrayIconOff);
    App.DeviceStatus.Power = 1;
    EXPECT_EQ(TrayIconIndex(), TrayIconOn);
    App.ReserveState = Armed;
    EXPECT_EQ(TrayIconIndex(), TrayIconReserved);
    App.DeviceStatus.Power = 0;
    App.ReserveState = Recording;
    EXPECT_EQ(TrayIconIndex(), TrayIconReserved);
    ResetAppState();
}

TEST(TrayIcon, DoubleClickRestoresAndEveryNotificationPostsNull)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, GetModuleHandleA(NULL), NULL);
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
    }
    OnTrayNotify(window, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_COMMAND);
    EXPECT_EQ(msg.wParam, (WPARAM)IDM_OPEN);
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_NULL);
    OnTrayNotify(window, WM_MOUSEMOVE);
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_NULL);
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    DestroyWindow(window);
}

namespace {

// Takes the program's icon out of the notification area; false when it was
// not there.
bool RemoveIcon(HWND window)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = TrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

}  // namespace

TEST(TrayIcon, ComesBackWhenExplorerRestartsWhileTheWindowIsInTheTray)
{
    ResetAppState();
    std::string folder = MakeTempFolder("taskbar");
    LoadAllSections(folder);
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    HWND window = OpenMainWindow(folder, stereo);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(window)) << "minimised into the notification area";
    if (!RemoveIcon(window)) {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
        GTEST_SKIP() << "no notification area here";
    }
    // Explorer came back with an empty notification area and says so.
    EXPECT_FALSE(RemoveIcon(window)) << "gone with the old Explorer";
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(RemoveIcon(window)) << "added again";

    // Shown, the window has nothing in the notification area to bring back.
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    PumpMessages();
    ASSERT_TRUE(IsWindowVisible(window));
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_FALSE(RemoveIcon(window));
    CloseMainWindow(window);
    ResetAppState();
    RemoveTree(folder);
}

namespace {

// A notification area of the tests' own: it refuses the first Refused adds,
// as Explorer does while it is still starting at sign-in.
struct FakeArea {
    int Refused;
    int Adds;
    bool IconThere;
} Area;

BOOL WINAPI FakeNotifyIcon(DWORD message, PNOTIFYICONDATAA)
{
    if (message == NIM_ADD) {
        Area.Adds++;
        if (Area.Refused > 0 || Area.IconThere) {
            Area.Refused -= Area.Refused > 0;
            return FALSE;
        }
        return Area.IconThere = true;
    }
    if (message == NIM_DELETE) {
        bool was = Area.IconThere;
        Area.IconThere = false;
        return was;
    }
    return Area.IconThere;
}

// Ticks until the window is hidden, checking that it never is without its
// icon; the ticks it took.
int TicksUntilHidden(HWND window)
{
    int ticks = 0;
    while (IsWindowVisible(window) && ticks < 200) {
        OnTick(window, TickTimerId);
        EXPECT_TRUE(IsWindowVisible(window) || Area.IconThere) << "hidden without a way back";
        ticks++;
    }
    return ticks;
}

}  // namespace

TEST(TrayIcon, TheWindowHidesOnlyOnceTheBusyAreaTakesTheIcon)
{
    ResetAppState();
    std::string folder = MakeTempFolder("busytray");
    LoadAllSections(folder);
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    HWND window = OpenMainWindow(folder, stereo);
    ASSERT_NE(window, nullptr);
    Area = FakeArea{ 3, 0, false };
    App.NotifyIcon = FakeNotifyIcon;
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window)) << "refused: it stays on the taskbar";
    int ticks = TicksUntilHidden(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(Area.IconThere);
    EXPECT_EQ(Area.Adds, 4);
    EXPECT_GE(ticks, 3 * 10) << "offered every couple of seconds, not every tick";

    // Explorer restarts: its new area is empty, and busy once more.
    Area = FakeArea{ 1, 0, false };
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window)) << "back on the taskbar while the icon is refused";
    TicksUntilHidden(window);
    EXPECT_TRUE(Area.IconThere);
    EXPECT_FALSE(IsWindowVisible(window));

    // Open, with a notice's icon showing: that icon comes back too.
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
    App.OptionFlags.Notices = 1;
    Notice notice;
    ComposeResultsUnwritable(&notice);
    ASSERT_TRUE(ShowNotice(window, &notice));
    ASSERT_TRUE(Area.IconThere);
    Area.IconThere = false;
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Area.IconThere);
    EXPECT_TRUE(IsWindowVisible(window));
    App.NotifyIcon = NULL;
    CloseMainWindow(window);
    ResetAppState();
    RemoveTree(folder);
}
