// Nothing the user made is lost: changes on the disk at once, every save
// whole, sections that could not be read or stand twice kept, and a folder
// that cannot be written told. Real files, the real private-profile
// functions, real processes killed with TerminateProcess.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <random>
#include <string>
#include <vector>
#include "support.h"
#include "app/heap.h"
#include "app/savenotice.h"
#include "settings/safesave.h"
#include "res/resource.h"

namespace {

const char Pcm[] = "01000200441000001027000004001000";

std::string ReserveLine(int index, const char *title)
{
    char line[256];
    snprintf(line, sizeof line, "%d=1,%s,1,2027,3,5,0,0,10,0,11,0,C:\\rec\\%d.wav,1,%s0000\r\n", index, title, index,
             Pcm);
    return line;
}

std::string SectionOf(const std::string &path, const char *name)
{
    static char buffer[1 << 17];
    WritePrivateProfileStringA(NULL, NULL, NULL, path.c_str());
    DWORD count = GetPrivateProfileSectionA(name, buffer, sizeof buffer, path.c_str());
    return std::string(buffer, count);
}

std::vector<std::string> Titles()
{
    std::vector<std::string> titles;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++)
        titles.push_back(App.ReserveList.Items[i]->Title);
    return titles;
}

int Headers(const std::string &text, const char *header)
{
    int count = 0;
    for (size_t at = text.find(header); at != std::string::npos; at = text.find(header, at + 1))
        count++;
    return count;
}

class SafeSaving : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("safesave");
        path = folder + SettingsFileName;
        snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
    }
    void TearDown() override
    {
        ReadProfileSection = GetPrivateProfileSectionA;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ResetAppState();
        RemoveTree(folder);
    }
    std::string folder, path;
};

// Reads every section but RESERVE as the platform does; RESERVE never fits,
// as when the disk gives an error in the middle of it.
DWORD WINAPI FailingReserveReader(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file)
{
    if (lstrcmpiA(section, "RESERVE") == 0) {
        buffer[0] = buffer[1] = '\0';
        return size - 2;
    }
    return GetPrivateProfileSectionA(section, buffer, size, file);
}

}  // namespace

TEST_F(SafeSaving, ASectionThatCouldNotBeReadIsNotWrittenOver)
{
    std::string reserve = "[RESERVE]\r\n" + ReserveLine(0, "one") + ReserveLine(1, "two") + ReserveLine(2, "three");
    WriteTextFile(path, "[WINDOW]\r\nTop=5\r\nLeft=6\r\nTopMost=0\r\n" + reserve);
    ReadProfileSection = FailingReserveReader;
    LoadAllSections(folder);
    ReadProfileSection = GetPrivateProfileSectionA;
    EXPECT_EQ(App.ReserveList.Count, 0u);
    EXPECT_EQ(App.TopMost, 0);

    App.TopMost = 1;
    SaveAllSections(folder);
    std::string saved = SectionOf(path, "RESERVE");
    EXPECT_NE(saved.find("0=1,one,"), std::string::npos);
    EXPECT_NE(saved.find("1=1,two,"), std::string::npos);
    EXPECT_NE(saved.find("2=1,three,"), std::string::npos);
    EXPECT_NE(SectionOf(path, "WINDOW").find("TopMost=1"), std::string::npos) << "the other sections are saved";

    // Read well at the next start, the reservations are all there.
    ResetAppState();
    LoadAllSections(folder);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "one", "two", "three" }));
    EXPECT_EQ(App.TopMost, 1);
}

