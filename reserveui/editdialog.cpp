// The reservation edit dialog 予約設定: edits a private working copy of one
// reservation; OK and Apply store it in ReserveList, update the list window's
// row and recompute the schedule, Cancel throws it away.
#include "reserveui/reserveui.h"
#include "schedule/clock.h"
#include "app/dpi.h"
#include "app/appstate.h"
#include "app/savenotice.h"
#include "schedule/execute.h"
#include "app/heap.h"
#include "recorder/recorder.h"
#include "recorder/ownformats.h"
#include "res/resource.h"
#include <commctrl.h>
#include <shlobj.h>
#include <string.h>

const WeekPattern WeekPatternList[WeekPatternCount] = {
    { "毎日", ReserveDayDaily, 0, 0 },
    { "毎日曜日", 0, 0, 0 },
    { "毎月曜日", 0, 1, 1 },
    { "毎火曜日", 0, 2, 2 },
    { "毎水曜日", 0, 3, 3 },
    { "毎木曜日", 0, 4, 4 },
    { "毎金曜日", 0, 5, 5 },
    { "毎土曜日", 0, 6, 6 },
    { "月-木曜日", 0, 1, 4 },
    { "月-金曜日", 0, 1, 5 },
    { "月-土曜日", 0, 1, 6 },
};

// The one dialog that can be open (it is modal).
struct EditorState {
    ReserveEntry *WorkingCopy;  // owns every block it points at
    int32_t EditIndex;          // entry being edited, -1 for a new one
    bool FormatChosen;          // the format chooser has succeeded in this dialog
    bool EditorReady;           // controls loaded: text edits now enable Apply
};
static EditorState Editor;

enum { TitleBytes = 256 };

// ---- controls ----

// How a control hangs on the dialog's client width W and height H.
enum : uint8_t { FromRight = 1, FromBottom = 2, StretchWidth = 4 };

struct EditControl {
    const char *ClassName;
    const char *Text;
    int Id;
    int X, Y, Width, Height;
    uint8_t Anchor;
    DWORD Style;
    DWORD ExStyle;
};

