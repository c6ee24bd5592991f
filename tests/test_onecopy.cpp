// One copy of the program at a time: real processes of the demo program.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include "support.h"
#include "app/onecopy.h"

namespace {

// The program started by its quoted path, as Explorer starts it.
struct Started : ChildProcess {
    bool Start(const std::string &program) { return ChildProcess::Start("\"" + program + "\""); }
};

struct MainWindows {
    DWORD ProcessId;  // 0: any process
    HWND Found;
    int Count;
};

BOOL CALLBACK CountMainWindows(HWND window, LPARAM lParam)
{
    MainWindows *search = (MainWindows *)lParam;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "TALVORecClass") == 0 && (!search->ProcessId || process == search->ProcessId)) {
        search->Found = window;
        search->Count++;
    }
    return TRUE;
}

HWND WaitForMainWindow(DWORD processId)
{
    MainWindows search = { processId, NULL, 0 };
    for (DWORD start = GetTickCount(); !search.Found && GetTickCount() - start < 15000; Sleep(50))
        EnumWindows(CountMainWindows, (LPARAM)&search);
    return search.Found;
}

// A shown, not minimised window, within five seconds.
bool WaitShown(HWND window)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(50))
        if (IsWindowVisible(window) && !IsIconic(window))
            return true;
    return false;
}

}  // namespace

