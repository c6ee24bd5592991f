// The running copy holds a named mutex for as long as it lives; Windows
// releases it when the process ends, however it ends. The name is the PC's,
// not the session's: a second user signed in at the same time would drive
// the same stereo. The name comes from the
// program's file name, so the demo and the real program may run side by side.
#include "app/onecopy.h"
#include "app/appstate.h"
#include "res/resource.h"
#include <stdio.h>
#include <string.h>

// How long a second start waits for the first one's window to exist, when
// both started at nearly the same moment.
enum { WindowWaitMs = 5000, WindowPollMs = 100 };

static HANDLE OneCopyMutex;

void OneCopyName(const char *programPath, char *name, size_t size)
{
    const char *file = programPath;
    for (const char *p = programPath; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/')
            file = p + 1;
    char upper[MAX_PATH];
    lstrcpynA(upper, file, sizeof upper);
    CharUpperA(upper);
    snprintf(name, size, "Global\\TALVORec.OneCopy.%s", upper);
}

static void ThisProgramsName(char *name, size_t size)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    path[sizeof path - 1] = '\0';
    OneCopyName(path, name, size);
}

struct WindowSearch {
    const char *Mark;
    HWND Found;
};

static BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM lParam)
{
    WindowSearch *search = (WindowSearch *)lParam;
    if (!GetPropA(window, search->Mark))
        return TRUE;
    search->Found = window;
    return FALSE;
}

// No window of the running copy in this session: it runs for another user
// (or as administrator unseen), and only words can say so.
static void TellRunningElsewhere()
{
    MessageBoxA(NULL, "TALVO レコーダーは、別のユーザーのセッションで動いています。", "TALVO レコーダー",
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

static void BringRunningCopyForward(const char *mark)
{
    WindowSearch search = { mark, NULL };
    for (DWORD waited = 0; !search.Found && waited <= WindowWaitMs; waited += WindowPollMs) {
        EnumWindows(FindMarkedWindow, (LPARAM)&search);
        if (!search.Found)
            Sleep(WindowPollMs);
    }
    if (!search.Found) {
        TellRunningElsewhere();
        return;
    }
    // The user's start gave this process the right to bring a window to the
    // front; it is handed on to the running copy, which restores itself the
    // way the notification icon's "open" does.
    DWORD owner = 0;
    GetWindowThreadProcessId(search.Found, &owner);
    AllowSetForegroundWindow(owner);
    PostMessageA(search.Found, WM_COMMAND, IDM_OPEN, 0);
}

bool ClaimOneCopy()
{
    char name[MAX_PATH + 32];
    ThisProgramsName(name, sizeof name);
    OneCopyMutex = CreateMutexA(NULL, FALSE, name);
    if (!OneCopyClaimTaken(OneCopyMutex != NULL, GetLastError()))
        return true;
    if (OneCopyMutex)
        CloseHandle(OneCopyMutex);
    OneCopyMutex = NULL;
    BringRunningCopyForward(name);
    return false;
}

bool OneCopyClaimTaken(bool created, DWORD error)
{
    // A mutex the system will not open for this user exists: a copy run by
    // another user or as administrator holds it.
    if (!created)
        return error == ERROR_ACCESS_DENIED;
    return error == ERROR_ALREADY_EXISTS;
}

void MarkOneCopyWindow(HWND mainWindow)
{
    char name[MAX_PATH + 32];
    ThisProgramsName(name, sizeof name);
    SetPropA(mainWindow, name, (HANDLE)1);
}

void UnmarkOneCopyWindow(HWND mainWindow)
{
    char name[MAX_PATH + 32];
    ThisProgramsName(name, sizeof name);
    RemovePropA(mainWindow, name);
}
