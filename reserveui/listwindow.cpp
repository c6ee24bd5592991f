#include "reserveui/reserveui.h"

void RegisterReserveListClass(HINSTANCE instance)
{
    // Placeholder until the reservation list window exists.
    (void)instance;
}

HWND CreateReserveListWindow(HINSTANCE instance)
{
    (void)instance;
    return NULL;
}
