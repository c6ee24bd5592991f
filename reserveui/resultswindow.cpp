// The 録音結果 window: the results file in a list, newest first, read
// afresh whenever a line is added; a row opens its recording's folder.
#include "reserveui/reserveui.h"
#include "app/placement.h"
#include "app/appstate.h"
#include "schedule/outcome.h"
#include "settings/resultsfile.h"
#include "app/dpi.h"
#include "res/resource.h"
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

static const char ResultsClassName[] = "TALVOResultsClass";
static const char ResultsCaption[] = "録音結果";

// The file's columns, with the width each starts at. At the window's first
// size the outcome, the name, the details and the four times show whole.
static const struct {
    const char *Header;
    int Width;
    int Format;
} Columns[ResultFieldCount] = {
    { "結果", 140, LVCFMT_LEFT },        { "予約名", 90, LVCFMT_LEFT },
    { "予定の開始", 110, LVCFMT_LEFT },  { "予定の終了", 110, LVCFMT_LEFT },
    { "録音の開始", 110, LVCFMT_LEFT },  { "録音の終了", 110, LVCFMT_LEFT },
    { "長さ(秒)", 70, LVCFMT_RIGHT },    { "ファイル", 220, LVCFMT_LEFT },
    { "大きさ(バイト)", 100, LVCFMT_RIGHT }, { "形式", 160, LVCFMT_LEFT },
    { "詳細", 150, LVCFMT_LEFT },
};
// The order they are shown in: the details, where a line says what went
// wrong, right after the name.
static const int ColumnOrder[ResultFieldCount] = {
    ResultOutcome, ResultTitle, ResultDetail, ResultPlannedStart, ResultPlannedEnd, ResultRecordStart,
    ResultRecordEnd, ResultSeconds, ResultFiles, ResultBytes, ResultFormat,
};
enum { FirstWidth = 1010, FirstHeight = 380 };

// A time column is as wide as its times in the list's font, which differs
// from one system to another.
static int ColumnWidth(HWND list, int field, UINT dpi)
{
    int width = ScaleToDpi(Columns[field].Width, dpi);
    if (field < ResultPlannedStart || field > ResultRecordEnd)
        return width;
    int time = TextWidthIn((HFONT)SendMessageA(list, WM_GETFONT, 0, 0), "2026/12/24 23:30:00") + ScaleToDpi(12, dpi);
    return time > width ? time : width;
}

enum { ButtonWidth = 100, ButtonHeight = 24, Margin = 6, MinimumWidth = 320, MinimumHeight = 160 };

// The lines on show, oldest first as the file has them: row i shows line
// Count - 1 - i.
static ResultList Shown;
// The marks, kept by the program and shared by every opening of the window,
// each MarkSize pixels square.
static HIMAGELIST Marks;
static int MarkSize;
// The DPI the window is laid out for, and the fonts made for it (none at the
// system's DPI).
static UINT ResultsDpi;
static HFONT ListFont, ListViewFont, ButtonFont;

enum { MarkArtSize = 16 };

static HWND ListOf(HWND hwnd) { return GetDlgItem(hwnd, IDC_RESULTS_LIST); }

// Before WM_CREATE (WM_GETMINMAXINFO comes first) the window's own.
static UINT DpiOf(HWND hwnd) { return ResultsDpi ? ResultsDpi : WindowDpi(hwnd); }

// The marks in whole-pixel squares of their art at dpi, given to the list.
static void SetMarksAt(HWND list, HINSTANCE instance, UINT dpi)
{
    int scale = DotPixels(dpi);
    if (!Marks || MarkSize != MarkArtSize * scale) {
        HIMAGELIST images = LoadImagesInWholeDots(instance, IDB_RESULT_MARKS, MarkArtSize, scale);
        if (images) {
            if (Marks)
                ImageList_Destroy(Marks);
            Marks = images;
            MarkSize = MarkArtSize * scale;
        }
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)Marks);
}

// The line's outcome read back from its text, once as the list is filled;
// a text the program does not know is shown as written, without a mark.
static int ResultMarkFor(const char *outcome)
{
    bool silent = false;
    Outcome value = ParseOutcome(outcome, &silent);
    OutcomeMark mark = MarkForOutcome(value, silent);
    return mark == MarkNone ? I_IMAGENONE : (int)mark;
}

