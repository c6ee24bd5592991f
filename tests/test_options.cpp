// The options sheet with real windows: the sheet runs modally through
// OpenOptionsSheet, and each test's script runs inside the sheet's own message
// loop (from a timer), works the pages with real messages and reads the
// controls and AppState back. The acquisition talks to the simulated stereo.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>
#include "support.h"
#include "options/options.h"
#include "reserveui/reserveui.h"
#include "app/mainwindow.h"
#include "schedule/execute.h"
#include "res/resource.h"

namespace {

const char SheetCaption[] = "TALVO レコーダーのオプション";
const int ApplyButton = 0x3021;

using SheetScript = std::function<void(HWND sheet)>;

const SheetScript *CurrentScript;
bool SheetEnded;

struct WindowSearch {
    const char *Caption;
    HWND Found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM search)
{
    WindowSearch *wanted = (WindowSearch *)search;
    char caption[128];
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && strcmp(caption, wanted->Caption) == 0) {
        wanted->Found = window;
        return FALSE;
    }
    return TRUE;
}

// A shown top-level window of this thread with the caption, or none.
HWND FindThreadWindow(const char *caption)
{
    WindowSearch search = { caption, NULL };
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, (LPARAM)&search);
    return search.Found;
}

void PressSheetButton(HWND sheet, int button)
{
    SheetEnded = true;
    PropSheet_PressButton(sheet, button);
}

VOID CALLBACK StartScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND sheet = FindThreadWindow(SheetCaption);
    if (!sheet)
        return;  // not up yet
    KillTimer(NULL, timer);
    (*CurrentScript)(sheet);
    if (!SheetEnded)
        PressSheetButton(sheet, PSBTN_CANCEL);  // a script that stopped early still closes the sheet
}

// Runs the real modal sheet on the page; the script must end it.
INT_PTR RunSheet(int startPage, const SheetScript &script)
{
    CurrentScript = &script;
    SheetEnded = false;
    SetTimer(NULL, 0, 10, StartScript);
    return OpenOptionsSheet(NULL, GetModuleHandleA(NULL), startPage);
}

// The same, with the sheet opened by the main window's command.
void RunSheetFromMainWindow(HWND mainWindow, const SheetScript &script)
{
    CurrentScript = &script;
    SheetEnded = false;
    SetTimer(NULL, 0, 10, StartScript);
    SendMessageA(mainWindow, WM_COMMAND, IDM_OPTIONS, 0);
}

// What the sheet's own loop would do with the messages waiting now.
void Pump(HWND sheet)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!PropSheet_IsDialogMessage(sheet, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void Key(HWND sheet, WORD key)
{
    HWND target = GetFocus();
    LPARAM scan = (LPARAM)MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16;
    PostMessageA(target, WM_KEYDOWN, key, scan | 1);
    PostMessageA(target, WM_KEYUP, key, scan | 1 | 0xC0000000);
    Pump(sheet);
}

void Type(HWND sheet, const char *text)
{
    for (const char *c = text; *c; c++)
        PostMessageA(GetFocus(), WM_CHAR, (BYTE)*c, 1);
    Pump(sheet);
}

POINT CellCentre(HWND list, int row, int column)
{
    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETSUBITEMRECT, (WPARAM)row, (LPARAM)&cell);
    return { (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2 };
}

void ClickAt(HWND sheet, HWND window, POINT at)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump(sheet);
}

void ClickCell(HWND sheet, HWND list, int row, int column)
{
    ClickAt(sheet, list, CellCentre(list, row, column));
}

void ClickButton(HWND sheet, HWND page, int id)
{
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
    Pump(sheet);
}

std::string CellText(HWND list, int row, int column)
{
    char text[64] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return text;
}

std::string Frequency(int32_t value)
{
    char text[32];
    FormatFrequency(value, text, sizeof text);
    return text;
}

void SetCell(HWND list, int row, int column, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = (char *)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

int RowCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

void FocusRow(HWND list, int row)
{
    SetFocus(list);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool EditorShown(HWND list, int editorId)
{
    return IsWindowVisible(GetDlgItem(list, editorId)) != 0;
}

void SetStations(std::initializer_list<std::pair<int32_t, const char *>> stations)
{
    ClearStations();
    for (auto &station : stations) {
        StationName record = {};
        record.Frequency = station.first;
        SetStationName(&record, station.second);
        AddStation(&record);
    }
}

std::vector<std::pair<int32_t, std::string>> StoredStations()
{
    std::vector<std::pair<int32_t, std::string>> stored;
    for (uint32_t i = 0; i < App.StationNameTable.Count; i++)
        stored.emplace_back(App.StationNameTable.Items[i].Frequency, App.StationNameTable.Items[i].Name);
    return stored;
}

class Options : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("options");
        LoadAllSections(folder);  // no file: the built-in presets and stations
        // OK and Apply save at once: into this folder, not the current one.
        snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
        App.StationClickItem = -1;
        App.PresetClickItem = -1;
    }
    void TearDown() override
    {
        ResetAppState();
        RemoveTree(folder);
    }
    std::string folder;
};

}  // namespace

// ---- the sheet and the general page ----

std::vector<std::string> TabCaptions(HWND sheet)
{
    std::vector<std::string> tabs;
    HWND tab = PropSheet_GetTabControl(sheet);
    for (int i = 0; i < TabCtrl_GetItemCount(tab); i++) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tab, TCM_GETITEMA, (WPARAM)i, (LPARAM)&item);
        tabs.push_back(text);
    }
    return tabs;
}

TEST_F(Options, GeneralBoxesStandInTheirOrderAndShowTheirFlags)
{
    struct Box {
        int Id;
        const char *Text;
    } fromTop[] = {
        { IDC_POWONSTART, "起動時に TALVO の電源を入れる" },
        { IDC_POWOFFEND, "終了時に TALVO の電源を切る" },
        { IDC_MUTEREC, "予約録音開始時に TALVO を消音状態にする" },
        { IDC_POWOFFENDREC, "予約録音完了時に TALVO の電源を切る" },
        { IDC_NOTICES, "録音の開始・終了などを通知で知らせる" },
        { IDC_WAKEREC, "予約の時刻にパソコンをスリープから起こす" },
        { IDC_AUTOSTART, "Windows の起動時に自動で起動する" },
        { IDC_STARTINTRAY, "通知領域に最小化した状態で起動する" },
    };
    App.OptionFlags = { 0, 2, 0, 1, 1, 1, 0 };  // PowOffEnd as a file may hold it
    RunSheet(0, [&](HWND sheet) {
        char caption[64];
        GetWindowTextA(sheet, caption, sizeof caption);
        EXPECT_STREQ(caption, SheetCaption);
        EXPECT_EQ(TabCaptions(sheet), (std::vector<std::string>{ "全般", "プリセット周波数", "ラジオ局名" }));
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        LONG previousTop = -1;
        for (const Box &box : fromTop) {
            HWND control = GetDlgItem(page, box.Id);
            ASSERT_TRUE(control) << box.Id;
            RECT place;
            GetWindowRect(control, &place);
            EXPECT_GT(place.top, previousTop) << box.Id;
            previousTop = place.top;
            char text[128];
            GetWindowTextA(control, text, sizeof text);
            EXPECT_STREQ(text, box.Text);
        }
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_POWONSTART), BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_POWOFFEND), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_POWOFFENDREC), BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_MUTEREC), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_NOTICES), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_WAKEREC), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_STARTINTRAY), BST_UNCHECKED);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        ClickButton(sheet, page, IDC_POWOFFENDREC);
        ClickButton(sheet, page, IDC_NOTICES);
        ClickButton(sheet, page, IDC_STARTINTRAY);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.OptionFlags.PowOnStart, 0);
    EXPECT_EQ(App.OptionFlags.PowOffEnd, 1);
    EXPECT_EQ(App.OptionFlags.PowOffEndRec, 1);
    EXPECT_EQ(App.OptionFlags.MuteRec, 1);
    EXPECT_EQ(App.OptionFlags.Notices, 0) << "the notices turned off";
    EXPECT_EQ(App.OptionFlags.WakeRec, 1);
    EXPECT_EQ(App.OptionFlags.StartInTray, 1) << "the start in the notification area turned on";
}

