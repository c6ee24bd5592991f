// The station page: a working copy of the station names in an owner-drawn
// list, edited in place, sorted by either column; the table is rebuilt from
// the list, in the list's order, when the sheet applies.
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "app/savenotice.h"
#include "app/stereostatus.h"
#include "app/heap.h"
#include "device/device.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>
#include <string.h>

enum { RowHeight = 17, CellTextBytes = 16 };

static HWND StationList(HWND page)
{
    return GetDlgItem(page, IDC_STATION_LIST);
}

int AddStationRow(HWND list, const StationName *record, int index)
{
    char frequency[32];
    FormatFrequency(record->Frequency, frequency, sizeof frequency);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = frequency;
    item.lParam = record->Frequency;
    int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row >= 0) {
        char name[StationNameBytes + 1] = "";
        memcpy(name, record->Name, StationNameBytes);
        SetCellText(list, row, 1, name);
    }
    return row;
}

// ---- sorting ----

int CALLBACK CompareByFrequency(LPARAM first, LPARAM second, LPARAM sort)
{
    const StationSort *order = (const StationSort *)sort;
    int difference = order->Rows[first].Frequency - order->Rows[second].Frequency;
    return order->Descending ? -difference : difference;
}

int CALLBACK CompareByName(LPARAM first, LPARAM second, LPARAM sort)
{
    const StationSort *order = (const StationSort *)sort;
    const char *a = order->Rows[first].Name;
    const char *b = order->Rows[second].Name;
    return order->Descending ? lstrcmpA(b, a) : lstrcmpA(a, b);
}

// Sorting by row positions (LVM_SORTITEMSEX) is not dependable: a list may
// hand the comparison the positions in its working copy while reading a row
// still gives the row at the old position. So the rows are sorted by item
// parameters holding their old positions, and get their frequencies back
// afterwards.
static void SortRows(HWND list, PFNLVCOMPARE compare, int descending)
{
    int count = ListView_GetItemCount(list);
    if (count < 2)
        return;
    StationSortKey *rows = (StationSortKey *)HeapAllocZero((size_t)count * sizeof *rows);
    if (!rows)
        return;
    for (int row = 0; row < count; row++) {
        rows[row].Frequency = (int32_t)GetItemParam(list, row);
        GetCellText(list, row, 1, rows[row].Name, sizeof rows[row].Name);
        SetItemParam(list, row, row);
    }
    StationSort sort = { rows, descending };
    SendMessageA(list, LVM_SORTITEMS, (WPARAM)&sort, (LPARAM)compare);
    for (int row = 0; row < count; row++) {
        LPARAM before = GetItemParam(list, row);
        if (before >= 0 && before < count)
            SetItemParam(list, row, rows[before].Frequency);
    }
    HeapFreeBlock(rows);
}

// Each column counts its own header clicks over the whole run: odd counts
// sort descending.
static void SortStations(HWND page, int column)
{
    if (column < 0 || column > 1)
        return;
    int32_t &clicks = column == 0 ? App.FrequencySortClicks : App.NameSortClicks;
    int descending = (int)(clicks & 1);
    clicks++;
    SortRows(StationList(page), column == 0 ? CompareByFrequency : CompareByName, descending);
    MarkPageChanged(page);
}

// ---- painting ----

// The end of the character that starts at the offset.
static size_t CharacterEnd(const char *text, size_t at)
{
    return at + ((IsDBCSLeadByte((BYTE)text[at]) && text[at + 1]) ? 2 : 1);
}

size_t ShortenWithEllipsis(HDC dc, const char *text, int maxWidth, char *out)
{
    size_t kept = 0;
    if (text[0]) {
        kept = CharacterEnd(text, 0);
        if (!text[kept]) {
            kept = 0;  // a single character too wide for the cell
        } else {
            for (size_t end = CharacterEnd(text, kept);; end = CharacterEnd(text, end)) {
                memcpy(out, text, end);
                memcpy(out + end, "...", 4);
                SIZE extent;
                GetTextExtentPoint32A(dc, out, (int)end + 3, &extent);
                if (extent.cx > maxWidth)
                    break;
                kept = end;
                if (!text[end])
                    break;
            }
        }
    }
    memcpy(out, text, kept);
    memcpy(out + kept, "...", 4);
    return kept + 3;
}

