// The reservation list window, the edit dialog and the recording formats,
// with real windows and the platform's own format chooser and file dialog.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>
#include <commctrl.h>
#include <mmreg.h>
#include <msacm.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "app/heap.h"
#include "res/resource.h"
#include "reserveui/reserveui.h"
#include "schedule/execute.h"
#include "schedule/results.h"

namespace {

WAVEFORMATEX DefaultFormat()
{
    WAVEFORMATEX format = {};
    SetDefaultFormat(&format);
    return format;
}

// A RESERVE line of the settings file (year 2024, month 1, one hour long).
std::string ReserveLine(int key, int enabled, const char *title, int preset, int day, int first, int last,
                        int startHour, int startMinute)
{
    WAVEFORMATEX format = DefaultFormat();
    char hex[64], line[512];
    BytesToHex((const BYTE *)&format, sizeof format, hex);
    snprintf(line, sizeof line, "%d=%d,%s,%d,2024,1,%d,%d,%d,%d,%d,%d,%d,C:\\rec\\%%T.wav,1,%s\r\n", key, enabled,
             title, preset, day, first, last, startHour, startMinute, (startHour + 1) % 24, startMinute, hex);
    return line;
}

// Slots 1 and 2 switched off, 3 and 4 offered; two station names.
const char TwoPresetsOff[] = "[FREQ]\r\n0=0,0\r\n1=0,594\r\n2=1,954\r\n3=1,8250\r\n"
                             "[STATION]\r\n594=NHK 第1\r\n954=TBSラジオ\r\n";

// A daily reservation whose next start lies hoursAhead hours from now.
ReserveEntry *AddDaily(const char *title, int hoursAhead, bool enabled = true)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    ReserveEntry *entry = ReserveEntryCreate(0);
    HeapFreeBlock(entry->Title);
    entry->Title = HeapStrDup(title);
    HeapFreeBlock(entry->SavePath);
    entry->SavePath = HeapStrDup("C:\\rec\\%T.wav");
    entry->Day = ReserveDayDaily;
    entry->Enabled = enabled ? 1 : 0;
    entry->StartHour = (uint16_t)((now.wHour + hoursAhead) % 24);
    entry->StartMinute = now.wMinute;
    ReserveListPush(&App.ReserveList, entry);
    return entry;
}

std::vector<std::string> Titles()
{
    std::vector<std::string> titles;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++)
        titles.push_back(App.ReserveList.Items[i]->Title);
    return titles;
}

std::string RowText(HWND listView, int row, int column)
{
    char text[256] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(listView, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return text;
}

bool RowChecked(HWND listView, int row)
{
    return (SendMessageA(listView, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void SetRowState(HWND listView, int row, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(listView, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

// Selects exactly these rows, each focused in turn.
void SelectRows(HWND listView, std::initializer_list<int> rows)
{
    SetRowState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows)
        SetRowState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool ButtonEnabled(HWND listWindow, int command)
{
    LRESULT state = SendDlgItemMessageA(listWindow, IDC_RESERVE_TOOLBAR, TB_GETSTATE, (WPARAM)command, 0);
    return state != -1 && (state & TBSTATE_ENABLED);
}

// ---- the edit dialog, driven from inside its own modal loop ----

enum { ScriptLeftDialogOpen = 99 };

HWND FindEditDialog()
{
    return FindThreadWindow("#32770", "予約設定", NULL);
}

void WhenEditDialogOpens(std::function<void(HWND)> script)
{
    WhenWindowAppears(FindEditDialog, [script](HWND dialog) {
        script(dialog);
        if (IsWindowVisible(dialog))
            EndDialog(dialog, ScriptLeftDialogOpen);
    });
}

// Opens the dialog on index (-1: a new reservation) as the list window does.
INT_PTR RunEditDialog(HWND owner, int index, std::function<void(HWND)> script)
{
    WhenEditDialogOpens(script);
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_RESERVE_EDIT), owner, ReserveEditDlgProc,
                           (LPARAM)index);
}

void Press(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

void Pick(HWND dialog, int id, int index)
{
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
}

// Sets a picker and reports the change as the picker does for the user.
void SetPicker(HWND dialog, int id, const SYSTEMTIME &time)
{
    HWND picker = GetDlgItem(dialog, id);
    SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&time);
    NMDATETIMECHANGE change = {};
    change.nmhdr = { picker, (UINT_PTR)id, (UINT)DTN_DATETIMECHANGE };
    change.dwFlags = GDT_VALID;
    change.st = time;
    SendMessageA(dialog, WM_NOTIFY, (WPARAM)id, (LPARAM)&change);
}

std::string ItemText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string SelectedText(HWND dialog, int id)
{
    char text[256] = "";
    LRESULT item = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (item >= 0)
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, (WPARAM)item, (LPARAM)text);
    return text;
}

bool ApplyEnabled(HWND dialog)
{
    return IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_APPLY)) != FALSE;
}

class ReserveWindow : public ::testing::Test {
protected:
    std::string Folder;
    HINSTANCE Instance = GetModuleHandleA(NULL);
    HWND Window = NULL;
    HWND List = NULL;

    void SetUp() override
    {
        ResetAppState();
        INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES };
        InitCommonControlsEx(&controls);
        RegisterReserveListClass(Instance);
        Folder = MakeTempFolder("reserveui");
        // The window's changes go to the settings file at once: in this
        // folder, not in the current one.
        snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", Folder.c_str());
    }

    void TearDown() override
    {
        CancelWindowWaits();
        if (App.ReserveListWindow)
            SendMessageA(App.ReserveListWindow, WM_CLOSE, 0, 0);
        ResetAppState();
        RemoveTree(Folder);
    }

    // Loads the settings as the program starts (no text: no settings file).
    void LoadSettings(const std::string &ini = "")
    {
        if (!ini.empty())
            WriteTextFile(Folder + SettingsFileName, ini);
        LoadAllSections(Folder);
    }

    void OpenList()
    {
        GetLocalTime(&App.LastTick);
        Window = App.ReserveListWindow = CreateReserveListWindow(Instance);
        ASSERT_NE(Window, nullptr);
        List = GetDlgItem(Window, IDC_RESERVE_LIST);
    }

    void Command(int id) { SendMessageA(Window, WM_COMMAND, (WPARAM)id, 0); }
};

}  // namespace

// ---- labels and formats ----

TEST(ReserveLabels, PresetShowsStationNameElseFrequencyElseNumber)
{
    static const struct {
        int Preset;
        int32_t SlotFrequency;
        bool Named;  // a station record exists for 954
        const char *Expected;
    } cases[] = {
        { 0, 954, true, "00" },          { 3, 0, false, "03" },       { 3, 8250, false, "FM 82.50MHz" },
        { 40, 954, false, "AM 954kHz" }, { 7, 954, true, "TBSラジオ" }, { 41, 954, true, "41" },
    };
    for (const auto &c : cases) {
        ResetAppState();
        StationName station = { 954, "" };
        SetStationName(&station, "TBSラジオ");
        if (c.Named)
            AddStation(&station);
        if (c.Preset >= 1 && c.Preset <= PresetCount)
            App.PresetTable[c.Preset - 1].Frequency = c.SlotFrequency;
        char text[64];
        PresetLabel(c.Preset, text, sizeof text);
        EXPECT_STREQ(text, c.Expected) << "preset " << c.Preset;
    }
    ResetAppState();
}