// The height of a dialog template, in dialog units (DLGTEMPLATEEX: cy
// follows the version, signature, help id, styles, count, x, y and cx).
short TemplateHeight(int id)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    const BYTE *data = found ? (const BYTE *)LockResource(LoadResource(NULL, found)) : NULL;
    short height = -1;
    if (data)
        memcpy(&height, data + 24, sizeof height);
    return height;
}

// Each box's text fits beside its check mark, in the page's own font, and
// the page needs no more room than the other pages give the sheet.
TEST_F(Options, GeneralBoxesShowTheirWholeText)
{
    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        for (int id : { IDC_POWONSTART, IDC_POWOFFEND, IDC_MUTEREC, IDC_POWOFFENDREC, IDC_NOTICES, IDC_WAKEREC,
                        IDC_AUTOSTART, IDC_STARTINTRAY }) {
            HWND box = GetDlgItem(page, id);
            char text[128];
            GetWindowTextA(box, text, sizeof text);
            RECT client;
            GetClientRect(box, &client);
            int mark = GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE) * 2;
            EXPECT_LE(TextWidth(box, text) + mark, client.right) << text;
            RECT place, paper;
            GetWindowRect(box, &place);
            GetWindowRect(page, &paper);
            EXPECT_LE(place.bottom, paper.bottom) << text;
        }
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_LE(TemplateHeight(IDD_OPTIONS_GENERAL), TemplateHeight(IDD_OPTIONS_PRESETS)) << "the sheet keeps its size";
}

TEST_F(Options, WakeBoxCancelsTheWakeUpAndSetsItAgain)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    ReserveEntry *entry = ReserveEntryCreate(0);
    entry->Day = ReserveDayDaily;
    entry->StartHour = (uint16_t)((now.wHour + 2) % 24);
    ReserveListPush(&App.ReserveList, entry);
    RecomputeNextReservation(&now, 0);
    ASSERT_EQ(App.NextReservation.Entry, entry);
    const FILETIME set = App.WakeDue;
    ASSERT_NE(set.dwHighDateTime, 0u) << "on when the settings file does not say";

    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_WAKEREC), BST_CHECKED);
        ClickButton(sheet, page, IDC_WAKEREC);
        EXPECT_EQ(CompareFileTime(&App.WakeDue, &set), 0) << "nothing changes before OK or Apply";
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.OptionFlags.WakeRec, 0);
    EXPECT_EQ(App.WakeDue.dwHighDateTime | App.WakeDue.dwLowDateTime, 0u) << "cancelled";
    EXPECT_EQ(GetPrivateProfileIntA("OPTION", "WakeRec", 9, (folder + SettingsFileName).c_str()), 0u) << "saved";

    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_WAKEREC), BST_UNCHECKED);
        ClickButton(sheet, page, IDC_WAKEREC);
        PressSheetButton(sheet, PSBTN_APPLYNOW);
        Pump(sheet);
        EXPECT_EQ(CompareFileTime(&App.WakeDue, &set), 0) << "set again by Apply";
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(App.OptionFlags.WakeRec, 1);
}

// The warning under the wake box: there only while the box is ticked and
// something keeps the PC asleep.
TEST_F(Options, WakeBoxSaysWhenThePcCannotBeWoken)
{
    FakeWakeAnswers(WakePcTimersOff);
    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        HWND line = GetDlgItem(page, IDC_WAKE_HINDRANCE);
        ASSERT_TRUE(line);
        EXPECT_TRUE(IsWindowVisible(line));
        char text[256] = "";
        GetWindowTextA(line, text, sizeof text);
        EXPECT_NE(strstr(text, "「スリープ解除タイマーの許可」が無効"), nullptr) << text;
        RECT place, box;
        GetWindowRect(line, &place);
        GetWindowRect(GetDlgItem(page, IDC_WAKEREC), &box);
        EXPECT_GE(place.top, box.bottom) << "under its box";
        ClickButton(sheet, page, IDC_WAKEREC);
        EXPECT_FALSE(IsWindowVisible(line)) << "nothing to warn of with the box cleared";
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    FakeWakeAnswers(WakePcFine);
    RunSheet(0, [&](HWND sheet) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(PropSheet_IndexToHwnd(sheet, 0), IDC_WAKE_HINDRANCE)));
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

// The box is the user's Run entry itself, read from the registry each time
// the page opens.
TEST_F(Options, StartWithWindowsBoxWritesAndRemovesTheRunEntry)
{
    RunEntryKeeper keeper(OwnRunEntryName());
    DeleteRunEntryText(OwnRunEntryName());
    std::string text;
    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUTOSTART), BST_UNCHECKED);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        ClickButton(sheet, page, IDC_AUTOSTART);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        EXPECT_FALSE(ReadRunEntryText(OwnRunEntryName(), &text)) << "nothing before OK or Apply";
        PressSheetButton(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(ReadRunEntryText(OwnRunEntryName(), &text));
    EXPECT_EQ(text, OwnRunCommand());

    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUTOSTART), BST_CHECKED);
        ClickButton(sheet, page, IDC_AUTOSTART);
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_FALSE(ReadRunEntryText(OwnRunEntryName(), &text)) << "removed";

    // Removed in Windows' own settings while the program ran: the page shows so.
    WriteRunEntryText(OwnRunEntryName(), OwnRunCommand());
    RunSheet(0, [&](HWND sheet) {
        EXPECT_EQ(IsDlgButtonChecked(PropSheet_IndexToHwnd(sheet, 0), IDC_AUTOSTART), BST_CHECKED);
        DeleteRunEntryText(OwnRunEntryName());
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    RunSheet(0, [&](HWND sheet) {
        EXPECT_EQ(IsDlgButtonChecked(PropSheet_IndexToHwnd(sheet, 0), IDC_AUTOSTART), BST_UNCHECKED);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

// Turned off in Task Manager, the box shows it off; ticking it starts the
// program with Windows again.
TEST_F(Options, StartWithWindowsBoxShowsTaskManagersOff)
{
    RunEntryKeeper keeper(OwnRunEntryName());
    ApprovalKeeper approval(OwnRunEntryName());
    WriteRunEntryText(OwnRunEntryName(), OwnRunCommand());
    const BYTE off[12] = { 0x03 };
    WriteApproval(OwnRunEntryName(), off, sizeof off);
    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUTOSTART), BST_UNCHECKED);
        ClickButton(sheet, page, IDC_AUTOSTART);
        PressSheetButton(sheet, PSBTN_APPLYNOW);
        Pump(sheet);
        EXPECT_EQ(IsDlgButtonChecked(page, IDC_AUTOSTART), BST_CHECKED) << "as Windows now has it";
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    std::vector<BYTE> now = ReadApproval(OwnRunEntryName());
    ASSERT_FALSE(now.empty());
    EXPECT_EQ(now[0], 0x02);
}

static BOOL CALLBACK CountSheets(HWND window, LPARAM count)
{
    char caption[128];
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && strcmp(caption, SheetCaption) == 0)
        ++*(int *)count;
    return TRUE;
}

static int ShownSheets()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountSheets, (LPARAM)&count);
    return count;
}

