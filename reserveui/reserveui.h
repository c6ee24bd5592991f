// The reservation list window and the reservation edit dialog.
#pragma once
#include <windows.h>

// Registers "ReserveListClass"; called once at start-up.
void RegisterReserveListClass(HINSTANCE instance);
// The list window at its stored place, or none.
HWND CreateReserveListWindow(HINSTANCE instance);