TEST_F(SafeSaving, ASectionUnderSeveralHeadersKeepsEveryLineAndIsWrittenOnce)
{
    static const struct {
        const char *Name;
        std::string File;
        std::vector<std::string> Expected;
    } cases[] = {
        { "an empty first header", "[RESERVE]\r\n[RESERVE]\r\n" + ReserveLine(0, "a") + ReserveLine(1, "b"), { "a", "b" } },
        { "split by another section",
          "[RESERVE]\r\n" + ReserveLine(0, "a") + "[OPTION]\r\nMuteRec=0\r\n[RESERVE]\r\n" + ReserveLine(0, "b") +
              ReserveLine(1, "c"),
          { "a", "b", "c" } },
        { "in other case, blanks and a comment",
          "[RESERVE]\r\n" + ReserveLine(0, "a") + "\r\n[ reserve ]\r\n; 5=0,old,...\r\n  " + ReserveLine(1, "b"),
          { "a", "b" } },
        { "three times",
          "[RESERVE]\r\n" + ReserveLine(0, "a") + "[RESERVE]\r\n" + ReserveLine(0, "b") + "[RESERVE]\n" +
              ReserveLine(0, "c"),
          { "a", "b", "c" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        ResetAppState();
        WriteTextFile(path, c.File);
        LoadAllSections(folder);
        EXPECT_EQ(Titles(), c.Expected);
        SaveAllSections(folder);
        std::string text = ReadTextFile(path);
        EXPECT_EQ(Headers(text, "[RESERVE]") + Headers(text, "[ reserve ]"), 1) << text;
        ResetAppState();
        LoadAllSections(folder);
        EXPECT_EQ(Titles(), c.Expected) << "loaded again after the save";
    }
}

TEST_F(SafeSaving, AReadOnlyFileIsLeftAsItIsAndTheFailureToldOnce)
{
    WriteTextFile(path, "[OPTION]\r\nPowOnStart=1\r\n[RESERVE]\r\n" + ReserveLine(0, "kept"));
    const std::string before = ReadTextFile(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    LoadAllSections(folder);
    EXPECT_FALSE(SettingsWritable(App.ProgramFolder));
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    ASSERT_NE(window, nullptr);
    App.MainWindow = window;

    App.OptionFlags.PowOnStart = 0;
    EXPECT_FALSE(SaveSettingsChange(SectionOption));
    EXPECT_FALSE(SaveSettingsChange(SectionReserve));
    EXPECT_EQ(ReadTextFile(path), before) << "nothing changed in the file";
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES) << "no copy left beside it";
    MSG message;
    int notices = 0;
    while (PeekMessageA(&message, window, WM_SETTINGSNOTICE, WM_SETTINGSNOTICE, PM_REMOVE))
        notices++;
    EXPECT_EQ(notices, 1) << "told once, not at every change";
    EXPECT_EQ(App.OptionFlags.PowOnStart, 0) << "the program goes on with the change";

    // Writable again: the next change saves, and a later failure is told anew.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(SaveSettingsChange(SectionOption));
    EXPECT_NE(SectionOf(path, "OPTION").find("PowOnStart=0"), std::string::npos);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(SaveSettingsChange(SectionOption));
    notices = 0;
    while (PeekMessageA(&message, window, WM_SETTINGSNOTICE, WM_SETTINGSNOTICE, PM_REMOVE))
        notices++;
    EXPECT_EQ(notices, 1);
    App.MainWindow = NULL;
    DestroyWindow(window);
}

// Holds a file open with no sharing, as an indexer or a virus scanner does
// for a moment, then lets it go.
struct HeldFile {
    std::string path;
    DWORD milliseconds;
    HANDLE holding;
};

static DWORD WINAPI HoldFile(void *parameter)
{
    HeldFile *held = (HeldFile *)parameter;
    HANDLE file = CreateFileA(held->path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    SetEvent(held->holding);
    Sleep(held->milliseconds);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return file != INVALID_HANDLE_VALUE;
}

TEST_F(SafeSaving, AFileHeldForTwoSecondsIsWaitedForAndSaved)
{
    WriteTextFile(path, "[OPTION]\r\nPowOnStart=1\r\n");
    LoadAllSections(folder);
    HeldFile held = { path, 2000, CreateEventA(NULL, TRUE, FALSE, NULL) };
    HANDLE thread = CreateThread(NULL, 0, HoldFile, &held, 0, NULL);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(held.holding, 5000);
    App.OptionFlags.PowOnStart = 0;
    EXPECT_TRUE(SaveSettingsSection(App.ProgramFolder, SectionOption));
    WaitForSingleObject(thread, 10000);
    DWORD holdWorked = 0;
    GetExitCodeThread(thread, &holdWorked);
    EXPECT_EQ(holdWorked, 1u) << "the file was really held";
    CloseHandle(thread);
    CloseHandle(held.holding);
    EXPECT_NE(SectionOf(path, "OPTION").find("PowOnStart=0"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SafeSaving, AHiddenFileWithAStaleCopyBesideItSavesAndStaysHidden)
{
    WriteTextFile(path, "[OPTION]\r\nPowOnStart=1\r\n");
    WriteTextFile(path + ".new", "[OPTION]\r\nPowOnStart=1\r\n[REST");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((path + ".new").c_str(), FILE_ATTRIBUTE_HIDDEN));
    LoadAllSections(folder);
    EXPECT_TRUE(SettingsWritable(App.ProgramFolder));
    App.OptionFlags.PowOnStart = 0;
    EXPECT_TRUE(SaveSettingsSection(App.ProgramFolder, SectionOption));
    EXPECT_NE(SectionOf(path, "OPTION").find("PowOnStart=0"), std::string::npos);
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << "the file keeps its attributes";
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SafeSaving, AFolderThatCannotHoldFilesIsNotWritable)
{
    // A file where the folder should be: nothing can be created in it.
    WriteTextFile(folder + "blocked", "x");
    std::string blocked = folder + "blocked\\";
    EXPECT_FALSE(SettingsWritable(blocked.c_str()));
    EXPECT_FALSE(SaveSettingsSection(blocked.c_str(), SectionOption));
    EXPECT_TRUE(SettingsWritable(folder.c_str()));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "asking leaves no file behind";
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SafeSaving, TheRecordingMarkKeepsTheSettingsAroundIt)
{
    WriteTextFile(path, "[RESERVE]\r\n" + ReserveLine(0, "kept") + "[OPTION]\r\nMuteRec=0\r\n");
    ASSERT_TRUE(SaveRecordingMarker(App.ProgramFolder, "C:\\rec\\now.wav"));
    char marked[MAX_PATH] = "";
    ASSERT_TRUE(LoadRecordingMarker(App.ProgramFolder, marked, sizeof marked));
    EXPECT_STREQ(marked, "C:\\rec\\now.wav");
    ClearRecordingMarker(App.ProgramFolder);
    EXPECT_FALSE(LoadRecordingMarker(App.ProgramFolder, marked, sizeof marked));
    EXPECT_NE(SectionOf(path, "RESERVE").find("0=1,kept,"), std::string::npos);
    EXPECT_EQ(SectionOf(path, "OPTION"), std::string("MuteRec=0\0", 10));
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- killed in the middle of saves ----

namespace {

using Program = ChildProcess;

enum { LargeReservations = 300 };

// What a killed save left: the generation every line agrees on, or -1 when
// the file is not one whole save.
long WholeGeneration(const std::string &folder)
{
    ResetAppState();
    LoadAllSections(folder);
    long generation = -1;
    bool whole = App.ReserveList.Count == LargeReservations && App.StationNameTable.Count == 60;
    for (uint32_t i = 0; whole && i < App.ReserveList.Count; i++) {
        long g = atol(App.ReserveList.Items[i]->Title + 4);
        char expected[96];
        snprintf(expected, sizeof expected, "gen %ld #%lu, a programme title long enough to fill the line", g,
                 (unsigned long)i);
        whole = strcmp(App.ReserveList.Items[i]->Title, expected) == 0 && (i == 0 || g == generation);
        generation = g;
    }
    whole = whole && App.OptionFlags.PowOnStart == (generation & 1) &&
            App.PresetTable[0].Frequency == 8000 + generation % 1000;
    ResetAppState();
    return whole ? generation : -1;
}

}  // namespace

TEST_F(SafeSaving, KilledAtRandomMomentsOfSavesEveryFileLoadsWholeOldOrNew)
{
    for (int i = 0; i < LargeReservations; i++) {
        ReserveEntry *entry = ReserveEntryCreate(18);
        char title[96];
        snprintf(title, sizeof title, "gen 0 #%d, a programme title long enough to fill the line", i);
        HeapFreeBlock(entry->Title);
        entry->Title = HeapStrDup(title);
        HeapFreeBlock(entry->SavePath);
        entry->SavePath = HeapStrDup("C:\\録音\\%Y%M%D_%T.wav");
        ReserveListPush(&App.ReserveList, entry);
    }
    for (int i = 0; i < 60; i++) {
        StationName station = { 1000 + i, "" };
        SetStationName(&station, "局名");
        AddStation(&station);
    }
    App.PresetTable[0].Frequency = 8000;
    SaveAllSections(folder);
    ASSERT_EQ(WholeGeneration(folder), 0);
    ASSERT_GT(ReadTextFile(path).size(), 30000u) << "a large settings file";

    char eventName[64];
    snprintf(eventName, sizeof eventName, "talvo-saved-%lu", GetCurrentProcessId());
    HANDLE saved = CreateEventA(NULL, TRUE, FALSE, eventName);
    ASSERT_NE(saved, nullptr);
    std::mt19937 random(20261209);
    std::string program = BuildFolder() + "save_loop.exe";
    std::string folderArgument = folder.substr(0, folder.size() - 1);
    const int kills = 200;
    long last = 0;
    int advanced = 0;
    DWORD began = GetTickCount();
    for (int k = 0; k < kills; k++) {
        ResetEvent(saved);
        Program loop;
        ASSERT_TRUE(loop.Start("\"" + program + "\" \"" + folderArgument + "\" " + eventName));
        HANDLE waits[2] = { saved, loop.Process.hProcess };
        ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 20000), WAIT_OBJECT_0) << "kill " << k << ": no save";
        // Anywhere in the saves that follow: the copy, the sections, the
        // flush or the move.
        Sleep(std::uniform_int_distribution<int>(0, 60)(random));
        loop.Kill();
        long generation = WholeGeneration(folder);
        ASSERT_GE(generation, last) << "kill " << k << ": the file is not one whole save, or an older one";
        advanced += generation > last;
        last = generation;
    }
    CloseHandle(saved);
    printf("%d kills in %.1f s; the file held %ld saves at the end\n", kills, (GetTickCount() - began) / 1000.0, last);
    EXPECT_GT(advanced, kills / 2);
}

// ---- the real program killed right after a change ----

namespace {

struct ChildSearch {
    int Id;
    HWND Found;
};

BOOL CALLBACK MatchChildId(HWND child, LPARAM lParam)
{
    ChildSearch *search = (ChildSearch *)lParam;
    if (GetDlgCtrlID(child) != search->Id)
        return TRUE;
    search->Found = child;
    return FALSE;
}

HWND ChildWithId(HWND parent, int id)
{
    ChildSearch search = { id, NULL };
    EnumChildWindows(parent, MatchChildId, (LPARAM)&search);
    return search.Found;
}

// Until the window is gone (a dialog ended); false after five seconds.
bool WaitGone(HWND window)
{
    for (DWORD start = GetTickCount(); IsWindow(window); Sleep(20))
        if (GetTickCount() - start > 5000)
            return false;
    return true;
}

class KilledProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("killed-program");
        path = folder + SettingsFileName;
        ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), (folder + "TALVORecSim.exe").c_str(), FALSE));
    }
    void TearDown() override
    {
        ResetAppState();
        RemoveTree(folder);
    }
    // The demo started from the folder, with its main window up.
    HWND Start(Program *program)
    {
        if (!program->Start("\"" + folder + "TALVORecSim.exe\""))
            return NULL;
        return WaitForProcessWindow(program->Id(), "TALVORecClass", NULL);
    }
    // Killed the moment the window has handled what was sent before.
    void KillRightAfter(Program *program, HWND window)
    {
        SendMessageA(window, WM_NULL, 0, 0);
        program->Kill();
    }
    std::string folder, path;
};

}  // namespace