TEST(ReserveLabels, DateShowsDailyDateWeekdayOrRange)
{
    static const struct {
        uint16_t Month, Day, WeekdayFirst, WeekdayLast;
        const char *Expected;
    } cases[] = {
        { 0, 255, 3, 5, "毎日" },       { 0, 0, 0, 0, "毎日曜日" },    { 0, 0, 3, 3, "毎水曜日" },
        { 0, 0, 1, 6, "月-土曜日" },    { 0, 0, 1, 5, "月-金曜日" },   { 1, 5, 0, 0, "1/5(日)" },
        { 12, 24, 3, 0, "12/24(水)" },  { 0, 0, 9, 9, "毎?曜日" },  // a weekday only a hand-edited file holds
    };
    for (const auto &c : cases) {
        ReserveEntry entry = {};
        entry.Month = c.Month;
        entry.Day = c.Day;
        entry.WeekdayFirst = c.WeekdayFirst;
        entry.WeekdayLast = c.WeekdayLast;
        char text[64];
        DateLabel(&entry, text, sizeof text);
        EXPECT_STREQ(text, c.Expected);
    }
}

TEST(ReserveFormat, DescribesInTheAcmsOwnWordsOnOneOrTwoLines)
{
    WAVEFORMATEX format = DefaultFormat();
    char oneLine[FormatDescriptionBytes], twoLines[FormatDescriptionBytes];
    DescribeFormat(&format, false, oneLine);
    DescribeFormat(&format, true, twoLines);
    EXPECT_EQ(strncmp(oneLine, "PCM ", 4), 0) << oneLine;
    EXPECT_NE(strstr(oneLine, "22050"), nullptr) << oneLine;
    EXPECT_EQ(std::string("PCM\r\n") + (oneLine + 4), twoLines);

    format.wFormatTag = 0x7777;
    DescribeFormat(&format, false, oneLine);
    DescribeFormat(&format, true, twoLines);
    ASSERT_EQ(oneLine[0], ' ') << "no driver names the tag";
    EXPECT_EQ(std::string("\r\n") + (oneLine + 1), twoLines);
}

TEST(ReserveFormat, BufferSizeCoversTheCodecsAndTheSettingsFile)
{
    ResetAppState();
    DWORD codecs = 0;
    ASSERT_EQ(acmMetrics(NULL, ACM_METRIC_MAX_SIZE_FORMAT, &codecs), (MMRESULT)MMSYSERR_NOERROR);
    EXPECT_EQ(FormatBufferSize(), codecs);
    App.MaxFormatSize = codecs - 1;
    EXPECT_EQ(FormatBufferSize(), codecs);
    App.MaxFormatSize = codecs + 30;
    EXPECT_EQ(FormatBufferSize(), codecs + 30);
    ResetAppState();
}

TEST(ReserveLabels, CommandNameIsTheMenuTextWithoutMnemonicOrShortcut)
{
    const struct {
        const char *Menu;
        size_t Size;
        const char *Name;
    } cases[] = {
        { "新規作成(&N)\tCtrl+N", 64, "新規作成" },
        { "プロパティ(&R)", 64, "プロパティ" },
        { "予約内容一覧(&L)...", 64, "予約内容一覧..." },
        { "&Open", 64, "Open" },
        { "R&&B (&B)", 64, "R&B" },
        { "(&&)", 64, "(&)" },
        { "", 64, "" },
        { "新規作成(&N)", 6, "新規" },  // cut at whole characters
        { "Delete", 1, "" },
    };
    for (const auto &c : cases) {
        char name[64];
        memset(name, 'x', sizeof name);
        CommandNameFromMenuText(c.Menu, name, c.Size);
        EXPECT_STREQ(name, c.Name) << c.Menu << " in " << c.Size;
    }
}

// ---- the list window ----

TEST_F(ReserveWindow, OpensWithDefaultsWhenThereIsNoSettingsFile)
{
    LoadSettings();
    OpenList();
    char caption[64];
    GetWindowTextA(Window, caption, sizeof caption);
    EXPECT_STREQ(caption, "予約設定一覧");
    RECT rect;
    GetWindowRect(Window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_GT(rect.right, 100) << "the system's default size";
    const int widths[ColumnCount] = { 140, 80, 65, 40, 40, 240 };
    for (int c = 0; c < ColumnCount; c++)
        EXPECT_EQ(SendMessageA(List, LVM_GETCOLUMNWIDTH, (WPARAM)c, 0), widths[c]) << "column " << c;
}

TEST_F(ReserveWindow, ShowsTheProgramsIconAndNamesEachButtonInItsTip)
{
    LoadSettings();
    OpenList();
    HICON icon = (HICON)GetClassLongPtrA(Window, GCLP_HICON);
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(icon, LoadIconA(Instance, MAKEINTRESOURCEA(IDI_MAIN)));
    HWND toolbar = GetDlgItem(Window, IDC_RESERVE_TOOLBAR);
    HWND tips = (HWND)SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0);
    ASSERT_NE(tips, nullptr);
    const struct {
        int Command;
        const char *Tip;
    } buttons[] = {
        { IDM_RESERVE_NEW, "新規作成" },   { IDM_RESERVE_COPY, "コピー" },
        { IDM_RESERVE_PASTE, "貼り付け" }, { IDM_RESERVE_DELETE, "削除" },
        { IDM_RESERVE_PROPERTIES, "プロパティ" },
    };
    for (const auto &button : buttons) {
        char text[80] = "";
        TTTOOLINFOA tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = toolbar;
        tool.uId = (UINT_PTR)button.Command;
        tool.lpszText = text;
        SendMessageA(tips, TTM_GETTEXTA, sizeof text, (LPARAM)&tool);
        EXPECT_STREQ(text, button.Tip) << button.Command;
    }
}

// Each "Ctrl+" the menu shows is the key the list window answers.
TEST(ReserveMenu, ShortcutsShownAreTheAcceleratorKeys)
{
    HMENU menu = LoadMenuA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDM_RESERVE_POPUP));
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_ACCEL_RESERVELIST));
    ASSERT_TRUE(menu && table);
    ACCEL keys[32];
    int count = CopyAcceleratorTableA(table, keys, 32);
    HMENU items = GetSubMenu(menu, 0);
    int checked = 0;
    for (int i = 0; i < GetMenuItemCount(items); i++) {
        char text[128] = "";
        GetMenuStringA(items, (UINT)i, text, sizeof text, MF_BYPOSITION);
        const char *shortcut = strstr(text, "\tCtrl+");
        if (!shortcut)
            continue;
        UINT id = GetMenuItemID(items, i);
        bool found = false;
        for (int k = 0; k < count; k++)
            found |= keys[k].cmd == id && (keys[k].fVirt & FCONTROL) && keys[k].key == (WORD)shortcut[6];
        EXPECT_TRUE(found) << text;
        checked++;
    }
    EXPECT_EQ(checked, 4) << "new, copy, paste, select all";
    DestroyMenu(menu);
}

