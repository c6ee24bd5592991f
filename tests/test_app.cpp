// The application shell: the program's folder, the main window and its
// commands, the tick's display and key handling, start-up without a stereo.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "support.h"
#include "app/mainwindow.h"
#include "app/heap.h"
#include "res/resource.h"

namespace {

TEST(ProgramFolder, IsTheQuotedPathUpToItsLastBackslash)
{
    struct Case {
        const char *commandLine;
        int result;
        const char *folder;
    } cases[] = {
        { "\"C:\\Program Files\\TALVO\\TALVORec.exe\" /x", 1, "C:\\Program Files\\TALVO\\" },
        { "\"C:\\TALVORec.exe\"", 1, "C:\\" },
        // 表 ends in the byte of a backslash; the folder ends before it.
        { "\"D:\\録音\\表.exe\"", 1, "D:\\録音\\" },
        { "\"D:\\表\\a.exe\"", 1, "D:\\表\\" },
        { "\"TALVORec.exe\"", 0, "unchanged" },
        { "C:\\TALVO\\TALVORec.exe", 0, "unchanged" },
        { "\"C:\\TALVO\\TALVORec.exe", 0, "unchanged" },
        { "", 0, "unchanged" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.commandLine);
        char folder[MAX_PATH] = "unchanged";
        EXPECT_EQ(ParseProgramFolder(c.commandLine, folder), c.result);
        EXPECT_STREQ(folder, c.folder);
    }
}

class MainWindow : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("main");
        SimDefaultStereo(&stereo);
        stereo.Power = 1;
        stereo.Source = 2;
    }
    void TearDown() override
    {
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    void Open()
    {
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
    }
    std::string SettingsFile() { return folder + "TALVORec.ini"; }
    std::string folder;
    SimStereo stereo;
    HWND window = NULL;
};

TEST_F(MainWindow, IsASmallFixedWindow)
{
    Open();
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "TALVO レコーダー");
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, MainWindowClassName);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 238);
    EXPECT_EQ(outer.bottom - outer.top, 178);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_NE(GetClassLongPtrA(window, GCLP_HICON), 0u);
    EXPECT_EQ(GetMenuDefaultItem(App.TrayMenu, FALSE, 0), (UINT)IDM_OPEN);
    for (HICON icon : App.TrayIcons) {
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 16);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(GetMenuItemID(App.PanelMenu, 0), (UINT)IDM_TOPMOST);
    // The first reading laid the panel out for the stereo's source.
    EXPECT_TRUE(GetWindowLongA(App.Panel.InputFrame, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
}

TEST_F(MainWindow, StartsWithTheNextReservationKnown)
{
    ReserveEntry *daily = ReserveEntryCreate(0);
    ASSERT_NE(daily, (ReserveEntry *)NULL);
    daily->Enabled = 1;
    daily->Preset = 3;
    daily->Day = ReserveDayDaily;
    daily->StartHour = 6;
    daily->EndHour = 7;
    ASSERT_TRUE(ReserveListPush(&App.ReserveList, daily));
    Open();
    EXPECT_EQ(App.NextReservation.Entry, daily);
    SYSTEMTIME start;
    FileTimeToSystemTime(&App.NextReservation.NextStart, &start);
    EXPECT_EQ(start.wHour, 5);
    EXPECT_EQ(start.wMinute, 59);
    EXPECT_EQ(start.wSecond, 55);
}

TEST_F(MainWindow, StartsOnTopWhenStoredSo)
{
    App.TopMost = 1;
    Open();
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(MainWindow, SwitchesTheStereoOnWhenAskedTo)
{
    App.OptionFlags.PowOnStart = 1;
    stereo.Power = 0;
    Open();
    EXPECT_EQ(App.DeviceRequest.PendingFlags, (uint32_t)ReqPower);
    EXPECT_EQ(App.DeviceRequest.TargetPower, 1);
    OnTick(window, TickTimerId);
    EXPECT_EQ(TakeSentCommands(), std::vector<uint32_t>{ PowerOn });
}

// Wine does not lift a window with an owned popup (the end-time picker's
// calendar) into the topmost band, so only leaving it is seen on the window.
TEST_F(MainWindow, AlwaysOnTopTwiceIsAsBefore)
{
    App.TopMost = 1;
    Open();
    for (int press = 1; press <= 3; press++) {
        SendMessageA(window, WM_COMMAND, IDM_TOPMOST, 0);
        EXPECT_EQ(App.TopMost, press % 2 == 0 ? 1 : 0);
        if (press == 1) {
            EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        }
    }
    CloseMainWindow(window);
    window = NULL;
    std::string saved = ReadTextFile(SettingsFile());
    EXPECT_NE(saved.find("TopMost=0"), std::string::npos) << saved;
}

TEST_F(MainWindow, StopKeyAsksOnlyWhileAReservationRuns)
{
    Open();
    struct Case {
        ReserveStateValue state;
        int answer;
        ReserveStateValue after;
    } cases[] = { { Idle, IDYES, Idle }, { Armed, IDNO, Armed }, { Armed, IDYES, Idle } };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.answer);
        App.ReserveState = c.state;
        if (c.state != Idle)
            SwitchPanelMode(App.PanelMode, RecordingLayout);
        DialogWatch watch;
        StartDialogWatch(&watch, GetCurrentProcessId(), c.answer, 5000);
        SendMessageA(App.Panel.CdKeys[1], BM_CLICK, 0, 0);
        PumpMessages();
        SeenDialog seen = FinishDialogWatch(&watch);
        EXPECT_EQ(seen.Seen, c.state != Idle);
        if (seen.Seen) {
            EXPECT_EQ(seen.Caption, "録音停止の確認");
            EXPECT_EQ(seen.Text, "録音を停止しますか？");
            EXPECT_TRUE(seen.Owned);
            EXPECT_EQ(seen.DefaultButton, IDNO);
        }
        EXPECT_EQ(App.ReserveState, c.after);
        // Ending it gives the panel back to the stereo's source (MD).
        EXPECT_EQ((GetWindowLongA(App.Panel.EndTimePicker, GWL_STYLE) & WS_VISIBLE) != 0, c.after != Idle);
        EXPECT_EQ(TakeSentCommands(), std::vector<uint32_t>{});  // no power-off on this path
    }
    App.ReserveState = Idle;
}