TEST_F(Options, IconMenuBringsTheOpenSheetForwardInsteadOfASecondOne)
{
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    HWND mainWindow = OpenMainWindow(folder, stereo);
    ASSERT_TRUE(mainWindow);
    int sheetsAfter = 0;
    bool forward = false, nested = false;
    RunSheetFromMainWindow(mainWindow, [&](HWND sheet) {
        // Another program's window has the user's attention.
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL, NULL,
                                     GetModuleHandleA(NULL), NULL);
        SetForegroundWindow(other);
        Pump(sheet);
        // A second sheet would run its own loop inside this one: end it there
        // so the test goes on.
        WhenWindowAppears([] { return ShownSheets() > 1 ? GetActiveWindow() : NULL; },
                          [&](HWND second) {
                              nested = true;
                              sheetsAfter = ShownSheets();
                              PropSheet_PressButton(second, PSBTN_CANCEL);
                          });
        // What choosing "オプション(&P)..." in the icon's menu sends.
        PostMessageA(mainWindow, WM_COMMAND, IDM_OPTIONS, 0);
        Pump(sheet);
        CancelWindowWaits();
        if (!nested)
            sheetsAfter = ShownSheets();
        forward = GetForegroundWindow() == sheet;
        DestroyWindow(other);
        PressSheetButton(sheet, PSBTN_OK);
    });
    PumpMessages();
    EXPECT_FALSE(nested);
    EXPECT_EQ(sheetsAfter, 1);
    EXPECT_TRUE(forward) << "the open sheet came forward";
    EXPECT_EQ(ShownSheets(), 0);
    CloseMainWindow(mainWindow);
}

TEST_F(Options, CancelStoresNothingButAnEarlierApplyStays)
{
    App.OptionFlags = { 0, 0, 1, 1, 1, 1, 0 };
    RunSheet(0, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 0);
        ClickButton(sheet, page, IDC_POWONSTART);
        PressSheetButton(sheet, PSBTN_APPLYNOW);
        Pump(sheet);
        SheetEnded = false;
        ClickButton(sheet, page, IDC_MUTEREC);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(App.OptionFlags.PowOnStart, 1);
    EXPECT_EQ(App.OptionFlags.MuteRec, 1);
}

TEST_F(Options, PagesNeverOpenedLeaveTheirTablesAlone)
{
    App.PresetTable[3] = { 0, 8250 };
    App.PresetTable[39] = { 2, 954 };
    SetStations({ { 954, "WWWWWWWWWWW" }, { 0, "名前だけ" } });
    PresetSlot presets[PresetCount];
    memcpy(presets, App.PresetTable, sizeof presets);
    auto stations = StoredStations();
    RunSheet(0, [&](HWND sheet) {
        ClickButton(sheet, PropSheet_IndexToHwnd(sheet, 0), IDC_POWONSTART);
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(memcmp(presets, App.PresetTable, sizeof presets), 0);
    EXPECT_EQ(StoredStations(), stations);
    EXPECT_EQ(App.OptionFlags.PowOnStart, 1);
}

// ---- the preset page ----

TEST_F(Options, PresetRowsShowTheTableAndOkStoresTheirChecksAndFrequencies)
{
    App.PresetTable[0] = { 1, 8250 };
    App.PresetTable[1] = { 0, 954 };
    App.PresetTable[2] = { 2, 0 };
    RunSheet(1, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 1), IDC_PRESET_LIST);
        ASSERT_EQ(RowCount(list), PresetCount);
        EXPECT_EQ(CellText(list, 0, 0), "01");
        EXPECT_EQ(CellText(list, 39, 0), "40");
        EXPECT_EQ(CellText(list, 0, 1), "FM 82.50MHz");
        EXPECT_EQ(CellText(list, 1, 1), "AM 954kHz");
        EXPECT_EQ(CellText(list, 2, 1), "");
        EXPECT_EQ(GetItemParam(list, 1), 954);
        EXPECT_TRUE(ListView_GetCheckState(list, 0));
        EXPECT_FALSE(ListView_GetCheckState(list, 1));
        EXPECT_TRUE(ListView_GetCheckState(list, 2));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));  // filling the rows is no change
        ListView_SetCheckState(list, 1, TRUE);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.PresetTable[0].Frequency, 8250);
    EXPECT_EQ(App.PresetTable[1].Enabled, 1);
    EXPECT_EQ(App.PresetTable[2].Enabled, 1);  // stored as 1, not as the 2 it was
    EXPECT_EQ(App.PresetTable[5].Enabled, 1);
}

TEST_F(Options, PresetFrequencyIsTypedInPlace)
{
    App.PresetTable[5].Frequency = 8010;
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        HWND list = GetDlgItem(page, IDC_PRESET_LIST);
        SetFocus(list);
        ListView_SetItemState(list, -1, 0, LVIS_FOCUSED | LVIS_SELECTED);
        Key(sheet, VK_F2);  // no focused row: nothing opens
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));

        FocusRow(list, 4);
        Key(sheet, VK_F2);
        ASSERT_TRUE(EditorShown(list, IDC_PRESET_EDITOR));
        EXPECT_EQ(GetFocus(), GetDlgItem(list, IDC_PRESET_EDITOR));
        EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
        Type(sheet, "95x4");  // a letter is refused
        Key(sheet, VK_RETURN);
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));
        EXPECT_EQ(GetFocus(), list);
        EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
        EXPECT_EQ(GetItemParam(list, 4), 954);
        EXPECT_EQ(CellText(list, 4, 1), "AM 954kHz");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));

        FocusRow(list, 5);
        Key(sheet, VK_F2);
        char shown[16];
        GetWindowTextA(GetDlgItem(list, IDC_PRESET_EDITOR), shown, sizeof shown);
        EXPECT_STREQ(shown, "8010");  // the plain number, not the frequency text
        Key(sheet, VK_BACK);           // the whole text was selected
        Key(sheet, VK_RETURN);
        EXPECT_EQ(GetItemParam(list, 5), 0);
        EXPECT_EQ(CellText(list, 5, 1), "");

        FocusRow(list, 6);
        Key(sheet, VK_F2);
        Type(sheet, "12345");  // four digits at most
        Key(sheet, VK_RETURN);
        EXPECT_EQ(GetItemParam(list, 6), 1234);

        for (WORD leave : { VK_ESCAPE, VK_TAB }) {
            FocusRow(list, 2);
            Key(sheet, VK_F2);
            Type(sheet, "954");
            Key(sheet, leave);
            EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR)) << leave;
            EXPECT_EQ(GetItemParam(list, 2), 0) << leave;
        }
        EXPECT_NE(GetFocus(), list);  // Tab went on to the next control

        // Clicks: the first selects the row, a second on its frequency opens it.
        SetFocus(list);
        ClickCell(sheet, list, 3, 1);
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));
        ClickCell(sheet, list, 3, 0);  // the number column is not editable
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));
        ClickCell(sheet, list, 3, 1);
        EXPECT_TRUE(EditorShown(list, IDC_PRESET_EDITOR));
        EXPECT_EQ(App.EditItem, 3);
        ClickCell(sheet, list, 8, 1);  // a click elsewhere ends the edit
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));

        // So does starting to drag a column divider.
        FocusRow(list, 9);
        Key(sheet, VK_F2);
        ASSERT_TRUE(EditorShown(list, IDC_PRESET_EDITOR));
        HWND header = ListView_GetHeader(list);
        RECT first;
        Header_GetItemRect(header, 0, &first);
        ClickAt(sheet, header, { first.right - 1, (first.top + first.bottom) / 2 });
        EXPECT_FALSE(EditorShown(list, IDC_PRESET_EDITOR));
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.PresetTable[4].Frequency, 954);
    EXPECT_EQ(App.PresetTable[5].Frequency, 0);
    EXPECT_EQ(App.PresetTable[6].Frequency, 1234);
    EXPECT_EQ(App.PresetTable[2].Frequency, 0);
}

