// The in-place cell editors of the preset and station lists: a hidden edit
// control, made a child of its list so that it scrolls and clips with it, is
// moved over a cell, filled with the cell's value and taken away again when
// it loses the focus. Only Enter stores what was typed.
#include "app/dpi.h"
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>
#include <windowsx.h>
#include <stdio.h>
#include <string.h>

enum { FrequencyDigits = 4, NameLimit = 10 };

// ---- rows and cells ----

LPARAM GetItemParam(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
    return item.lParam;
}

BOOL SetItemParam(HWND list, int row, LPARAM value)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = value;
    return (BOOL)SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item);
}

// A text cut to a byte limit may end in the lead byte of a double-byte
// character; drop it rather than keep half a character.
static void DropDanglingLeadByte(char *text)
{
    size_t i = 0;
    while (text[i]) {
        if (IsDBCSLeadByte((BYTE)text[i])) {
            if (!text[i + 1]) {
                text[i] = 0;
                return;
            }
            i += 2;
        } else {
            i++;
        }
    }
}

void GetCellText(HWND list, int row, int column, char *text, int size)
{
    memset(text, 0, (size_t)size);
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = size;
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    text[size - 1] = 0;
    DropDanglingLeadByte(text);
}

void SetCellText(HWND list, int row, int column, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = (char *)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

void SelectRows(HWND list, int row, bool selected)
{
    ListView_SetItemState(list, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void RepaintRow(HWND list, int row, int part)
{
    RECT bounds = {};
    bounds.left = part;
    if (SendMessageA(list, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&bounds))
        InvalidateRect(list, &bounds, TRUE);
}

void ShowListMenu(HWND page, HWND list, HMENU popup, POINT clientPoint)
{
    ClientToScreen(list, &clientPoint);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, clientPoint.x, clientPoint.y, 0, page, NULL);
}

void InsertListColumn(HWND list, int index, const char *title, int width)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = (char *)title;
    column.cx = ScaleToDpi(width, WindowDpi(list));  // widths of 96 DPI
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)index, (LPARAM)&column);
}

static int FocusedRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
}

static bool IsRowSelected(HWND list, int row)
{
    return (SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

// ---- opening the editor ----

static bool IsFrequencyCell(int editorId, int column)
{
    return editorId == IDC_PRESET_EDITOR || column == 0;
}

void BeginCellEdit(HWND list, int editorId, int row, int column)
{
    HWND editor = GetDlgItem(list, editorId);
    if (!editor)
        return;
    // The row under the editor should not look selected while the focus is
    // in the editor.
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) & ~LVS_SHOWSELALWAYS);

    char text[NameLimit + 1];
    LONG style = GetWindowLongA(editor, GWL_STYLE);
    if (IsFrequencyCell(editorId, column)) {
        snprintf(text, sizeof text, "%d", (int)GetItemParam(list, row));
        SendMessageA(editor, EM_LIMITTEXT, FrequencyDigits, 0);
        style |= ES_NUMBER;
    } else {
        GetCellText(list, row, column, text, sizeof text);
        SendMessageA(editor, EM_LIMITTEXT, NameLimit, 0);
        style &= ~ES_NUMBER;
    }
    SetWindowLongA(editor, GWL_STYLE, style);
    SetWindowTextA(editor, text);

    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETSUBITEMRECT, (WPARAM)row, (LPARAM)&cell);
    if (column == 0)
        cell.left = 0;
    InflateRect(&cell, -2, -2);
    if (column > 0)
        cell.left += 1;
    MoveWindow(editor, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, FALSE);
    ShowWindow(editor, SW_SHOW);
    SendMessageA(editor, EM_SETSEL, 0, -1);
    SetFocus(editor);
    App.EditItem = row;
}

// ---- the editors ----

static int32_t ReadEditorFrequency(HWND editor)
{
    char text[FrequencyDigits + 1] = "";
    GetWindowTextA(editor, text, sizeof text);
    return ParseDecimal(text);
}

static void CommitPresetEdit(HWND editor)
{
    HWND list = GetParent(editor);
    SetFocus(list);
    int32_t frequency = ReadEditorFrequency(editor);
    SetItemParam(list, App.EditItem, frequency);
    char text[32];
    FormatFrequency(frequency, text, sizeof text);
    SetCellText(list, App.EditItem, 1, text);
    MarkPageChanged(GetParent(list));
}