// In creation order, which is also the tab order.
static const EditControl EditControls[] = {
    { "STATIC", "番組名:", 0, 12, 12, 70, 14, 0, 0, 0 },
    { "EDIT", "", IDC_EDIT_TITLE, 85, 9, -97, 18, StretchWidth, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE },
    { "STATIC", "放送局:", 0, 12, 36, 70, 14, 0, 0, 0 },
    { "COMBOBOX", "", IDC_EDIT_STATION, 85, 33, 100, 18, 0, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
      WS_EX_CLIENTEDGE },
    { "BUTTON", "曜日指定:", IDC_EDIT_BYWEEKDAY, 12, 62, 70, 14, 0, WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 0 },
    { "BUTTON", "日付指定:", IDC_EDIT_BYDATE, 12, 88, 70, 14, 0, WS_TABSTOP | BS_AUTORADIOBUTTON, 0 },
    { "COMBOBOX", "", IDC_EDIT_WEEKLY, 85, 59, 80, 18, 0, WS_TABSTOP | CBS_DROPDOWNLIST, WS_EX_CLIENTEDGE },
    { DATETIMEPICK_CLASSA, "", IDC_EDIT_DATE, 85, 85, 80, 20, 0, WS_TABSTOP, 0 },
    { "STATIC", "開始時刻:", 0, -181, 62, 55, 14, FromRight, 0, 0 },
    { DATETIMEPICK_CLASSA, "", IDC_EDIT_START, -123, 59, 54, 20, FromRight, WS_TABSTOP | DTS_TIMEFORMAT, 0 },
    { "STATIC", "終了時刻:", 0, -181, 85, 55, 14, FromRight, 0, 0 },
    { DATETIMEPICK_CLASSA, "", IDC_EDIT_END, -123, 82, 54, 20, FromRight, WS_TABSTOP | DTS_TIMEFORMAT, 0 },
    { "STATIC", "録音の形式:", 0, 12, 114, 70, 14, 0, 0, 0 },
    { "EDIT", "", IDC_EDIT_FORMAT, 85, 111, -97, 41, StretchWidth, ES_MULTILINE | ES_READONLY, WS_EX_CLIENTEDGE },
    { "BUTTON", "変更...", IDC_EDIT_CHANGEFORMAT, 12, 131, 50, 21, 0, WS_TABSTOP | BS_PUSHBUTTON, 0 },
    { "BUTTON", "RIFF ヘッダを付加", IDC_EDIT_RIFF, 85, 157, 120, 14, 0, WS_TABSTOP | BS_AUTOCHECKBOX, 0 },
    { "BUTTON", "MP3・FLAC ▼", IDC_EDIT_OWNFORMAT, -110, 153, 98, 20, FromRight, WS_TABSTOP | BS_PUSHBUTTON, 0 },
    { "STATIC", "保存先:", 0, 12, 177, 70, 14, 0, 0, 0 },
    { "EDIT", "", IDC_EDIT_SAVEPATH, 85, 174, -122, 18, StretchWidth, WS_TABSTOP | ES_AUTOHSCROLL,
      WS_EX_CLIENTEDGE },
    { "BUTTON", "...", IDC_EDIT_BROWSE, -34, 173, 22, 21, FromRight, WS_TABSTOP | BS_PUSHBUTTON, 0 },
    { "BUTTON", "OK", IDOK, -282, -27, 88, 21, FromRight | FromBottom, WS_TABSTOP | BS_DEFPUSHBUTTON, 0 },
    { "BUTTON", "キャンセル", IDCANCEL, -188, -27, 88, 21, FromRight | FromBottom, WS_TABSTOP | BS_PUSHBUTTON, 0 },
    { "BUTTON", "適用(&A)", IDC_EDIT_APPLY, -94, -27, 88, 21, FromRight | FromBottom,
      WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0 },
    // The line above the buttons; it keeps the system font.
    { "STATIC", "", 0, 0, -34, 3, 0, FromBottom | StretchWidth, SS_ETCHEDHORZ, 0 },
};
enum { EditControlCount = sizeof EditControls / sizeof EditControls[0] };

// The places are those of 96 DPI, scaled to the dialog's.
static HWND CreateEditControl(HWND dialog, const EditControl &control, int width, int height, UINT dpi)
{
    int x = ScaleToDpi(control.X, dpi) + ((control.Anchor & FromRight) ? width : 0);
    int y = ScaleToDpi(control.Y, dpi) + ((control.Anchor & FromBottom) ? height : 0);
    int cx = ScaleToDpi(control.Width, dpi) + ((control.Anchor & StretchWidth) ? width : 0);
    return CreateWindowExA(control.ExStyle, control.ClassName, control.Text, WS_CHILD | WS_VISIBLE | control.Style,
                           x, y, cx, ScaleToDpi(control.Height, dpi), dialog, (HMENU)(INT_PTR)control.Id,
                           (HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE), NULL);
}

// One item per enabled preset slot, in slot order, with the slot as its data.
static void FillStationList(HWND combo)
{
    char label[FormatDescriptionBytes];
    for (int slot = 0; slot < PresetCount; slot++) {
        if (!App.PresetTable[slot].Enabled)
            continue;
        PresetLabel(slot + 1, label, sizeof label);
        LRESULT item = SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)label);
        if (item >= 0)
            SendMessageA(combo, CB_SETITEMDATA, (WPARAM)item, slot);
    }
}

static void FillWeekPatternList(HWND combo)
{
    for (const WeekPattern &pattern : WeekPatternList)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)pattern.Text);
}