TEST_F(ReserveWindow, SortsAtOpeningAndStoresItsRestoredRectangleAtClosing)
{
    LoadSettings("[RESERVELIST]\r\nTop=40\r\nLeft=100\r\nBottom=440\r\nRight=700\r\nColumnWidth=100,81,66,41,42,200\r\n");
    AddDaily("later", 3);
    AddDaily("soon", 1, false);
    AddDaily("middle", 2);
    OpenList();
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "soon", "middle", "later" })) << "disabled ones included";
    EXPECT_EQ(RowText(List, 1, 0), "middle");
    EXPECT_FALSE(RowChecked(List, 0));
    EXPECT_TRUE(RowChecked(List, 1));
    RECT rect;
    GetWindowRect(Window, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.bottom, 440);

    SendMessageA(List, LVM_SETCOLUMNWIDTH, 2, 99);
    ShowWindow(Window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(Window));
    SendMessageA(Window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(Window));
    EXPECT_EQ(App.ReserveListWindow, nullptr);
    const RECT &stored = App.ReserveListRect;
    EXPECT_EQ(std::vector<LONG>({ stored.left, stored.top, stored.right, stored.bottom }),
              std::vector<LONG>({ 100, 40, 700, 440 }));
    EXPECT_EQ(std::vector<int32_t>(App.ReserveListColumnWidths, App.ReserveListColumnWidths + ColumnCount),
              std::vector<int32_t>({ 100, 81, 99, 41, 42, 200 }));
}

// The stored rectangle is read back the way it was written, and one on a
// monitor that is gone is brought onto one that is there, at its size.
TEST_F(ReserveWindow, OpensWhereItWasStoredOrElseOnAMonitor)
{
    struct Case {
        RECT stored;
        bool exact;
    } cases[] = {
        { { 100, 40, 700, 440 }, true },
        { { -6000, -6000, -5400, -5600 }, false },
        { { 5000, 3000, 5500, 3300 }, false },
    };
    POINT origin = WorkAreaOrigin();
    for (const Case &c : cases) {
        const RECT &r = c.stored;
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
        LoadSettings("[RESERVELIST]\r\nTop=" + std::to_string(r.top) + "\r\nLeft=" + std::to_string(r.left) +
                     "\r\nBottom=" + std::to_string(r.bottom) + "\r\nRight=" + std::to_string(r.right) + "\r\n");
        OpenList();
        EXPECT_TRUE(IsWindowVisible(Window));
        EXPECT_TRUE(TitleBarOnAMonitor(Window));
        RECT rect;
        GetWindowRect(Window, &rect);
        EXPECT_EQ(rect.right - rect.left, r.right - r.left);
        EXPECT_EQ(rect.bottom - rect.top, r.bottom - r.top);
        if (c.exact) {
            EXPECT_EQ(rect.left, origin.x + r.left);
            EXPECT_EQ(rect.top, origin.y + r.top);
        }
        SendMessageA(Window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(Window));
        if (c.exact) {
            const RECT &back = App.ReserveListRect;
            EXPECT_EQ(std::vector<LONG>({ back.left, back.top, back.right, back.bottom }),
                      std::vector<LONG>({ r.left, r.top, r.right, r.bottom }));
        }
    }
}

TEST_F(ReserveWindow, RowShowsStationDateTimesAndFormat)
{
    LoadSettings();
    App.PresetTable[2].Frequency = 8250;
    ReserveEntry *entry = AddDaily("News", 1);
    *entry = { 1, entry->Title, 3, 2099, 1, 5, 0, 0, 7, 5, 23, 0, entry->SavePath, 1, entry->Format };
    OpenList();
    char format[FormatDescriptionBytes];
    DescribeFormat((const WAVEFORMATEX *)entry->Format, false, format);
    const char *expected[ColumnCount] = { "News", "FM 82.50MHz", "1/5(日)", "07:05", "23:00", format };
    for (int c = 0; c < ColumnCount; c++)
        EXPECT_EQ(RowText(List, 0, c), expected[c]) << "column " << c;
}

TEST_F(ReserveWindow, DeletingRowsOneAndThreeOfFiveKeepsTheOthersInOrder)
{
    LoadSettings();
    for (int i = 1; i <= 5; i++)
        AddDaily(std::to_string(i).c_str(), i);
    OpenList();
    SelectRows(List, { 0, 2 });
    EXPECT_TRUE(ButtonEnabled(Window, IDM_RESERVE_DELETE));

    std::string question;
    int defaultButton = 0;
    for (int answer : { IDNO, IDYES }) {
        WhenWindowAppears([this] { return FindThreadWindow("#32770", "削除の確認", Window); }, [&, answer](HWND box) {
            question = ItemText(box, 0xFFFF);
            for (int button : { IDYES, IDNO })
                if ((GetWindowLongA(GetDlgItem(box, button), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                    defaultButton = button;
            PostMessageA(box, WM_COMMAND, (WPARAM)answer, 0);
        });
        Command(IDM_RESERVE_DELETE);
        if (answer == IDNO) {
            EXPECT_EQ(App.ReserveList.Count, 5u) << "No deletes nothing";
        }
    }
    EXPECT_EQ(question, "削除しますか？");
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "2", "4", "5" }));
    ASSERT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(RowText(List, 1, 0), "4");
    EXPECT_EQ(App.NextReservation.Entry, App.ReserveList.Items[0]);
    EXPECT_FALSE(ButtonEnabled(Window, IDM_RESERVE_DELETE)) << "nothing is selected any more";
}

TEST_F(ReserveWindow, CopyingTwoRowsAndPastingTwiceAppendsFourIndependentCopies)
{
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2, false);
    AddDaily("c", 3);
    OpenList();
    Command(IDM_RESERVE_COPY);
    Command(IDM_RESERVE_PASTE);
    EXPECT_EQ(App.ReserveList.Count, 3u) << "nothing selected, nothing copied";
    EXPECT_FALSE(ButtonEnabled(Window, IDM_RESERVE_PASTE));

    SelectRows(List, { 1, 2 });
    Command(IDM_RESERVE_COPY);
    EXPECT_TRUE(ButtonEnabled(Window, IDM_RESERVE_PASTE));
    Command(IDM_RESERVE_PASTE);
    Command(IDM_RESERVE_PASTE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "a", "b", "c", "b", "c", "b", "c" }));
    ASSERT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), 7);
    for (int row = 3; row < 7; row++) {
        const ReserveEntry *entry = App.ReserveList.Items[row];
        EXPECT_EQ(RowText(List, row, 0), entry->Title);
        EXPECT_EQ(entry->Enabled, row % 2 == 1 ? 0 : 1) << "the copied state";
        EXPECT_EQ(RowChecked(List, row), entry->Enabled == 1);
        for (int other = 0; other < 7; other++) {
            const ReserveEntry *otherEntry = App.ReserveList.Items[other];
            if (other != row) {
                EXPECT_NE(entry->Title, otherEntry->Title);
                EXPECT_NE(entry->Format, otherEntry->Format);
            }
        }
    }
}

