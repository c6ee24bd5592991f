// The reservation list window, the edit dialog and the recording formats,
// with real windows and the platform's own format chooser.
#include <gtest/gtest.h>
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

// ---- labels ----

struct PresetCase {
    int Preset;
    int32_t SlotFrequency;  // of the preset's slot
    bool Named;             // a station record exists for that frequency
    const char *Expected;
};

TEST(ReserveLabels, PresetShowsStationNameElseFrequencyElseNumber)
{
    static const PresetCase cases[] = {
        { 0, 954, true, "00" },
        { 3, 0, false, "03" },
        { 3, 8250, false, "FM 82.50MHz" },
        { 40, 954, false, "AM 954kHz" },
        { 7, 954, true, "TBSラジオ" },
        { 41, 954, true, "41" },
    };
    for (const PresetCase &c : cases) {
        ResetAppState();
        if (c.Named) {
            StationName station = {};
            station.Frequency = 954;
            SetStationName(&station, "TBSラジオ");
            AddStation(&station);
        }
        if (c.Preset >= 1 && c.Preset <= PresetCount)
            App.PresetTable[c.Preset - 1].Frequency = c.SlotFrequency;
        char text[64];
        PresetLabel(c.Preset, text, sizeof text);
        EXPECT_STREQ(text, c.Expected) << "preset " << c.Preset;
    }
    ResetAppState();
}

struct DateCase {
    uint16_t Month, Day, WeekdayFirst, WeekdayLast;
    const char *Expected;
};

