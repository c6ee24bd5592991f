// The preset page: the stereo's 40 presets, each with its check box (offered
// as a station when editing a reservation) and its frequency, typed in place
// or read from the stereo. Nothing reaches the preset table before the sheet
// applies.
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "app/savenotice.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>

static HWND PresetList(HWND page)
{
    return GetDlgItem(page, IDC_PRESET_LIST);
}

static bool IsRowChecked(HWND list, int row)
{
    UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK);
    return (state >> 12) == 2;
}

static void SetRowChecked(HWND list, int row, bool checked)
{
    ListView_SetItemState(list, row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

static void ShowPresetFrequency(HWND list, int row, int32_t frequency)
{
    char text[32];
    FormatFrequency(frequency, text, sizeof text);
    SetCellText(list, row, 1, text);
}

static void InsertPresetRow(HWND list, int slot, const PresetSlot *preset)
{
    char number[8];
    snprintf(number, sizeof number, "%02d", slot + 1);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = slot;
    item.pszText = number;
    item.lParam = preset->Frequency;
    int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0)
        return;
    SetRowChecked(list, row, preset->Enabled != 0);
    ShowPresetFrequency(list, row, preset->Frequency);
}

void StorePresetFrequency(HWND page, int preset, int32_t frequency)
{
    HWND list = PresetList(page);
    if (!list || preset < 1 || preset > PresetCount)
        return;
    SetItemParam(list, preset - 1, frequency);
    ShowPresetFrequency(list, preset - 1, frequency);
    MarkPageChanged(page);
}

static BOOL OnPresetInit(HWND page)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(page, GWLP_HINSTANCE);
    App.PresetAccelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL_PRESETS));
    HWND list = PresetList(page);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    InsertListColumn(list, 0, "プリセット番号", 90);
    InsertListColumn(list, 1, "周波数", 90);
    App.PresetRowsLoading = TRUE;
    for (int i = 0; i < PresetCount; i++)
        InsertPresetRow(list, i, &App.PresetTable[i]);
    App.PresetRowsLoading = FALSE;
    AttachPresetEditor(page);
    App.PresetMenu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_PRESET_LIST));
    return TRUE;
}

static void OnPresetDestroy()
{
    DestroyMenu(App.PresetMenu);
    App.PresetMenu = NULL;
}

static void OnPresetItemChanged(HWND page, const NMLISTVIEW *change)
{
    if (App.PresetRowsLoading || change->uChanged != LVIF_STATE)
        return;
    if ((change->uOldState ^ change->uNewState) & LVIS_STATEIMAGEMASK)
        MarkPageChanged(page);
}

// "有効" only when a selected row is unchecked, "無効" only when one is checked.
static void OnPresetRightClick(HWND page, const NMITEMACTIVATE *click)
{
    HWND list = PresetList(page);
    bool anyUnchecked = false;
    bool anyChecked = false;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0 && !(anyUnchecked && anyChecked);
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        if (IsRowChecked(list, row))
            anyChecked = true;
        else
            anyUnchecked = true;
    }
    HMENU popup = GetSubMenu(App.PresetMenu, 0);
    EnableMenuItem(popup, IDM_RESERVE_ENABLE, MF_BYCOMMAND | (anyUnchecked ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup, IDM_RESERVE_DISABLE, MF_BYCOMMAND | (anyChecked ? MF_ENABLED : MF_GRAYED));
    ShowListMenu(page, list, popup, click->ptAction);
}

// A second click on the frequency of the selected row opens its editor.
static void OnPresetClick(HWND page, const NMITEMACTIVATE *click)
{
    if (click->iItem >= 0 && click->iItem < PresetCount && click->iSubItem == 1 && click->iItem == App.PresetClickItem)
        BeginCellEdit(PresetList(page), IDC_PRESET_EDITOR, click->iItem, 1);
}

static void OnPresetTranslateAccelerator(HWND page, const PSHNOTIFY *notify)
{
    MSG *message = (MSG *)notify->lParam;
    if (GetFocus() == PresetList(page) && TranslateAcceleratorA(page, App.PresetAccelerators, message))
        SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_MESSAGEHANDLED);
}

static void OnPresetApply(HWND page)
{
    HWND list = PresetList(page);
    for (int i = 0; i < PresetCount; i++) {
        App.PresetTable[i].Frequency = (int32_t)GetItemParam(list, i);
        UINT state = (UINT)SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)i, LVIS_STATEIMAGEMASK);
        App.PresetTable[i].Enabled = (int32_t)(state >> 12) - 1;
    }
    SaveSettingsChange(SectionFreq);
}

static BOOL OnPresetNotify(HWND page, const NMHDR *header)
{
    bool fromList = header->idFrom == IDC_PRESET_LIST;
    switch (header->code) {
    case LVN_ITEMCHANGED:
        if (fromList)
            OnPresetItemChanged(page, (const NMLISTVIEW *)header);
        break;
    case NM_RCLICK:
        if (fromList)
            OnPresetRightClick(page, (const NMITEMACTIVATE *)header);
        break;
    case NM_CLICK:
        if (fromList)
            OnPresetClick(page, (const NMITEMACTIVATE *)header);
        break;
    case PSN_TRANSLATEACCELERATOR:
        OnPresetTranslateAccelerator(page, (const PSHNOTIFY *)header);
        break;
    case PSN_APPLY:
        OnPresetApply(page);
        break;
    }
    return TRUE;
}

static void OnPresetEditEnd(HWND page)
{
    HWND list = PresetList(page);
    ShowWindow(GetDlgItem(list, IDC_PRESET_EDITOR), SW_HIDE);
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | LVS_SHOWSELALWAYS);
    RepaintRow(list, App.EditItem, LVIR_SELECTBOUNDS);
}

static void CheckSelectedRows(HWND list, bool checked)
{
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        SetRowChecked(list, row, checked);
}

static BOOL OnPresetCommand(HWND page, WPARAM wParam)
{
    HWND list = PresetList(page);
    switch (LOWORD(wParam)) {
    case IDC_PRESET_ACQUIRE:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        DialogBoxParamA((HINSTANCE)GetWindowLongPtrA(page, GWLP_HINSTANCE), MAKEINTRESOURCEA(IDD_ACQUIRE), page,
                        AcquireDialogProc, 0);
        return TRUE;
    case IDC_PRESET_EDITOR:
        if (HIWORD(wParam) != EN_KILLFOCUS)
            return FALSE;
        OnPresetEditEnd(page);
        return TRUE;
    case IDM_RESERVE_SELECTALL:
        SelectRows(list, -1, true);
        return TRUE;
    case IDM_RESERVE_ENABLE:
    case IDM_RESERVE_DISABLE:
        CheckSelectedRows(list, LOWORD(wParam) == IDM_RESERVE_ENABLE);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PresetPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: return OnPresetInit(page);
    case WM_DESTROY:    OnPresetDestroy(); return FALSE;
    case WM_NOTIFY:     return OnPresetNotify(page, (const NMHDR *)lParam);
    case WM_COMMAND:    return OnPresetCommand(page, wParam);
    case WM_HELP:       return TRUE;
    }
    return FALSE;
}
