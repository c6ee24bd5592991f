// The reservation list window, its edit dialog and the recording-format choice.
#pragma once
#include <windows.h>

void RegisterReserveListClass(HINSTANCE instance);
// The list window at the stored rectangle; none when it cannot be created.
HWND CreateReserveListWindow(HINSTANCE instance);