TEST_F(ReserveWindow, UncheckingARowDisablesItsEntryAndMovesTheSchedule)
{
    LoadSettings();
    ReserveEntry *first = AddDaily("first", 1);
    ReserveEntry *second = AddDaily("second", 2);
    OpenList();
    ASSERT_EQ(App.NextReservation.Entry, first);

    // A click on the row's check box, as the user makes it.
    RECT row = { LVIR_BOUNDS, 0, 0, 0 };
    SendMessageA(List, LVM_GETITEMRECT, 0, (LPARAM)&row);
    LVHITTESTINFO hit = {};
    hit.pt.y = (row.top + row.bottom) / 2;
    for (hit.pt.x = row.left; hit.pt.x < row.left + 40; hit.pt.x++)
        if (SendMessageA(List, LVM_HITTEST, 0, (LPARAM)&hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON))
            break;
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    SendMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageA(List, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    EXPECT_EQ(first->Enabled, 0);
    EXPECT_EQ(App.NextReservation.Entry, second);

    SelectRows(List, { 0 });
    Command(IDM_RESERVE_ENABLE);
    EXPECT_TRUE(RowChecked(List, 0));
    EXPECT_EQ(App.NextReservation.Entry, first);
    Command(IDM_RESERVE_SELECTALL);
    Command(IDM_RESERVE_DISABLE);
    EXPECT_EQ(first->Enabled + second->Enabled, 0);
    EXPECT_EQ(App.NextReservation.Entry, nullptr);
}

TEST_F(ReserveWindow, ContextMenuGraysWhatTheSelectionCannotDo)
{
    static const struct {
        std::vector<int> Selected;  // rows 0 and 2 are checked, row 1 is not
        bool Copied;
        bool Enable, Disable, StartNow, Paste;
    } cases[] = {
        { { 0, 2 }, false, false, true, true, false },
        { { 1 }, false, true, false, true, false },
        { {}, false, false, false, false, false },
        { { 0, 1 }, true, true, true, true, true },
    };
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2, false);
    AddDaily("c", 3);
    OpenList();
    for (const auto &c : cases) {
        SetRowState(List, -1, 0, LVIS_SELECTED);
        for (int row : c.Selected)
            SetRowState(List, row, LVIS_SELECTED, LVIS_SELECTED);
        if (c.Copied)
            Command(IDM_RESERVE_COPY);
        std::vector<bool> enabled;  // by command, from 40001
        WhenWindowAppears([] { return FindThreadWindow("#32768", NULL, NULL); }, [&enabled](HWND menuWindow) {
            HMENU menu = (HMENU)SendMessageA(menuWindow, MN_GETHMENU, 0, 0);
            for (int id = IDM_RESERVE_NEW; id <= IDM_RESERVE_STARTNOW; id++)
                enabled.push_back(!(GetMenuState(menu, (UINT)id, MF_BYCOMMAND) & MF_GRAYED));
            EndMenu();
        });
        NMITEMACTIVATE click = {};
        click.hdr = { List, IDC_RESERVE_LIST, (UINT)NM_RCLICK };
        click.iItem = -1;
        click.ptAction = { 10, 10 };
        SendMessageA(Window, WM_NOTIFY, IDC_RESERVE_LIST, (LPARAM)&click);
        ASSERT_EQ(enabled.size(), 9u) << "the menu was shown";
        bool selected = !c.Selected.empty();
        std::vector<bool> expected = { true, selected, c.Paste, selected, selected, true, c.Enable, c.Disable,
                                       c.StartNow };
        EXPECT_EQ(enabled, expected) << c.Selected.size() << " rows selected";
    }
}

// Whichever reservation execution has reached: the entry handed to it, or the
// private copy it has taken of that entry.
static std::string StartedTitle()
{
    if (App.ActiveReservation)
        return App.ActiveReservation->Title;
    return App.NextReservation.Entry ? App.NextReservation.Entry->Title : "";
}

TEST_F(ReserveWindow, StartNowBeginsTheFocusedRowCheckedOrNot)
{
    LoadSettings();
    AddDaily("on", 1);
    AddDaily("off", 2, false);
    OpenList();
    SetRowState(List, 1, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    Command(IDM_RESERVE_STARTNOW);
    EXPECT_EQ(StartedTitle(), "on") << "a focused row that is not selected starts nothing";
    SelectRows(List, { 1 });
    SetTestClock(At(10, 20, 7));
    Command(IDM_RESERVE_STARTNOW);
    EXPECT_EQ(StartedTitle(), "off");
    // Its programme starts when it was started, as its line says.
    EndReservation(ResultEndByUser);
    std::vector<std::vector<std::string>> lines = ReadResults(Folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultPlannedStart], "2027/03/05 10:20:07");
}

TEST_F(ReserveWindow, PropertiesAndDoubleClickOpenTheFocusedSelectedRow)
{
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2);
    OpenList();
    std::string opened;
    auto noteTitle = [&opened](HWND dialog) {
        opened = ItemText(dialog, IDC_EDIT_TITLE);
        Press(dialog, IDCANCEL);
    };
    SetRowState(List, 1, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    WhenEditDialogOpens(noteTitle);
    Command(IDM_RESERVE_PROPERTIES);
    PumpMessagesFor(100);
    EXPECT_EQ(opened, "") << "the focused row is not selected";
    CancelWindowWaits();

    SelectRows(List, { 1 });
    WhenEditDialogOpens(noteTitle);
    NMHDR doubleClick = { List, IDC_RESERVE_LIST, (UINT)NM_DBLCLK };
    SendMessageA(Window, WM_NOTIFY, IDC_RESERVE_LIST, (LPARAM)&doubleClick);
    PumpMessagesFor(200);
    EXPECT_EQ(opened, "b");
}

// ---- the edit dialog ----

TEST_F(ReserveWindow, NewReservationOkAtOnceAddsNothing)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 0, "one", 3, 255, 0, 0, 6, 0) +
                 ReserveLine(1, 0, "two", 3, 255, 0, 0, 7, 0));
    OpenList();
    INT_PTR result = RunEditDialog(Window, -1, [](HWND dialog) {
        EXPECT_FALSE(ApplyEnabled(dialog));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(App.ReserveList.Count, 2u);
    EXPECT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), 2);
}