TEST_F(KilledProgram, AnOptionSetInTheSheetIsOnTheDisk)
{
    Program program;
    HWND window = Start(&program);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_OPTIONS, 0);
    HWND sheet = WaitForProcessWindow(program.Id(), NULL, "TALVO レコーダーのオプション");
    ASSERT_NE(sheet, nullptr);
    HWND box = ChildWithId(sheet, IDC_POWONSTART);
    ASSERT_NE(box, nullptr);
    SendMessageA(box, BM_CLICK, 0, 0);
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitGone(sheet));
    KillRightAfter(&program, window);
    char value[8] = "";
    GetPrivateProfileStringA("OPTION", "PowOnStart", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "1");
}

TEST_F(KilledProgram, AlwaysOnTopFromTheMenuIsOnTheDisk)
{
    Program program;
    HWND window = Start(&program);
    ASSERT_NE(window, nullptr);
    SendMessageA(window, WM_COMMAND, IDM_TOPMOST, 0);
    KillRightAfter(&program, window);
    char value[8] = "";
    GetPrivateProfileStringA("WINDOW", "TopMost", "", value, sizeof value, path.c_str());
    EXPECT_STREQ(value, "1");
}

TEST_F(KilledProgram, AReservationAddedInTheDialogIsOnTheDisk)
{
    Program program;
    HWND window = Start(&program);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
    HWND list = WaitForProcessWindow(program.Id(), "ReserveListClass", NULL);
    ASSERT_NE(list, nullptr);
    PostMessageA(list, WM_COMMAND, IDM_RESERVE_NEW, 0);
    HWND dialog = WaitForProcessWindow(program.Id(), "#32770", NULL);
    ASSERT_NE(dialog, nullptr);
    HWND title = GetDlgItem(dialog, IDC_EDIT_TITLE);
    ASSERT_NE(title, nullptr);
    SendMessageA(title, WM_SETTEXT, 0, (LPARAM) "深夜の音楽");
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitGone(dialog));
    KillRightAfter(&program, window);
    ResetAppState();
    LoadAllSections(folder);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "深夜の音楽");
}

