// The options sheet and its general page, whose boxes show the option flags
// and the start with Windows.
#include "options/options.h"
#include "options/pages.h"
#include "app/appstate.h"
#include "app/savenotice.h"
#include "app/autostart.h"
#include "app/wake.h"
#include "app/wakecheck.h"
#include "res/resource.h"
#include <commctrl.h>
#include <prsht.h>
#include <stddef.h>

// The structure versions the sheet is described with: the header ending with
// the header bitmap, the pages ending with the header subtitle (52 and 48
// bytes in the 32-bit program). The platform steps through the page array by
// each page's size.
enum { SheetPageCount = 3 };
static const UINT SheetHeaderSize = offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(HBITMAP);
static const UINT SheetPageSize = sizeof(PROPSHEETPAGEA_V2);

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

// The start with Windows is not a flag of the settings file: the box shows
// whether the Run entry is there, as the user may also have removed it in
// Windows' own settings.
static void ShowStartWithWindows(HWND page)
{
    CheckDlgButton(page, IDC_AUTOSTART, StartsWithWindows() ? BST_CHECKED : BST_UNCHECKED);
}

// Asked each time the box is ticked: the user may have just changed the
// power plan. Only a ticked box needs the warning.
static void ShowWakeHindrance(HWND page)
{
    HWND line = GetDlgItem(page, IDC_WAKE_HINDRANCE);
    const char *sentence = NULL;
    if (IsDlgButtonChecked(page, IDC_WAKEREC) == BST_CHECKED) {
        WakeAnswers answers;
        ReadWakeAnswers(App.WakeTimerUnsupported != FALSE, &answers);
        sentence = WakeHindranceSentence(&answers);
    }
    SetWindowTextA(line, sentence ? sentence : "");
    ShowWindow(line, sentence ? SW_SHOWNA : SW_HIDE);
}

static BOOL OnGeneralInit(HWND page)
{
    for (int i = 0; i < OptionFlagCount; i++)
        CheckDlgButton(page, IDC_POWONSTART + i, *OptionFlagAt(&App.OptionFlags, i) ? BST_CHECKED : BST_UNCHECKED);
    ShowStartWithWindows(page);
    ShowWakeHindrance(page);
    return TRUE;
}

static bool IsGeneralBox(int id)
{
    return (id >= IDC_POWONSTART && id < IDC_POWONSTART + OptionFlagCount) || id == IDC_AUTOSTART;
}

static BOOL OnGeneralCommand(HWND page, WPARAM wParam)
{
    if (!IsGeneralBox(LOWORD(wParam)) || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    if (LOWORD(wParam) == IDC_WAKEREC)
        ShowWakeHindrance(page);
    MarkPageChanged(page);
    return TRUE;
}

static BOOL OnGeneralNotify(HWND page, const NMHDR *header)
{
    if (header->code != (UINT)PSN_APPLY)
        return FALSE;
    for (int i = 0; i < OptionFlagCount; i++)
        *OptionFlagAt(&App.OptionFlags, i) = IsDlgButtonChecked(page, IDC_POWONSTART + i) == BST_CHECKED ? 1 : 0;
    SaveSettingsChange(SectionOption);
    UpdateWakeTimer();
    // A registry that refused shows in the box, which goes back to what is
    // really there.
    SetStartWithWindows(IsDlgButtonChecked(page, IDC_AUTOSTART) == BST_CHECKED);
    ShowStartWithWindows(page);
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