// "6:0" was all the start and end pickers showed of 6:00.
TEST_F(ReserveWindow, TimePickersShowTheLatestTimeWholeAndOverlapNothing)
{
    OpenList();
    RunEditDialog(Window, -1, [](HWND dialog) {
        for (int id : { IDC_EDIT_START, IDC_EDIT_END }) {
            SCOPED_TRACE(id);
            HWND picker = GetDlgItem(dialog, id);
            HDC context = GetDC(picker);
            HGDIOBJ previous = SelectObject(context, (HFONT)SendMessageA(picker, WM_GETFONT, 0, 0));
            SIZE text = {};
            GetTextExtentPoint32A(context, "23:59", 5, &text);
            SelectObject(context, previous);
            ReleaseDC(picker, context);
            RECT inside, at, other, overlap;
            GetClientRect(picker, &inside);
            EXPECT_GE(inside.right - GetSystemMetrics(SM_CXVSCROLL), text.cx);
            GetWindowRect(picker, &at);
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                if (child == picker || !IsWindowVisible(child))
                    continue;
                GetWindowRect(child, &other);
                EXPECT_FALSE(IntersectRect(&overlap, &at, &other)) << "control " << GetDlgCtrlID(child);
            }
        }
    });
}

TEST_F(ReserveWindow, NewReservationWithANameIsAppendedWithTheStartingValues)
{
    LoadSettings(TwoPresetsOff + std::string("[RESERVE]\r\n") + ReserveLine(0, 0, "off", 3, 255, 0, 0, 6, 0));
    OpenList();
    SYSTEMTIME opened, closed;
    std::string station, description;
    GetLocalTime(&opened);
    WhenEditDialogOpens([&](HWND dialog) {
        station = SelectedText(dialog, IDC_EDIT_STATION);
        description = ItemText(dialog, IDC_EDIT_FORMAT);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "朝のニュース");
        Press(dialog, IDOK);
    });
    Command(IDM_RESERVE_NEW);
    GetLocalTime(&closed);
    ASSERT_EQ(Titles(), (std::vector<std::string>{ "off", "朝のニュース" }));
    const ReserveEntry *entry = App.ReserveList.Items[1];
    EXPECT_EQ(std::vector<int>({ entry->Enabled, entry->Day, entry->WeekdayFirst, entry->WeekdayLast }),
              std::vector<int>({ 1, 0, 0, 0 })) << "enabled, every Sunday";
    EXPECT_EQ(station, "TBSラジオ");
    EXPECT_EQ(entry->Preset, 3) << "the first station offered (slots 1 and 2 are off)";
    int start = entry->StartHour * 60 + entry->StartMinute;
    EXPECT_TRUE(start == opened.wHour * 60 + opened.wMinute || start == closed.wHour * 60 + closed.wMinute);
    EXPECT_EQ(entry->EndHour * 60 + entry->EndMinute, start);
    EXPECT_EQ(entry->RiffHeader, 1);
    WAVEFORMATEX expected = DefaultFormat();
    EXPECT_EQ(memcmp(entry->Format, &expected, sizeof expected), 0);
    char defaultDescription[FormatDescriptionBytes];
    DescribeFormat(&expected, true, defaultDescription);
    EXPECT_EQ(description, defaultDescription);
    EXPECT_STREQ(entry->SavePath, "C:\\rec\\%T_%Y%M%D.wav") << "beside the last one";
    EXPECT_EQ(RowText(List, 1, 0), "朝のニュース");
    EXPECT_TRUE(RowChecked(List, 1));
    EXPECT_EQ(App.NextReservation.Entry, entry) << "the only enabled reservation is scheduled";
}

TEST_F(ReserveWindow, ApplyStoresOnceAndThenEditsTheSameEntry)
{
    LoadSettings();
    AddDaily("other", 1);
    OpenList();
    INT_PTR result = RunEditDialog(Window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "first");
        Press(dialog, IDC_EDIT_APPLY);
        EXPECT_FALSE(ApplyEnabled(dialog));
        EXPECT_EQ(Titles(), (std::vector<std::string>{ "other", "first" }));
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "second");
        Pick(dialog, IDC_EDIT_WEEKLY, 0);
        Press(dialog, IDC_EDIT_APPLY);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDCANCEL) << "OK after Apply has nothing left to store";
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "other", "second" }));
    EXPECT_EQ(App.ReserveList.Items[1]->Day, ReserveDayDaily);
    ASSERT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(RowText(List, 1, 0), "second");
    EXPECT_EQ(RowText(List, 1, 2), "毎日");
}

TEST_F(ReserveWindow, DateModeStoresTheDateAndItsWeekday)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 1, "date", 1, 24, 3, 3, 6, 30));
    OpenList();
    RunEditDialog(Window, 0, [&](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_EDIT_BYDATE), (UINT)BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_EDIT_WEEKLY, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_WEEKLY)));
        SYSTEMTIME christmasEve = {};
        christmasEve.wYear = 2024;
        christmasEve.wMonth = 12;
        christmasEve.wDay = 24;
        SetPicker(dialog, IDC_EDIT_DATE, christmasEve);
        Press(dialog, IDC_EDIT_APPLY);
        const ReserveEntry *entry = App.ReserveList.Items[0];
        EXPECT_EQ(std::vector<int>({ entry->Year, entry->Month, entry->Day, entry->WeekdayFirst }),
                  std::vector<int>({ 2024, 12, 24, 2 })) << "a Tuesday";
        EXPECT_EQ(RowText(List, 0, 2), "12/24(火)");
        // Weekly without choosing a pattern is every day.
        Press(dialog, IDC_EDIT_BYWEEKDAY);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_DATE)));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(App.ReserveList.Items[0]->Day, ReserveDayDaily);
}

TEST_F(ReserveWindow, WeeklyPatternsStoreTheirWeekdays)
{
    LoadSettings();
    OpenList();
    std::vector<std::vector<int>> stored;  // Day, WeekdayFirst, WeekdayLast after each pattern
    std::vector<std::string> rows;
    RunEditDialog(Window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "weekly");
        for (int index = WeekPatternCount - 1; index >= 0; index--) {
            Pick(dialog, IDC_EDIT_WEEKLY, index);
            Press(dialog, IDC_EDIT_APPLY);
            const ReserveEntry *entry = App.ReserveList.Items[0];
            stored.push_back({ entry->Day, entry->WeekdayFirst, entry->WeekdayLast });
            rows.push_back(RowText(List, 0, 2));
        }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(App.ReserveList.Count, 1u);
    ASSERT_EQ(stored.size(), (size_t)WeekPatternCount);
    for (int index = 1; index < WeekPatternCount; index++) {
        const WeekPattern &pattern = WeekPatternList[index];
        EXPECT_EQ(stored[WeekPatternCount - 1 - index],
                  std::vector<int>({ 0, pattern.WeekdayFirst, pattern.WeekdayLast }))
            << pattern.Text;
        EXPECT_EQ(rows[WeekPatternCount - 1 - index], pattern.Text);
    }
    EXPECT_EQ(stored[WeekPatternCount - 1 - 9], std::vector<int>({ 0, 1, 5 })) << "月-金曜日";
    EXPECT_EQ(stored.back(), std::vector<int>({ 255, 0, 0 })) << "毎日 keeps the weekdays it found";
}

