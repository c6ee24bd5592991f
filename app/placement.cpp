// Putting the windows back where they were. Their places are stored as
// GetWindowPlacement reports them, in workspace coordinates, which differ
// from screen coordinates by the taskbar when it stands at the top or the
// left; only SetWindowPlacement reads them the same way, and it also brings
// a window stored on a monitor that is gone back onto one that is there.
#include "app/placement.h"
#include "app/appstate.h"
#include <string.h>

static HWND Placing;

bool BeingPlaced(HWND window)
{
    return window && window == Placing;
}

bool RestoreWindowPlace(HWND window, const RECT *normal, UINT showCommand)
{
    WINDOWPLACEMENT placement;
    memset(&placement, 0, sizeof placement);
    placement.length = sizeof placement;
    placement.showCmd = showCommand;
    placement.rcNormalPosition = *normal;
    HWND outer = Placing;
    Placing = window;
    bool placed = SetWindowPlacement(window, &placement) != FALSE;
    Placing = outer;
    return placed;
}

void NoteMainWindowPlace()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!App.MainWindow || !GetWindowPlacement(App.MainWindow, &placement))
        return;
    App.WindowTop = placement.rcNormalPosition.top;
    App.WindowLeft = placement.rcNormalPosition.left;
}