// The time pickers grow to the right, where their rows are empty, until the
// latest time shows whole beside the arrows.
static void WidenTimePicker(HWND dialog, int id, HFONT font, UINT dpi)
{
    HWND picker = GetDlgItem(dialog, id);
    RECT at;
    if (!picker || !GetWindowRect(picker, &at))
        return;
    int width = TimePickerWidthAt(font, dpi);
    if (width > at.right - at.left)
        SetWindowPos(picker, NULL, 0, 0, width, at.bottom - at.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The date picker as well, for its widest date with the weekday's bracket.
static void WidenDatePicker(HWND dialog, HFONT font, UINT dpi)
{
    HWND picker = GetDlgItem(dialog, IDC_EDIT_DATE);
    RECT at;
    if (!picker || !GetWindowRect(picker, &at))
        return;
    int widest = 0;
    for (const char *day : WeekdayNames) {
        char text[32];
        wsprintfA(text, "12/30 (%s)", day);
        int width = TextWidthIn(font, text);
        if (width > widest)
            widest = width;
    }
    int width = widest + SystemMetricAt(SM_CXVSCROLL, dpi) + 2 * SystemMetricAt(SM_CXEDGE, dpi) + ScaleToDpi(4, dpi);
    if (width > at.right - at.left)
        SetWindowPos(picker, NULL, 0, 0, width, at.bottom - at.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void CreateReserveEditControls(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    UINT dpi = WindowDpi(dialog);
    for (int i = 0; i < EditControlCount; i++) {
        HWND control = CreateEditControl(dialog, EditControls[i], client.right, client.bottom, dpi);
        if (control && i < EditControlCount - 1)
            SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
    }
    SendDlgItemMessageA(dialog, IDC_EDIT_DATE, DTM_SETFORMATA, 0, (LPARAM) "M'/'d' ('ddd')'");
    SendDlgItemMessageA(dialog, IDC_EDIT_START, DTM_SETFORMATA, 0, (LPARAM) "H':'mm");
    SendDlgItemMessageA(dialog, IDC_EDIT_END, DTM_SETFORMATA, 0, (LPARAM) "H':'mm");
    WidenTimePicker(dialog, IDC_EDIT_START, font, dpi);
    WidenTimePicker(dialog, IDC_EDIT_END, font, dpi);
    WidenDatePicker(dialog, font, dpi);
    FillStationList(GetDlgItem(dialog, IDC_EDIT_STATION));
    FillWeekPatternList(GetDlgItem(dialog, IDC_EDIT_WEEKLY));
}

// ---- loading the working copy into the controls ----

static void SetPickerTime(HWND dialog, int id, uint16_t hour, uint16_t minute)
{
    SYSTEMTIME time;
    ReadLocalTime(&time);
    time.wHour = hour;
    time.wMinute = minute;
    SendDlgItemMessageA(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&time);
}

// Selects the item of the entry's preset. A preset that is no longer offered
// (its slot has been switched off) is still this reservation's station: it
// gets an item of its own in slot order, so that storing the entry keeps it.
static void SelectStation(HWND dialog, uint16_t preset)
{
    HWND combo = GetDlgItem(dialog, IDC_EDIT_STATION);
    int slot = (int)preset - 1;
    if (slot < 0 || slot >= PresetCount) {
        SendMessageA(combo, CB_SETCURSEL, (WPARAM)-1, 0);
        return;
    }
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    int position = 0;
    for (int item = 0; item < count; item++) {
        LRESULT data = SendMessageA(combo, CB_GETITEMDATA, (WPARAM)item, 0);
        if (data == slot) {
            SendMessageA(combo, CB_SETCURSEL, (WPARAM)item, 0);
            return;
        }
        if (data >= 0 && data < slot)
            position = item + 1;
    }
    char label[FormatDescriptionBytes];
    PresetLabel(preset, label, sizeof label);
    LRESULT item = SendMessageA(combo, CB_INSERTSTRING, (WPARAM)position, (LPARAM)label);
    if (item >= 0)
        SendMessageA(combo, CB_SETITEMDATA, (WPARAM)item, slot);
    SendMessageA(combo, CB_SETCURSEL, (WPARAM)item, 0);
}

// The weekly pattern an entry stands for; -1 (no selection) for weekdays that
// no pattern has, which only a hand-edited settings file can hold.
static int WeekPatternIndex(const ReserveEntry *entry)
{
    if (entry->Day == ReserveDayDaily)
        return 0;
    if (entry->WeekdayFirst == entry->WeekdayLast)
        return entry->WeekdayFirst <= 6 ? entry->WeekdayFirst + 1 : -1;
    return entry->WeekdayLast >= 4 && entry->WeekdayLast <= 6 ? entry->WeekdayLast + 4 : -1;
}

static void ShowMode(HWND dialog, const ReserveEntry *entry)
{
    bool dateMode = entry->Day > 0 && entry->Day < 32;
    CheckDlgButton(dialog, IDC_EDIT_BYDATE, dateMode ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_EDIT_BYWEEKDAY, dateMode ? BST_UNCHECKED : BST_CHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_WEEKLY), !dateMode);
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_DATE), dateMode);
    if (dateMode) {
        SYSTEMTIME date = {};
        date.wYear = entry->Year;
        date.wMonth = entry->Month;
        date.wDay = entry->Day;
        SendDlgItemMessageA(dialog, IDC_EDIT_DATE, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&date);
    } else {
        SendDlgItemMessageA(dialog, IDC_EDIT_WEEKLY, CB_SETCURSEL, (WPARAM)WeekPatternIndex(entry), 0);
    }
}

// The program's own formats are files of their own: no RIFF header to add.
static void ShowFormat(HWND dialog, const BYTE *format)
{
    char text[FormatDescriptionBytes];
    DescribeFormat((const WAVEFORMATEX *)format, true, text);
    SetDlgItemTextA(dialog, IDC_EDIT_FORMAT, text);
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_RIFF), OwnFormatOf((const WAVEFORMATEX *)format) == OwnFormatNone);
}