TEST(ReserveLabels, DateShowsDailyDateWeekdayOrRange)
{
    static const DateCase cases[] = {
        { 0, 255, 3, 5, "毎日" },
        { 0, 0, 0, 0, "毎日曜日" },
        { 0, 0, 3, 3, "毎水曜日" },
        { 0, 0, 1, 6, "月-土曜日" },
        { 0, 0, 1, 5, "月-金曜日" },
        { 1, 5, 0, 0, "1/5(日)" },
        { 12, 24, 3, 0, "12/24(水)" },
        { 0, 0, 9, 9, "毎?曜日" },    // a weekday only a hand-edited file holds
    };
    for (const DateCase &c : cases) {
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

// ---- recording formats ----

static WAVEFORMATEX DefaultFormat()
{
    WAVEFORMATEX format = {};
    SetDefaultFormat(&format);
    return format;
}

TEST(ReserveFormat, DescribesInTheAcmsOwnWordsOnOneOrTwoLines)
{
    WAVEFORMATEX pcm = DefaultFormat();
    char oneLine[FormatDescriptionBytes], twoLines[FormatDescriptionBytes];
    DescribeFormat(&pcm, false, oneLine);
    DescribeFormat(&pcm, true, twoLines);
    EXPECT_EQ(strncmp(oneLine, "PCM ", 4), 0) << oneLine;
    EXPECT_NE(strstr(oneLine, "22050"), nullptr) << oneLine;
    std::string split = oneLine;
    split.replace(split.find(' '), 1, "\r\n");
    EXPECT_EQ(split, twoLines);

    WAVEFORMATEX unknown = pcm;
    unknown.wFormatTag = 0x7777;
    DescribeFormat(&unknown, false, oneLine);
    DescribeFormat(&unknown, true, twoLines);
    ASSERT_EQ(oneLine[0], ' ') << "no driver names the tag";
    EXPECT_EQ(std::string("\r\n") + (oneLine + 1), twoLines);
}

TEST(ReserveFormat, BufferSizeCoversTheCodecsAndTheSettingsFile)
{
    ResetAppState();
    DWORD codecs = 0;
    ASSERT_EQ(acmMetrics(NULL, ACM_METRIC_MAX_SIZE_FORMAT, &codecs), (MMRESULT)MMSYSERR_NOERROR);
    ASSERT_GE(codecs, (DWORD)sizeof(WAVEFORMATEX));
    EXPECT_EQ(FormatBufferSize(), codecs);
    App.MaxFormatSize = codecs - 1;
    EXPECT_EQ(FormatBufferSize(), codecs);
    App.MaxFormatSize = codecs + 30;
    EXPECT_EQ(FormatBufferSize(), codecs + 30);
    ResetAppState();
}

TEST(ReserveFormat, CustomFormatNameIsTheRadioQuality)
{
    EXPECT_STREQ(CustomFormatName, "ラジオの音質");
    EXPECT_EQ(strlen(CustomFormatName), 12u);
}

// ---- windows ----

static std::string DefaultFormatHex()
{
    WAVEFORMATEX format = DefaultFormat();
    char hex[64];
    BytesToHex((const BYTE *)&format, sizeof format, hex);
    return hex;
}

static std::string ReserveLine(int key, int enabled, const char *title, int preset, int day, int first, int last,
                               int startHour, int startMinute)
{
    char line[512];
    snprintf(line, sizeof line, "%d=%d,%s,%d,2024,1,%d,%d,%d,%d,%d,%d,%d,C:\\rec\\%%T.wav,1,%s\r\n", key, enabled,
             title, preset, day, first, last, startHour, startMinute, (startHour + 1) % 24, startMinute,
             DefaultFormatHex().c_str());
    return line;
}

static std::string RowText(HWND listView, int row, int column)
{
    char text[256] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(listView, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return text;
}

static int RowCount(HWND listView)
{
    return (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
}

static bool RowChecked(HWND listView, int row)
{
    return (SendMessageA(listView, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

static void SetRowState(HWND listView, int row, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    SendMessageA(listView, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

// Selects exactly these rows; the last one also gets the focus.
static void SelectRows(HWND listView, std::initializer_list<int> rows)
{
    SetRowState(listView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows)
        SetRowState(listView, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

static bool ButtonEnabled(HWND listWindow, int command)
{
    LRESULT state = SendDlgItemMessageA(listWindow, IDC_RESERVE_TOOLBAR, TB_GETSTATE, (WPARAM)command, 0);
    return state != -1 && (state & TBSTATE_ENABLED);
}

static ReserveEntry *NewEntry(const char *title, uint16_t hour, uint16_t minute, bool enabled)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    HeapFreeBlock(entry->Title);
    entry->Title = HeapStrDup(title);
    entry->Day = ReserveDayDaily;
    entry->Enabled = enabled ? 1 : 0;
    entry->StartHour = hour;
    entry->StartMinute = minute;
    entry->EndHour = (uint16_t)((hour + 1) % 24);
    entry->EndMinute = minute;
    ReserveListPush(&App.ReserveList, entry);
    return entry;
}

// A daily reservation whose next start lies hoursAhead hours from now.
static ReserveEntry *AddDaily(const char *title, int hoursAhead, bool enabled = true)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return NewEntry(title, (uint16_t)((now.wHour + hoursAhead) % 24), now.wMinute, enabled);
}

static std::vector<std::string> Titles()
{
    std::vector<std::string> titles;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++)
        titles.push_back(App.ReserveList.Items[i]->Title);
    return titles;
}

class ReserveWindow : public ::testing::Test {
protected:
    std::string Folder;
    HINSTANCE Instance = GetModuleHandleA(NULL);

    void SetUp() override
    {
        ResetAppState();
        INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES };
        InitCommonControlsEx(&controls);
        RegisterReserveListClass(Instance);
        Folder = MakeTempFolder("reserveui");
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
            WriteTextFile(Folder + "TALVORec.ini", ini);
        LoadAllSections(Folder);
        GetLocalTime(&App.LastTick);
        ComputeSchedule(&App.LastTick, &App.ReserveList, &App.NextReservation, 0);
    }

    HWND OpenList()
    {
        GetLocalTime(&App.LastTick);
        App.ReserveListWindow = CreateReserveListWindow(Instance);
        return App.ReserveListWindow;
    }

    HWND ListView() { return GetDlgItem(App.ReserveListWindow, IDC_RESERVE_LIST); }

    void Command(int id) { SendMessageA(App.ReserveListWindow, WM_COMMAND, (WPARAM)id, 0); }
};

// ---- the list window ----

TEST_F(ReserveWindow, OpensAtTheStoredPlaceWithTheStoredColumns)
{
    LoadSettings();
    HWND window = OpenList();
    ASSERT_NE(window, nullptr);
    char caption[64];
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "予約設定一覧");
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_GT(rect.right - rect.left, 100) << "the system's default size";
    static const int widths[ColumnCount] = { 140, 80, 65, 40, 40, 240 };
    for (int c = 0; c < ColumnCount; c++)
        EXPECT_EQ(SendMessageA(ListView(), LVM_GETCOLUMNWIDTH, (WPARAM)c, 0), widths[c]) << "column " << c;
}

TEST_F(ReserveWindow, ClosingAMaximisedWindowStoresItsRestoredRectangleAndColumns)
{
    LoadSettings("[RESERVELIST]\r\nTop=40\r\nLeft=100\r\nBottom=440\r\nRight=700\r\n"
                 "ColumnWidth=100,81,66,41,42,200\r\n");
    HWND window = OpenList();
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right, 700);
    EXPECT_EQ(rect.bottom, 440);
    EXPECT_EQ(SendMessageA(ListView(), LVM_GETCOLUMNWIDTH, 5, 0), 200);
    SendMessageA(ListView(), LVM_SETCOLUMNWIDTH, 2, 99);
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));

    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(App.ReserveListWindow, nullptr);
    EXPECT_EQ(App.ReserveListRect.left, 100);
    EXPECT_EQ(App.ReserveListRect.top, 40);
    EXPECT_EQ(App.ReserveListRect.right, 700);
    EXPECT_EQ(App.ReserveListRect.bottom, 440);
    static const int widths[ColumnCount] = { 100, 81, 99, 41, 42, 200 };
    for (int c = 0; c < ColumnCount; c++)
        EXPECT_EQ(App.ReserveListColumnWidths[c], widths[c]) << "column " << c;
}

TEST_F(ReserveWindow, OpeningSortsByNextStartDisabledIncluded)
{
    LoadSettings();
    AddDaily("later", 3);
    AddDaily("soon", 1, false);
    AddDaily("middle", 2);
    OpenList();
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "soon", "middle", "later" }));
    for (int row = 0; row < 3; row++)
        EXPECT_EQ(RowText(ListView(), row, 0), App.ReserveList.Items[row]->Title);
    EXPECT_FALSE(RowChecked(ListView(), 0));
    EXPECT_TRUE(RowChecked(ListView(), 1));
}

