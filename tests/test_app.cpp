// The application shell: the program's folder, the main window and its
// commands, the tick's display and key handling, start-up without a stereo.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "support.h"
#include "wavecheck.h"
#include "app/mainwindow.h"
#include "app/codepage.h"
#include "app/heap.h"
#include "app/autostart.h"
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

// Starts program with the command line in the current folder given, waits
// for its main window and closes it; false when it did not start or end.
bool StartAndClose(const std::string &program, std::string commandLine, const std::string &current)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, current.c_str(), &startup,
                        &process))
        return false;
    HWND found = NULL;
    DWORD start = GetTickCount();
    while (!found && GetTickCount() - start < 15000 && WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT)
        found = FindProcessWindow(process.dwProcessId, MainWindowClassName);
    if (found)
        PostMessageA(found, WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return found && ended;
}

// Started from another folder, by a path in quotes, without them (as a
// prompt, a Run entry or the task scheduler pass it) or by its bare name,
// the program keeps its settings beside itself.
TEST(ProgramFolder, IsTheProgramsOwnWhateverTheCommandLineAndCurrentFolder)
{
    std::string home = MakeTempFolder("home"), elsewhere = MakeTempFolder("elsewhere");
    std::string program = home + "TALVORecSim.exe";
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), program.c_str(), FALSE));
    std::string commandLines[] = { "\"" + program + "\"", program, "TALVORecSim.exe", "TALVORecSim" };
    for (const std::string &commandLine : commandLines) {
        SCOPED_TRACE(commandLine);
        DeleteFileA((home + "TALVORec.ini").c_str());
        ASSERT_TRUE(StartAndClose(program, commandLine, elsewhere));
        EXPECT_TRUE(Exists(home + "TALVORec.ini")) << "saved beside the program";
        EXPECT_FALSE(Exists(elsewhere + "TALVORec.ini")) << "nothing in the folder it was started from";
    }
    char folder[MAX_PATH] = "unchanged";
    ASSERT_TRUE(FindProgramFolder(folder));
    EXPECT_EQ(std::string(folder), BuildFolder());
    RemoveTree(home);
    RemoveTree(elsewhere);
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM lParam)
{
    wchar_t className[32] = L"", text[1024] = L"";
    GetClassNameW(child, className, 32);
    GetWindowTextW(child, text, 1024);
    std::wstring *longest = (std::wstring *)lParam;
    if (lstrcmpiW(className, L"Static") == 0 && wcslen(text) > longest->size())
        *longest = text;
    return TRUE;
}