TEST_F(KilledProgram, DeletedReservationsAreGoneFromTheDisk)
{
    WriteTextFile(path, "[RESERVE]\r\n" + ReserveLine(0, "one") + ReserveLine(1, "two"));
    Program program;
    HWND window = Start(&program);
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_COMMAND, IDM_RESERVELIST, 0);
    HWND list = WaitForProcessWindow(program.Id(), "ReserveListClass", NULL);
    ASSERT_NE(list, nullptr);
    SendMessageA(list, WM_COMMAND, IDM_RESERVE_SELECTALL, 0);
    PostMessageA(list, WM_COMMAND, IDM_RESERVE_DELETE, 0);
    HWND confirm = WaitForProcessWindow(program.Id(), "#32770", "削除の確認");
    ASSERT_NE(confirm, nullptr) << "the deletion is confirmed first";
    PostMessageA(confirm, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), (LPARAM)GetDlgItem(confirm, IDYES));
    // Once the box has gone the deletion runs to its end without taking
    // another message.
    ASSERT_TRUE(WaitGone(confirm));
    KillRightAfter(&program, list);
    EXPECT_EQ(SectionOf(path, "RESERVE"), "");
}

TEST_F(KilledProgram, AReadOnlySettingsFileIsToldAtStartAndLeftAsItIs)
{
    WriteTextFile(path, "[WINDOW]\r\nTop=40\r\nLeft=50\r\nTopMost=0\r\n[RESERVE]\r\n" + ReserveLine(0, "kept"));
    const std::string before = ReadTextFile(path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    Program program;
    ASSERT_TRUE(program.Start("\"" + folder + "TALVORecSim.exe\""));
    DialogWatch watch;
    StartDialogWatch(&watch, program.Id(), IDOK, 20000);
    HWND window = WaitForProcessWindow(program.Id(), "TALVORecClass", NULL);
    ASSERT_NE(window, nullptr);
    while (watch.Thread && WaitForSingleObject(watch.Thread, 20) == WAIT_TIMEOUT)
        ;
    SeenDialog seen = FinishDialogWatch(&watch);
    ASSERT_TRUE(seen.Seen) << "told at start";
    EXPECT_EQ(seen.Caption, "TALVO レコーダー");
    EXPECT_EQ(seen.Text.rfind("設定を保存できません。", 0), 0u) << seen.Text;
    EXPECT_NE(seen.Text.find(path), std::string::npos) << "the file is named";

    // The answered box goes away before the program goes on.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(20)) {
        if (!FindProcessWindow(program.Id(), "#32770", NULL, true))
            break;
    }
    // Changes go on in the program; the next failing save is not told again.
    StartDialogWatch(&watch, program.Id(), IDOK, 1500);
    SendMessageA(window, WM_COMMAND, IDM_TOPMOST, 0);
    while (watch.Thread && WaitForSingleObject(watch.Thread, 20) == WAIT_TIMEOUT)
        ;
    EXPECT_FALSE(FinishDialogWatch(&watch).Seen) << "once is enough";
    EXPECT_TRUE(IsWindow(window)) << "the program keeps working";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(15000));
    EXPECT_EQ(ReadTextFile(path), before) << "nothing changed in the file";
    EXPECT_EQ(GetFileAttributesA((path + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