TEST_F(ReserveWindow, RowShowsStationDateTimesAndFormat)
{
    LoadSettings();
    App.PresetTable[2].Frequency = 8250;
    ReserveEntry *entry = NewEntry("News", 7, 5, true);
    entry->Preset = 3;
    entry->EndHour = 23;
    entry->EndMinute = 0;
    entry->Day = 5;
    entry->Month = 1;
    entry->Year = 2099;
    entry->WeekdayFirst = 0;
    OpenList();
    char format[FormatDescriptionBytes];
    DescribeFormat((const WAVEFORMATEX *)entry->Format, false, format);
    const char *expected[ColumnCount] = { "News", "FM 82.50MHz", "1/5(日)", "07:05", "23:00", format };
    for (int c = 0; c < ColumnCount; c++)
        EXPECT_EQ(RowText(ListView(), 0, c), expected[c]) << "column " << c;
}

TEST_F(ReserveWindow, ToolbarFollowsTheSelectionAndTheCopyBuffer)
{
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2);
    HWND window = OpenList();
    EXPECT_TRUE(ButtonEnabled(window, IDM_RESERVE_NEW));
    for (int command : { IDM_RESERVE_COPY, IDM_RESERVE_PASTE, IDM_RESERVE_DELETE, IDM_RESERVE_PROPERTIES })
        EXPECT_FALSE(ButtonEnabled(window, command)) << command;
    SelectRows(ListView(), { 1 });
    for (int command : { IDM_RESERVE_COPY, IDM_RESERVE_DELETE, IDM_RESERVE_PROPERTIES })
        EXPECT_TRUE(ButtonEnabled(window, command)) << command;
    EXPECT_FALSE(ButtonEnabled(window, IDM_RESERVE_PASTE));
    Command(IDM_RESERVE_COPY);
    EXPECT_TRUE(ButtonEnabled(window, IDM_RESERVE_PASTE));
    SelectRows(ListView(), {});
    EXPECT_FALSE(ButtonEnabled(window, IDM_RESERVE_COPY));
    EXPECT_TRUE(ButtonEnabled(window, IDM_RESERVE_PASTE)) << "the copies are still there";
}

// Answers the delete confirmation with answer, noting its text and default button.
struct DeleteQuestion {
    std::string Text;
    int DefaultButton = 0;
    bool Asked = false;
};

static void AnswerDeleteQuestion(HWND listWindow, int answer, DeleteQuestion *question)
{
    WhenWindowAppears([listWindow] { return FindThreadWindow("#32770", "削除の確認", listWindow); },
                      [answer, question](HWND box) {
                          char text[128] = "";
                          GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                          question->Text = text;
                          for (int button : { IDYES, IDNO }) {
                              LONG style = GetWindowLongA(GetDlgItem(box, button), GWL_STYLE);
                              if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                                  question->DefaultButton = button;
                          }
                          question->Asked = true;
                          PostMessageA(box, WM_COMMAND, (WPARAM)answer, 0);
                      });
}

TEST_F(ReserveWindow, DeletingRowsOneAndThreeOfFiveKeepsTheOthersInOrder)
{
    LoadSettings();
    for (int i = 1; i <= 5; i++)
        AddDaily(std::to_string(i).c_str(), i);
    HWND window = OpenList();
    SelectRows(ListView(), { 0, 2 });

    DeleteQuestion question;
    AnswerDeleteQuestion(window, IDNO, &question);
    Command(IDM_RESERVE_DELETE);
    ASSERT_TRUE(question.Asked);
    EXPECT_EQ(question.Text, "削除しますか？");
    EXPECT_EQ(question.DefaultButton, IDNO);
    EXPECT_EQ(App.ReserveList.Count, 5u) << "No deletes nothing";

    AnswerDeleteQuestion(window, IDYES, &question);
    Command(IDM_RESERVE_DELETE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "2", "4", "5" }));
    ASSERT_EQ(RowCount(ListView()), 3);
    for (int row = 0; row < 3; row++)
        EXPECT_EQ(RowText(ListView(), row, 0), App.ReserveList.Items[row]->Title);
    EXPECT_EQ(App.NextReservation.Entry, App.ReserveList.Items[0]);
    EXPECT_FALSE(ButtonEnabled(window, IDM_RESERVE_DELETE)) << "nothing is selected any more";
}

TEST_F(ReserveWindow, DeleteWithoutSelectionStillAsksAndDeletesNothing)
{
    LoadSettings();
    AddDaily("a", 1);
    HWND window = OpenList();
    DeleteQuestion question;
    AnswerDeleteQuestion(window, IDYES, &question);
    Command(IDM_RESERVE_DELETE);
    EXPECT_TRUE(question.Asked);
    EXPECT_EQ(App.ReserveList.Count, 1u);
    EXPECT_EQ(RowCount(ListView()), 1);
}

