// The one global record of the running program. Each group belongs to the
// subsystem named in its heading; a subsystem writes only its own group.
#pragma once
#include <windows.h>
#include "settings/settings.h"
#include "schedule/reserve.h"

struct AppState {
    // ---- program and settings (app/, settings/) ----
    char ProgramFolder[MAX_PATH];   // with its trailing backslash, or empty
    HINSTANCE Instance;
    int32_t WindowLeft;
    int32_t WindowTop;
    int32_t TopMost;
    ::OptionFlags OptionFlags;
    PresetSlot PresetTable[PresetCount];
    StationNameList StationNameTable;
    RECT ReserveListRect;
    int32_t ReserveListColumnWidths[ColumnCount];
    DWORD MaxFormatSize;            // largest format block met while loading

    // ---- reservations (schedule/) ----
    ::ReserveList ReserveList;
    ::ReserveList CopyBuffer;       // the list window's copies for paste

    // ---- windows (app/) ----
    HWND MainWindow;
    HWND ReserveListWindow;
};

extern AppState App;