// Where a new reservation records unless the user says otherwise: beside the
// last reservation that has a save path, else in the user's Music folder,
// named by programme and day.
static void DefaultSavePath(char *out, size_t size)
{
    char folder[SavePathBytes] = "";
    for (uint32_t i = App.ReserveList.Count; i-- > 0 && !folder[0];) {
        const char *path = App.ReserveList.Items[i]->SavePath;
        if (path && path[0])
            SplitPath(path, folder, NULL);
    }
    if (!folder[0] && SUCCEEDED(SHGetFolderPathA(NULL, CSIDL_MYMUSIC, NULL, SHGFP_TYPE_CURRENT, folder)))
        lstrcatA(folder, "\\");
    if (!folder[0])
        lstrcpynA(folder, App.ProgramFolder, sizeof folder);
    out[0] = '\0';
    if (strlen(folder) + 16 < size)
        wsprintfA(out, "%s%%T_%%Y%%M%%D.wav", folder);
}

// A new working copy of source (none: a new reservation) in *slot, shown in
// the controls. Its strings are read back from the controls when it is
// stored, so it holds none of its own until then. False, with *slot empty,
// when the heap refuses.
static bool LoadReserveEditor(HWND dialog, ReserveEntry **slot, const ReserveEntry *source)
{
    *slot = NULL;
    ReserveEntry *copy = (ReserveEntry *)HeapAllocZero(sizeof(ReserveEntry));
    if (!copy)
        return false;
    // Room for whatever the chooser may return, and never less than the
    // source's own block, so no stored format is cut or overrun.
    size_t formatSize = FormatBufferSize();
    if (formatSize < Mp3FormatBytes)
        formatSize = Mp3FormatBytes;
    if (source) {
        *copy = *source;
        copy->Title = NULL;
        copy->SavePath = NULL;
        if (HeapBlockSize(source->Format) > formatSize)
            formatSize = HeapBlockSize(source->Format);
    }
    copy->Format = (BYTE *)HeapAllocZero(formatSize);
    if (!copy->Format) {
        HeapFreeBlock(copy);
        return false;
    }
    *slot = copy;

    if (source) {
        if (source->Format)
            memcpy(copy->Format, source->Format, HeapBlockSize(source->Format));
        SetPickerTime(dialog, IDC_EDIT_START, source->StartHour, source->StartMinute);
        SetPickerTime(dialog, IDC_EDIT_END, source->EndHour, source->EndMinute);
        CheckDlgButton(dialog, IDC_EDIT_RIFF, source->RiffHeader ? BST_CHECKED : BST_UNCHECKED);
    } else {
        SetDefaultFormat((WAVEFORMATEX *)copy->Format);
        copy->Enabled = 1;
        copy->Preset = 1;
        CheckDlgButton(dialog, IDC_EDIT_RIFF, BST_CHECKED);
    }
    SetDlgItemTextA(dialog, IDC_EDIT_TITLE, source && source->Title ? source->Title : "");
    if (source)
        SelectStation(dialog, copy->Preset);
    else
        SendDlgItemMessageA(dialog, IDC_EDIT_STATION, CB_SETCURSEL, 0, 0);  // the first station offered
    char savePath[SavePathBytes] = "";
    if (source && source->SavePath)
        lstrcpynA(savePath, source->SavePath, sizeof savePath);
    else if (!source)
        DefaultSavePath(savePath, sizeof savePath);
    SetDlgItemTextA(dialog, IDC_EDIT_SAVEPATH, savePath);
    ShowMode(dialog, copy);
    ShowFormat(dialog, copy->Format);
    return true;
}