TEST_F(ReserveWindow, CopyingTwoRowsAndPastingTwiceAppendsFourIndependentCopies)
{
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2, false);
    AddDaily("c", 3);
    OpenList();
    Command(IDM_RESERVE_PASTE);
    EXPECT_EQ(App.ReserveList.Count, 3u) << "nothing copied yet";
    Command(IDM_RESERVE_COPY);
    EXPECT_EQ(App.CopyBuffer.Count, 0u) << "nothing selected";

    SelectRows(ListView(), { 1, 2 });
    Command(IDM_RESERVE_COPY);
    Command(IDM_RESERVE_PASTE);
    Command(IDM_RESERVE_PASTE);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "a", "b", "c", "b", "c", "b", "c" }));
    ASSERT_EQ(RowCount(ListView()), 7);
    for (int row = 3; row < 7; row++) {
        const ReserveEntry *entry = App.ReserveList.Items[row];
        EXPECT_EQ(RowText(ListView(), row, 0), entry->Title);
        EXPECT_EQ(RowChecked(ListView(), row), entry->Enabled == 1);
        EXPECT_EQ(entry->Enabled, row % 2 == 1 ? 0 : 1) << "the copied state";
        for (int other = 0; other < 7; other++) {
            if (other == row)
                continue;
            const ReserveEntry *otherEntry = App.ReserveList.Items[other];
            EXPECT_NE(entry, otherEntry);
            EXPECT_NE(entry->Title, otherEntry->Title);
            EXPECT_NE(entry->Format, otherEntry->Format);
        }
        for (uint32_t k = 0; k < App.CopyBuffer.Count; k++)
            EXPECT_NE(entry, App.CopyBuffer.Items[k]);
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
    RECT row = {};
    row.left = LVIR_BOUNDS;
    SendMessageA(ListView(), LVM_GETITEMRECT, 0, (LPARAM)&row);
    LVHITTESTINFO hit = {};
    hit.pt.y = (row.top + row.bottom) / 2;
    for (hit.pt.x = row.left; hit.pt.x < row.left + 40; hit.pt.x++) {
        SendMessageA(ListView(), LVM_HITTEST, 0, (LPARAM)&hit);
        if (hit.flags & LVHT_ONITEMSTATEICON)
            break;
    }
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    SendMessageA(ListView(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageA(ListView(), WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    EXPECT_FALSE(RowChecked(ListView(), 0));
    EXPECT_EQ(first->Enabled, 0);
    EXPECT_EQ(App.NextReservation.Entry, second);

    SelectRows(ListView(), { 0 });
    Command(IDM_RESERVE_ENABLE);
    EXPECT_EQ(first->Enabled, 1);
    EXPECT_EQ(App.NextReservation.Entry, first);
    SelectRows(ListView(), { 0, 1 });
    Command(IDM_RESERVE_DISABLE);
    EXPECT_EQ(first->Enabled, 0);
    EXPECT_EQ(second->Enabled, 0);
    EXPECT_EQ(App.NextReservation.Entry, nullptr);
}

TEST_F(ReserveWindow, SelectAllSelectsEveryRow)
{
    LoadSettings();
    for (int i = 1; i <= 4; i++)
        AddDaily("x", i);
    OpenList();
    Command(IDM_RESERVE_SELECTALL);
    EXPECT_EQ(SendMessageA(ListView(), LVM_GETSELECTEDCOUNT, 0, 0), 4);
}

struct MenuCase {
    std::vector<int> Selected;
    bool Copied;
    bool Enable, Disable, StartNow, Copy, Paste;
};

TEST_F(ReserveWindow, ContextMenuGraysWhatTheSelectionCannotDo)
{
    // Rows 0 and 2 are checked, row 1 is not.
    static const MenuCase cases[] = {
        { { 0, 2 }, false, false, true, true, true, false },
        { { 1 }, false, true, false, true, true, false },
        { {}, false, false, false, false, false, false },
        { { 0, 1 }, true, true, true, true, true, true },
    };
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2, false);
    AddDaily("c", 3);
    HWND window = OpenList();
    for (const MenuCase &c : cases) {
        SetRowState(ListView(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : c.Selected)
            SetRowState(ListView(), row, LVIS_SELECTED, LVIS_SELECTED);
        if (c.Copied)
            Command(IDM_RESERVE_COPY);

        std::vector<UINT> states;
        bool shown = false;
        WhenWindowAppears([] { return FindThreadWindow("#32768", NULL, NULL); },
                          [&states, &shown](HWND menuWindow) {
                              HMENU menu = (HMENU)SendMessageA(menuWindow, MN_GETHMENU, 0, 0);
                              for (int id = IDM_RESERVE_NEW; id <= IDM_RESERVE_STARTNOW; id++)
                                  states.push_back(GetMenuState(menu, (UINT)id, MF_BYCOMMAND));
                              shown = true;
                              EndMenu();
                          });
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = ListView();
        click.hdr.idFrom = IDC_RESERVE_LIST;
        click.hdr.code = NM_RCLICK;
        click.iItem = -1;
        click.ptAction.x = 10;
        click.ptAction.y = 10;
        SendMessageA(window, WM_NOTIFY, IDC_RESERVE_LIST, (LPARAM)&click);
        ASSERT_TRUE(shown);
        ASSERT_EQ(states.size(), 9u);
        auto enabled = [&states](int id) { return !(states[id - IDM_RESERVE_NEW] & MF_GRAYED); };
        bool selected = !c.Selected.empty();
        EXPECT_EQ(enabled(IDM_RESERVE_ENABLE), c.Enable);
        EXPECT_EQ(enabled(IDM_RESERVE_DISABLE), c.Disable);
        EXPECT_EQ(enabled(IDM_RESERVE_STARTNOW), c.StartNow);
        EXPECT_EQ(enabled(IDM_RESERVE_COPY), c.Copy);
        EXPECT_EQ(enabled(IDM_RESERVE_DELETE), selected);
        EXPECT_EQ(enabled(IDM_RESERVE_PROPERTIES), selected);
        EXPECT_EQ(enabled(IDM_RESERVE_PASTE), c.Paste);
        EXPECT_TRUE(enabled(IDM_RESERVE_NEW));
        EXPECT_TRUE(enabled(IDM_RESERVE_SELECTALL));
    }
}

// Whichever reservation execution has reached: the entry handed to it, or
// the private copy it has taken of that entry.
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
    SetRowState(ListView(), 1, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    Command(IDM_RESERVE_STARTNOW);
    EXPECT_EQ(StartedTitle(), "on") << "a focused row that is not selected starts nothing";

    SelectRows(ListView(), { 1 });
    Command(IDM_RESERVE_STARTNOW);
    EXPECT_EQ(StartedTitle(), "off");
}

// ---- the edit dialog ----

enum { ScriptLeftDialogOpen = 99 };

static HWND FindEditDialog()
{
    return FindThreadWindow("#32770", "予約設定", NULL);
}

// Runs script inside the edit dialog once it is open.
static void WhenEditDialogOpens(std::function<void(HWND)> script)
{
    WhenWindowAppears(FindEditDialog, [script](HWND dialog) {
        script(dialog);
        if (IsWindowVisible(dialog))
            EndDialog(dialog, ScriptLeftDialogOpen);
    });
}

// Opens the edit dialog on index (-1: a new reservation) as the list window
// does and returns how it ended.
static INT_PTR RunEditDialog(HWND owner, int index, std::function<void(HWND)> script)
{
    WhenEditDialogOpens(script);
    return DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_RESERVE_EDIT), owner, ReserveEditDlgProc,
                           (LPARAM)index);
}

static void Press(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

static void Pick(HWND dialog, int id, int index)
{
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo);
}

// Sets a picker and reports the change as the picker does for the user.
static void SetPicker(HWND dialog, int id, const SYSTEMTIME &time)
{
    HWND picker = GetDlgItem(dialog, id);
    SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&time);
    NMDATETIMECHANGE change = {};
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = (UINT_PTR)id;
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.dwFlags = GDT_VALID;
    change.st = time;
    SendMessageA(dialog, WM_NOTIFY, (WPARAM)id, (LPARAM)&change);
}