static void FillResults(HWND hwnd)
{
    HWND list = ListOf(hwnd);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    FreeResults(&Shown);
    LoadResults(App.ProgramFolder, &Shown);
    for (uint32_t row = 0; row < Shown.Count; row++) {
        char *const *fields = Shown.Items[Shown.Count - 1 - row].Fields;
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = (int)row;
        item.pszText = fields[ResultOutcome];
        item.iImage = ResultMarkFor(fields[ResultOutcome]);
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        for (int column = 1; column < ResultFieldCount; column++) {
            LVITEMA cell = {};
            cell.iSubItem = column;
            cell.pszText = fields[column];
            SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&cell);
        }
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

// ---- opening a recording's folder ----

// The folder shown with the file selected, as Explorer does it; a file that
// is gone leaves its folder to be shown (selected in the one above it).
static bool SelectInFolder(const char *path)
{
    HRESULT initialised = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    PIDLIST_ABSOLUTE item = ILCreateFromPathA(path);
    if (!item) {
        char folder[SavePathBytes];
        SplitPath(path, folder, NULL);
        size_t length = strlen(folder);
        if (length > 3 && folder[length - 1] == '\\')
            folder[length - 1] = '\0';
        item = folder[0] ? ILCreateFromPathA(folder) : NULL;
    }
    bool shown = item && SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, NULL, 0));
    if (item)
        ILFree(item);
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return shown;
}

bool OpenResultFolder(int row)
{
    if (row < 0 || (uint32_t)row >= Shown.Count)
        return false;
    const char *files = Shown.Items[Shown.Count - 1 - row].Fields[ResultFiles];
    // The first file of a split recording stands for them all.
    char path[SavePathBytes];
    const char *bar = strstr(files, " | ");
    size_t length = bar ? (size_t)(bar - files) : strlen(files);
    if (length == 0 || length >= sizeof path)
        return false;
    memcpy(path, files, length);
    path[length] = '\0';
    return App.SelectInFolder ? App.SelectInFolder(path) : SelectInFolder(path);
}

static void OpenFocusedRow(HWND hwnd)
{
    int row = (int)SendMessageA(ListOf(hwnd), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED | LVNI_SELECTED);
    if (!OpenResultFolder(row))
        MessageBeep(MB_OK);
}

// ---- clearing ----

static void ClearAllResults(HWND hwnd)
{
    if (MessageBoxA(hwnd, "録音結果をすべて消去しますか？\n録音したファイルは消えません。", ResultsCaption,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    if (!ClearResults(App.ProgramFolder))
        MessageBoxA(hwnd, "録音結果を消去できませんでした。ファイルをほかのプログラムで開いていないか確かめてください。",
                    ResultsCaption, MB_OK | MB_ICONWARNING);
    FillResults(hwnd);
}

// ---- creation and layout ----

static bool CreateResultsList(HWND hwnd, HINSTANCE instance)
{
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                    LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS,
                                0, 0, 0, 0, hwnd, (HMENU)(INT_PTR)IDC_RESULTS_LIST, instance, NULL);
    if (!list)
        return false;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    SetMarksAt(list, instance, ResultsDpi);
    ListViewFont = (HFONT)SendMessageA(list, WM_GETFONT, 0, 0);
    SetControlFontAtDpi(list, ListViewFont, ResultsDpi, &ListFont);
    for (int c = 0; c < ResultFieldCount; c++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = c == 0 ? LVCFMT_LEFT : Columns[c].Format;
        column.cx = ColumnWidth(list, c, ResultsDpi);
        column.pszText = (char *)Columns[c].Header;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)c, (LPARAM)&column);
    }
    SendMessageA(list, LVM_SETCOLUMNORDERARRAY, ResultFieldCount, (LPARAM)ColumnOrder);
    return true;
}

static bool InitResultsWindow(HWND hwnd)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE);
    ResultsDpi = WindowDpi(hwnd);
    HWND clear = CreateWindowExA(0, "BUTTON", "すべて消去", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                                 0, 0, 0, hwnd, (HMENU)(INT_PTR)IDC_RESULTS_CLEAR, instance, NULL);
    if (!clear || !CreateResultsList(hwnd, instance))
        return false;
    SetControlFontAtDpi(clear, (HFONT)GetStockObject(DEFAULT_GUI_FONT), ResultsDpi, &ButtonFont);
    FillResults(hwnd);
    return true;
}

static void OnResultsSize(HWND hwnd, int width, int height)
{
    UINT dpi = DpiOf(hwnd);
    int button = ScaleToDpi(ButtonWidth, dpi), buttonHeight = ScaleToDpi(ButtonHeight, dpi),
        margin = ScaleToDpi(Margin, dpi);
    int listHeight = height - buttonHeight - 2 * margin;
    MoveWindow(ListOf(hwnd), 0, 0, width, listHeight > 0 ? listHeight : 0, TRUE);
    MoveWindow(GetDlgItem(hwnd, IDC_RESULTS_CLEAR), width - button - margin, height - buttonHeight - margin, button,
               buttonHeight, TRUE);
}

