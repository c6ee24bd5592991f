// The options property sheet and its pages.
#pragma once
#include <windows.h>

// Runs the modal sheet opening on startPage; returns when it is closed.
INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage);