static std::string ItemText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

static std::string SelectedText(HWND dialog, int id)
{
    LRESULT item = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (item < 0)
        return "";
    char text[256] = "";
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, (WPARAM)item, (LPARAM)text);
    return text;
}

static bool ApplyEnabled(HWND dialog)
{
    return IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_APPLY)) != FALSE;
}

// Slots 1 and 2 switched off, 3 and 4 offered; two station names.
static const char *const TwoPresetsOff = "[FREQ]\r\n0=0,0\r\n1=0,594\r\n2=1,954\r\n3=1,8250\r\n"
                                          "[STATION]\r\n594=NHK 第1\r\n954=TBSラジオ\r\n";

TEST_F(ReserveWindow, NewReservationOkAtOnceAddsNothing)
{
    LoadSettings(std::string(TwoPresetsOff) + "[RESERVE]\r\n" + ReserveLine(0, 0, "one", 3, 255, 0, 0, 6, 0) +
                 ReserveLine(1, 0, "two", 3, 255, 0, 0, 7, 0));
    HWND window = OpenList();
    bool applyWasEnabled = true;
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        applyWasEnabled = ApplyEnabled(dialog);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(applyWasEnabled);
    EXPECT_EQ(App.ReserveList.Count, 2u);
    EXPECT_EQ(RowCount(ListView()), 2);
}

TEST_F(ReserveWindow, NewReservationWithANameIsAppendedWithTheStartingValues)
{
    LoadSettings(std::string(TwoPresetsOff) + "[RESERVE]\r\n" + ReserveLine(0, 0, "one", 3, 255, 0, 0, 6, 0) +
                 ReserveLine(1, 0, "two", 3, 255, 0, 0, 7, 0));
    HWND window = OpenList();
    SYSTEMTIME opened, closed;
    std::string firstStation, description;
    GetLocalTime(&opened);
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        firstStation = SelectedText(dialog, IDC_EDIT_STATION);
        description = ItemText(dialog, IDC_EDIT_FORMAT);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "朝のニュース");
        Press(dialog, IDOK);
    });
    GetLocalTime(&closed);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(App.ReserveList.Count, 3u);
    const ReserveEntry *entry = App.ReserveList.Items[2];
    EXPECT_STREQ(entry->Title, "朝のニュース");
    EXPECT_EQ(entry->Enabled, 1);
    EXPECT_EQ(entry->Day, 0);
    EXPECT_EQ(entry->WeekdayFirst, 0);
    EXPECT_EQ(entry->WeekdayLast, 0);
    EXPECT_EQ(firstStation, "TBSラジオ");
    EXPECT_EQ(entry->Preset, 3) << "the first station offered (slots 1 and 2 are off)";
    bool atOpening = (entry->StartHour == opened.wHour && entry->StartMinute == opened.wMinute) ||
                     (entry->StartHour == closed.wHour && entry->StartMinute == closed.wMinute);
    EXPECT_TRUE(atOpening) << entry->StartHour << ":" << entry->StartMinute;
    EXPECT_EQ(entry->EndHour, entry->StartHour);
    EXPECT_EQ(entry->EndMinute, entry->StartMinute);
    EXPECT_EQ(entry->RiffHeader, 1);
    WAVEFORMATEX expected = DefaultFormat();
    ASSERT_GE(HeapBlockSize(entry->Format), sizeof expected);
    EXPECT_EQ(memcmp(entry->Format, &expected, sizeof expected), 0);
    char defaultDescription[FormatDescriptionBytes];
    DescribeFormat(&expected, true, defaultDescription);
    EXPECT_EQ(description, defaultDescription);
    ASSERT_NE(entry->SavePath, nullptr);
    EXPECT_STREQ(entry->SavePath, "");
    ASSERT_EQ(RowCount(ListView()), 3);
    EXPECT_EQ(RowText(ListView(), 2, 0), "朝のニュース");
    EXPECT_TRUE(RowChecked(ListView(), 2));
    EXPECT_EQ(App.NextReservation.Entry, entry) << "the only enabled reservation is scheduled";
}

