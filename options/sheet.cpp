// The options sheet and its general page, whose four boxes show the option
// flags.
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>

// The structure versions the sheet is described with: the header ending with
// the header bitmap, the pages ending with the header subtitle. The platform
// steps through the page array by each page's size.
enum { SheetPageCount = 3, SheetHeaderSize = 52, SheetPageSize = 48 };
static_assert(sizeof(PROPSHEETPAGEA_V2) == SheetPageSize, "page version 2");

struct SheetPage {
    int Template;
    DLGPROC Procedure;
};

static const SheetPage SheetPages[SheetPageCount] = {
    { IDD_OPTIONS_GENERAL, GeneralPageProc },
    { IDD_OPTIONS_PRESETS, PresetPageProc },
    { IDD_OPTIONS_STATIONS, StationPageProc },
};

INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage)
{
    // The pages' templates name the list-view and progress-bar classes.
    INITCOMMONCONTROLSEX classes = { sizeof classes, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES };
    InitCommonControlsEx(&classes);

    PROPSHEETPAGEA_V2 pages[SheetPageCount] = {};
    for (int i = 0; i < SheetPageCount; i++) {
        pages[i].dwSize = SheetPageSize;
        pages[i].hInstance = instance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(SheetPages[i].Template);
        pages[i].pfnDlgProc = SheetPages[i].Procedure;
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = SheetHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    header.hwndParent = parent;
    header.hInstance = instance;
    header.pszCaption = "TALVO レコーダーのオプション";
    header.nPages = SheetPageCount;
    header.nStartPage = (UINT)startPage;
    header.ppsp = (LPCPROPSHEETPAGEA)pages;
    return PropertySheetA(&header);
}

void MarkPageChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

// ---- general page ----

static BOOL OnGeneralInit(HWND page)
{
    for (int i = 0; i < OptionFlagCount; i++)
        CheckDlgButton(page, IDC_POWONSTART + i, *OptionFlagAt(&App.OptionFlags, i) ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

static BOOL OnGeneralCommand(HWND page, WPARAM wParam)
{
    int id = LOWORD(wParam);
    if (id < IDC_POWONSTART || id >= IDC_POWONSTART + OptionFlagCount || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    MarkPageChanged(page);
    return TRUE;
}

static BOOL OnGeneralNotify(HWND page, const NMHDR *header)
{
    if (header->code != (UINT)PSN_APPLY)
        return FALSE;
    for (int i = 0; i < OptionFlagCount; i++)
        *OptionFlagAt(&App.OptionFlags, i) = IsDlgButtonChecked(page, IDC_POWONSTART + i) == BST_CHECKED ? 1 : 0;
    return TRUE;
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG: return OnGeneralInit(page);
    case WM_COMMAND:    return OnGeneralCommand(page, wParam);
    case WM_NOTIFY:     return OnGeneralNotify(page, (const NMHDR *)lParam);
    }
    return FALSE;
}