TEST(OneCopy, NamesComeFromTheProgramFileAlone)
{
    static const struct {
        const char *first;
        const char *second;
        bool same;
    } cases[] = {
        { "C:\\Program Files\\TALVO\\TALVORec.exe", "D:\\copy\\TALVORec.exe", true },
        { "C:\\TALVO\\TALVORec.exe", "C:\\TALVO\\talvorec.EXE", true },
        { "C:\\TALVO\\TALVORec.exe", "C:\\TALVO\\TALVORecSim.exe", false },
        { "C:\\番組\\TALVORec.exe", "TALVORec.exe", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        char first[MAX_PATH + 32], second[MAX_PATH + 32];
        OneCopyName(c.first, first, sizeof first);
        OneCopyName(c.second, second, sizeof second);
        EXPECT_EQ(strcmp(first, second) == 0, c.same);
        EXPECT_EQ(strncmp(first, "Global\\", 7), 0) << "one copy on the PC, not in the session: " << first;
        EXPECT_EQ(strchr(first + 7, '\\'), nullptr) << "no folder in the name: " << first;
    }
}

TEST(OneCopy, AMutexThisUserMayNotOpenIsTaken)
{
    static const struct {
        bool Created;
        DWORD Error;
        bool Taken;
    } cases[] = {
        { true, ERROR_SUCCESS, false },        { true, ERROR_ALREADY_EXISTS, true },
        { false, ERROR_ACCESS_DENIED, true },  { false, ERROR_INVALID_HANDLE, false },
        { false, ERROR_NOT_ENOUGH_MEMORY, false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(OneCopyClaimTaken(c.Created, c.Error), c.Taken) << c.Created << " " << c.Error;
}

namespace {

struct ProcessDialog {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM lParam)
{
    ProcessDialog *search = (ProcessDialog *)lParam;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (process != search->ProcessId || strcmp(className, "#32770") != 0)
        return TRUE;
    search->Found = window;
    return FALSE;
}

}  // namespace

// The place held with no window of the holder in this session, as another
// user's copy holds it: the start says so and ends.
TEST(OneCopy, HeldWithNoWindowHereTheStartSaysAnotherUserRunsIt)
{
    std::string folder = MakeTempFolder("onecopy-user");
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), (folder + "TALVORecSim.exe").c_str(), FALSE));
    char name[MAX_PATH + 32];
    OneCopyName((folder + "TALVORecSim.exe").c_str(), name, sizeof name);
    HANDLE held = CreateMutexA(NULL, FALSE, name);
    ASSERT_TRUE(held);
    {
        Started second;
        ASSERT_TRUE(second.Start(folder + "TALVORecSim.exe"));
        ProcessDialog search = { second.Process.dwProcessId, NULL };
        for (DWORD start = GetTickCount(); !search.Found && GetTickCount() - start < 15000; Sleep(100))
            EnumWindows(FindProcessDialog, (LPARAM)&search);
        ASSERT_NE(search.Found, nullptr) << "a message";
        char text[256] = "";
        GetDlgItemTextA(search.Found, 0xFFFF, text, sizeof text);
        EXPECT_NE(strstr(text, "別のユーザーのセッションで動いています"), nullptr) << text;
        MainWindows own = { second.Process.dwProcessId, NULL, 0 };
        EnumWindows(CountMainWindows, (LPARAM)&own);
        EXPECT_EQ(own.Count, 0) << "no window of its own";
        PostMessageA(search.Found, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(second.WaitForExit(15000)) << "and it ends";
    }
    CloseHandle(held);
    RemoveTree(folder);
}

TEST(OneCopy, ASecondStartFromAnotherFolderRestoresTheFirstFromTheTrayAndEnds)
{
    std::string here = MakeTempFolder("onecopy-a"), there = MakeTempFolder("onecopy-b");
    for (const std::string &folder : { here, there })
        ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), (folder + "TALVORecSim.exe").c_str(), FALSE));
    {
        Started first;
        ASSERT_TRUE(first.Start(here + "TALVORecSim.exe"));
        HWND window = WaitForMainWindow(first.Process.dwProcessId);
        ASSERT_NE(window, nullptr);
        // Into the notification area, as the user leaves it for weeks.
        PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        for (DWORD start = GetTickCount(); IsWindowVisible(window) && GetTickCount() - start < 5000;)
            Sleep(50);
        ASSERT_FALSE(IsWindowVisible(window));

        Started second;
        ASSERT_TRUE(second.Start(there + "TALVORecSim.exe"));
        EXPECT_TRUE(second.WaitForExit(15000)) << "the second start ends";
        EXPECT_EQ(second.ExitCode(), 0u);
        EXPECT_TRUE(WaitShown(window)) << "the running copy's window is back in front";
        MainWindows all = { 0, NULL, 0 };
        EnumWindows(CountMainWindows, (LPARAM)&all);
        EXPECT_EQ(all.Count, 1) << "one copy runs";
        EXPECT_FALSE(first.WaitForExit(0));
        EXPECT_EQ(GetFileAttributesA((there + SettingsFileName).c_str()), INVALID_FILE_ATTRIBUTES)
            << "the second start wrote nothing";

        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(first.WaitForExit(15000));
    }
    // With the first one gone, a start runs again.
    {
        Started again;
        ASSERT_TRUE(again.Start(there + "TALVORecSim.exe"));
        HWND window = WaitForMainWindow(again.Process.dwProcessId);
        ASSERT_NE(window, nullptr);
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(again.WaitForExit(15000));
    }
    RemoveTree(here);
    RemoveTree(there);
}

TEST(OneCopy, TheRealProgramRunsBesideTheDemo)
{
    std::string folder = MakeTempFolder("onecopy-side");
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), (folder + "TALVORecSim.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORec.exe").c_str(), (folder + "TALVORec.exe").c_str(), FALSE));
    {
    Started demo;
    ASSERT_TRUE(demo.Start(folder + "TALVORecSim.exe"));
    ASSERT_NE(WaitForMainWindow(demo.Process.dwProcessId), nullptr);
    // No stereo here: the real program gets as far as looking for it and
    // says so, instead of ending quietly as a second copy would.
    Started real;
    ASSERT_TRUE(real.Start(folder + "TALVORec.exe"));
    DialogWatch watch;
    StartDialogWatch(&watch, real.Process.dwProcessId, IDOK, 20000);
    EXPECT_TRUE(real.WaitForExit(30000));
    SeenDialog seen = FinishDialogWatch(&watch);
    EXPECT_TRUE(seen.Seen);
    EXPECT_EQ(seen.Text, "デバイスドライバの初期化に失敗しました");
    }
    RemoveTree(folder);
}