static void CommitStationEdit(HWND editor)
{
    HWND list = GetParent(editor);
    char text[32] = "";
    if (App.FocusColumn == 0) {
        int32_t frequency = ReadEditorFrequency(editor);
        SetItemParam(list, App.EditItem, frequency);
        FormatFrequency(frequency, text, sizeof text);
    } else {
        GetWindowTextA(editor, text, NameLimit + 1);
        DropDanglingLeadByte(text);
    }
    SetCellText(list, App.EditItem, App.FocusColumn, text);
    MarkPageChanged(GetParent(list));
    SetFocus(list);
}

// Enter, Escape and Tab belong to the editor, not to the sheet's buttons.
static LRESULT EditorMessage(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC previous,
                             void (*commit)(HWND editor))
{
    switch (msg) {
    case WM_GETDLGCODE:
        return CallWindowProcA(previous, editor, msg, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            commit(editor);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            SetFocus(GetParent(editor));
            return 0;
        }
        if (wParam == VK_TAB) {
            HWND page = GetParent(GetParent(editor));
            SendMessageA(page, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0, FALSE);
            return 0;
        }
        break;
    case WM_CHAR:
        // Their characters would only make the editor beep.
        if (wParam == '\t' || wParam == '\r' || wParam == 0x1B)
            return 0;
        break;
    }
    return CallWindowProcA(previous, editor, msg, wParam, lParam);
}

static LRESULT CALLBACK PresetEditorWndProc(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return EditorMessage(editor, msg, wParam, lParam, App.PresetEditorProc, CommitPresetEdit);
}

static LRESULT CALLBACK StationEditorWndProc(HWND editor, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return EditorMessage(editor, msg, wParam, lParam, App.StationEditorProc, CommitStationEdit);
}

// ---- the lists ----

// A one-pixel frame around the open editor, so the cell being edited stands
// out from the grid.
static LRESULT PaintWithEditorFrame(HWND list, int editorId, WNDPROC previous, WPARAM wParam, LPARAM lParam)
{
    HWND editor = GetDlgItem(list, editorId);
    if (wParam || !editor || !IsWindowVisible(editor))
        return CallWindowProcA(previous, list, WM_PAINT, wParam, lParam);

    RECT inner;
    GetWindowRect(editor, &inner);
    MapWindowPoints(NULL, list, (POINT *)&inner, 2);
    RECT frame = inner;
    InflateRect(&frame, 2, 2);
    frame.bottom -= 1;

    // Learn the area due for painting, then hand all of it back to the list.
    PAINTSTRUCT paint;
    BeginPaint(list, &paint);
    EndPaint(list, &paint);
    RECT meet;
    bool framed = IntersectRect(&meet, &paint.rcPaint, &frame) != 0;
    InvalidateRect(list, &paint.rcPaint, FALSE);

    LRESULT result = CallWindowProcA(previous, list, WM_PAINT, wParam, lParam);
    if (!framed)
        return result;

    InvalidateRect(list, &frame, FALSE);
    HDC dc = BeginPaint(list, &paint);
    ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    FillRect(dc, &frame, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWTEXT));
    EndPaint(list, &paint);
    return 0;
}

struct ListHit {
    int Row;
    int Column;
};

static ListHit HitTestList(HWND list, LPARAM lParam)
{
    LVHITTESTINFO info = {};
    info.pt.x = GET_X_LPARAM(lParam);
    info.pt.y = GET_Y_LPARAM(lParam);
    SendMessageA(list, LVM_SUBITEMHITTEST, 0, (LPARAM)&info);
    ListHit hit = { info.iItem, info.iSubItem };
    // Only the two columns are cells; a point beside them hits nothing.
    if (hit.Row < 0 || hit.Column < 0 || hit.Column > 1)
        hit.Row = -1;
    return hit;
}

// The editor is a child of the list, so its notifications reach the list;
// the page is the one that ends the edit.
static bool ForwardEditorCommand(HWND list, int editorId, WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) != editorId)
        return false;
    SendMessageA(GetParent(list), WM_COMMAND, wParam, lParam);
    return true;
}

// Starting to drag a column divider ends any edit. The header reports it to
// the list itself; not every list passes that on to its page.
static void OnHeaderNotify(HWND list, const NMHDR *header)
{
    if (header->code == (UINT)HDN_BEGINTRACKA || header->code == (UINT)HDN_BEGINTRACKW)
        SetFocus(list);
}

