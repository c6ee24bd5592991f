#include "options/options.h"

// Placeholder until the options sheet exists.
INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage)
{
    (void)parent, (void)instance, (void)startPage;
    return 0;
}