// On a system whose ANSI code page is not the Japanese one the start says
// so, in characters every code page shows, and goes on once it is read.
TEST(CodePage, AnyButJapaneseIsToldInJapaneseAndEnglish)
{
    struct Case {
        UINT codePage;
        bool told;
    } cases[] = {
        { 932, false },
        { 65001, true },  // Japanese Windows with UTF-8 for worldwide language support
        { 1252, true },
        { 936, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        bool seen = false;
        std::wstring text;
        WhenWindowAppears([] { return FindThreadWindow("#32770", "TALVO レコーダー", NULL); }, [&](HWND box) {
            seen = true;
            EnumChildWindows(box, CollectStaticText, (LPARAM)&text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(WarnOfForeignCodePage(NULL, c.codePage), c.told);
        CancelWindowWaits();
        EXPECT_EQ(seen, c.told);
        if (c.told) {
            EXPECT_NE(text.find(L"日本語にして"), std::wstring::npos) << "in Japanese";
            EXPECT_NE(text.find(L"Set it to Japanese"), std::wstring::npos) << "and in English";
            EXPECT_NE(text.find(L"UTF-8"), std::wstring::npos);
        }
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

// The place saved at exit is read back the way it was written: the window
// ends where it was, and a place on a monitor that is gone is brought onto
// one that is there.
TEST_F(MainWindow, OpensWhereItWasSavedOrElseOnAMonitor)
{
    struct Case {
        int left, top;
        bool exact;
    } cases[] = {
        { 300, 120, true },
        { 0, 0, true },
        { -5000, -5000, false },
        { 6000, 4000, false },
    };
    POINT origin = WorkAreaOrigin();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        WriteTextFile(SettingsFile(),
                      "[WINDOW]\r\nTop=" + std::to_string(c.top) + "\r\nLeft=" + std::to_string(c.left) + "\r\n");
        LoadAllSections(folder);
        Open();
        EXPECT_TRUE(TitleBarOnAMonitor(window));
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.right - rect.left, MainWindowWidth);
        EXPECT_EQ(rect.bottom - rect.top, MainWindowHeight);
        if (c.exact) {
            EXPECT_EQ(rect.left, origin.x + c.left);
            EXPECT_EQ(rect.top, origin.y + c.top);
            WINDOWPLACEMENT placement = {};
            placement.length = sizeof placement;
            ASSERT_TRUE(GetWindowPlacement(window, &placement));
            EXPECT_EQ(placement.rcNormalPosition.left, c.left);
            EXPECT_EQ(placement.rcNormalPosition.top, c.top);
        }
        CloseMainWindow(window);
        window = NULL;
        if (c.exact) {
            EXPECT_EQ(GetPrivateProfileIntA("WINDOW", "Left", -1, SettingsFile().c_str()), c.left)
                << "saved as it was loaded";
            EXPECT_EQ(GetPrivateProfileIntA("WINDOW", "Top", -1, SettingsFile().c_str()), c.top);
        }
        ResetAppState();
    }
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

// ---- starting with Windows ----

TEST(StartWithWindows, ARunCommandNamesTheProgramByItsFirstWord)
{
    const char program[] = "C:\\Users\\録音\\TALVO\\TALVORec.exe";
    struct Case {
        const char *command;
        bool names;
    } cases[] = {
        { "\"C:\\Users\\録音\\TALVO\\TALVORec.exe\"", true },
        { "\"c:\\users\\録音\\talvo\\TALVOREC.EXE\"", true },
        { "\"C:\\Users\\録音\\TALVO\\TALVORec.exe\" /tray", true },
        { "  \"C:\\Users\\録音\\TALVO\\TALVORec.exe\"", true },
        { "C:\\Users\\録音\\TALVO\\TALVORec.exe", true },
        { "C:\\Users\\録音\\TALVO\\TALVORec.exe /tray", true },
        { "\"D:\\TALVO\\TALVORec.exe\"", false },
        { "\"C:\\Users\\録音\\TALVO\\TALVORec.exe.bak\"", false },
        { "\"C:\\Users\\録音\\TALVO\\TALVORec", false },
        { "\"\"", false },
        { "", false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(RunCommandNames(c.command, program), c.names);
    }
    // A path longer than any the system gives names nothing.
    std::string longPath = "\"C:\\" + std::string(400, 'a') + "\"";
    EXPECT_FALSE(RunCommandNames(longPath.c_str(), program));
}

TEST(StartWithWindows, TheEntryIsNamedAfterTheProgramsFile)
{
    struct Case {
        const char *path;
        const char *name;  // none: no name
    } cases[] = {
        { "C:\\TALVO\\TALVORec.exe", "TALVORec" },
        { "C:\\TALVO\\TALVORecSim.EXE", "TALVORecSim" },
        { "D:\\表\\録音.exe", "録音" },
        { "C:\\TALVO\\TALVORec", "TALVORec" },
        { "C:\\TALVO\\.exe", nullptr },
        { "C:\\TALVO\\", nullptr },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        char name[MAX_PATH] = "unchanged";
        EXPECT_EQ(RunEntryName(c.path, name, sizeof name), c.name != nullptr);
        if (c.name) {
            EXPECT_STREQ(name, c.name);
        }
    }
    char small[8];
    EXPECT_FALSE(RunEntryName("C:\\TALVO\\TALVORecSim.exe", small, sizeof small)) << "does not fit";
}

// The real registry: the entry holds the program's full path in quotes, and
// another copy's entry under the same name is left alone when turned off.
TEST(StartWithWindows, TheRunEntryComesAndGoesWithTheOption)
{
    RunEntryKeeper keeper(OwnRunEntryName());
    DeleteRunEntryText(OwnRunEntryName());
    std::string text;
    EXPECT_FALSE(StartsWithWindows());
    EXPECT_TRUE(SetStartWithWindows(false)) << "nothing to remove";

    ASSERT_TRUE(SetStartWithWindows(true));
    ASSERT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_EQ(text, OwnRunCommand());
    EXPECT_TRUE(StartsWithWindows());
    EXPECT_TRUE(SetStartWithWindows(true)) << "twice is as once";
    ASSERT_TRUE(SetStartWithWindows(false));
    EXPECT_FALSE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_FALSE(StartsWithWindows());

    // Another copy in another folder: not this program's entry.
    const std::string other = "\"C:\\Other\\" + OwnRunEntryName() + ".exe\"";
    WriteRunEntryText(OwnRunEntryName(), other);
    EXPECT_FALSE(StartsWithWindows());
    EXPECT_TRUE(SetStartWithWindows(false));
    ASSERT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_EQ(text, other) << "left alone";
    ASSERT_TRUE(SetStartWithWindows(true));
    ASSERT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_EQ(text, OwnRunCommand()) << "this copy starts now";
    std::string bare = OwnRunCommand();
    WriteRunEntryText(OwnRunEntryName(), bare.substr(0, bare.rfind('"') + 1));
    ASSERT_TRUE(SetStartWithWindows(true));
    ASSERT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_EQ(text, OwnRunCommand()) << "an entry without its argument gets it";
}

namespace {

// The main window of the process, once shown as asked, within fifteen
// seconds: in the notification area (minimised and hidden), or shown and
// not minimised.
HWND WaitForShownMainWindow(DWORD processId, bool inTray)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 15000; Sleep(50)) {
        HWND found = FindProcessWindow(processId, MainWindowClassName);
        if (found && (inTray ? IsIconic(found) && !IsWindowVisible(found) : IsWindowVisible(found) && !IsIconic(found)))
            return found;
    }
    return NULL;
}

// Takes the program's icon out of the notification area, once the program
// has put it there (within five seconds); false when it did not come.
bool RemoveTrayIcon(HWND window)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(50))
        if (Shell_NotifyIconA(NIM_DELETE, &data))
            return true;
    return false;
}

}  // namespace

// The demo program started as the Run entry starts it, with and without the
// option: in the notification area the window is hidden and only the icon
// is there; the icon's command brings the window back.
TEST(StartWithWindows, AnOddFirstByteIsTaskManagersOff)
{
    const BYTE on[12] = { 0x02 }, onToo[12] = { 0x06 }, off[12] = { 0x03, 0, 0, 0, 0xd4, 0x0d, 0x43, 0x8d },
               offToo[12] = { 0x07 };
    struct Case {
        DWORD Type;
        const BYTE *Data;
        DWORD Size;
        bool Off;
    } cases[] = {
        { REG_BINARY, on, sizeof on, false },     { REG_BINARY, onToo, sizeof onToo, false },
        { REG_BINARY, off, sizeof off, true },    { REG_BINARY, offToo, sizeof offToo, true },
        { REG_BINARY, off, 0, false },            { REG_DWORD, off, 4, false },
    };
    for (const Case &c : cases)
        EXPECT_EQ(StartupApprovalTurnsOff(c.Type, c.Data, c.Size), c.Off) << c.Data[0] << " " << c.Size;
}

// Task Manager's "disabled" in the real registry: the program reads it, and
// turning the option on writes Task Manager's "enabled" over it.
TEST(StartWithWindows, TurnedOffInTaskManagerIsOffAndTurningItOnTakesThatBack)
{
    RunEntryKeeper keeper(OwnRunEntryName());
    ApprovalKeeper approval(OwnRunEntryName());
    WriteRunEntryText(OwnRunEntryName(), OwnRunCommand());
    const BYTE off[12] = { 0x03, 0, 0, 0, 0xd4, 0x0d, 0x43, 0x8d, 0xc8, 0x3b, 0xd9, 0x01 };
    WriteApproval(OwnRunEntryName(), off, sizeof off);
    EXPECT_FALSE(StartsWithWindows()) << "Windows will not start it";
    EXPECT_TRUE(SetStartWithWindows(false));
    std::string text;
    EXPECT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text)) << "the entry Task Manager lists stays";

    ASSERT_TRUE(SetStartWithWindows(true));
    std::vector<BYTE> now = ReadApproval(OwnRunEntryName());
    EXPECT_EQ(now, (std::vector<BYTE>{ 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 })) << "Task Manager's enabled";
    EXPECT_TRUE(StartsWithWindows());
}

