// The reservation list window: one row per reservation, its check box the
// reservation's Enabled flag, and the commands that create, copy, paste,
// delete, enable, disable and start reservations.
#include "reserveui/reserveui.h"
#include "app/placement.h"
#include "schedule/clock.h"
#include "app/dpi.h"
#include "app/appstate.h"
#include "app/savenotice.h"
#include "app/transition.h"
#include "schedule/execute.h"
#include "res/resource.h"
#include <commctrl.h>
#include <string.h>

static const char ReserveListClassName[] = "ReserveListClass";

// The context menu (resource 108) and its popup; there is one window.
static HMENU ListMenu;
static HMENU ListPopup;
// The DPI the window is laid out for, and the list's font made for it (none
// at the system's DPI: the list view's own).
static UINT ListDpi;
static HFONT ListFont;
static HFONT ListViewFont;

static const char *const ColumnHeaders[ColumnCount] = {
    "番組名", "放送局", "日付", "開始", "終了", "録音の形式",
};

static HWND ListViewOf(HWND hwnd)
{
    return GetDlgItem(hwnd, IDC_RESERVE_LIST);
}

static HWND ToolbarOf(HWND hwnd)
{
    return GetDlgItem(hwnd, IDC_RESERVE_TOOLBAR);
}

static int ToolbarHeight(HWND hwnd)
{
    RECT bar;
    if (!GetWindowRect(ToolbarOf(hwnd), &bar))
        return 0;
    return bar.bottom - bar.top;
}

static void RecomputeSchedule(HWND hwnd)
{
    ComputeScheduleAfterEdit();
    ShowOverlapMarks(ListViewOf(hwnd));
}

static int NextSelectedRow(HWND listView, int after)
{
    return (int)SendMessageA(listView, LVM_GETNEXTITEM, (WPARAM)after, MAKELPARAM(LVNI_SELECTED, 0));
}

static int SelectedCount(HWND listView)
{
    return (int)SendMessageA(listView, LVM_GETSELECTEDCOUNT, 0, 0);
}

// The focused row, when it is also selected and has its entry; else -1.
static int FocusedSelectedRow(HWND listView)
{
    int row = (int)SendMessageA(listView, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_FOCUSED, 0));
    if (row < 0 || (uint32_t)row >= App.ReserveList.Count)
        return -1;
    if (!(SendMessageA(listView, LVM_GETITEMSTATE, (WPARAM)row, LVIS_SELECTED) & LVIS_SELECTED))
        return -1;
    return row;
}

