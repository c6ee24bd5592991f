// Sets up the scenes of the user guide's pictures in the running program with
// the simulated stereo, from outside it, as a user would: keys are clicked,
// menus opened, rows selected. scripts/screenshots runs it once per scene:
//   shotdriver DESKTOP SCENE
// A picture scene prints the screen rectangle to take as "x y width height";
// an action prints nothing. The exit code is 0 when the scene was reached.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <string.h>
#include "app/tray.h"
#include "panel/panel.h"
#include "res/resource.h"

// Everything the program does here takes well under this; the acquisition of
// 40 presets is the longest.
static const DWORD WaitLimit = 60000;
static const DWORD Step = 100;

static const char MainClass[] = "TALVORecClass";
static const char ListClass[] = "ReserveListClass";
static const char ResultsClass[] = "TALVOResultsClass";
static const char DialogClass[] = "#32770";
static const char MenuClass[] = "#32768";
static const char OptionsCaption[] = "TALVO レコーダーのオプション";
// The reservation whose dialog is shown, and the one recorded.
static const char EditedTitle[] = "朝のニュース";
static const char RecordedTitle[] = "ジャズの時間";
static const char RecordingFolder[] = "C:\\Radio\\";

// Time for the program to lay out and repaint what the last message changed.
static void Settle() { Sleep(700); }

static HWND FindShown(const char *className, const char *title)
{
    HWND window = FindWindowA(className, title);
    return window && IsWindowVisible(window) ? window : NULL;
}

static HWND WaitShown(const char *className, const char *title)
{
    for (DWORD waited = 0; waited < WaitLimit; waited += Step) {
        if (HWND window = FindShown(className, title))
            return window;
        Sleep(Step);
    }
    fprintf(stderr, "no window of class %s titled %s\n", className, title ? title : "(any)");
    return NULL;
}

static bool WaitGone(HWND window)
{
    for (DWORD waited = 0; waited < WaitLimit; waited += Step) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        Sleep(Step);
    }
    fprintf(stderr, "a window did not close\n");
    return false;
}

static bool WaitChildShown(HWND child)
{
    for (DWORD waited = 0; child && waited < WaitLimit; waited += Step) {
        if (IsWindowVisible(child))
            return true;
        Sleep(Step);
    }
    fprintf(stderr, "a control of the main window did not appear\n");
    return false;
}

static HWND MainWindow() { return WaitShown(MainClass, NULL); }

// The main window even while it is hidden in the notification area.
static HWND HiddenMainWindow() { return FindWindowA(MainClass, NULL); }

static HWND TextButton(HWND parent, const char *text) { return FindWindowExA(parent, NULL, "Button", text); }

static bool Shoot(HWND window, RECT *shot)
{
    return window && GetWindowRect(window, shot);
}

static bool ShootBoth(HWND first, HWND second, RECT *shot)
{
    RECT a, b;
    if (!Shoot(first, &a) || !Shoot(second, &b))
        return false;
    return UnionRect(shot, &a, &b) != FALSE;
}

// ---- rows of the reservation list, read and selected across processes ----

// A block in the program's own memory: list-view messages carry pointers,
// which must point into the process that owns the list.
struct RemoteBlock {
    HANDLE Process;
    char *Address;
};

enum { RemoteTextSize = 256 };

static bool OpenRemote(HWND window, RemoteBlock *block)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    block->Process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!block->Process)
        return false;
    block->Address = (char *)VirtualAllocEx(block->Process, NULL, sizeof(LVITEMA) + RemoteTextSize, MEM_COMMIT,
                                            PAGE_READWRITE);
    if (!block->Address) {
        CloseHandle(block->Process);
        return false;
    }
    return true;
}

static void CloseRemote(RemoteBlock *block)
{
    VirtualFreeEx(block->Process, block->Address, 0, MEM_RELEASE);
    CloseHandle(block->Process);
}

static bool PutItem(RemoteBlock *block, const LVITEMA *item)
{
    return WriteProcessMemory(block->Process, block->Address, item, sizeof *item, NULL) != FALSE;
}