void DrawTextEllipsis(HDC dc, int x, int y, const RECT *clip, const char *text, int maxWidth)
{
    int length = lstrlenA(text);
    SIZE extent;
    GetTextExtentPoint32A(dc, text, length, &extent);
    if (extent.cx <= maxWidth) {
        ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, clip, text, (UINT)length, NULL);
        return;
    }
    char *shortened = (char *)HeapAllocZero((size_t)length + 4);
    if (!shortened)
        return;
    size_t count = ShortenWithEllipsis(dc, text, maxWidth, shortened);
    ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, clip, shortened, (UINT)count, NULL);
    HeapFreeBlock(shortened);
}

// With one row selected only its cell in the focus column looks selected, so
// the user sees which cell F2 opens; with several rows whole rows do.
void DrawStationRow(const DRAWITEMSTRUCT *item)
{
    HWND list = item->hwndItem;
    HDC dc = item->hDC;
    int row = (int)item->itemID;
    bool listFocused = GetFocus() == list;
    int selectedCount = (int)SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    bool rowSelected = (item->itemState & ODS_SELECTED) != 0;

    RECT label = {};
    label.top = 0;
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETSUBITEMRECT, (WPARAM)row, (LPARAM)&label);
    int indent = label.left - item->rcItem.left;
    if (indent < 0)
        indent = 0;

    RECT cell = item->rcItem;
    for (int column = 0; column < 2; column++) {
        int saved = SaveDC(dc);
        bool plain = !rowSelected || (column != App.FocusColumn && selectedCount <= 1);
        int textColour = COLOR_WINDOWTEXT;
        int backColour = COLOR_WINDOW;
        if (!plain) {
            textColour = listFocused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
            backColour = listFocused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
        }
        SetTextColor(dc, GetSysColor(textColour));
        SetBkColor(dc, GetSysColor(backColour));
        cell.right = cell.left + (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, (WPARAM)column, 0);
        if (column == 1)
            cell.left += 1;
        char text[CellTextBytes];
        GetCellText(list, row, column, text, sizeof text);
        DrawTextEllipsis(dc, cell.left + indent + 2, cell.top + 2, &cell, text, cell.right - indent - cell.left - 2);
        RestoreDC(dc, saved);
        if (listFocused && (item->itemState & ODS_FOCUS) && column == App.FocusColumn)
            DrawFocusRect(dc, &cell);
        cell.left = cell.right;
    }
}

// ---- the page ----

static BOOL OnStationInit(HWND page)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(page, GWLP_HINSTANCE);
    App.StationAccelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL_STATIONS));
    HWND list = StationList(page);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES);
    InsertListColumn(list, 0, "周波数", 90);
    InsertListColumn(list, 1, "ラジオ局名", 90);
    for (uint32_t i = 0; i < App.StationNameTable.Count; i++)
        AddStationRow(list, &App.StationNameTable.Items[i], (int)i);
    AttachStationEditor(page);
    App.StationMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_STATION_LIST));
    return TRUE;
}

static void OnStationDestroy()
{
    DestroyMenu(App.StationMenu);
    App.StationMenu = NULL;
}

static BOOL OnStationMeasure(MEASUREITEMSTRUCT *measure)
{
    if (measure->CtlID != IDC_STATION_LIST)
        return FALSE;
    if (measure->itemHeight <= RowHeight - 1)
        measure->itemHeight = RowHeight;
    return TRUE;
}

static void OnStationClick(HWND page, const NMITEMACTIVATE *click)
{
    HWND list = StationList(page);
    if (click->iItem >= 0 && click->iItem < ListView_GetItemCount(list) && click->iItem == App.StationClickItem &&
        click->iSubItem == App.PrevFocusColumn)
        BeginCellEdit(list, IDC_STATION_EDITOR, click->iItem, click->iSubItem);
}

