#include "options/options.h"

INT_PTR OpenOptionsSheet(HWND parent, HINSTANCE instance, int startPage)
{
    // Placeholder until the options sheet exists.
    (void)parent;
    (void)instance;
    (void)startPage;
    return 0;
}