static void OnResultsMinMax(HWND hwnd, MINMAXINFO *info)
{
    UINT dpi = DpiOf(hwnd);
    info->ptMinTrackSize.x = ScaleToDpi(MinimumWidth, dpi);
    info->ptMinTrackSize.y = ScaleToDpi(MinimumHeight, dpi);
}

// Moved to a screen of another scale: letters, columns and marks made again
// for it, then laid out at the place Windows suggests.
static void OnResultsDpiChanged(HWND hwnd, UINT dpi, const RECT *suggested)
{
    UINT old = ResultsDpi;
    if (!dpi || dpi == old)
        return;
    ResultsDpi = dpi;
    HWND list = ListOf(hwnd);
    SetControlFontAtDpi(list, ListViewFont, dpi, &ListFont);
    SetControlFontAtDpi(GetDlgItem(hwnd, IDC_RESULTS_CLEAR), (HFONT)GetStockObject(DEFAULT_GUI_FONT), dpi,
                        &ButtonFont);
    ScaleListColumns(list, ResultFieldCount, old, dpi);
    SetMarksAt(list, (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE), dpi);
    TakeSuggestedPlace(hwnd, suggested);
    RECT client;
    GetClientRect(hwnd, &client);
    OnResultsSize(hwnd, client.right, client.bottom);
}

static void OnResultsNotify(HWND hwnd, const NMHDR *header)
{
    if (header->idFrom != IDC_RESULTS_LIST)
        return;
    if (header->code == NM_DBLCLK || header->code == NM_RETURN)
        OpenFocusedRow(hwnd);
}

static void OnResultsCommand(HWND hwnd, WORD id)
{
    if (id == IDC_RESULTS_CLEAR)
        ClearAllResults(hwnd);
}

// The normal rectangle is kept, so that a minimised or maximised window
// opens again at its normal place and size.
static void CloseResultsWindow(HWND hwnd)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd, &placement))
        SaveResultsWindowRect(App.ProgramFolder, &placement.rcNormalPosition);
    DestroyWindow(hwnd);
}

static void OnResultsDestroy(HWND hwnd)
{
    FreeResults(&Shown);
    HFONT *fonts[] = { &ListFont, &ButtonFont };
    for (HFONT *font : fonts) {
        if (*font)
            DeleteObject(*font);
        *font = NULL;
    }
    ListViewFont = NULL;
    ResultsDpi = 0;
    if (App.ResultsWindow == hwnd)
        App.ResultsWindow = NULL;
}

LRESULT CALLBACK ResultsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return InitResultsWindow(hwnd) ? 0 : -1;
    case WM_SIZE:
        OnResultsSize(hwnd, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        OnResultsMinMax(hwnd, (MINMAXINFO *)lParam);
        return 0;
    case WM_SETFOCUS:
        SetFocus(ListOf(hwnd));
        return 0;
    case WM_NOTIFY:
        OnResultsNotify(hwnd, (const NMHDR *)lParam);
        return 0;
    case WM_COMMAND:
        OnResultsCommand(hwnd, LOWORD(wParam));
        return 0;
    case WM_DPICHANGED:
        OnResultsDpiChanged(hwnd, LOWORD(wParam), (const RECT *)lParam);
        return 0;
    case WM_RESULTSCHANGED:
        FillResults(hwnd);
        return 0;
    case WM_CLOSE:
        CloseResultsWindow(hwnd);
        return 0;
    case WM_DESTROY:
        OnResultsDestroy(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static bool RegisterResultsClass(HINSTANCE instance)
{
    WNDCLASSA known;
    if (GetClassInfoA(instance, ResultsClassName, &known))
        return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ResultsWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ResultsClassName;
    return RegisterClassA(&windowClass) != 0;
}

HWND ShowResultsWindow(HINSTANCE instance)
{
    if (App.ResultsWindow) {
        if (IsIconic(App.ResultsWindow))
            ShowWindow(App.ResultsWindow, SW_RESTORE);
        SetForegroundWindow(App.ResultsWindow);
        return App.ResultsWindow;
    }
    if (!RegisterResultsClass(instance))
        return NULL;
    RECT rect;
    bool stored = LoadResultsWindowRect(App.ProgramFolder, &rect);
    UINT dpi = WindowDpi(NULL);
    HWND window = CreateWindowExA(0, ResultsClassName, ResultsCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, ScaleToDpi(FirstWidth, dpi), ScaleToDpi(FirstHeight, dpi), NULL, NULL,
                                  instance, NULL);
    if (!window)
        return NULL;
    App.ResultsWindow = window;
    if (stored)
        RestoreWindowPlace(window, &rect, SW_SHOWNORMAL);
    else
        ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    return window;
}
