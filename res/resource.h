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