TEST_F(MainWindow, ClosingEndsARunningReservationFirst)
{
    Open();
    App.ReserveState = Armed;
    SwitchPanelMode(App.PanelMode, RecordingLayout);
    CloseMainWindow(window);
    window = NULL;
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_NE(GetFileAttributesA(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindow, CancelledShutdownKeepsRunning)
{
    Open();
    SendMessageA(window, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(GetFileAttributesA(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);
    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_NE(GetFileAttributesA(SettingsFile().c_str()), INVALID_FILE_ATTRIBUTES);
    window = NULL;
    PumpMessages();
}

TEST_F(MainWindow, ClosingSwitchesOffOnlyWhenAskedTo)
{
    LoadAllSections(folder);
    for (int powOffEnd : { 0, 1 }) {
        SCOPED_TRACE(powOffEnd);
        App.OptionFlags.PowOffEnd = powOffEnd;
        Open();
        TakeSentCommands();
        CloseMainWindow(window);
        window = NULL;
        EXPECT_EQ(TakeSentCommands(), powOffEnd ? std::vector<uint32_t>{ PowerOff } : std::vector<uint32_t>{});
        std::string saved = ReadTextFile(SettingsFile());
        for (const char *section : { "[WINDOW]", "[RESERVELIST]", "[OPTION]", "[FREQ]", "[STATION]" })
            EXPECT_NE(saved.find(section), std::string::npos) << section;
    }
}

TEST_F(MainWindow, TickRepaintsOnlyWhatChanged)
{
    Open();
    RECT update;
    OnTick(window, TickTimerId);
    ValidateRect(window, NULL);
    OnTick(window, TickTimerId);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    ChangeSimulatedStereo([](SimStereo &s) { s.NbMode = 2; });
    OnTick(window, TickTimerId);
    ASSERT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &DisplayRect));
    ValidateRect(window, NULL);
    // A new minute repaints the clock, whatever the stereo does.
    App.LastTick.wMinute = (WORD)((App.LastTick.wMinute + 30) % 60);
    OnTick(window, TickTimerId);
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    ValidateRect(window, NULL);
    // Other timers are not the tick.
    App.LastTick.wMinute = (WORD)((App.LastTick.wMinute + 30) % 60);
    OnTick(window, 2);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
}

TEST_F(MainWindow, HeldVolumeKeyRepeatsAfterThreeTicks)
{
    stereo.Volume = 10;
    Open();
    HWND key = App.Panel.VolumeUp;
    SendMessageA(key, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(SendMessageA(key, BM_GETSTATE, 0, 0) & BST_PUSHED);
    std::vector<int> repeatsAt;
    for (int tick = 1; tick <= 10; tick++) {
        OnTick(window, TickTimerId);
        MSG message;
        while (PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            ASSERT_EQ(message.wParam, (WPARAM)KeyVolumeUp);
            ASSERT_EQ((HWND)message.lParam, key);
            repeatsAt.push_back(tick);
            DispatchMessageA(&message);
        }
        EXPECT_EQ(App.TempDisplayTicks, 50);
    }
    EXPECT_EQ(repeatsAt, (std::vector<int>{ 4, 5, 6, 7, 8, 9, 10 }));
    EXPECT_EQ(TakeSentCommands().size(), 7u);
    SendMessageA(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpMessages();
    EXPECT_EQ(TakeSentCommands().size(), 1u);  // the click of the release
    OnTick(window, TickTimerId);
    EXPECT_LT(App.TempDisplayTicks, 50);
}

TEST_F(MainWindow, ReservationListOpensOnce)
{
    Open();
    HWND list = CreateWindowExA(0, "STATIC", "list", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, NULL, NULL, NULL, NULL);
    App.ReserveListWindow = list;
    SetForegroundWindow(window);
    SendMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
    EXPECT_EQ(App.ReserveListWindow, list);
    EXPECT_EQ(GetForegroundWindow(), list);
    App.ReserveListWindow = NULL;
    DestroyWindow(list);
}

// Stands in for the reservation list window: keeps the commands it gets.
std::vector<WPARAM> ListCommands;

LRESULT CALLBACK ListStandIn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        ListCommands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(MainWindow, ShortcutKeysServeOnlyTheReservationList)
{
    Open();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ListStandIn;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "ListStandIn";
    RegisterClassA(&windowClass);
    HWND list = CreateWindowExA(0, "ListStandIn", "list", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100, NULL,
                                NULL, windowClass.hInstance, NULL);
    ASSERT_NE(list, (HWND)NULL);
    App.ReserveListWindow = list;
    HACCEL keys = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCEL_RESERVELIST));
    ASSERT_NE(keys, (HACCEL)NULL);
    BYTE state[256] = {};
    for (HWND front : { list, window }) {
        SCOPED_TRACE(front == list ? "list in front" : "main window in front");
        ListCommands.clear();
        SetForegroundWindow(front);
        ASSERT_EQ(GetForegroundWindow(), front);
        // Ctrl+N, then Delete alone.
        for (int key : { (int)'N', VK_DELETE }) {
            state[VK_CONTROL] = key == 'N' ? 0x80 : 0;
            SetKeyboardState(state);
            PostMessageA(front, WM_KEYDOWN, key, 1);
            PostQuitMessage(7);
            EXPECT_EQ(RunMessageLoop(keys), 7);
        }
        if (front == list) {
            EXPECT_EQ(ListCommands, (std::vector<WPARAM>{ MAKEWPARAM(IDM_RESERVE_NEW, 1), MAKEWPARAM(IDM_RESERVE_DELETE, 1) }));
        } else {
            EXPECT_TRUE(ListCommands.empty());
        }
    }
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    App.ReserveListWindow = NULL;
    DestroyWindow(list);
}

// The main window is the capture device's window: its buffers reach the
// Recorder while a recording runs.
TEST_F(MainWindow, CaptureBuffersReachTheRecorder)
{
    Open();
    WAVEFORMATEX pcm = { WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0 };
    ReserveEntry *entry = ReserveEntryCreate(sizeof pcm);
    ASSERT_NE(entry, (ReserveEntry *)NULL);
    memcpy(entry->Format, &pcm, sizeof pcm);
    HeapFreeBlock(entry->SavePath);
    entry->SavePath = HeapStrDup((folder + "capture.wav").c_str());
    entry->RiffHeader = 1;
    ASSERT_TRUE(StartRecording(window, entry));
    DWORD start = GetTickCount();
    while (App.CapturedBytes < 22050 && GetTickCount() - start < 6000)
        PumpMessagesFor(20);
    EXPECT_GE(App.CapturedBytes, 22050u);  // two half-second buffers at least
    StopRecording();
    ReserveEntryFree(&entry);
}

// The real program on a machine without the stereo.
TEST(Startup, WithoutTheStereoTellsAndEndsWithoutSaving)
{
    char here[MAX_PATH];
    GetModuleFileNameA(NULL, here, sizeof here);
    *(strrchr(here, '\\') + 1) = '\0';
    std::string folder = MakeTempFolder("startup");
    std::string program = folder + "TALVORec.exe";
    ASSERT_TRUE(CopyFileA((std::string(here) + "TALVORec.exe").c_str(), program.c_str(), FALSE));
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup,
                               &process));
    DialogWatch watch;
    StartDialogWatch(&watch, process.dwProcessId, IDOK, 30000);
    DWORD waited = WaitForSingleObject(process.hProcess, 40000);
    SeenDialog seen = FinishDialogWatch(&watch);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_TRUE(seen.Seen);
    EXPECT_EQ(seen.Text, "デバイスドライバの初期化に失敗しました");
    EXPECT_FALSE(seen.Caption.empty());
    EXPECT_FALSE(seen.Owned);
    EXPECT_TRUE(seen.TopMost);
    EXPECT_TRUE(seen.HasIcon);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(GetFileAttributesA((folder + "TALVORec.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveTree(folder);
}

}  // namespace