// ---- reading the controls back ----

static uint16_t SelectedPreset(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_EDIT_STATION);
    LRESULT item = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (item < 0)
        return 1;
    LRESULT slot = SendMessageA(combo, CB_GETITEMDATA, (WPARAM)item, 0);
    if (slot < 0 || slot >= PresetCount)
        return 1;
    return (uint16_t)(slot + 1);
}

static void ReadMode(HWND dialog, ReserveEntry *copy)
{
    if (IsDlgButtonChecked(dialog, IDC_EDIT_BYDATE) == BST_CHECKED) {
        SYSTEMTIME date;
        if (SendDlgItemMessageA(dialog, IDC_EDIT_DATE, DTM_GETSYSTEMTIME, 0, (LPARAM)&date) == GDT_VALID) {
            copy->Year = date.wYear;
            copy->Month = date.wMonth;
            copy->Day = date.wDay;
            copy->WeekdayFirst = date.wDayOfWeek;
        }
        return;
    }
    LRESULT index = SendDlgItemMessageA(dialog, IDC_EDIT_WEEKLY, CB_GETCURSEL, 0, 0);
    // A weekly entry whose weekdays no pattern has (a hand-edited settings
    // file) keeps them until the user picks a pattern.
    if (index < 0 && copy->Day == 0)
        return;
    if (index < 0 || index >= WeekPatternCount)
        index = 0;
    const WeekPattern &pattern = WeekPatternList[index];
    copy->Day = pattern.Day;
    if (pattern.Day != ReserveDayDaily) {
        copy->WeekdayFirst = pattern.WeekdayFirst;
        copy->WeekdayLast = pattern.WeekdayLast;
    }
}

static void ReadPickerTime(HWND dialog, int id, uint16_t *hour, uint16_t *minute)
{
    SYSTEMTIME time;
    if (SendDlgItemMessageA(dialog, id, DTM_GETSYSTEMTIME, 0, (LPARAM)&time) != GDT_VALID)
        return;
    *hour = time.wHour;
    *minute = time.wMinute;
}

// Fills the working copy from the controls. Both strings are made first, so
// a refused allocation leaves the copy exactly as it was (false).
static bool ReadReserveEditor(HWND dialog, ReserveEntry *copy)
{
    char text[SavePathBytes];
    GetDlgItemTextA(dialog, IDC_EDIT_TITLE, text, TitleBytes);
    char *title = HeapStrDup(text);
    // A path may be as long as the file dialog returns it.
    GetDlgItemTextA(dialog, IDC_EDIT_SAVEPATH, text, SavePathBytes);
    char *savePath = HeapStrDup(text);
    if (!title || !savePath) {
        HeapFreeBlock(title);
        HeapFreeBlock(savePath);
        return false;
    }
    HeapFreeBlock(copy->Title);
    copy->Title = title;
    copy->Preset = SelectedPreset(dialog);
    ReadMode(dialog, copy);
    ReadPickerTime(dialog, IDC_EDIT_START, &copy->StartHour, &copy->StartMinute);
    ReadPickerTime(dialog, IDC_EDIT_END, &copy->EndHour, &copy->EndMinute);
    HeapFreeBlock(copy->SavePath);
    copy->SavePath = savePath;
    copy->RiffHeader = IsDlgButtonChecked(dialog, IDC_EDIT_RIFF) == BST_CHECKED ? 1 : 0;
    return true;
}

