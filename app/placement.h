// The windows' places: put back where they were, and noted for the
// settings file. Places are stored as GetWindowPlacement reports them.
#pragma once
#include <windows.h>

// Gives window the stored normal rectangle (as GetWindowPlacement reported
// it) and shows it with showCommand (SW_HIDE keeps a new window hidden).
bool RestoreWindowPlace(HWND window, const RECT *normal, UINT showCommand);
// True while RestoreWindowPlace puts window back: a move onto a screen of
// another scale then keeps the stored size, which is that screen's.
bool BeingPlaced(HWND window);
// The main window's normal place into App.WindowTop and WindowLeft, for the
// next save of the settings; nothing while there is no main window.
void NoteMainWindowPlace();