namespace {

struct MenuStates {
    UINT Enable;
    UINT Disable;
};
MenuStates SeenMenu;

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(NULL, timer);
    HMENU popup = GetSubMenu(App.PresetMenu, 0);
    SeenMenu.Enable = GetMenuState(popup, IDM_RESERVE_ENABLE, MF_BYCOMMAND) & MF_GRAYED;
    SeenMenu.Disable = GetMenuState(popup, IDM_RESERVE_DISABLE, MF_BYCOMMAND) & MF_GRAYED;
    EndMenu();
}

// The context menu as the page offers it for the list's current selection.
MenuStates RightClickPresets(HWND sheet, HWND page, HWND list)
{
    SeenMenu = { 99, 99 };
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_PRESET_LIST;
    click.hdr.code = NM_RCLICK;
    click.iItem = -1;
    SetTimer(NULL, 0, 50, CloseMenu);
    SendMessageA(page, WM_NOTIFY, IDC_PRESET_LIST, (LPARAM)&click);
    Pump(sheet);
    return SeenMenu;
}

}  // namespace

TEST_F(Options, PresetMenuOffersOnlyWhatTheSelectionCanChange)
{
    App.PresetTable[0].Enabled = 1;
    App.PresetTable[1].Enabled = 1;
    App.PresetTable[2].Enabled = 0;
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        HWND list = GetDlgItem(page, IDC_PRESET_LIST);
        struct Case {
            std::vector<int> Selected;
            UINT Enable, Disable;
        } cases[] = {
            { {}, MF_GRAYED, MF_GRAYED },
            { { 0, 1 }, MF_GRAYED, 0 },
            { { 2 }, 0, MF_GRAYED },
            { { 1, 2 }, 0, 0 },
        };
        for (const Case &c : cases) {
            ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
            for (int row : c.Selected)
                ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
            MenuStates seen = RightClickPresets(sheet, page, list);
            EXPECT_EQ(seen.Enable, c.Enable) << c.Selected.size();
            EXPECT_EQ(seen.Disable, c.Disable) << c.Selected.size();
        }
        // "無効" on rows 1 and 2 (selected last), then OK.
        SendMessageA(page, WM_COMMAND, IDM_RESERVE_DISABLE, 0);
        EXPECT_FALSE(ListView_GetCheckState(list, 1));
        EXPECT_FALSE(ListView_GetCheckState(list, 2));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.PresetTable[0].Enabled, 1);
    EXPECT_EQ(App.PresetTable[1].Enabled, 0);
    EXPECT_EQ(App.PresetTable[2].Enabled, 0);
}

TEST_F(Options, CtrlASelectsEveryPresetOnlyWhileTheListHasTheFocus)
{
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        HWND list = GetDlgItem(page, IDC_PRESET_LIST);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        // What the sheet hands a page for each key message it sees.
        auto translate = [&](HWND target) {
            MSG key = { target, WM_KEYDOWN, 'A', 1, GetTickCount(), {} };
            PSHNOTIFY notify = {};
            notify.hdr.hwndFrom = sheet;
            notify.hdr.code = PSN_TRANSLATEACCELERATOR;
            notify.lParam = (LPARAM)&key;
            return SendMessageA(page, WM_NOTIFY, 0, (LPARAM)&notify);
        };
        HWND button = GetDlgItem(page, IDC_PRESET_ACQUIRE);
        SetFocus(button);
        EXPECT_EQ(translate(button), PSNRET_NOERROR);
        EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
        SetFocus(list);
        EXPECT_EQ(translate(list), PSNRET_MESSAGEHANDLED);
        EXPECT_EQ(ListView_GetSelectedCount(list), (UINT)PresetCount);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Options, OpenEditorIsFramed)
{
    RunSheet(1, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 1), IDC_PRESET_LIST);
        FocusRow(list, 1);
        Key(sheet, VK_F2);
        HWND editor = GetDlgItem(list, IDC_PRESET_EDITOR);
        ASSERT_TRUE(IsWindowVisible(editor));
        InvalidateRect(list, NULL, TRUE);
        UpdateWindow(list);
        Pump(sheet);
        RECT frame;
        GetWindowRect(editor, &frame);
        MapWindowPoints(NULL, list, (POINT *)&frame, 2);
        InflateRect(&frame, 2, 2);
        frame.bottom -= 1;
        HDC dc = GetDC(list);
        COLORREF outline = GetPixel(dc, frame.left, (frame.top + frame.bottom) / 2);
        COLORREF inside = GetPixel(dc, frame.left + 1, (frame.top + frame.bottom) / 2);
        ReleaseDC(list, dc);
        EXPECT_EQ(outline, GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(inside, GetSysColor(COLOR_WINDOW));
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

// ---- automatic acquisition from the simulated stereo ----

namespace {

// The main window's tick, as far as the stereo goes, run from a timer while
// the progress dialog is up; it also watches the dialog's bar.
struct AcquireWatch {
    HWND MainWindow;          // when set, its own tick drives the stereo
    HWND Dialog;
    std::vector<int> Bar;
    int Ticks;
    int CancelAtBar;          // the user presses Cancel once the bar shows this
    int ReservationAtBar;     // a reserved recording begins once the bar shows this
    bool StoppedShown;
    int32_t DefIdAnswer;
};
AcquireWatch Watch;

void PressDialogButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

VOID CALLBACK AcquireTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!Watch.Dialog)
        Watch.Dialog = App.AcquireWindow ? App.AcquireWindow : FindThreadWindow("周波数自動取得");
    if (Watch.MainWindow)
        OnTick(Watch.MainWindow, TickTimerId);
    else
        RunStereoTick();
    Watch.Ticks++;
    if (!Watch.Dialog || !IsWindow(Watch.Dialog))
        return;
    int bar = (int)SendDlgItemMessageA(Watch.Dialog, IDC_ACQUIRE_PROGRESS, PBM_GETPOS, 0, 0);
    if (Watch.Bar.empty() ? bar != 0 : bar != Watch.Bar.back())
        Watch.Bar.push_back(bar);
    if (Watch.CancelAtBar && bar == Watch.CancelAtBar) {
        Watch.CancelAtBar = 0;
        // The dialog manager asks the dialog for its default button with the
        // same message number the stereo's reports use.
        Watch.DefIdAnswer = (int32_t)SendMessageA(Watch.Dialog, DM_GETDEFID, 0, 0);
        PressDialogButton(Watch.Dialog, IDCANCEL);
    }
    if (Watch.ReservationAtBar && bar == Watch.ReservationAtBar) {
        Watch.ReservationAtBar = 0;
        // What beginning a reserved recording with MuteRec assigns.
        App.DeviceRequest.PendingFlags = ReqPower | ReqSource | ReqPreset | ReqMute;
        App.DeviceRequest.TargetPreset = 7;
        App.ReserveState = Armed;
    }
    char text[128];
    GetDlgItemTextA(Watch.Dialog, IDC_ACQUIRE_TEXT, text, sizeof text);
    if (!Watch.StoppedShown && strcmp(text, "プリセット周波数を取得しています...") != 0) {
        Watch.StoppedShown = true;
        PressDialogButton(Watch.Dialog, IDCANCEL);
    }
    if (Watch.Ticks > 3000)
        PressDialogButton(Watch.Dialog, IDCANCEL);  // a stuck acquisition must not hang the run
}