// ---- storing ----

static bool InReserveList(int32_t index)
{
    return index >= 0 && (uint32_t)index < App.ReserveList.Count;
}

// Hands the working copy to ReserveList (replacing the edited entry, or
// appended with its row at the end). False when nothing was stored; the
// working copy is then kept, unless its row could not be made, in which case
// the entry is taken out again and the working copy is gone.
static bool StoreWorkingCopy(HWND dialog, ReserveEntry **slot, int32_t *editIndex)
{
    if (!ReadReserveEditor(dialog, *slot))
        return false;
    HWND listView = GetDlgItem(GetParent(dialog), IDC_RESERVE_LIST);
    ReserveEntry *entry = *slot;
    if (InReserveList(*editIndex)) {
        ReserveListReplace(&App.ReserveList, (uint32_t)*editIndex, entry);
        *slot = NULL;
        if (listView)
            SetReserveListItem(listView, entry, *editIndex, false);
        return true;
    }
    if (!ReserveListPush(&App.ReserveList, entry))
        return false;
    *slot = NULL;
    int index = (int)App.ReserveList.Count - 1;
    if (listView && !SetReserveListItem(listView, entry, index, true)) {
        ReserveListRemove(&App.ReserveList, (uint32_t)index);
        return false;
    }
    *editIndex = index;
    return true;
}

static BOOL CommitReserveEditor(HWND dialog, int command, ReserveEntry **slot, int32_t *editIndex)
{
    if (command != IDOK && command != IDCANCEL && command != IDC_EDIT_APPLY)
        return FALSE;
    // Nothing changed since opening or since the last Apply: nothing to store.
    if (!IsWindowEnabled(GetDlgItem(dialog, IDC_EDIT_APPLY)))
        command = IDCANCEL;
    if (command == IDCANCEL) {
        ReserveEntryFree(slot);
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    // A reservation without a save path could record nowhere.
    if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_EDIT_SAVEPATH)) == 0) {
        MessageBoxA(dialog, "保存先を入力してください。", "予約設定", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dialog, IDC_EDIT_SAVEPATH));
        return TRUE;
    }
    if (!StoreWorkingCopy(dialog, slot, editIndex)) {
        // The heap refused: the dialog stays open for another try, or closes
        // when the working copy was lost with the row.
        if (!*slot)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    int stored = *editIndex;
    if (command == IDOK) {
        EndDialog(dialog, IDOK);
    } else if (!LoadReserveEditor(dialog, slot, App.ReserveList.Items[*editIndex])) {
        // Stored, but no fresh working copy to go on with.
        EndDialog(dialog, IDOK);
    } else {
        EnableWindow(GetDlgItem(dialog, IDC_EDIT_APPLY), FALSE);
    }
    ComputeScheduleAfterEdit();
    SaveSettingsChange(SectionReserve);
    // The overlap is told, not refused: the later reservation takes over.
    ShowOverlapMarks(GetDlgItem(GetParent(dialog), IDC_RESERVE_LIST));
    TellStoredOverlap(stored);
    return TRUE;
}

// ---- the user's changes ----

static void EnableApply(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_APPLY), TRUE);
}

static void OnModeClicked(HWND dialog)
{
    bool dateMode = IsDlgButtonChecked(dialog, IDC_EDIT_BYDATE) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_WEEKLY), !dateMode);
    EnableWindow(GetDlgItem(dialog, IDC_EDIT_DATE), dateMode);
    EnableApply(dialog);
}

static void OnChangeFormat(HWND dialog)
{
    ReserveEntry *copy = Editor.WorkingCopy;
    if (!copy || !ChooseReserveFormat(dialog, copy->Format, Editor.FormatChosen, Editor.EditIndex))
        return;
    ShowFormat(dialog, copy->Format);
    EnableApply(dialog);
    Editor.FormatChosen = true;
}

static void OnOwnFormatButton(HWND dialog)
{
    RECT button;
    if (GetWindowRect(GetDlgItem(dialog, IDC_EDIT_OWNFORMAT), &button))
        ShowOwnFormatMenu(dialog, &button);
}