TEST_F(ReserveWindow, TuesdayToFridayFromTheFileOpensAsMondayToFriday)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 1, "range", 1, 0, 2, 5, 6, 30));
    OpenList();
    RunEditDialog(Window, 0, [&](HWND dialog) {
        EXPECT_EQ(SelectedText(dialog, IDC_EDIT_WEEKLY), "月-金曜日");
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "range!");
        Press(dialog, IDOK);
    });
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_EQ(std::vector<int>({ entry->Day, entry->WeekdayFirst, entry->WeekdayLast, entry->StartHour }),
              std::vector<int>({ 0, 1, 5, 6 }));
}

TEST_F(ReserveWindow, WeekdaysNoPatternHasAreKeptUntilAPatternIsPicked)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 1, "tue-wed", 1, 0, 2, 3, 6, 30) +
                 ReserveLine(1, 1, "picked", 1, 0, 2, 3, 7, 30));
    OpenList();
    RunEditDialog(Window, 0, [&](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_EDIT_BYWEEKDAY), (UINT)BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_EDIT_WEEKLY, CB_GETCURSEL, 0, 0), CB_ERR);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "tue-wed!");
        Press(dialog, IDOK);
    });
    const ReserveEntry *kept = App.ReserveList.Items[0];
    EXPECT_STREQ(kept->Title, "tue-wed!");
    EXPECT_EQ(std::vector<int>({ kept->Day, kept->WeekdayFirst, kept->WeekdayLast }), std::vector<int>({ 0, 2, 3 }))
        << "not turned into 毎日";
    RunEditDialog(Window, 1, [&](HWND dialog) {
        Pick(dialog, IDC_EDIT_WEEKLY, 4);
        Press(dialog, IDOK);
    });
    const ReserveEntry *picked = App.ReserveList.Items[1];
    EXPECT_EQ(std::vector<int>({ picked->Day, picked->WeekdayFirst, picked->WeekdayLast }),
              std::vector<int>({ 0, 3, 3 })) << "毎水曜日 as picked";
}

TEST_F(ReserveWindow, EntryOnASwitchedOffPresetKeepsItsStation)
{
    LoadSettings(TwoPresetsOff + std::string("[RESERVE]\r\n") + ReserveLine(0, 1, "first", 2, 255, 0, 0, 6, 0));
    OpenList();
    RunEditDialog(Window, 0, [&](HWND dialog) {
        EXPECT_EQ(SelectedText(dialog, IDC_EDIT_STATION), "NHK 第1");
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "renamed");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(App.ReserveList.Items[0]->Preset, 2);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "renamed");
}

TEST_F(ReserveWindow, FormatLargerThanTheWorkingBufferIsKeptWhole)
{
    LoadSettings();
    ReserveEntry *entry = AddDaily("big", 1);
    const size_t size = 300;
    std::vector<BYTE> block(size);
    for (size_t i = 0; i < size; i++)
        block[i] = (BYTE)i;
    *(WAVEFORMATEX *)block.data() = DefaultFormat();
    ((WAVEFORMATEX *)block.data())->cbSize = (WORD)(size - sizeof(WAVEFORMATEX));
    HeapFreeBlock(entry->Format);
    entry->Format = (BYTE *)HeapAllocZero(size);
    memcpy(entry->Format, block.data(), size);
    ASSERT_LT(FormatBufferSize(), size);

    OpenList();
    RunEditDialog(Window, 0, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "big!");
        Press(dialog, IDOK);
    });
    const ReserveEntry *stored = App.ReserveList.Items[0];
    EXPECT_STREQ(stored->Title, "big!");
    ASSERT_GE(HeapBlockSize(stored->Format), size);
    EXPECT_EQ(memcmp(stored->Format, block.data(), size), 0);
}

TEST_F(ReserveWindow, WorkingCopyTheHeapRefusesOpensNothingAndStoresNothing)
{
    LoadSettings();
    AddDaily("kept", 1);
    OpenList();
    // The working copy's format buffer is more than the heap grants.
    App.MaxFormatSize = 0x10000;
    HeapRefuseBlocksOver(0x8000);
    bool opened = false;
    for (int index : { -1, 0 })
        EXPECT_EQ(RunEditDialog(Window, index, [&](HWND) { opened = true; }), IDCANCEL);
    HeapRefuseBlocksOver(0);
    EXPECT_FALSE(opened);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "kept" }));
    EXPECT_EQ(SendMessageA(List, LVM_GETITEMCOUNT, 0, 0), 1);
}

// The platform save dialog's file name box.
enum { SaveDialogFileName = 1148 };

static BOOL CALLBACK FindFileNameEdit(HWND child, LPARAM found)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (GetDlgCtrlID(child) != SaveDialogFileName || strcmp(className, "Edit") != 0)
        return TRUE;
    *(HWND *)found = child;
    return FALSE;
}