static int FindRow(HWND list, RemoteBlock *block, const char *title)
{
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; row++) {
        LVITEMA item = {};
        item.pszText = block->Address + sizeof item;
        item.cchTextMax = RemoteTextSize;
        if (!PutItem(block, &item))
            return -1;
        SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)block->Address);
        char text[RemoteTextSize] = {};
        if (!ReadProcessMemory(block->Process, block->Address + sizeof item, text, sizeof text - 1, NULL))
            return -1;
        if (strcmp(text, title) == 0)
            return row;
    }
    return -1;
}

// Makes the row with the title the only selected row, and the focused one.
static bool SelectReservation(const char *title)
{
    HWND window = WaitShown(ListClass, NULL);
    HWND list = window ? GetDlgItem(window, IDC_RESERVE_LIST) : NULL;
    RemoteBlock block;
    if (!list || !OpenRemote(list, &block))
        return false;
    int row = FindRow(list, &block, title);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    bool done = row >= 0 && PutItem(&block, &item) && SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1,
                                                                     (LPARAM)block.Address);
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    done = done && PutItem(&block, &item) && SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)block.Address);
    CloseRemote(&block);
    if (!done)
        fprintf(stderr, "no reservation %s in the list\n", title);
    return done;
}

// ---- the scenes ----

static bool MainOff(RECT *shot)
{
    HWND main = MainWindow();
    Settle();
    return Shoot(main, shot);
}

static bool MainTuner(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    PostMessageA(TextButton(main, "電源"), BM_CLICK, 0, 0);
    // The tuner's layout shows the preset number box.
    if (!WaitChildShown(FindWindowExA(main, NULL, "Edit", NULL)))
        return false;
    Settle();
    return Shoot(main, shot);
}

static bool MainMd(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    // The stereo takes no other key for a moment after being switched on;
    // like a user, the driver presses again until the MD's keys show.
    HWND level = TextButton(main, "入力レベル");
    for (DWORD waited = 0; level && !IsWindowVisible(level) && waited < WaitLimit; waited += 2500) {
        PostMessageA(GetDlgItem(main, KeyMd), BM_CLICK, 0, 0);
        for (DWORD step = 0; !IsWindowVisible(level) && step < 2500; step += Step)
            Sleep(Step);
    }
    if (!WaitChildShown(level))
        return false;
    Settle();
    return Shoot(main, shot);
}

// The right-click menu of the panel, opened where the user clicked.
static bool PanelMenu(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    POINT click = { 60, 130 };
    ClientToScreen(main, &click);
    SetCursorPos(click.x, click.y);
    PostMessageA(main, WM_RBUTTONUP, 0, MAKELPARAM(60, 130));
    HWND menu = WaitShown(MenuClass, NULL);
    Settle();
    return ShootBoth(main, menu, shot);
}

static bool CloseMenu(RECT *)
{
    HWND menu = FindShown(MenuClass, NULL);
    if (!menu)
        return true;
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return WaitGone(menu);
}

static bool ReserveList(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    PostMessageA(main, WM_COMMAND, IDM_RESERVELIST, 0);
    HWND list = WaitShown(ListClass, NULL);
    Settle();
    return Shoot(list, shot);
}

static bool EditDialog(RECT *shot)
{
    if (!SelectReservation(EditedTitle))
        return false;
    PostMessageA(FindWindowA(ListClass, NULL), WM_COMMAND, IDM_RESERVE_PROPERTIES, 0);
    HWND dialog = WaitShown(DialogClass, "予約設定");
    Settle();
    return Shoot(dialog, shot);
}

static bool CloseDialog(const char *title, int button)
{
    HWND dialog = FindShown(DialogClass, title);
    if (!dialog)
        return false;
    PostMessageA(dialog, WM_COMMAND, button, 0);
    return WaitGone(dialog);
}

static bool CloseEditDialog(RECT *) { return CloseDialog("予約設定", IDCANCEL); }

static bool OptionsGeneral(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    PostMessageA(main, WM_COMMAND, IDM_OPTIONS, 0);
    HWND sheet = WaitShown(DialogClass, OptionsCaption);
    Settle();
    return Shoot(sheet, shot);
}

static bool OptionsPage(int page, RECT *shot)
{
    HWND sheet = FindShown(DialogClass, OptionsCaption);
    if (!sheet)
        return false;
    SendMessageA(sheet, PSM_SETCURSEL, page, 0);
    Settle();
    return Shoot(sheet, shot);
}