static void OnOwnFormatChosen(HWND dialog, UINT command)
{
    ReserveEntry *copy = Editor.WorkingCopy;
    if (!copy || !OwnFormatForCommand(command, copy->Format))
        return;
    ShowFormat(dialog, copy->Format);
    EnableApply(dialog);
    Editor.FormatChosen = true;
}

static void OnBrowseSavePath(HWND dialog)
{
    char path[SavePathBytes];
    GetDlgItemTextA(dialog, IDC_EDIT_SAVEPATH, path, SavePathBytes);
    if (!ChooseFile(dialog, NULL, path, NULL, false))
        return;
    HWND field = GetDlgItem(dialog, IDC_EDIT_SAVEPATH);
    SetWindowTextA(field, path);  // its change notification enables Apply
    SendMessageA(field, EM_SETSEL, SavePathBytes, -1);
    SetFocus(field);
    // Focus moved by hand leaves "..." looking like the default button.
    SendDlgItemMessageA(dialog, IDC_EDIT_BROWSE, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(dialog, DM_SETDEFID, LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), 0);
}

static void OnEditCommand(HWND dialog, WPARAM wParam)
{
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (code == BN_CLICKED && CommitReserveEditor(dialog, id, &Editor.WorkingCopy, &Editor.EditIndex))
        return;
    switch (id) {
    case IDC_EDIT_TITLE:
    case IDC_EDIT_SAVEPATH:
        if (code == EN_CHANGE && Editor.EditorReady)
            EnableApply(dialog);
        break;
    case IDC_EDIT_STATION:
    case IDC_EDIT_WEEKLY:
        if (code == CBN_SELCHANGE)
            EnableApply(dialog);
        break;
    case IDC_EDIT_RIFF:
        if (code == BN_CLICKED)
            EnableApply(dialog);
        break;
    case IDC_EDIT_BYWEEKDAY:
    case IDC_EDIT_BYDATE:
        if (code == BN_CLICKED)
            OnModeClicked(dialog);
        break;
    case IDC_EDIT_CHANGEFORMAT:
        if (code == BN_CLICKED)
            OnChangeFormat(dialog);
        break;
    case IDC_EDIT_BROWSE:
        if (code == BN_CLICKED)
            OnBrowseSavePath(dialog);
        break;
    case IDC_EDIT_OWNFORMAT:
        if (code == BN_CLICKED)
            OnOwnFormatButton(dialog);
        break;
    default:
        if (id >= IDM_OWNFORMAT_FIRST && id <= IDM_OWNFORMAT_LAST)
            OnOwnFormatChosen(dialog, (UINT)id);
        break;
    }
}

static BOOL OnEditNotify(HWND dialog, const NMHDR *header)
{
    if (header->code != DTN_DATETIMECHANGE)
        return FALSE;
    if (header->idFrom == IDC_EDIT_DATE || header->idFrom == IDC_EDIT_START || header->idFrom == IDC_EDIT_END)
        EnableApply(dialog);
    return TRUE;
}

static BOOL OnEditInit(HWND dialog, LPARAM index)
{
    Editor = EditorState{};
    Editor.EditIndex = InReserveList((int32_t)index) ? (int32_t)index : -1;
    CreateReserveEditControls(dialog);
    const ReserveEntry *source = InReserveList(Editor.EditIndex) ? App.ReserveList.Items[Editor.EditIndex] : NULL;
    if (!LoadReserveEditor(dialog, &Editor.WorkingCopy, source)) {
        // No working copy to edit: nothing can be stored.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    Editor.EditorReady = true;
    return TRUE;  // the focus goes to the programme name
}

INT_PTR CALLBACK ReserveEditDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return OnEditInit(dialog, lParam);
    case WM_COMMAND:
        OnEditCommand(dialog, wParam);
        return TRUE;
    case WM_NOTIFY:
        return OnEditNotify(dialog, (const NMHDR *)lParam);
    case WM_DESTROY:
        // However the dialog ends, an unstored working copy goes with it.
        ReserveEntryFree(&Editor.WorkingCopy);
        return FALSE;
    }
    return FALSE;
}