// Presses "自動取得" and returns when the progress dialog has ended.
void Acquire(HWND sheet, HWND page)
{
    UINT_PTR tick = SetTimer(NULL, 0, 10, AcquireTick);
    SendMessageA(GetDlgItem(page, IDC_PRESET_ACQUIRE), BM_CLICK, 0, 0);
    KillTimer(NULL, tick);
    Pump(sheet);
}

std::vector<int> BarAfterPresets(int last)
{
    std::vector<int> bar;
    for (int n = 1; n <= last; n++)
        bar.push_back(n * 5 / 2);
    return bar;
}

// The bar as the stereo reports its presets up to last: an empty one is
// never reported, so it moves the bar no further.
std::vector<int> BarAfterStations(const SimStereo &stereo, int last)
{
    std::vector<int> bar;
    for (int n = 1; n <= last; n++)
        if (stereo.PresetFrequency[n - 1])
            bar.push_back(n * 5 / 2);
    return bar;
}

// What a row holds after a whole acquisition: the stereo's frequency, or,
// for a preset the stereo never reported, what the row held before.
int32_t AcquiredFrequency(const SimStereo &stereo, int slot, int32_t before)
{
    return stereo.PresetFrequency[slot] ? stereo.PresetFrequency[slot] : before;
}

class Acquisition : public Options {
protected:
    void SetUp() override
    {
        Options::SetUp();
        ASSERT_TRUE(OpenSimulatedStereo(folder));
        ChangeSimulatedStereo([](SimStereo &stereo) {
            SimDefaultStereo(&stereo);  // standby, on CD, unmuted
            stereo.Source = 1;
        });
        stereo = SimulatedStereo();
        for (int i = 0; i < PresetCount; i++)
            App.PresetTable[i] = { i % 2, 999 };  // untouched rows stay recognisable
        Watch = AcquireWatch{};
    }
    SimStereo stereo;
};

}  // namespace

TEST_F(Acquisition, FromStandbyRunsToPreset40AndOkStoresTheFrequencies)
{
    ASSERT_NE(stereo.PresetFrequency[18], 999);
    ASSERT_EQ(stereo.PresetFrequency[19], 0);
    ASSERT_EQ(stereo.PresetFrequency[39], 0) << "the last preset is empty: it must not hold the run up";
    int lastStation = 0;
    for (int n = 1; n <= PresetCount; n++)
        if (stereo.PresetFrequency[n - 1])
            lastStation = n;
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        HWND list = GetDlgItem(page, IDC_PRESET_LIST);
        Acquire(sheet, page);
        EXPECT_FALSE(IsWindow(Watch.Dialog));  // it closed itself
        EXPECT_LT(Watch.Ticks, 3000);
        EXPECT_EQ(Watch.Bar, BarAfterStations(stereo, 40));
        for (int i = 0; i < PresetCount; i++) {
            EXPECT_EQ(GetItemParam(list, i), AcquiredFrequency(stereo, i, 999)) << i;
            EXPECT_EQ(CellText(list, i, 1), Frequency(AcquiredFrequency(stereo, i, 999))) << i;
        }
        // An empty preset the stereo never reported keeps what its row held.
        EXPECT_EQ(CellText(list, 19, 1), Frequency(999));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    for (int i = 0; i < PresetCount; i++) {
        EXPECT_EQ(App.PresetTable[i].Frequency, AcquiredFrequency(stereo, i, 999)) << i;
        EXPECT_EQ(App.PresetTable[i].Enabled, i % 2) << i;  // the check boxes stay as they were
    }
    EXPECT_EQ(App.AcquireWindow, (HWND)NULL);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    SimStereo after = SimulatedStereo();
    EXPECT_EQ(after.Power, 1);
    EXPECT_EQ(after.Mute, 1);
    EXPECT_EQ(after.Source, 0);
    EXPECT_EQ(after.Preset, lastStation);
}

TEST_F(Acquisition, AStereoWithOnlyEmptyPresetsPastTheFirstStillReaches40)
{
    ChangeSimulatedStereo([](SimStereo &s) {
        for (int i = 1; i < PresetCount; i++)
            s.PresetFrequency[i] = i == 29 ? 9000 : 0;
    });
    stereo = SimulatedStereo();
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        HWND list = GetDlgItem(page, IDC_PRESET_LIST);
        Acquire(sheet, page);
        EXPECT_FALSE(IsWindow(Watch.Dialog)) << "it closed itself after 40";
        EXPECT_EQ(Watch.Bar, (std::vector<int>{ 1 * 5 / 2, 30 * 5 / 2 }));
        // About three seconds for each of the 38 presets passed over.
        EXPECT_GT(Watch.Ticks, 38 * AcquireSkipAsks);
        EXPECT_LT(Watch.Ticks, 38 * AcquireSkipAsks + 300);
        for (int i = 0; i < PresetCount; i++)
            EXPECT_EQ(GetItemParam(list, i), AcquiredFrequency(stereo, i, 999)) << i;
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.PresetTable[0].Frequency, stereo.PresetFrequency[0]);
    EXPECT_EQ(App.PresetTable[29].Frequency, 9000);
    EXPECT_EQ(App.PresetTable[39].Frequency, 999);
    EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);
    EXPECT_EQ(SimulatedStereo().Preset, 30);
}