TEST_F(ReserveWindow, NewCommandOpensTheDialogForANewReservation)
{
    LoadSettings();
    OpenList();
    std::string title = "unset";
    WhenEditDialogOpens([&](HWND dialog) {
        title = ItemText(dialog, IDC_EDIT_TITLE);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "new");
        Press(dialog, IDOK);
    });
    Command(IDM_RESERVE_NEW);
    EXPECT_EQ(title, "");
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "new" }));
}

TEST_F(ReserveWindow, ApplyThenOkAddsOnce)
{
    LoadSettings();
    HWND window = OpenList();
    bool applyAfterApply = true;
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "once");
        Press(dialog, IDC_EDIT_APPLY);
        applyAfterApply = ApplyEnabled(dialog);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(applyAfterApply);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "once" }));
    EXPECT_EQ(RowCount(ListView()), 1);
}

TEST_F(ReserveWindow, ApplyChangeApplyEditsTheSameEntry)
{
    LoadSettings();
    AddDaily("other", 1);
    HWND window = OpenList();
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "first");
        Press(dialog, IDC_EDIT_APPLY);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "second");
        Pick(dialog, IDC_EDIT_WEEKLY, 0);
        Press(dialog, IDC_EDIT_APPLY);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "other", "second" }));
    EXPECT_EQ(App.ReserveList.Items[1]->Day, ReserveDayDaily);
    ASSERT_EQ(RowCount(ListView()), 2);
    EXPECT_EQ(RowText(ListView(), 1, 0), "second");
    EXPECT_EQ(RowText(ListView(), 1, 2), "毎日");
}

TEST_F(ReserveWindow, ApplyOnAnExistingEntryReplacesItInPlace)
{
    LoadSettings();
    AddDaily("a", 1);
    AddDaily("b", 2);
    HWND window = OpenList();
    const ReserveEntry *before = App.ReserveList.Items[0];
    bool applyAfterApply = true;
    RunEditDialog(window, 0, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "a2");
        Press(dialog, IDC_EDIT_APPLY);
        applyAfterApply = ApplyEnabled(dialog);
        Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(applyAfterApply);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "a2", "b" }));
    EXPECT_NE(App.ReserveList.Items[0], before);
    EXPECT_EQ(RowText(ListView(), 0, 0), "a2");
}

TEST_F(ReserveWindow, DateModeStoresTheDateAndItsWeekday)
{
    LoadSettings();
    HWND window = OpenList();
    bool weeklyEnabled = true, dateEnabled = false;
    RunEditDialog(window, -1, [&](HWND dialog) {
        Press(dialog, IDC_EDIT_BYDATE);
        weeklyEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_WEEKLY));
        dateEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_DATE));
        SYSTEMTIME christmasEve = {};
        christmasEve.wYear = 2024;
        christmasEve.wMonth = 12;
        christmasEve.wDay = 24;
        SetPicker(dialog, IDC_EDIT_DATE, christmasEve);
        Press(dialog, IDOK);
    });
    EXPECT_FALSE(weeklyEnabled);
    EXPECT_TRUE(dateEnabled);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_EQ(entry->Year, 2024);
    EXPECT_EQ(entry->Month, 12);
    EXPECT_EQ(entry->Day, 24);
    EXPECT_EQ(entry->WeekdayFirst, 2) << "a Tuesday";
    EXPECT_EQ(RowText(ListView(), 0, 2), "12/24(火)");
    EXPECT_EQ(entry->Enabled, 0) << "a date in the past is retired by the schedule";
}

TEST_F(ReserveWindow, WeeklyPatternsStoreTheirWeekdays)
{
    LoadSettings();
    HWND window = OpenList();
    struct Stored {
        uint16_t Day, WeekdayFirst, WeekdayLast;
        std::string Row;
    };
    std::vector<Stored> stored;
    RunEditDialog(window, -1, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "weekly");
        // Every Apply after the first edits the same entry.
        for (int index = WeekPatternCount - 1; index >= 0; index--) {
            Pick(dialog, IDC_EDIT_WEEKLY, index);
            Press(dialog, IDC_EDIT_APPLY);
            const ReserveEntry *entry = App.ReserveList.Items[App.ReserveList.Count - 1];
            stored.push_back({ entry->Day, entry->WeekdayFirst, entry->WeekdayLast, RowText(ListView(), 0, 2) });
        }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(App.ReserveList.Count, 1u);
    ASSERT_EQ(stored.size(), (size_t)WeekPatternCount);
    for (int index = 0; index < WeekPatternCount; index++) {
        const WeekPattern &pattern = WeekPatternList[index];
        const Stored &got = stored[WeekPatternCount - 1 - index];
        EXPECT_EQ(got.Day, pattern.Day) << pattern.Text;
        // 毎日 keeps the weekdays of the pattern before it (毎日曜日).
        uint16_t first = pattern.Day == ReserveDayDaily ? 0 : pattern.WeekdayFirst;
        uint16_t last = pattern.Day == ReserveDayDaily ? 0 : pattern.WeekdayLast;
        EXPECT_EQ(got.WeekdayFirst, first) << pattern.Text;
        EXPECT_EQ(got.WeekdayLast, last) << pattern.Text;
        EXPECT_EQ(got.Row, pattern.Text);
    }
    EXPECT_STREQ(WeekPatternList[9].Text, "月-金曜日");
    EXPECT_EQ(stored[WeekPatternCount - 1 - 9].WeekdayFirst, 1);
    EXPECT_EQ(stored[WeekPatternCount - 1 - 9].WeekdayLast, 5);
}

