// Finding the program's folder, the main window's class and creation, and
// the message loop.
#include "app/mainwindow.h"
#include "app/placement.h"
#include "app/appstate.h"
#include "app/dpi.h"
#include "res/resource.h"
#include <string.h>

const char MainWindowClassName[] = "TALVORecClass";

// Cuts path after its last backslash, found by whole characters so that a
// trail byte of a double-byte character is never taken for one. False for a
// bare file name: the program's own name is no place for the settings file.
static bool CutAfterLastBackslash(char *path)
{
    char *cut = NULL;
    for (char *c = path; *c; c = CharNextA(c))
        if (*c == '\\')
            cut = c;
    if (!cut)
        return false;
    cut[1] = '\0';
    return true;
}

int ParseProgramFolder(const char *commandLine, char folder[MAX_PATH])
{
    if (!commandLine[0])
        return 0;
    const char *path = commandLine + 1;
    const char *quote = strchr(path, '"');
    if (!quote || quote - path >= MAX_PATH)
        return 0;
    char copy[MAX_PATH];
    memcpy(copy, path, (size_t)(quote - path));
    copy[quote - path] = '\0';
    if (!CutAfterLastBackslash(copy))
        return 0;
    strcpy(folder, copy);
    return 1;
}

bool FindProgramFolder(char folder[MAX_PATH])
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    // A full buffer means the path was cut short.
    if (length == 0 || length >= sizeof path || !CutAfterLastBackslash(path))
        return false;
    strcpy(folder, path);
    return true;
}

void RepairInterruptedRecording(const char *programFolder)
{
    char path[SavePathBytes];
    if (!LoadRecordingMarker(programFolder, path, sizeof path))
        return;
    // A file that another running copy of the program still has open is
    // being recorded now, not left behind.
    HANDLE probe = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        return;
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    RecordingOccurrenceTexts occurrence;
    bool known = LoadRecordingOccurrence(programFolder, &occurrence);
    RepairMarkedRecording(path);
    ClearRecordingMarker(programFolder);
    LogInterruptedRecording(path, known ? &occurrence : NULL);
}

bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = MainWindowClassName;
    return RegisterClassA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    HWND window = CreateWindowExA(App.TopMost ? WS_EX_TOPMOST : 0, MainWindowClassName, "TALVO レコーダー",
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, App.WindowLeft, App.WindowTop,
                                  MainWindowWidth, MainWindowHeight, NULL, NULL, instance, NULL);
    // The stored place is the one the window was saved at, read back the
    // way it was written; the window is shown later by the caller.
    RECT place = { App.WindowLeft, App.WindowTop, App.WindowLeft + MainWindowWidth, App.WindowTop + MainWindowHeight };
    if (window) {
        RestoreWindowPlace(window, &place, SW_HIDE);
        FitMainWindowToDpi(window);
    }
    return window;
}

int RunMessageLoop(HACCEL reserveListKeys)
{
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        HWND list = App.ReserveListWindow;
        if (list && GetForegroundWindow() == list && TranslateAcceleratorA(list, reserveListKeys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
