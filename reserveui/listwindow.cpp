#include "reserveui/reserveui.h"

// Placeholders until the reservation list window exists.
void RegisterReserveListClass(HINSTANCE instance) { (void)instance; }
HWND CreateReserveListWindow(HINSTANCE instance) { (void)instance; return NULL; }