TEST_F(ReserveWindow, SavePathChosenThroughTheFileDialogEnablesApply)
{
    LoadSettings();
    OpenList();
    std::string chosen = Folder + "%T_%Y%M%D.wav";
    INT_PTR result = RunEditDialog(Window, -1, [&](HWND dialog) {
        WhenWindowAppears([dialog] { return FindThreadWindow("#32770", NULL, dialog); }, [&chosen](HWND files) {
            HWND name = NULL;
            EnumChildWindows(files, FindFileNameEdit, (LPARAM)&name);
            SetWindowTextA(name, chosen.c_str());
            PostMessageA(files, WM_COMMAND, IDOK, 0);
        });
        Press(dialog, IDC_EDIT_BROWSE);
        EXPECT_EQ(ItemText(dialog, IDC_EDIT_SAVEPATH), chosen);
        EXPECT_TRUE(ApplyEnabled(dialog));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    EXPECT_EQ(std::string(App.ReserveList.Items[0]->SavePath), chosen);
}

// ---- the platform's format chooser ----

// Its lists of format tags and of formats.
enum { ChooserTagList = 101, ChooserFormatList = 102 };

static HWND FindChooser(HWND dialog)
{
    return FindThreadWindow("#32770", NULL, dialog);
}

TEST_F(ReserveWindow, CancelledFormatChoiceChangesNothing)
{
    LoadSettings();
    OpenList();
    bool chooserSeen = false;
    INT_PTR result = RunEditDialog(Window, -1, [&](HWND dialog) {
        std::string before = ItemText(dialog, IDC_EDIT_FORMAT);
        WhenWindowAppears([dialog] { return FindChooser(dialog); }, [&chooserSeen](HWND chooser) {
            chooserSeen = true;
            PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        });
        Press(dialog, IDC_EDIT_CHANGEFORMAT);
        EXPECT_EQ(ItemText(dialog, IDC_EDIT_FORMAT), before);
        EXPECT_FALSE(ApplyEnabled(dialog));
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(chooserSeen);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(App.ReserveList.Count, 0u);
}

// Picks the first IMA ADPCM format, as the user would.
static void ChooseImaAdpcm(HWND chooser, bool *offered)
{
    HWND tags = GetDlgItem(chooser, ChooserTagList);
    LRESULT tag = SendMessageA(tags, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "IMA ADPCM");
    *offered = tag >= 0;
    if (*offered) {
        SendMessageA(tags, CB_SETCURSEL, (WPARAM)tag, 0);
        SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(ChooserTagList, CBN_SELCHANGE), (LPARAM)tags);
        SendDlgItemMessageA(chooser, ChooserFormatList, CB_SETCURSEL, 0, 0);
    }
    PostMessageA(chooser, WM_COMMAND, *offered ? IDOK : IDCANCEL, 0);
}

TEST_F(ReserveWindow, ChoosingImaAdpcmShowsItAndStoresIt)
{
    LoadSettings();
    AddDaily("radio", 1);
    OpenList();
    bool offered = false;
    INT_PTR result = RunEditDialog(Window, 0, [&](HWND dialog) {
        WhenWindowAppears([dialog] { return FindChooser(dialog); },
                          [&offered](HWND chooser) { ChooseImaAdpcm(chooser, &offered); });
        Press(dialog, IDC_EDIT_CHANGEFORMAT);
        std::string shown = ItemText(dialog, IDC_EDIT_FORMAT);
        EXPECT_EQ(shown.rfind("IMA ADPCM\r\n", 0), 0u) << shown;
        EXPECT_GT(shown.size(), strlen("IMA ADPCM\r\n")) << "with the format's own name";
        EXPECT_TRUE(ApplyEnabled(dialog));
        Press(dialog, IDOK);
    });
    ASSERT_TRUE(offered) << "the platform offers IMA ADPCM";
    EXPECT_EQ(result, IDOK);
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_TRUE(FormatBlockValid(entry->Format));
    EXPECT_EQ(((const WAVEFORMATEX *)entry->Format)->wFormatTag, WAVE_FORMAT_IMA_ADPCM);
    EXPECT_EQ(RowText(List, 0, 5).rfind("IMA ADPCM ", 0), 0u);
}

// The menu beside "変更..." offers the program's own formats; the one
// clicked is shown, stored, and takes the RIFF box away.
TEST_F(ReserveWindow, ChoosingMp3FromTheMenuShowsItAndStoresIt)
{
    LoadSettings();
    AddDaily("radio", 1);
    OpenList();
    std::string offered;
    INT_PTR result = RunEditDialog(Window, 0, [&](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_RIFF)));
        WhenWindowAppears([] { return FindWindowA("#32768", NULL); },
                          [&offered, dialog](HWND menuWindow) {
                              // MP3, 44,100 Hz, the third bit rate, as a click on it would choose it.
                              HMENU menu = (HMENU)SendMessageA(menuWindow, MN_GETHMENU, 0, 0);
                              HMENU rates = GetSubMenu(menu, 0), bitRates = GetSubMenu(rates, 1);
                              char text[64] = "";
                              GetMenuStringA(bitRates, 2, text, sizeof text, MF_BYPOSITION);
                              offered = text;
                              UINT command = GetMenuItemID(bitRates, 2);
                              EndMenu();
                              PostMessageA(dialog, WM_COMMAND, command, 0);
                          });
        Press(dialog, IDC_EDIT_OWNFORMAT);
        PumpMessages();
        EXPECT_EQ(ItemText(dialog, IDC_EDIT_FORMAT), "MP3\r\n128 kbps; 44,100 Hz; ステレオ");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_RIFF)));
        EXPECT_TRUE(ApplyEnabled(dialog));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(offered, "128 kbps; 44,100 Hz; ステレオ");
    EXPECT_EQ(result, IDOK);
    const ReserveEntry *entry = App.ReserveList.Items[0];
    ASSERT_TRUE(FormatBlockValid(entry->Format));
    EXPECT_EQ(FormatLength(entry->Format), 30u);
    EXPECT_EQ(((const WAVEFORMATEX *)entry->Format)->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(RowText(List, 0, 5), "MP3 128 kbps; 44,100 Hz; ステレオ");
}

// ---- reservations that overlap ----

namespace {

// A daily reservation from minutesAhead to minutesAhead + length minutes from now.
ReserveEntry *AddDailySpan(const char *title, int minutesAhead, int length)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int start = (now.wHour * 60 + now.wMinute + minutesAhead) % 1440, end = (start + length) % 1440;
    ReserveEntry *entry = AddDaily(title, 0);
    entry->StartHour = (uint16_t)(start / 60);
    entry->StartMinute = (uint16_t)(start % 60);
    entry->EndHour = (uint16_t)(end / 60);
    entry->EndMinute = (uint16_t)(end % 60);
    return entry;
}

int RowImage(HWND listView, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(listView, LVM_GETITEMA, 0, (LPARAM)&item);
    return item.iImage;
}

std::string RowTip(HWND window, HWND listView, int row)
{
    char text[256] = "";
    NMLVGETINFOTIPA tip = {};
    tip.hdr.hwndFrom = listView;
    tip.hdr.idFrom = IDC_RESERVE_LIST;
    tip.hdr.code = LVN_GETINFOTIPA;
    tip.pszText = text;
    tip.cchTextMax = sizeof text;
    tip.iItem = row;
    SendMessageA(window, WM_NOTIFY, IDC_RESERVE_LIST, (LPARAM)&tip);
    return text;
}

}  // namespace