TEST_F(Acquisition, RunsFromTheMainWindowsTick)
{
    DeviceClose();  // the main window opens its own link
    HWND mainWindow = OpenMainWindow(folder, stereo);
    ASSERT_TRUE(mainWindow);
    Watch.MainWindow = mainWindow;
    RunSheetFromMainWindow(mainWindow, [&](HWND sheet) {
        PropSheet_SetCurSel(sheet, NULL, 1);
        Pump(sheet);
        Acquire(sheet, PropSheet_IndexToHwnd(sheet, 1));
        EXPECT_EQ(Watch.Bar, BarAfterStations(stereo, 40));
        PressSheetButton(sheet, PSBTN_OK);
    });
    PumpMessages();
    for (int i = 0; i < PresetCount; i++)
        EXPECT_EQ(App.PresetTable[i].Frequency, AcquiredFrequency(stereo, i, 999)) << i;

    // The learnt frequencies are the stations a new reservation offers.
    std::vector<std::string> offered;
    std::vector<int> slots;
    WhenWindowAppears([&] { return FindThreadWindow("#32770", NULL, mainWindow); }, [&](HWND dialog) {
        HWND combo = GetDlgItem(dialog, IDC_EDIT_STATION);
        for (int item = 0; item < (int)SendMessageA(combo, CB_GETCOUNT, 0, 0); item++) {
            char text[64] = "";
            SendMessageA(combo, CB_GETLBTEXT, (WPARAM)item, (LPARAM)text);
            offered.push_back(text);
            slots.push_back((int)SendMessageA(combo, CB_GETITEMDATA, (WPARAM)item, 0));
        }
        PressDialogButton(dialog, IDCANCEL);
    });
    DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_RESERVE_EDIT), mainWindow, ReserveEditDlgProc,
                    (LPARAM)-1);
    ASSERT_EQ(offered.size(), (size_t)PresetCount / 2) << "the enabled presets";
    for (size_t k = 0; k < offered.size(); k++) {
        int32_t frequency = App.PresetTable[slots[k]].Frequency;
        int station = FindStationByFrequency(frequency);
        std::string expected = station >= 0 ? App.StationNameTable.Items[station].Name : Frequency(frequency);
        if (frequency == 0)
            expected = std::to_string(slots[k] + 1);
        EXPECT_EQ(offered[k], expected) << "preset " << slots[k] + 1;
    }
    CloseMainWindow(mainWindow);
}

TEST_F(Acquisition, CancelOfTheSheetDropsTheAcquiredFrequencies)
{
    RunSheet(1, [&](HWND sheet) {
        Acquire(sheet, PropSheet_IndexToHwnd(sheet, 1));
        EXPECT_EQ(Watch.Bar, BarAfterStations(stereo, 40));
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    for (int i = 0; i < PresetCount; i++)
        EXPECT_EQ(App.PresetTable[i].Frequency, 999) << i;
}

TEST_F(Acquisition, CancelAfterPreset12KeepsRows1To12)
{
    Watch.CancelAtBar = 12 * 5 / 2;
    RunSheet(1, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 1);
        Acquire(sheet, page);
        EXPECT_EQ(Watch.Bar, BarAfterPresets(12));  // the default-button query moved nothing
        EXPECT_EQ(HIWORD(Watch.DefIdAnswer), DC_HASDEFID);
        EXPECT_EQ(App.AcquireWindow, (HWND)NULL);
        EXPECT_EQ(App.DeviceRequest.PendingFlags, 0u);  // nothing more is sent to the stereo
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    for (int i = 0; i < PresetCount; i++)
        EXPECT_EQ(App.PresetTable[i].Frequency, i < 12 ? stereo.PresetFrequency[i] : 999) << i;
}

TEST_F(Acquisition, ReservationTakingOverTheStereoStopsTheDialogAndKeepsItsRequests)
{
    Watch.ReservationAtBar = 5 * 5 / 2;
    RunSheet(1, [&](HWND sheet) {
        Acquire(sheet, PropSheet_IndexToHwnd(sheet, 1));
        EXPECT_TRUE(Watch.StoppedShown);
        PressSheetButton(sheet, PSBTN_OK);
    });
    for (int tick = 0; tick < 100 && App.DeviceRequest.PendingFlags; tick++)
        RunStereoTick();
    EXPECT_EQ(Watch.Bar, BarAfterPresets(5));
    EXPECT_EQ(App.AcquireWindow, (HWND)NULL);
    // Closing the dialog dropped nothing of the reservation's requests: they
    // ran to the reservation's preset.
    EXPECT_EQ(SimulatedStereo().Preset, 7);
    for (int i = 0; i < PresetCount; i++)
        EXPECT_EQ(App.PresetTable[i].Frequency, i < 5 ? stereo.PresetFrequency[i] : 999) << i;
}

TEST_F(Acquisition, IsRefusedWhileAReservedRecordingIsUnderWay)
{
    App.ReserveState = Recording;
    App.DeviceRequest.PendingFlags = ReqPower;
    App.DeviceRequest.TargetPower = 0;
    RunSheet(1, [&](HWND sheet) {
        Acquire(sheet, PropSheet_IndexToHwnd(sheet, 1));
        EXPECT_TRUE(Watch.StoppedShown);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_TRUE(Watch.Bar.empty());
    EXPECT_EQ(App.DeviceRequest.TargetPower, 0);
    EXPECT_EQ(SimulatedStereo().Preset, stereo.Preset);
}

// ---- the station page ----

namespace {

int DeleteBoxes;
int DeleteAnswer;

VOID CALLBACK AnswerDeleteBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindThreadWindow("削除の確認");
    if (!box)
        return;
    DeleteBoxes++;
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(DeleteAnswer, BN_CLICKED), (LPARAM)GetDlgItem(box, DeleteAnswer));
}

// Presses "削除", answering the question (if any) with answer.
int PressDelete(HWND sheet, HWND page, int answer)
{
    DeleteBoxes = 0;
    DeleteAnswer = answer;
    UINT_PTR timer = SetTimer(NULL, 0, 20, AnswerDeleteBox);
    SendMessageA(GetDlgItem(page, IDC_STATION_DELETE), BM_CLICK, 0, 0);
    KillTimer(NULL, timer);
    Pump(sheet);
    return DeleteBoxes;
}

std::vector<int32_t> RowFrequencies(HWND list)
{
    std::vector<int32_t> rows;
    for (int i = 0; i < RowCount(list); i++)
        rows.push_back((int32_t)GetItemParam(list, i));
    return rows;
}

void ClickHeader(HWND sheet, HWND list, int column)
{
    HWND header = ListView_GetHeader(list);
    RECT item;
    Header_GetItemRect(header, column, &item);
    ClickAt(sheet, header, { (item.left + item.right) / 2, (item.top + item.bottom) / 2 });
}

}  // namespace

TEST_F(Options, NewStationRowThenEscapeRemovesIt)
{
    RunSheet(2, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 2);
        HWND list = GetDlgItem(page, IDC_STATION_LIST);
        ASSERT_EQ(RowCount(list), 7);
        ClickButton(sheet, page, IDC_STATION_NEW);
        ASSERT_EQ(RowCount(list), 8);
        EXPECT_TRUE(EditorShown(list, IDC_STATION_EDITOR));
        EXPECT_EQ(ListView_GetSelectedCount(list), 1u);
        EXPECT_TRUE(ListView_GetItemState(list, 7, LVIS_SELECTED | LVIS_FOCUSED) == (LVIS_SELECTED | LVIS_FOCUSED));
        Type(sheet, "9");
        Key(sheet, VK_ESCAPE);
        EXPECT_FALSE(EditorShown(list, IDC_STATION_EDITOR));
        EXPECT_EQ(RowCount(list), 7);

        // From the context menu, then ended by scrolling the list.
        SendMessageA(page, WM_COMMAND, IDM_RESERVE_NEW, 0);
        ASSERT_TRUE(EditorShown(list, IDC_STATION_EDITOR));
        SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
        EXPECT_FALSE(EditorShown(list, IDC_STATION_EDITOR));
        EXPECT_EQ(RowCount(list), 7);
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.StationNameTable.Count, 7u);
}

TEST_F(Options, NewStationTypedInPlaceIsStoredOnOk)
{
    RunSheet(2, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 2);
        HWND list = GetDlgItem(page, IDC_STATION_LIST);
        ClickButton(sheet, page, IDC_STATION_NEW);
        Type(sheet, "954");
        Key(sheet, VK_RETURN);
        EXPECT_FALSE(EditorShown(list, IDC_STATION_EDITOR));
        ASSERT_EQ(RowCount(list), 8);
        EXPECT_EQ(CellText(list, 7, 0), "AM 954kHz");
        Key(sheet, VK_RIGHT);
        EXPECT_EQ(App.FocusColumn, 1);
        Key(sheet, VK_F2);
        ASSERT_TRUE(EditorShown(list, IDC_STATION_EDITOR));
        Type(sheet, "Bay FM 78 Tokyo");  // ten bytes fit, the rest cannot be typed
        Key(sheet, VK_RETURN);
        EXPECT_EQ(CellText(list, 7, 1), "Bay FM 78 ");
        PressSheetButton(sheet, PSBTN_OK);
    });
    auto stored = StoredStations();
    ASSERT_EQ(stored.size(), 8u);
    EXPECT_EQ(stored.back(), std::make_pair(954, std::string("Bay FM 78 ")));
    EXPECT_EQ(stored[3], std::make_pair(954, std::string("TBSラジオ")));  // same frequency, both kept
}