TEST(StartWithWindows, StartInTrayShowsOnlyTheNotificationIcon)
{
    std::string folder = MakeTempFolder("traystart");
    std::string program = folder + "TALVORecSim.exe";
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), program.c_str(), FALSE));
    for (int tray : { 1, 0 }) {
        SCOPED_TRACE(tray ? "in the notification area" : "shown");
        WriteTextFile(folder + SettingsFileName, "[OPTION]\r\nStartInTray=" + std::to_string(tray) + "\r\n");
        ChildProcess child;
        ASSERT_TRUE(child.Start("\"" + program + "\""));
        HWND window = WaitForShownMainWindow(child.Id(), tray != 0);
        ASSERT_NE(window, nullptr);
        if (tray) {
            Sleep(500);
            EXPECT_FALSE(IsWindowVisible(window)) << "no window, only the icon, and it stays so";
            EXPECT_TRUE(IsIconic(window));
            bool icon = RemoveTrayIcon(window);
            if (icon) {
                // What a double click on the icon sends.
                PostMessageA(window, WM_COMMAND, IDM_OPEN, 0);
                EXPECT_NE(WaitForShownMainWindow(child.Id(), false), nullptr) << "opened from the icon";
            } else {
                printf("no notification area here: the icon was not checked\n");
            }
        } else {
            Sleep(500);
            EXPECT_TRUE(IsWindowVisible(window));
            NOTIFYICONDATAA data = {};
            data.cbSize = NOTIFYICONDATAA_V1_SIZE;
            data.hWnd = window;
            data.uID = 1;
            EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &data)) << "no icon while the window is shown";
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(child.WaitForExit(15000));
        EXPECT_EQ(GetPrivateProfileIntA("OPTION", "StartInTray", 9, (folder + SettingsFileName).c_str()), (UINT)tray)
            << "kept";
    }
    RemoveTree(folder);
}

}  // namespace