static bool OnPresetListKey(HWND list, WPARAM key)
{
    if (key != VK_F2)
        return false;
    int row = FocusedRow(list);
    if (row < 0)
        return false;
    BeginCellEdit(list, IDC_PRESET_EDITOR, row, 1);
    return true;
}

static void OnPresetListButtonDown(HWND list, LPARAM lParam)
{
    ListHit hit = HitTestList(list, lParam);
    bool hadFocus = GetFocus() == list;
    App.PresetClickItem = (hadFocus && hit.Row >= 0 && IsRowSelected(list, hit.Row)) ? hit.Row : -1;
    SetFocus(list);
}

static LRESULT CALLBACK PresetListWndProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (OnPresetListKey(list, wParam))
            return 0;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        SetFocus(list);
        break;
    case WM_LBUTTONDOWN:
        OnPresetListButtonDown(list, lParam);
        break;
    case WM_PAINT:
        return PaintWithEditorFrame(list, IDC_PRESET_EDITOR, App.PresetListProc, wParam, lParam);
    case WM_COMMAND:
        if (ForwardEditorCommand(list, IDC_PRESET_EDITOR, wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
        OnHeaderNotify(list, (const NMHDR *)lParam);
        break;
    }
    return CallWindowProcA(App.PresetListProc, list, msg, wParam, lParam);
}

static bool OnStationListKey(HWND list, WPARAM key)
{
    int row = FocusedRow(list);
    if (row < 0)
        return false;
    switch (key) {
    case VK_F2:
        BeginCellEdit(list, IDC_STATION_EDITOR, row, App.FocusColumn);
        return true;
    case VK_LEFT:
    case VK_RIGHT:
        App.FocusColumn = key == VK_LEFT ? 0 : 1;
        RepaintRow(list, row, LVIR_BOUNDS);
        return true;
    }
    return false;
}

// Moves the focus mark to the clicked cell; returns the hit.
static ListHit MoveFocusMark(HWND list, LPARAM lParam)
{
    ListHit hit = HitTestList(list, lParam);
    if (hit.Row >= 0) {
        App.PrevFocusColumn = App.FocusColumn;
        App.FocusColumn = hit.Column;
        RepaintRow(list, hit.Row, LVIR_BOUNDS);
    }
    return hit;
}

static void OnStationListButtonDown(HWND list, LPARAM lParam)
{
    bool hadFocus = GetFocus() == list;
    ListHit hit = MoveFocusMark(list, lParam);
    App.StationClickItem = (hadFocus && hit.Row >= 0 && IsRowSelected(list, hit.Row)) ? hit.Row : -1;
    // Among several selected rows one click on a cell opens it at once.
    if (hadFocus && hit.Row >= 0 && SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 1)
        App.PrevFocusColumn = App.FocusColumn;
    SetFocus(list);
}

static LRESULT CALLBACK StationListWndProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (OnStationListKey(list, wParam))
            return 0;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        SetFocus(list);
        break;
    case WM_LBUTTONDOWN:
        OnStationListButtonDown(list, lParam);
        break;
    case WM_RBUTTONDOWN:
        MoveFocusMark(list, lParam);
        break;
    case WM_PAINT:
        return PaintWithEditorFrame(list, IDC_STATION_EDITOR, App.StationListProc, wParam, lParam);
    case WM_COMMAND:
        if (ForwardEditorCommand(list, IDC_STATION_EDITOR, wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
        OnHeaderNotify(list, (const NMHDR *)lParam);
        break;
    }
    return CallWindowProcA(App.StationListProc, list, msg, wParam, lParam);
}

// ---- attaching ----

static void Subclass(HWND window, WNDPROC procedure, WNDPROC *previous)
{
    *previous = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)procedure);
}

void AttachPresetEditor(HWND page)
{
    HWND list = GetDlgItem(page, IDC_PRESET_LIST);
    HWND editor = GetDlgItem(page, IDC_PRESET_EDITOR);
    Subclass(list, PresetListWndProc, &App.PresetListProc);
    Subclass(editor, PresetEditorWndProc, &App.PresetEditorProc);
    SetParent(editor, list);
}

void AttachStationEditor(HWND page)
{
    HWND list = GetDlgItem(page, IDC_STATION_LIST);
    HWND editor = GetDlgItem(page, IDC_STATION_EDITOR);
    Subclass(list, StationListWndProc, &App.StationListProc);
    Subclass(editor, StationEditorWndProc, &App.StationEditorProc);
    SetParent(editor, list);
}