TEST_F(Options, StationNameEscapeKeepsTheOldNameAndANamedRowWithoutFrequencyStays)
{
    SetStations({ { 810, "Eagle 810" }, { 0, "名前だけ" } });
    RunSheet(2, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        FocusRow(list, 0);
        Key(sheet, VK_RIGHT);
        Key(sheet, VK_F2);
        char shown[16];
        GetWindowTextA(GetDlgItem(list, IDC_STATION_EDITOR), shown, sizeof shown);
        EXPECT_STREQ(shown, "Eagle 810");
        Type(sheet, "AFN");
        Key(sheet, VK_ESCAPE);
        EXPECT_EQ(CellText(list, 0, 1), "Eagle 810");
        FocusRow(list, 1);
        Key(sheet, VK_LEFT);
        Key(sheet, VK_F2);
        Key(sheet, VK_ESCAPE);
        EXPECT_EQ(RowCount(list), 2);
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(StoredStations(), (std::vector<std::pair<int32_t, std::string>>{ { 810, "Eagle 810" }, { 0, "名前だけ" } }));
}

TEST_F(Options, StationClicksMoveTheFocusMarkThenOpenTheCell)
{
    RunSheet(2, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        SetFocus(list);
        ClickCell(sheet, list, 2, 0);
        EXPECT_TRUE(ListView_GetItemState(list, 2, LVIS_SELECTED));
        EXPECT_FALSE(EditorShown(list, IDC_STATION_EDITOR));
        ClickCell(sheet, list, 2, 1);  // the other cell of the selected row: only the mark moves
        EXPECT_EQ(App.FocusColumn, 1);
        EXPECT_FALSE(EditorShown(list, IDC_STATION_EDITOR));
        ClickCell(sheet, list, 2, 1);
        EXPECT_TRUE(EditorShown(list, IDC_STATION_EDITOR));
        EXPECT_EQ(App.EditItem, 2);
        Key(sheet, VK_ESCAPE);

        // Among several selected rows a single click opens the cell.
        ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(list, 4, LVIS_SELECTED, LVIS_SELECTED);
        ClickCell(sheet, list, 4, 0);
        EXPECT_TRUE(EditorShown(list, IDC_STATION_EDITOR));
        EXPECT_EQ(App.EditItem, 4);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

TEST_F(Options, HeaderClicksSortEachColumnByItsOwnCount)
{
    SetStations({ { 1242, "B" }, { 594, "D" }, { 954, "A" }, { 693, "C" } });
    std::vector<std::vector<int32_t>> orders;
    RunSheet(2, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        for (int column : { 0, 0, 1 }) {
            ClickHeader(sheet, list, column);
            orders.push_back(RowFrequencies(list));
        }
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, ApplyButton)));
        PressSheetButton(sheet, PSBTN_OK);
    });
    ASSERT_EQ(orders.size(), 3u);
    EXPECT_EQ(orders[0], (std::vector<int32_t>{ 594, 693, 954, 1242 }));
    EXPECT_EQ(orders[1], (std::vector<int32_t>{ 1242, 954, 693, 594 }));
    EXPECT_EQ(orders[2], (std::vector<int32_t>{ 954, 1242, 693, 594 }));  // A, B, C, D
    EXPECT_EQ(StoredStations(), (std::vector<std::pair<int32_t, std::string>>{
                                    { 954, "A" }, { 1242, "B" }, { 693, "C" }, { 594, "D" } }));
}

TEST_F(Options, TunedStationIsFoundAgainWhenTheTableChanges)
{
    SetStations({ { 954, "TBSラジオ" }, { 594, "NHK 第1" } });
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Frequency = 594;
    HWND mainWindow = OpenMainWindow(folder, stereo);
    ASSERT_TRUE(mainWindow);
    ASSERT_EQ(App.StationIndex, 1);
    int afterApply = -2;
    RunSheetFromMainWindow(mainWindow, [&](HWND sheet) {
        PropSheet_SetCurSel(sheet, NULL, 2);
        Pump(sheet);
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        ClickHeader(sheet, list, 1);  // by name: NHK comes first
        PropSheet_PressButton(sheet, PSBTN_APPLYNOW);
        Pump(sheet);
        afterApply = App.StationIndex;
        PressSheetButton(sheet, PSBTN_OK);
    });
    PumpMessages();
    EXPECT_EQ(afterApply, 0) << "found again as soon as the table is stored";
    ASSERT_EQ(App.StationIndex, 0);
    EXPECT_STREQ(App.StationNameTable.Items[App.StationIndex].Name, "NHK 第1");
    CloseMainWindow(mainWindow);
}

