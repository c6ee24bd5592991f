// Finding the program's folder, the main window's class and creation, and
// the message loop.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "res/resource.h"
#include <string.h>

const char MainWindowClassName[] = "TALVORecClass";

int ParseProgramFolder(const char *commandLine, char folder[MAX_PATH])
{
    if (!commandLine[0])
        return 0;
    const char *path = commandLine + 1;
    const char *quote = strchr(path, '"');
    if (!quote)
        return 0;
    size_t length = (size_t)(quote - path);
    if (length >= MAX_PATH)
        return 0;
    memcpy(folder, path, length);
    folder[length] = '\0';
    // The last backslash, found by whole characters so that a trail byte of a
    // double-byte character is never taken for one.
    char *cut = NULL;
    for (char *c = folder; *c; c = CharNextA(c))
        if (*c == '\\')
            cut = c;
    if (cut)
        cut[1] = '\0';
    return 1;
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
    return CreateWindowExA(App.TopMost ? WS_EX_TOPMOST : 0, MainWindowClassName, "TALVO レコーダー",
                           WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, App.WindowLeft, App.WindowTop, MainWindowWidth,
                           MainWindowHeight, NULL, NULL, instance, NULL);
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