static void SetStateImage(HWND listView, int row, int image)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(image);
    SendMessageA(listView, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

static void EnableToolbarButton(HWND hwnd, int command, bool enable)
{
    SendMessageA(ToolbarOf(hwnd), TB_ENABLEBUTTON, (WPARAM)command, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

// Copy, delete and properties need a selection; paste needs only a copy.
static void UpdateSelectionButtons(HWND hwnd)
{
    bool any = SelectedCount(ListViewOf(hwnd)) > 0;
    EnableToolbarButton(hwnd, IDM_RESERVE_COPY, any);
    EnableToolbarButton(hwnd, IDM_RESERVE_DELETE, any);
    EnableToolbarButton(hwnd, IDM_RESERVE_PROPERTIES, any);
}

// ---- creation ----

static bool CreateListToolbar(HWND hwnd, UINT dpi)
{
    static const TBBUTTON buttons[] = {
        { STD_FILENEW, IDM_RESERVE_NEW, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
        { STD_COPY, IDM_RESERVE_COPY, 0, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
        { STD_PASTE, IDM_RESERVE_PASTE, 0, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
        { STD_DELETE, IDM_RESERVE_DELETE, 0, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
        { STD_PROPERTIES, IDM_RESERVE_PROPERTIES, 0, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
    };
    // The system's large pictures from 150 % on.
    bool large = DotPixels(dpi) > 1;
    HWND toolbar = CreateToolbarEx(hwnd, WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, IDC_RESERVE_TOOLBAR, 5, HINST_COMMCTRL,
                                   large ? IDB_STD_LARGE_COLOR : IDB_STD_SMALL_COLOR, buttons, 5, 0, 0, 0, 0,
                                   sizeof(TBBUTTON));
    if (!toolbar)
        return false;
    // The results, apart from the commands on the reservations: the list
    // view's "details" picture.
    TBADDBITMAP views = { HINST_COMMCTRL, (UINT_PTR)(large ? IDB_VIEW_LARGE_COLOR : IDB_VIEW_SMALL_COLOR) };
    LRESULT first = SendMessageA(toolbar, TB_ADDBITMAP, 0, (LPARAM)&views);
    if (first >= 0) {
        const TBBUTTON results[] = {
            { 0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0, 0}, 0, 0 },
            { (int)first + VIEW_DETAILS, IDM_RESULTS, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0, 0}, 0, 0 },
        };
        SendMessageA(toolbar, TB_ADDBUTTONSA, 2, (LPARAM)results);
    }
    return true;
}

static void FillReserveListView(HWND listView)
{
    for (uint32_t i = 0; i < App.ReserveList.Count; i++)
        SetReserveListItem(listView, App.ReserveList.Items[i], (int)i, true);
}

static bool CreateListView(HWND hwnd, HINSTANCE instance)
{
    RECT client;
    GetClientRect(hwnd, &client);
    HWND listView = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LVS_REPORT |
                                        LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                                    0, ToolbarHeight(hwnd), client.right, client.bottom, hwnd,
                                    (HMENU)(INT_PTR)IDC_RESERVE_LIST, instance, NULL);
    if (!listView)
        return false;
    SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    // Widths the user left are kept as they are; the first time, the
    // defaults are made for the screen's scale.
    bool stored = App.ReserveListRect.right != (LONG)CW_USEDEFAULT;
    UINT dpi = ListDpi;
    for (int c = 0; c < ColumnCount; c++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = stored ? App.ReserveListColumnWidths[c] : ScaleToDpi(App.ReserveListColumnWidths[c], dpi);
        column.pszText = (char *)ColumnHeaders[c];
        SendMessageA(listView, LVM_INSERTCOLUMNA, (WPARAM)c, (LPARAM)&column);
    }
    ListViewFont = (HFONT)SendMessageA(listView, WM_GETFONT, 0, 0);
    SetControlFontAtDpi(listView, ListViewFont, dpi, &ListFont);
    FillReserveListView(listView);
    ShowOverlapMarks(listView);
    return true;
}

static void LoadListMenu(HINSTANCE instance)
{
    ListMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_RESERVE_POPUP));
    ListPopup = ListMenu ? GetSubMenu(ListMenu, 0) : NULL;
    if (ListPopup)
        SetMenuDefaultItem(ListPopup, IDM_RESERVE_PROPERTIES, FALSE);
}

static bool InitReserveListWindow(HWND hwnd)
{
    ReserveListClear(&App.CopyBuffer);
    // The window shows the reservations in the order they come next, the
    // disabled ones among them; this is the only place the order changes.
    ComputeSchedule(&App.LastTick, &App.ReserveList, NULL, ScheduleByTimeOnly | ScheduleReorderList);
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE);
    ListDpi = WindowDpi(hwnd);
    if (!CreateListToolbar(hwnd, ListDpi) || !CreateListView(hwnd, instance))
        return false;
    LoadListMenu(instance);
    return true;
}

// ---- commands ----

static void OpenEditDialog(HWND hwnd, int index)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_RESERVE_EDIT), hwnd, ReserveEditDlgProc, (LPARAM)index);
}

static void OnNewReservation(HWND hwnd)
{
    OpenEditDialog(hwnd, -1);
}

static void OnReservationProperties(HWND hwnd)
{
    int row = FocusedSelectedRow(ListViewOf(hwnd));
    if (row >= 0)
        OpenEditDialog(hwnd, row);
}

// Deep copies of the selected reservations replace the copy buffer. A copy the
// heap refuses ends the command: the buffer then holds the rows before it,
// each whole.
static void OnCopyReservations(HWND hwnd)
{
    HWND listView = ListViewOf(hwnd);
    if (SelectedCount(listView) < 1)
        return;
    ReserveListClear(&App.CopyBuffer);
    for (int row = NextSelectedRow(listView, -1); row >= 0; row = NextSelectedRow(listView, row)) {
        if ((uint32_t)row >= App.ReserveList.Count)
            break;
        ReserveEntry *copy = NULL;
        if (!ReserveEntryCopy(&copy, App.ReserveList.Items[row]))
            break;
        if (!ReserveListPush(&App.CopyBuffer, copy)) {
            ReserveEntryFree(&copy);
            break;
        }
        EnableToolbarButton(hwnd, IDM_RESERVE_PASTE, true);
    }
}

