// The options property sheet and its pages.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "settings/settings.h"

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
// LVM_SORTITEMSEX comparisons of two row indices; the sort parameter points
// to a StationSort.
struct StationSort {
    HWND List;
    int Descending;
};
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
