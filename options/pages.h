// What the files of the options sheet share among themselves.
#pragma once
#include <windows.h>
#include <stdint.h>

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PresetPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StationPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AcquireDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Replaces the procedures of the page's list and editor with the editing
// ones and makes the editor a child of the list.
void AttachPresetEditor(HWND page);
void AttachStationEditor(HWND page);

// Puts a frequency read from the stereo into the preset page's row of the
// preset (1 to 40) and marks the page changed.
void StorePresetFrequency(HWND page, int preset, int32_t frequency);

// Tells the sheet that the page holds changes (enables Apply).
void MarkPageChanged(HWND page);
// A cell's text, at most size - 1 bytes.
void GetCellText(HWND list, int row, int column, char *text, int size);
void SetCellText(HWND list, int row, int column, const char *text);
// Sets the row selected or not; row -1 means every row.
void SelectRows(HWND list, int row, bool selected);
// Opens a list's context menu at a point of the list, owned by the page.
void ShowListMenu(HWND page, HWND list, HMENU popup, POINT clientPoint);
void InsertListColumn(HWND list, int index, const char *title, int width);
// Repaints the rectangle of the row the list reports for the given part.
void RepaintRow(HWND list, int row, int part);