// Appends fresh copies of the copy buffer, each with its row at the end. When
// the heap refuses a copy, or its row, pasting stops with the list and the
// rows still in step.
static void OnPasteReservations(HWND hwnd)
{
    HWND listView = ListViewOf(hwnd);
    for (uint32_t i = 0; i < App.CopyBuffer.Count; i++) {
        ReserveEntry *copy = NULL;
        if (!ReserveEntryCopy(&copy, App.CopyBuffer.Items[i]))
            break;
        if (!ReserveListPush(&App.ReserveList, copy)) {
            ReserveEntryFree(&copy);
            break;
        }
        int index = (int)App.ReserveList.Count - 1;
        if (!SetReserveListItem(listView, copy, index, true)) {
            ReserveListRemove(&App.ReserveList, (uint32_t)index);
            break;
        }
    }
    RecomputeSchedule(hwnd);
    SaveSettingsChange(SectionReserve);
}

static void OnDeleteReservations(HWND hwnd)
{
    if (MessageBoxA(hwnd, "削除しますか？", "削除の確認", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    HWND listView = ListViewOf(hwnd);
    for (int after = -1;;) {
        int row = NextSelectedRow(listView, after);
        if (row < 0 || (uint32_t)row >= App.ReserveList.Count)
            break;
        if (!SendMessageA(listView, LVM_DELETEITEM, (WPARAM)row, 0))
            break;
        ReserveListRemove(&App.ReserveList, (uint32_t)row);
        after = row - 1;  // the rows below have moved up by one
    }
    RecomputeSchedule(hwnd);
    SaveSettingsChange(SectionReserve);
    // Deleting leaves nothing selected; the buttons that need a selection
    // must not stay enabled.
    UpdateSelectionButtons(hwnd);
}

static void OnSelectAllReservations(HWND hwnd)
{
    HWND listView = ListViewOf(hwnd);
    int count = (int)SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; row++) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(listView, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    }
}

// The entries follow their check boxes through the state-change notification.
static void SetSelectedCheckBoxes(HWND hwnd, bool enable)
{
    HWND listView = ListViewOf(hwnd);
    for (int row = NextSelectedRow(listView, -1); row >= 0; row = NextSelectedRow(listView, row))
        SetStateImage(listView, row, enable ? 2 : 1);
}

static void OnEnableReservations(HWND hwnd)
{
    SetSelectedCheckBoxes(hwnd, true);
}

static void OnDisableReservations(HWND hwnd)
{
    SetSelectedCheckBoxes(hwnd, false);
}

// Starts the focused reservation at once, checked or not.
static void OnShowResults(HWND hwnd)
{
    ShowResultsWindow((HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
}

static void OnStartReservationNow(HWND hwnd)
{
    int row = FocusedSelectedRow(ListViewOf(hwnd));
    if (row < 0)
        return;
    SYSTEMTIME now;
    ReadLocalTime(&now);
    EnterTransition();
    BeginReservationNow(App.ReserveList.Items[row], &now);
    LeaveTransition(App.MainWindow);
}

struct ListCommand {
    int Id;
    void (*Run)(HWND hwnd);
};
static const ListCommand ListCommands[] = {
    { IDM_RESERVE_NEW, OnNewReservation },
    { IDM_RESERVE_COPY, OnCopyReservations },
    { IDM_RESERVE_PASTE, OnPasteReservations },
    { IDM_RESERVE_DELETE, OnDeleteReservations },
    { IDM_RESERVE_PROPERTIES, OnReservationProperties },
    { IDM_RESERVE_SELECTALL, OnSelectAllReservations },
    { IDM_RESERVE_ENABLE, OnEnableReservations },
    { IDM_RESERVE_DISABLE, OnDisableReservations },
    { IDM_RESERVE_STARTNOW, OnStartReservationNow },
    { IDM_RESULTS, OnShowResults },
};

static void OnReserveListCommand(HWND hwnd, int id)
{
    for (const ListCommand &command : ListCommands) {
        if (command.Id == id) {
            command.Run(hwnd);
            return;
        }
    }
}

// ---- notifications ----

static void OnListItemChanged(HWND hwnd, const NMLISTVIEW *change)
{
    if (change->uChanged != LVIF_STATE)
        return;
    UINT changed = change->uOldState ^ change->uNewState;
    if (changed & LVIS_SELECTED)
        UpdateSelectionButtons(hwnd);
    if (changed & LVIS_STATEIMAGEMASK) {
        UINT image = (change->uNewState & LVIS_STATEIMAGEMASK) >> 12;
        // A row without a check box yet (image 0) says nothing about its entry.
        if (image == 0 || change->iItem < 0 || (uint32_t)change->iItem >= App.ReserveList.Count)
            return;
        int32_t enabled = (int32_t)image - 1;
        bool changedEntry = App.ReserveList.Items[change->iItem]->Enabled != enabled;
        App.ReserveList.Items[change->iItem]->Enabled = enabled;
        RecomputeSchedule(hwnd);
        // Filling the rows sets every check box to what the entry already
        // holds: only a real change goes to the file.
        if (changedEntry)
            SaveSettingsChange(SectionReserve);
    }
}

static void SetPopupItem(int command, bool enable)
{
    EnableMenuItem(ListPopup, (UINT)command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

static bool ToolbarButtonEnabled(HWND hwnd, int command)
{
    LRESULT state = SendMessageA(ToolbarOf(hwnd), TB_GETSTATE, (WPARAM)command, 0);
    return state != -1 && (state & TBSTATE_ENABLED);
}

static void OnListRightClick(HWND hwnd, const NMITEMACTIVATE *click)
{
    if (!ListPopup)
        return;
    HWND listView = ListViewOf(hwnd);
    bool anyDisabled = false, anyEnabled = false;
    for (int row = NextSelectedRow(listView, -1); row >= 0 && !(anyDisabled && anyEnabled);
         row = NextSelectedRow(listView, row)) {
        UINT image = (UINT)SendMessageA(listView, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK) >> 12;
        if (image == 1)
            anyDisabled = true;
        else
            anyEnabled = true;
    }
    SetPopupItem(IDM_RESERVE_ENABLE, anyDisabled);
    SetPopupItem(IDM_RESERVE_DISABLE, anyEnabled);
    static const int mirrored[] = { IDM_RESERVE_COPY, IDM_RESERVE_PASTE, IDM_RESERVE_DELETE, IDM_RESERVE_PROPERTIES };
    for (int command : mirrored)
        SetPopupItem(command, ToolbarButtonEnabled(hwnd, command));
    SetPopupItem(IDM_RESERVE_STARTNOW, SelectedCount(listView) > 0);

    POINT at = click->ptAction;
    ClientToScreen(listView, &at);
    TrackPopupMenu(ListPopup, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, NULL);
}

void CommandNameFromMenuText(const char *menuText, char *name, size_t size)
{
    if (!size)
        return;
    size_t used = 0;
    for (const char *p = menuText; *p && *p != '\t';) {
        const char *next = CharNextA(p);
        // "(&N)": the mnemonic in brackets goes with its brackets.
        if (p[0] == '(' && p[1] == '&' && p[2] && p[2] != '&' && p[3] == ')') {
            p += 4;
            continue;
        }
        if (*p == '&') {
            p++;
            if (*p != '&')
                continue;  // a bare mnemonic mark; "&&" is one ampersand
            next = p + 1;
        }
        size_t length = (size_t)(next - p);
        if (used + length >= size)
            break;
        memcpy(name + used, p, length);
        used += length;
        p = next;
    }
    // A mnemonic in brackets at the end leaves no space before it.
    while (used > 0 && name[used - 1] == ' ')
        used--;
    name[used] = '\0';
}

// A toolbar button's tip: its command's name as the context menu writes it.
static void OnToolbarTip(NMTTDISPINFOA *tip)
{
    char text[sizeof tip->szText * 2] = "";
    if (ListPopup)
        GetMenuStringA(ListPopup, (UINT)tip->hdr.idFrom, text, sizeof text, MF_BYCOMMAND);
    CommandNameFromMenuText(text, tip->szText, sizeof tip->szText);
    tip->lpszText = tip->szText;
    tip->hinst = NULL;
}

static void OnReserveListNotify(HWND hwnd, WPARAM id, const NMHDR *header)
{
    if (header->code == TTN_GETDISPINFOA) {
        OnToolbarTip((NMTTDISPINFOA *)header);
        return;
    }
    if (id != IDC_RESERVE_LIST)
        return;
    switch (header->code) {
    case LVN_ITEMCHANGED:
        OnListItemChanged(hwnd, (const NMLISTVIEW *)header);
        break;
    case NM_RCLICK:
        OnListRightClick(hwnd, (const NMITEMACTIVATE *)header);
        break;
    case LVN_GETINFOTIPA:
        OnOverlapTip((NMLVGETINFOTIPA *)header);
        break;
    case NM_DBLCLK:
    case NM_RETURN:
        PostMessageA(hwnd, WM_COMMAND, IDM_RESERVE_PROPERTIES, 0);
        break;
    }
}

// ---- size, focus, closing ----

static void OnReserveListSize(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    SendMessageA(ToolbarOf(hwnd), WM_SIZE, wParam, lParam);
    int top = ToolbarHeight(hwnd);
    MoveWindow(ListViewOf(hwnd), 0, top, LOWORD(lParam), HIWORD(lParam) - top, TRUE);
}

// The window moved to a screen of another scale: the list's letters,
// columns and marks and the toolbar's pictures are made again for it.
static void OnReserveListDpiChanged(HWND hwnd, UINT dpi, const RECT *suggested)
{
    UINT old = ListDpi;
    if (!dpi || dpi == old)
        return;
    ListDpi = dpi;
    HWND listView = ListViewOf(hwnd);
    SetControlFontAtDpi(listView, ListViewFont, dpi, &ListFont);
    // Widths put back with a stored place were stored on that screen.
    if (!BeingPlaced(hwnd))
        ScaleListColumns(listView, ColumnCount, old, dpi);
    ScaleOverlapMarks(listView, dpi);
    if ((DotPixels(dpi) > 1) != (DotPixels(old) > 1)) {
        static const int commands[] = { IDM_RESERVE_COPY, IDM_RESERVE_PASTE, IDM_RESERVE_DELETE,
                                        IDM_RESERVE_PROPERTIES };
        bool enabled[4];
        for (int i = 0; i < 4; i++)
            enabled[i] = ToolbarButtonEnabled(hwnd, commands[i]);
        DestroyWindow(ToolbarOf(hwnd));
        CreateListToolbar(hwnd, dpi);
        for (int i = 0; i < 4; i++)
            EnableToolbarButton(hwnd, commands[i], enabled[i]);
    }
    TakeSuggestedPlace(hwnd, suggested);
    RECT client;
    GetClientRect(hwnd, &client);
    OnReserveListSize(hwnd, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

// The restored rectangle, so that a minimised or maximised window opens
// again at its normal place and size.
static void StoreWindowRect(HWND hwnd)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd, &placement))
        App.ReserveListRect = placement.rcNormalPosition;
}

static void CloseReserveListWindow(HWND hwnd)
{
    StoreWindowRect(hwnd);
    HWND listView = ListViewOf(hwnd);
    for (int c = 0; c < ColumnCount; c++)
        App.ReserveListColumnWidths[c] = (int32_t)SendMessageA(listView, LVM_GETCOLUMNWIDTH, (WPARAM)c, 0);
    SaveSettingsChange(SectionReserveList);
    DestroyWindow(hwnd);
}

// Whatever ends the window, the copies, the menu and the handle go with it.
static void OnReserveListDestroy(HWND hwnd)
{
    ReserveListClear(&App.CopyBuffer);
    ForgetOverlapMarks();
    if (ListMenu)
        DestroyMenu(ListMenu);
    ListMenu = NULL;
    ListPopup = NULL;
    if (ListFont)
        DeleteObject(ListFont);
    ListFont = ListViewFont = NULL;
    ListDpi = 0;
    if (App.ReserveListWindow == hwnd)
        App.ReserveListWindow = NULL;
}

LRESULT CALLBACK ReserveListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        return InitReserveListWindow(hwnd) ? 0 : -1;
    case WM_SIZE:
        OnReserveListSize(hwnd, wParam, lParam);
        return 0;
    case WM_SETFOCUS:
        SetFocus(ListViewOf(hwnd));
        return 0;
    case WM_COMMAND:
        OnReserveListCommand(hwnd, LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        OnReserveListNotify(hwnd, wParam, (const NMHDR *)lParam);
        return 0;
    case WM_DPICHANGED:
        OnReserveListDpiChanged(hwnd, LOWORD(wParam), (const RECT *)lParam);
        return 0;
    case WM_CLOSE:
        CloseReserveListWindow(hwnd);
        return 0;
    case WM_DESTROY:
        OnReserveListDestroy(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterReserveListClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReserveListWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ReserveListClassName;
    RegisterClassA(&windowClass);
}

HWND CreateReserveListWindow(HINSTANCE instance)
{
    const RECT &rect = App.ReserveListRect;
    // 32-bit arithmetic: the stored default sizes are CW_USEDEFAULT.
    int width = (int)((uint32_t)rect.right - (uint32_t)rect.left);
    int height = (int)((uint32_t)rect.bottom - (uint32_t)rect.top);
    // A stored rectangle is given back as it was stored; the first time, the
    // system chooses the size.
    bool stored = rect.right != (LONG)CW_USEDEFAULT && rect.bottom != (LONG)CW_USEDEFAULT && width > 0 && height > 0;
    HWND window = CreateWindowExA(0, ReserveListClassName, "予約設定一覧",
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (stored ? 0 : WS_VISIBLE), rect.left,
                                  rect.top, width, height, NULL, NULL, instance, NULL);
    if (window && stored)
        RestoreWindowPlace(window, &rect, SW_SHOWNORMAL);
    return window;
}