static bool OptionsPresets(RECT *shot) { return OptionsPage(1, shot); }
static bool OptionsStations(RECT *shot) { return OptionsPage(2, shot); }

// The progress dialog a third of the way through the presets.
static bool Acquire(RECT *shot)
{
    HWND sheet = FindShown(DialogClass, OptionsCaption);
    HWND page = sheet ? (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) : NULL;
    if (!page)
        return false;
    PostMessageA(GetDlgItem(page, IDC_PRESET_ACQUIRE), BM_CLICK, 0, 0);
    HWND dialog = WaitShown(DialogClass, "周波数自動取得");
    HWND progress = dialog ? GetDlgItem(dialog, IDC_ACQUIRE_PROGRESS) : NULL;
    for (DWORD waited = 0; progress && waited < WaitLimit; waited += Step) {
        if (SendMessageA(progress, PBM_GETPOS, 0, 0) >= 35)
            break;
        Sleep(Step);
    }
    return Shoot(dialog, shot);
}

// The acquisition closes its dialog itself after preset 40.
static bool AcquireEnd(RECT *)
{
    HWND dialog = FindWindowA(DialogClass, "周波数自動取得");
    return !dialog || WaitGone(dialog);
}

static bool CloseOptions(RECT *)
{
    HWND sheet = FindShown(DialogClass, OptionsCaption);
    if (!sheet)
        return false;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return WaitGone(sheet);
}