TEST_F(ReserveWindow, TuesdayToFridayFromTheFileOpensAsMondayToFriday)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 1, "range", 1, 0, 2, 5, 6, 30));
    HWND window = OpenList();
    std::string shown;
    RunEditDialog(window, 0, [&](HWND dialog) {
        shown = SelectedText(dialog, IDC_EDIT_WEEKLY);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "range!");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(shown, "月-金曜日");
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_EQ(entry->Day, 0);
    EXPECT_EQ(entry->WeekdayFirst, 1);
    EXPECT_EQ(entry->WeekdayLast, 5);
    EXPECT_EQ(entry->StartHour, 6);
    EXPECT_EQ(entry->StartMinute, 30);
}

TEST_F(ReserveWindow, DateEntryOpensInDateModeAndSwitchingToWeeklyWithoutChoiceIsDaily)
{
    LoadSettings("[RESERVE]\r\n" + ReserveLine(0, 1, "date", 1, 24, 2, 2, 6, 30));
    HWND window = OpenList();
    bool dateChecked = false;
    LRESULT weeklySelection = 0;
    RunEditDialog(window, 0, [&](HWND dialog) {
        dateChecked = IsDlgButtonChecked(dialog, IDC_EDIT_BYDATE) == BST_CHECKED;
        weeklySelection = SendDlgItemMessageA(dialog, IDC_EDIT_WEEKLY, CB_GETCURSEL, 0, 0);
        Press(dialog, IDC_EDIT_BYWEEKDAY);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(dateChecked);
    EXPECT_EQ(weeklySelection, CB_ERR);
    EXPECT_EQ(App.ReserveList.Items[0]->Day, ReserveDayDaily);
}

TEST_F(ReserveWindow, EntryOnASwitchedOffPresetKeepsItsStation)
{
    LoadSettings(std::string(TwoPresetsOff) + "[RESERVE]\r\n" +
                 ReserveLine(0, 1, "first", 2, 255, 0, 0, 6, 0));
    HWND window = OpenList();
    std::string shown;
    RunEditDialog(window, 0, [&](HWND dialog) {
        shown = SelectedText(dialog, IDC_EDIT_STATION);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "renamed");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(shown, "NHK 第1");
    EXPECT_EQ(App.ReserveList.Items[0]->Preset, 2);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "renamed");
}

TEST_F(ReserveWindow, NoEnabledPresetStoresPresetOne)
{
    LoadSettings("[FREQ]\r\n0=0,594\r\n");
    HWND window = OpenList();
    LRESULT stations = -1;
    RunEditDialog(window, -1, [&](HWND dialog) {
        stations = SendDlgItemMessageA(dialog, IDC_EDIT_STATION, CB_GETCOUNT, 0, 0);
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "x");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(stations, 0);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    EXPECT_EQ(App.ReserveList.Items[0]->Preset, 1);
}

TEST_F(ReserveWindow, FormatLargerThanTheWorkingBufferIsKeptWhole)
{
    LoadSettings();
    ReserveEntry *entry = AddDaily("big", 1);
    const size_t size = 300;
    BYTE *format = (BYTE *)HeapAllocZero(size);
    ASSERT_NE(format, nullptr);
    WAVEFORMATEX *header = (WAVEFORMATEX *)format;
    *header = DefaultFormat();
    header->wFormatTag = 0x7777;
    header->cbSize = (WORD)(size - sizeof(WAVEFORMATEX));
    for (size_t i = sizeof(WAVEFORMATEX); i < size; i++)
        format[i] = (BYTE)i;
    std::vector<BYTE> expected(format, format + size);
    HeapFreeBlock(entry->Format);
    entry->Format = format;
    ASSERT_LT(FormatBufferSize(), size);

    HWND window = OpenList();
    RunEditDialog(window, 0, [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDIT_TITLE, "big!");
        Press(dialog, IDOK);
    });
    const ReserveEntry *stored = App.ReserveList.Items[0];
    EXPECT_STREQ(stored->Title, "big!");
    ASSERT_GE(HeapBlockSize(stored->Format), size);
    EXPECT_EQ(memcmp(stored->Format, expected.data(), size), 0);
}

TEST_F(ReserveWindow, WorkingCopyTheHeapRefusesOpensNothingAndStoresNothing)
{
    LoadSettings();
    AddDaily("kept", 1);
    HWND window = OpenList();
    App.MaxFormatSize = 0x7FFFFFF0u;  // no format buffer of that size can be had
    bool opened = false;
    INT_PTR result = RunEditDialog(window, -1, [&](HWND) { opened = true; });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "kept" }));
    EXPECT_EQ(RowCount(ListView()), 1);
    result = RunEditDialog(window, 0, [&](HWND) { opened = true; });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Titles(), (std::vector<std::string>{ "kept" }));
    EXPECT_FALSE(opened);
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
    SetRowState(ListView(), 1, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
    WhenEditDialogOpens(noteTitle);
    Command(IDM_RESERVE_PROPERTIES);
    PumpMessages(100);
    EXPECT_EQ(opened, "") << "the focused row is not selected";
    CancelWindowWaits();

    SelectRows(ListView(), { 1 });
    WhenEditDialogOpens(noteTitle);
    NMHDR doubleClick = { ListView(), IDC_RESERVE_LIST, (UINT)NM_DBLCLK };
    SendMessageA(App.ReserveListWindow, WM_NOTIFY, IDC_RESERVE_LIST, (LPARAM)&doubleClick);
    PumpMessages(200);
    EXPECT_EQ(opened, "b");
}

