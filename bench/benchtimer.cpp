#include "bench/benchtimer.h"
#include "schedule/clock.h"
#include <stdio.h>
#include <commctrl.h>
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "settings/settings.h"

void LoadBenchSettings(const char *folder)
{
    INITCOMMONCONTROLSEX classes = { sizeof classes, ICC_WIN95_CLASSES | ICC_DATE_CLASSES };
    InitCommonControlsEx(&classes);
    snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder);
    static const SettingsSection order[] = {
        SectionWindow, SectionOption, SectionReserve, SectionReserveList, SectionFreq, SectionStation,
    };
    for (SettingsSection section : order)
        LoadSettingsSection(App.ProgramFolder, section);
}

HWND OpenBenchWindow(const char *folder, SimStereo *stereo)
{
    SimSetStateFolder(folder);
    SimSetStereo(stereo);
    HINSTANCE instance = GetModuleHandleA(NULL);
    App.Instance = instance;
    if (!RegisterMainWindowClass(instance)) {
        printf("no window class\n");
        return NULL;
    }
    HWND window = CreateMainWindow(instance);
    if (!window) {
        printf("the main window was not created\n");
        return NULL;
    }
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

LONGLONG Units(const FILETIME &instant)
{
    return (LONGLONG)((ULONGLONG)instant.dwHighDateTime << 32 | instant.dwLowDateTime);
}

FILETIME Instant(LONGLONG units)
{
    FILETIME instant;
    instant.dwLowDateTime = (DWORD)units;
    instant.dwHighDateTime = (DWORD)((ULONGLONG)units >> 32);
    return instant;
}

LONGLONG NowUnits()
{
    SYSTEMTIME now;
    FILETIME instant;
    ReadLocalTime(&now);
    SystemTimeToFileTime(&now, &instant);
    return Units(instant);
}

LONGLONG LastTickUnits()
{
    FILETIME tick;
    SystemTimeToFileTime(&App.LastTick, &tick);
    return Units(tick);
}

uint32_t Random(uint32_t *seed, uint32_t below)
{
    *seed = *seed * 1103515245u + 12345u;
    return (*seed >> 8) % below;
}
