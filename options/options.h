// The options property sheet and its pages.
#pragma once
#include <windows.h>

// Runs the modal sheet on the given page (0 general, 1 presets, 2 stations);
// returns PropertySheetA's result.
INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage);