// The platform's save dialog: its file name box.
enum { SaveDialogFileName = 1148 };

static BOOL CALLBACK FindFileNameEdit(HWND child, LPARAM found)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (GetDlgCtrlID(child) == SaveDialogFileName && strcmp(className, "Edit") == 0) {
        *(HWND *)found = child;
        return FALSE;
    }
    return TRUE;
}

TEST_F(ReserveWindow, SavePathChosenThroughTheFileDialogEnablesApply)
{
    LoadSettings();
    HWND window = OpenList();
    std::string chosen = Folder + "%T_%Y%M%D.wav";
    std::string shown;
    bool applyAfter = false;
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        WhenWindowAppears([dialog] { return FindThreadWindow("#32770", NULL, dialog); }, [&chosen](HWND files) {
            HWND name = NULL;
            EnumChildWindows(files, FindFileNameEdit, (LPARAM)&name);
            SetWindowTextA(name, chosen.c_str());
            PostMessageA(files, WM_COMMAND, IDOK, 0);
        });
        Press(dialog, IDC_EDIT_BROWSE);
        shown = ItemText(dialog, IDC_EDIT_SAVEPATH);
        applyAfter = ApplyEnabled(dialog);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(shown, chosen);
    EXPECT_TRUE(applyAfter);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    EXPECT_EQ(std::string(App.ReserveList.Items[0]->SavePath), chosen);
}

// ---- the format chooser ----

// The platform chooser's lists of format tags and of formats.
enum { ChooserTagList = 101, ChooserFormatList = 102 };

static HWND FindChooser(HWND dialog)
{
    return FindThreadWindow("#32770", NULL, dialog);
}

TEST_F(ReserveWindow, CancelledFormatChoiceChangesNothing)
{
    LoadSettings();
    HWND window = OpenList();
    std::string before, after;
    bool chooserSeen = false, applyAfter = true;
    INT_PTR result = RunEditDialog(window, -1, [&](HWND dialog) {
        before = ItemText(dialog, IDC_EDIT_FORMAT);
        WhenWindowAppears([dialog] { return FindChooser(dialog); }, [&chooserSeen](HWND chooser) {
            chooserSeen = true;
            PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        });
        Press(dialog, IDC_EDIT_CHANGEFORMAT);
        after = ItemText(dialog, IDC_EDIT_FORMAT);
        applyAfter = ApplyEnabled(dialog);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(chooserSeen);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(applyAfter);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(App.ReserveList.Count, 0u);
}

static void ChooseImaAdpcm(HWND chooser, bool *found)
{
    HWND tags = GetDlgItem(chooser, ChooserTagList);
    LRESULT tag = SendMessageA(tags, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "IMA ADPCM");
    *found = tag >= 0;
    if (tag < 0) {
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SendMessageA(tags, CB_SETCURSEL, (WPARAM)tag, 0);
    SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(ChooserTagList, CBN_SELCHANGE), (LPARAM)tags);
    SendDlgItemMessageA(chooser, ChooserFormatList, CB_SETCURSEL, 0, 0);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
}

TEST_F(ReserveWindow, ChoosingImaAdpcmShowsItAndStoresIt)
{
    LoadSettings();
    AddDaily("radio", 1);
    HWND window = OpenList();
    std::string shown;
    bool found = false, applyAfter = false;
    INT_PTR result = RunEditDialog(window, 0, [&](HWND dialog) {
        WhenWindowAppears([dialog] { return FindChooser(dialog); },
                          [&found](HWND chooser) { ChooseImaAdpcm(chooser, &found); });
        Press(dialog, IDC_EDIT_CHANGEFORMAT);
        shown = ItemText(dialog, IDC_EDIT_FORMAT);
        applyAfter = ApplyEnabled(dialog);
        Press(dialog, IDOK);
    });
    ASSERT_TRUE(found) << "the platform offers IMA ADPCM";
    EXPECT_EQ(shown.rfind("IMA ADPCM\r\n", 0), 0u) << shown;
    EXPECT_GT(shown.size(), strlen("IMA ADPCM\r\n")) << "with the format's own name";
    EXPECT_TRUE(applyAfter);
    EXPECT_EQ(result, IDOK);
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_TRUE(FormatBlockValid(entry->Format));
    const WAVEFORMATEX *format = (const WAVEFORMATEX *)entry->Format;
    EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_IMA_ADPCM);
    EXPECT_EQ(RowText(ListView(), 0, 5).rfind("IMA ADPCM ", 0), 0u);
}
