// The reservation list window, its edit dialog and the recording-format choice.
#pragma once
#include <windows.h>
#include "recorder/formatname.h"
#include <commctrl.h>
#include <mmreg.h>
#include <stddef.h>
#include <stdint.h>
#include "schedule/reserve.h"

// ---- the list window ----

void RegisterReserveListClass(HINSTANCE instance);
// The list window at the stored rectangle; none when it cannot be created.
HWND CreateReserveListWindow(HINSTANCE instance);
LRESULT CALLBACK ReserveListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Writes row index of the list view from entry: inserts the row when insert
// is set, otherwise rewrites it. False when the row could not be inserted.
bool SetReserveListItem(HWND listView, const ReserveEntry *entry, int index, bool insert);
// The station of a preset number: its station name, else its frequency text,
// else the bare number ("%02d").
void PresetLabel(int preset, char *text, size_t size);
// "毎日", "12/24(水)", "毎水曜日" or "月-金曜日".
void DateLabel(const ReserveEntry *entry, char *text, size_t size);

// ---- the results window ----

// Opens the 録音結果 window at its stored place, or brings it forward.
HWND ShowResultsWindow(HINSTANCE instance);
LRESULT CALLBACK ResultsWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Posted to the results window when a line was added.
enum { WM_RESULTSCHANGED = WM_APP + 102 };
// Shows the folder of the row's recording with its file selected (through
// App.SelectInFolder when set). False for a row without a file.
bool OpenResultFolder(int row);

// ---- reservations that overlap ----

// Marks every row whose reservation overlaps another enabled one (the
// system's warning icon before its name) and keeps which one for the tip.
void ShowOverlapMarks(HWND listView);
// The marks' picture made again at dpi's small icon size.
void ScaleOverlapMarks(HWND listView, UINT dpi);
void ForgetOverlapMarks();
// The row of the reservation that row overlaps, as last marked; -1 for none.
int ReserveRowOverlap(int row);
// "「other」と時間が重なっています" for a marked row; false for an unmarked one.
bool OverlapTip(int row, char *text, size_t size);
// The list view's tip for a row (LVN_GETINFOTIP): the overlap, when marked.
void OnOverlapTip(NMLVGETINFOTIPA *tip);
// After a reservation is stored: a notice when it overlaps another.
void TellStoredOverlap(int index);

// The name of a command as a menu item's text writes it, for a tooltip:
// without its mnemonic ("(&N)" or "&") and its shortcut key (after a tab).
void CommandNameFromMenuText(const char *menuText, char *name, size_t size);

// ---- the edit dialog (dialog 109, parameter: index in ReserveList or -1) ----

INT_PTR CALLBACK ReserveEditDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// One choice of the weekly list; Day 255 (every day) leaves the weekdays alone.
struct WeekPattern {
    const char *Text;
    uint16_t Day;
    uint16_t WeekdayFirst;
    uint16_t WeekdayLast;
};
enum { WeekPatternCount = 11 };
extern const WeekPattern WeekPatternList[WeekPatternCount];

// ---- recording formats ----

enum { CustomFormatNameBytes = 13 };
// How large a format buffer must be: the largest format of any installed
// codec, and never below the largest format loaded from the settings file.
DWORD FormatBufferSize();
// The user-defined format the chooser starts from on a new reservation; the
// chooser may rename it.
extern char CustomFormatName[CustomFormatNameBytes];
// Runs the platform's format chooser on a format buffer (its whole allocated
// size may be filled). An existing entry, or one whose format was already
// chosen, starts from the buffer's format. True when the user chose one.
bool ChooseReserveFormat(HWND dialog, BYTE *format, bool formatChosen, int editIndex);

// The program's own formats, MP3 and FLAC, as a menu below the button at
// the rectangle (screen coordinates); its choice comes to the dialog as a
// WM_COMMAND of IDM_OWNFORMAT_FIRST..LAST. MP3 is greyed, saying why, when
// libmp3lame.dll is missing.
void ShowOwnFormatMenu(HWND dialog, const RECT *button);
// The format record of such a command (out holds Mp3FormatBytes); false for
// another command.
bool OwnFormatForCommand(UINT command, BYTE *out);

// The platform's open or save dialog on a SavePathBytes-byte file buffer
// (which also gives the initial name); title, when given, receives the bare
// file name. False when the user cancels.
bool ChooseFile(HWND owner, const char *filter, char *file, char *title, bool open);