TEST_F(ReserveWindow, OverlappingRowsAreMarkedAndTheirTipNamesTheOther)
{
    LoadSettings();
    AddDailySpan("A", 120, 60);
    AddDailySpan("B", 150, 60);
    AddDailySpan("C", 180, 60);  // begins where A ends, within B
    AddDailySpan("D", 300, 60);
    AddDailySpan("E", 360, 60);  // back to back with D
    OpenList();
    ASSERT_EQ(Titles(), (std::vector<std::string>{ "A", "B", "C", "D", "E" }));
    EXPECT_EQ(RowImage(List, 0), 0) << "A overlaps B";
    EXPECT_EQ(RowImage(List, 1), 0);
    EXPECT_EQ(RowImage(List, 2), 0) << "C overlaps B";
    EXPECT_EQ(RowImage(List, 3), I_IMAGENONE) << "back to back is no overlap";
    EXPECT_EQ(RowImage(List, 4), I_IMAGENONE);
    HIMAGELIST images = (HIMAGELIST)SendMessageA(List, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 1) << "the mark";
    EXPECT_EQ(RowTip(Window, List, 0), "「B」と時間が重なっています");
    EXPECT_EQ(RowTip(Window, List, 1), "「A」と時間が重なっています");
    EXPECT_EQ(RowTip(Window, List, 2), "「B」と時間が重なっています");
    EXPECT_EQ(RowTip(Window, List, 3), "") << "no tip of ours on an unmarked row";

    // B switched off: nothing overlaps any more.
    SetRowState(List, 1, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
    ASSERT_EQ(App.ReserveList.Items[1]->Enabled, 0);
    for (int row = 0; row < 5; row++)
        EXPECT_EQ(RowImage(List, row), I_IMAGENONE) << row;
    EXPECT_EQ(RowTip(Window, List, 0), "");
    SetRowState(List, 1, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
    EXPECT_EQ(RowImage(List, 0), 0);

    // Deleting B leaves A and C back to back.
    SelectRows(List, { 1 });
    WhenWindowAppears([] { return FindThreadWindow("#32770", "削除の確認", NULL); },
                      [](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });
    Command(IDM_RESERVE_DELETE);
    ASSERT_EQ(Titles(), (std::vector<std::string>{ "A", "C", "D", "E" }));
    for (int row = 0; row < 4; row++)
        EXPECT_EQ(RowImage(List, row), I_IMAGENONE) << row;
}

TEST_F(ReserveWindow, OkOnAnOverlappingReservationTellsSoWithoutHoldingUp)
{
    LoadSettings();
    AddDailySpan("朝のニュース", 120, 60);
    OpenList();
    App.MainWindow = Window;  // the notices' window
    const ReserveEntry *first = App.ReserveList.Items[0];
    SYSTEMTIME start = {}, end = {};
    GetLocalTime(&start);
    end = start;
    start.wHour = first->StartHour;
    start.wMinute = first->StartMinute;
    end.wHour = (WORD)((first->StartHour + 2) % 24);
    end.wMinute = first->StartMinute;
    INT_PTR result = RunEditDialog(Window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "特番");
        Pick(dialog, IDC_EDIT_WEEKLY, 0);
        SetPicker(dialog, IDC_EDIT_START, start);
        SetPicker(dialog, IDC_EDIT_END, end);
        Press(dialog, IDOK);
        EXPECT_FALSE(IsWindowVisible(dialog)) << "OK closes the dialog as always";
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(Titles(), (std::vector<std::string>{ "朝のニュース", "特番" }));
    EXPECT_EQ(App.NoticeCount, 1u);
    EXPECT_EQ(App.LastNoticeKind, NoticeOverlap);
    EXPECT_STREQ(App.LastNotice.szInfoTitle, "予約の時間が重なっています");
    EXPECT_NE(std::string(App.LastNotice.szInfo).find("「特番」は「朝のニュース」と"), std::string::npos)
        << App.LastNotice.szInfo;
    EXPECT_EQ(RowImage(List, 0), 0);
    EXPECT_EQ(RowImage(List, 1), 0);

    // Moved clear of it: stored without a word.
    RunEditDialog(Window, 1, [&](HWND dialog) {
        SYSTEMTIME later = end, after = end;
        after.wHour = (WORD)((end.wHour + 1) % 24);
        SetPicker(dialog, IDC_EDIT_START, later);
        SetPicker(dialog, IDC_EDIT_END, after);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(App.NoticeCount, 1u);
    EXPECT_EQ(RowImage(List, 0), I_IMAGENONE);
    EXPECT_EQ(RowImage(List, 1), I_IMAGENONE);
    App.MainWindow = NULL;
}

// ---- the PC's wake-up ----

namespace {

int RowOf(const char *title)
{
    for (uint32_t i = 0; i < App.ReserveList.Count; i++)
        if (strcmp(App.ReserveList.Items[i]->Title, title) == 0)
            return (int)i;
    return -1;
}

// The next reservation is the one titled so, and the PC wakes a minute
// before its start instant.
void ExpectWakeUpFor(const char *title)
{
    ASSERT_NE(App.NextReservation.Entry, nullptr);
    EXPECT_STREQ(App.NextReservation.Entry->Title, title);
    FILETIME expected = FileTimeAdd(&App.NextReservation.NextStart, -60 * (LONGLONG)FileTimeSecond);
    FILETIME shown = WakeDueShownLocally();
    EXPECT_EQ(CompareFileTime(&shown, &expected), 0) << "wakes at " << shown.dwHighDateTime << ":"
                                                     << shown.dwLowDateTime;
}

SYSTEMTIME HoursAhead(int hours)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    t.wHour = (WORD)((t.wHour + hours) % 24);
    return t;
}

}  // namespace

TEST_F(ReserveWindow, TheWakeUpFollowsEveryChangeOfTheNextReservation)
{
    LoadSettings();  // no settings file: the wake-up is on
    AddDaily("四時間後", 4);
    AddDaily("二時間後", 2);
    OpenList();
    SelectRows(List, { 0, 1 });
    Command(IDM_RESERVE_ENABLE);
    ExpectWakeUpFor("二時間後");
    FILETIME before = WakeDueShownLocally();

    // Moved an hour later: still the next, and the wake-up with it.
    RunEditDialog(Window, RowOf("二時間後"), [&](HWND dialog) {
        SetPicker(dialog, IDC_EDIT_START, HoursAhead(3));
        Press(dialog, IDOK);
    });
    ExpectWakeUpFor("二時間後");
    FILETIME moved = WakeDueShownLocally();
    EXPECT_EQ(FileTimeToUnits(&moved) - FileTimeToUnits(&before), 3600 * FileTimeSecond);

    // A new one an hour ahead comes first.
    WhenEditDialogOpens([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "一時間後");
        Pick(dialog, IDC_EDIT_WEEKLY, 0);
        SetPicker(dialog, IDC_EDIT_START, HoursAhead(1));
        Press(dialog, IDOK);
    });
    Command(IDM_RESERVE_NEW);
    ExpectWakeUpFor("一時間後");

    // Deleted again: back to the one before.
    SelectRows(List, { RowOf("一時間後") });
    WhenWindowAppears([this] { return FindThreadWindow("#32770", "削除の確認", Window); },
                      [](HWND box) { PostMessageA(box, WM_COMMAND, IDYES, 0); });
    Command(IDM_RESERVE_DELETE);
    ASSERT_EQ(RowOf("一時間後"), -1);
    ExpectWakeUpFor("二時間後");

    // Nothing left to come: no wake-up.
    Command(IDM_RESERVE_SELECTALL);
    Command(IDM_RESERVE_DISABLE);
    EXPECT_EQ(App.NextReservation.Entry, nullptr);
    EXPECT_EQ(App.WakeDue.dwHighDateTime | App.WakeDue.dwLowDateTime, 0u);
}