static bool RecordingFileExists()
{
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s*.wav", RecordingFolder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

// "直ちに録音開始" on a reservation: the stereo is switched on and tuned, and
// the recording runs.
static bool MainRecording(RECT *shot)
{
    HWND main = MainWindow();
    if (!main || !SelectReservation(RecordedTitle))
        return false;
    PostMessageA(FindWindowA(ListClass, NULL), WM_COMMAND, IDM_RESERVE_STARTNOW, 0);
    if (!WaitChildShown(GetDlgItem(main, EndTimePickerId)))
        return false;
    DWORD waited = 0;
    for (; !RecordingFileExists() && waited < WaitLimit; waited += Step)
        Sleep(Step);
    if (waited >= WaitLimit) {
        fprintf(stderr, "the recording did not start\n");
        return false;
    }
    Settle();
    SetForegroundWindow(main);
    Settle();
    return Shoot(main, shot);
}

static bool StopConfirm(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    PostMessageA(GetDlgItem(main, KeyStop), BM_CLICK, 0, 0);
    HWND box = WaitShown(DialogClass, "録音停止の確認");
    Settle();
    return Shoot(box, shot);
}

static bool AnswerNo(RECT *) { return CloseDialog("録音停止の確認", IDNO); }

// The results the folder's file holds, from the main window's menu.
static bool Results(RECT *shot)
{
    HWND main = MainWindow();
    if (!main)
        return false;
    PostMessageA(main, WM_COMMAND, IDM_RESULTS, 0);
    HWND results = WaitShown(ResultsClass, "録音結果");
    Settle();
    return Shoot(results, shot);
}

static bool CloseResults(RECT *)
{
    HWND results = FindShown(ResultsClass, NULL);
    if (!results)
        return false;
    PostMessageA(results, WM_CLOSE, 0, 0);
    return WaitGone(results);
}

// The taskbar's notification area, where the icon sits while the main
// window is minimised.
static HWND Taskbar() { return FindWindowA("Shell_TrayWnd", NULL); }

// From a window of the notification area (a menu, a notice) down to the
// taskbar's bottom right corner, where the icon is.
static bool ShootDownToTaskbarEnd(HWND window, HWND taskbar, RECT *shot)
{
    RECT area, bar;
    if (!Shoot(window, &area) || !GetWindowRect(taskbar, &bar))
        return false;
    shot->left = area.left - 8;
    shot->top = area.top - 8;
    shot->right = bar.right;
    shot->bottom = bar.bottom;
    return true;
}

// Minimised, then the icon's menu opened by a right click on it.
static bool TrayMenu(RECT *shot)
{
    HWND main = MainWindow();
    HWND taskbar = Taskbar();
    if (!main || !taskbar)
        return false;
    ShowWindow(main, SW_MINIMIZE);
    for (DWORD waited = 0; IsWindowVisible(main) && waited < WaitLimit; waited += Step)
        Sleep(Step);
    Settle();
    RECT bar;
    GetWindowRect(taskbar, &bar);
    // The icon is the last in the area, at the taskbar's right end; the click
    // is just beside it, where the mouse raises no tip over the menu.
    SetCursorPos(bar.right - 40, (bar.top + bar.bottom) / 2);
    PostMessageA(main, WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);
    HWND menu = WaitShown(MenuClass, NULL);
    Settle();
    return ShootDownToTaskbarEnd(menu, taskbar, shot);
}

// The notice of the recording's start, as the notification area shows it
// above the taskbar, with the taskbar's end where the icon is.
static HWND ShownBalloon()
{
    for (HWND tip = FindWindowExA(NULL, NULL, TOOLTIPS_CLASSA, NULL); tip;
         tip = FindWindowExA(NULL, tip, TOOLTIPS_CLASSA, NULL)) {
        if (IsWindowVisible(tip) && (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON))
            return tip;
    }
    return NULL;
}

static bool NoticeBalloon(RECT *shot)
{
    HWND taskbar = Taskbar();
    HWND balloon = NULL;
    for (DWORD waited = 0; !balloon && waited < WaitLimit; waited += Step) {
        balloon = ShownBalloon();
        if (!balloon)
            Sleep(Step);
    }
    if (!taskbar || !balloon) {
        fprintf(stderr, "no notice shown\n");
        return false;
    }
    return ShootDownToTaskbarEnd(balloon, taskbar, shot);
}

static bool Exit(RECT *)
{
    HWND main = HiddenMainWindow();
    if (!main)
        return false;
    PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
    for (DWORD waited = 0; IsWindow(main) && waited < WaitLimit; waited += Step)
        Sleep(Step);
    return !IsWindow(main);
}

// The real program where no stereo is connected.
static bool StartupError(RECT *shot)
{
    HWND box = WaitShown(DialogClass, NULL);
    Settle();
    return Shoot(box, shot);
}

static bool CloseError(RECT *) { return CloseDialog(NULL, IDOK); }

static const struct {
    const char *Name;
    bool (*Run)(RECT *shot);
} Scenes[] = {
    { "main-off", MainOff },
    { "main-tuner", MainTuner },
    { "main-md", MainMd },
    { "panel-menu", PanelMenu },
    { "close-menu", CloseMenu },
    { "reserve-list", ReserveList },
    { "edit-dialog", EditDialog },
    { "close-edit-dialog", CloseEditDialog },
    { "options-general", OptionsGeneral },
    { "options-presets", OptionsPresets },
    { "acquire", Acquire },
    { "acquire-end", AcquireEnd },
    { "options-stations", OptionsStations },
    { "close-options", CloseOptions },
    { "main-recording", MainRecording },
    { "notice", NoticeBalloon },
    { "stop-confirm", StopConfirm },
    { "answer-no", AnswerNo },
    { "results", Results },
    { "close-results", CloseResults },
    { "tray-menu", TrayMenu },
    { "exit", Exit },
    { "startup-error", StartupError },
    { "close-error", CloseError },
};

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: shotdriver DESKTOP SCENE\n");
        return 2;
    }
    // The program runs on a Wine desktop of its own, which may still be
    // starting; windows are found there.
    HDESK desktop = NULL;
    for (DWORD waited = 0; !desktop && waited < WaitLimit; waited += Step) {
        desktop = OpenDesktopA(argv[1], 0, FALSE, GENERIC_ALL);
        if (!desktop)
            Sleep(Step);
    }
    if (!desktop || !SetThreadDesktop(desktop)) {
        fprintf(stderr, "no desktop %s\n", argv[1]);
        return 1;
    }
    for (const auto &scene : Scenes) {
        if (strcmp(scene.Name, argv[2]) != 0)
            continue;
        RECT shot = {};
        if (!scene.Run(&shot)) {
            fprintf(stderr, "scene %s failed\n", scene.Name);
            return 1;
        }
        if (!IsRectEmpty(&shot))
            printf("%ld %ld %ld %ld\n", shot.left, shot.top, shot.right - shot.left, shot.bottom - shot.top);
        return 0;
    }
    fprintf(stderr, "no scene %s\n", argv[2]);
    return 2;
}