TEST_F(Options, DeleteAsksOnceForAllSelectedRows)
{
    RunSheet(2, [&](HWND sheet) {
        HWND page = PropSheet_IndexToHwnd(sheet, 2);
        HWND list = GetDlgItem(page, IDC_STATION_LIST);
        EXPECT_EQ(PressDelete(sheet, page, IDYES), 0);  // nothing selected: no question
        EXPECT_EQ(RowCount(list), 7);
        for (int row : { 1, 3, 5 })
            ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(PressDelete(sheet, page, IDNO), 1);
        EXPECT_EQ(RowCount(list), 7);
        EXPECT_EQ(PressDelete(sheet, page, IDYES), 1);
        EXPECT_EQ(RowFrequencies(list), (std::vector<int32_t>{ 594, 810, 1134, 1422 }));
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(App.StationNameTable.Count, 4u);
}

TEST_F(Options, ElevenByteNamesFromTheFileSurviveOk)
{
    SetStations({ { 954, "WWWWWWWWWWW" }, { 1134, "A文化放送局" } });
    RunSheet(2, [&](HWND sheet) { PressSheetButton(sheet, PSBTN_OK); });
    EXPECT_EQ(StoredStations(), (std::vector<std::pair<int32_t, std::string>>{
                                    { 954, "WWWWWWWWWWW" }, { 1134, "A文化放送局" } }));
}

// ---- painting the station rows ----

namespace {

// One row painted by DrawStationRow into a memory bitmap the size of the list.
struct RowPicture {
    HDC Dc;
    HBITMAP Bitmap;
    HGDIOBJ OldBitmap;
    HGDIOBJ OldFont;
};

RowPicture PaintRow(HWND list, int row, UINT itemState)
{
    RECT client;
    GetClientRect(list, &client);
    HDC screen = GetDC(list);
    RowPicture picture;
    picture.Dc = CreateCompatibleDC(screen);
    picture.Bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(list, screen);
    picture.OldBitmap = SelectObject(picture.Dc, picture.Bitmap);
    picture.OldFont = SelectObject(picture.Dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
    PatBlt(picture.Dc, 0, 0, client.right, client.bottom, WHITENESS);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_LISTVIEW;
    item.CtlID = IDC_STATION_LIST;
    item.itemID = (UINT)row;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = itemState;
    item.hwndItem = list;
    item.hDC = picture.Dc;
    ListView_GetItemRect(list, row, &item.rcItem, LVIR_BOUNDS);
    DrawStationRow(&item);
    return picture;
}

void FreePicture(RowPicture &picture)
{
    SelectObject(picture.Dc, picture.OldFont);
    SelectObject(picture.Dc, picture.OldBitmap);
    DeleteObject(picture.Bitmap);
    DeleteDC(picture.Dc);
}

bool SamePixels(HWND list, int row, const RowPicture &a, const RowPicture &b)
{
    RECT bounds;
    ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
    for (int y = bounds.top; y < bounds.bottom; y++)
        for (int x = bounds.left; x < bounds.right; x++)
            if (GetPixel(a.Dc, x, y) != GetPixel(b.Dc, x, y))
                return false;
    return true;
}

// The colour at the right end of a row's cell, where no text reaches.
COLORREF CellBackground(HWND list, const RowPicture &picture, int row, int column)
{
    RECT bounds;
    ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
    int right = ListView_GetColumnWidth(list, 0);
    if (column == 1)
        right += ListView_GetColumnWidth(list, 1);
    return GetPixel(picture.Dc, right - 3, bounds.bottom - 3);
}

}  // namespace

TEST_F(Options, NameWiderThanItsColumnIsDrawnCutButStoredWhole)
{
    SetStations({ { 954, "WWWWWWWWWW" } });
    RunSheet(2, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        RowPicture whole = PaintRow(list, 0, 0);
        // The same row holding what the cell has room for.
        HDC dc = whole.Dc;
        char shortened[16];
        ShortenWithEllipsis(dc, "WWWWWWWWWW", ListView_GetColumnWidth(list, 1) - 3, shortened);
        std::string cut = shortened;
        ASSERT_GT(cut.size(), 3u);
        EXPECT_EQ(cut.substr(cut.size() - 3), "...");
        SetCell(list, 0, 1, shortened);
        RowPicture expected = PaintRow(list, 0, 0);
        EXPECT_TRUE(SamePixels(list, 0, whole, expected));
        FreePicture(whole);
        FreePicture(expected);
        SetCell(list, 0, 1, "WWWWWWWWWW");
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(StoredStations(), (std::vector<std::pair<int32_t, std::string>>{ { 954, "WWWWWWWWWW" } }));
}

TEST_F(Options, OneSelectedRowHighlightsOnlyItsFocusCellSeveralRowsWholeRows)
{
    RunSheet(2, [&](HWND sheet) {
        HWND list = GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_LIST);
        COLORREF plain = GetSysColor(COLOR_WINDOW);
        COLORREF marked = GetSysColor(COLOR_HIGHLIGHT);
        FocusRow(list, 1);
        App.FocusColumn = 1;
        RowPicture one = PaintRow(list, 1, ODS_SELECTED | ODS_FOCUS);
        EXPECT_EQ(CellBackground(list, one, 1, 0), plain);
        EXPECT_EQ(CellBackground(list, one, 1, 1), marked);
        FreePicture(one);

        ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
        for (int row : { 1, 2 }) {
            RowPicture several = PaintRow(list, row, ODS_SELECTED);
            EXPECT_EQ(CellBackground(list, several, row, 0), marked) << row;
            EXPECT_EQ(CellBackground(list, several, row, 1), marked) << row;
            FreePicture(several);
        }
        RowPicture unselected = PaintRow(list, 3, 0);
        EXPECT_EQ(CellBackground(list, unselected, 3, 1), plain);
        FreePicture(unselected);

        SetFocus(GetDlgItem(PropSheet_IndexToHwnd(sheet, 2), IDC_STATION_NEW));
        RowPicture unfocused = PaintRow(list, 1, ODS_SELECTED);
        EXPECT_EQ(CellBackground(list, unfocused, 1, 1), GetSysColor(COLOR_BTNFACE));
        FreePicture(unfocused);
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
}

// ---- shortening a text ----

TEST(Ellipsis, KeepsTheLongestRunOfWholeCharactersThatFitsWithTheDots)
{
    HDC dc = CreateCompatibleDC(NULL);
    LOGFONTA face = {};
    face.lfHeight = -12;
    face.lfCharSet = SHIFTJIS_CHARSET;
    strcpy(face.lfFaceName, "ＭＳ Ｐゴシック");
    HFONT font = CreateFontIndirectA(&face);
    HGDIOBJ old = SelectObject(dc, font);
    auto width = [dc](const std::string &text) {
        SIZE extent;
        GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &extent);
        return (int)extent.cx;
    };
    struct Case {
        const char *Text;
        const char *Shortened;
        int Room;  // width given, in widths of the shortened text (0: its own)
    } cases[] = {
        { "WWWWWWWWWW", "WWW...", 0 },
        { "ﾆｯﾎﾟﾝ放送", "ﾆｯﾎﾟ...", 0 },
        { "文化放送局", "文化...", 0 },
        { "文化放送局", "文...", -1 },  // already two characters are too wide
        { "W", "...", -1 },
    };
    for (const Case &c : cases) {
        int room = c.Room == 0 ? width(c.Shortened) : width("...") - 1;
        char out[32];
        size_t length = ShortenWithEllipsis(dc, c.Text, room, out);
        EXPECT_STREQ(out, c.Shortened) << c.Text;
        EXPECT_EQ(length, strlen(c.Shortened)) << c.Text;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}
