// Resource ids of the program: bitmaps, icons, menus, accelerators, dialogs
// and the controls of the dialog templates.
#pragma once

#define IDB_LARGE_GLYPHS        102
#define IDB_SMALL_GLYPHS        105
#define IDB_BUTTONS             106
#define IDB_PICTOGRAMS          107
#define IDI_MAIN                112
#define IDI_TRAY_OFF            113
#define IDI_TRAY_ON             114
#define IDI_TRAY_RECORDING      115
#define IDR_ACCEL_RESERVELIST   110
#define IDM_PANEL               116
#define IDM_TRAY                117

// Menu commands, shared by menus, toolbar buttons and accelerators.
#define IDM_RESERVE_NEW         40001
#define IDM_RESERVE_COPY        40002
#define IDM_RESERVE_PASTE       40003
#define IDM_RESERVE_DELETE      40004
#define IDM_RESERVE_PROPERTIES  40005
#define IDM_RESERVE_SELECTALL   40006
#define IDM_RESERVE_ENABLE      40007
#define IDM_RESERVE_DISABLE     40008
#define IDM_RESERVE_STARTNOW    40009
#define IDM_TOPMOST             40010
#define IDM_EXIT                40011
#define IDM_OPEN                40012
#define IDM_RESERVELIST         40013
#define IDM_AUDIOPROPERTIES     40014
#define IDM_OPTIONS             40015

// ---- options sheet (options/) ----
#define IDD_OPTIONS_GENERAL     102
#define IDD_OPTIONS_PRESETS     110
#define IDD_OPTIONS_STATIONS    111
#define IDM_PRESET_LIST         118
#define IDR_ACCEL_PRESETS       119
#define IDR_ACCEL_STATIONS      120
#define IDM_STATION_LIST        121
#define IDD_ACQUIRE             122

// General page: box 1022 + i shows option flag i.
#define IDC_POWONSTART          1022
#define IDC_POWOFFEND           1023
#define IDC_POWOFFENDREC        1024
#define IDC_MUTEREC             1025
#define IDC_NOTICES             1026
#define IDC_WAKEREC             1027
#define IDC_STARTINTRAY         1028
// Not a flag of the settings file: the logon start is the Run entry itself.
#define IDC_AUTOSTART           1031
// What keeps the PC from waking as set, under the wake box.
#define IDC_WAKE_HINDRANCE      1032

// Preset page.
#define IDC_PRESET_LIST         1023
#define IDC_PRESET_ACQUIRE      1024
#define IDC_PRESET_EDITOR       1027

// Station page.
#define IDC_STATION_LIST        1025
#define IDC_STATION_NEW         1026
#define IDC_STATION_DELETE      1027
#define IDC_STATION_EDITOR      1028

// Acquisition progress dialog.
#define IDC_ACQUIRE_PROGRESS    1029
#define IDC_ACQUIRE_TEXT        1030
// ---- reservation list window and edit dialog (reserveui/) ----
#define IDM_RESERVE_POPUP       108     // the list window's context menu
#define IDD_RESERVE_EDIT        109     // 予約設定: every control is made at run time

// Children of the list window.
#define IDC_RESERVE_LIST        1000
#define IDC_RESERVE_TOOLBAR     1001

// ---- the results window (reserveui/) ----
#define IDM_RESULTS             40016   // 録音結果: in the panel, tray and list menus
#define IDB_RESULT_MARKS        123     // the marks of its rows
#define IDC_RESULTS_LIST        1002
#define IDC_RESULTS_CLEAR       1003

// Controls of the edit dialog.
#define IDC_EDIT_APPLY          1000
#define IDC_EDIT_TITLE          1001
#define IDC_EDIT_STATION        1002
#define IDC_EDIT_BYWEEKDAY      1003
#define IDC_EDIT_WEEKLY         1004
#define IDC_EDIT_BYDATE         1005
#define IDC_EDIT_DATE           1006
#define IDC_EDIT_START          1008
#define IDC_EDIT_END            1012
#define IDC_EDIT_FORMAT         1016
#define IDC_EDIT_CHANGEFORMAT   1017
#define IDC_EDIT_RIFF           1018
#define IDC_EDIT_SAVEPATH       1019
#define IDC_EDIT_BROWSE         1020
#define IDC_EDIT_OWNFORMAT      1021
// The edit dialog's menu of the program's own formats: one command a format
// (reserveui/ownformatmenu.cpp).
#define IDM_OWNFORMAT_FIRST     0x7000
#define IDM_OWNFORMAT_LAST      0x7FFF
