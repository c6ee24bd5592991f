// The options property sheet and its pages.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "settings/settings.h"

// Sent to the acquisition's progress dialog for each preset the stereo
// reported: wParam the preset, lParam its frequency.
enum { WM_PRESETACQUIRED = WM_APP + 103 };

// Runs the modal sheet on the given page (0 general, 1 presets, 2 stations);
// returns PropertySheetA's result.
INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage);

// ---- the in-place cell editors of the option lists ----

// The row's item parameter, which holds its frequency.
LPARAM GetItemParam(HWND list, int row);
BOOL SetItemParam(HWND list, int row, LPARAM value);
// Opens the editor (a child of the list) over one cell of the row.
void BeginCellEdit(HWND list, int editorId, int row, int column);

// ---- the station list ----

// Inserts a row at index showing the record's frequency and name.
int AddStationRow(HWND list, const StationName *record, int index);
// The sort keys of the rows, taken before a sort and indexed by each row's
// position then; during the sort every row's item parameter holds that
// position, so the list can be sorted by its item parameters alone.
struct StationSortKey {
    int32_t Frequency;
    char Name[StationNameBytes - 1];
};
struct StationSort {
    const StationSortKey *Rows;
    int Descending;
};
// LVM_SORTITEMS comparisons of two rows given by their positions before the
// sort; the sort parameter points to a StationSort.
int CALLBACK CompareByFrequency(LPARAM first, LPARAM second, LPARAM sort);
int CALLBACK CompareByName(LPARAM first, LPARAM second, LPARAM sort);
void DrawStationRow(const DRAWITEMSTRUCT *item);
// Draws text at (x, y) clipped to clip, cut with "..." to fit maxWidth.
void DrawTextEllipsis(HDC dc, int x, int y, const RECT *clip, const char *text, int maxWidth);
// The text DrawTextEllipsis draws for a text wider than maxWidth: the longest
// run of its whole characters (at least one, unless the text has only one)
// that fits with "..." behind it. out has room for strlen(text) + 4 bytes;
// returns the length written.
size_t ShortenWithEllipsis(HDC dc, const char *text, int maxWidth, char *out);