static void OnStationTranslateAccelerator(HWND page, const PSHNOTIFY *notify)
{
    MSG *message = (MSG *)notify->lParam;
    if (GetFocus() == StationList(page) && TranslateAcceleratorA(page, App.StationAccelerators, message))
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_MESSAGEHANDLED);
}

static void OnStationApply(HWND page)
{
    HWND list = StationList(page);
    ClearStations();
    int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; row++) {
        StationName record = {};
        record.Frequency = (int32_t)GetItemParam(list, row);
        char name[StationNameBytes];
        GetCellText(list, row, 1, name, sizeof name);
        SetStationName(&record, name);
        if (!AddStation(&record))
            break;
    }
    SaveSettingsChange(SectionStation);
    ShowStationTableChange();
}

static BOOL OnStationNotify(HWND page, const NMHDR *header)
{
    bool fromList = header->idFrom == IDC_STATION_LIST;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        if (fromList)
            SortStations(page, ((const NMLISTVIEW *)header)->iSubItem);
        break;
    case NM_RCLICK:
        if (fromList)
            ShowListMenu(page, StationList(page), GetSubMenu(App.StationMenu, 0),
                         ((const NMITEMACTIVATE *)header)->ptAction);
        break;
    case NM_CLICK:
        if (fromList)
            OnStationClick(page, (const NMITEMACTIVATE *)header);
        break;
    case PSN_TRANSLATEACCELERATOR:
        OnStationTranslateAccelerator(page, (const PSHNOTIFY *)header);
        break;
    case PSN_APPLY:
        OnStationApply(page);
        break;
    }
    return TRUE;
}

// A new row starts empty with the editor on its frequency; leaving the
// editor without giving it anything removes the row again.
static void OnStationNew(HWND page)
{
    HWND list = StationList(page);
    SelectRows(list, -1, false);
    StationName empty = {};
    int row = AddStationRow(list, &empty, ListView_GetItemCount(list));
    if (row < 0)
        return;
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
    App.FocusColumn = 0;
    BeginCellEdit(list, IDC_STATION_EDITOR, row, 0);
    MarkPageChanged(page);
}

static void OnStationDelete(HWND page)
{
    HWND list = StationList(page);
    if (ListView_GetSelectedCount(list) == 0)
        return;
    if (MessageBoxA(page, "削除しますか？", "削除の確認", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, -1, LVNI_SELECTED))
        ListView_DeleteItem(list, row);
    MarkPageChanged(page);
}

static void OnStationEditEnd(HWND page)
{
    HWND list = StationList(page);
    ShowWindow(GetDlgItem(list, IDC_STATION_EDITOR), SW_HIDE);
    int row = App.EditItem;
    if (row < 0 || row >= ListView_GetItemCount(list))
        return;
    char name[StationNameBytes];
    GetCellText(list, row, 1, name, sizeof name);
    if (GetItemParam(list, row) == 0 && !name[0])
        ListView_DeleteItem(list, row);
    else
        RepaintRow(list, row, LVIR_BOUNDS);
}

static BOOL OnStationCommand(HWND page, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDC_STATION_NEW:
    case IDM_RESERVE_NEW:
        OnStationNew(page);
        return TRUE;
    case IDC_STATION_DELETE:
    case IDM_RESERVE_DELETE:
        OnStationDelete(page);
        return TRUE;
    case IDC_STATION_EDITOR:
        if (HIWORD(wParam) != EN_KILLFOCUS)
            return FALSE;
        OnStationEditEnd(page);
        return TRUE;
    case IDM_RESERVE_SELECTALL:
        SelectRows(StationList(page), -1, true);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK StationPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MEASUREITEM: return OnStationMeasure((MEASUREITEMSTRUCT *)lParam);
    case WM_INITDIALOG:  return OnStationInit(page);
    case WM_DRAWITEM:
        if (wParam != IDC_STATION_LIST)
            return FALSE;
        DrawStationRow((const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_DESTROY:     OnStationDestroy(); return FALSE;
    case WM_NOTIFY:      return OnStationNotify(page, (const NMHDR *)lParam);
    case WM_COMMAND:     return OnStationCommand(page, wParam);
    }
    return FALSE;
}
