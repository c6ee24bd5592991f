// One copy of the program at a time: there is one stereo, and two copies
// would poll it, record into the same files and overwrite each other's
// settings.
#pragma once
#include <windows.h>

// Claims the program's place. False when another copy of the same program
// (the same file name, from any folder) runs: its window has then been asked
// to come to the front (or, with none in this session, a message says the
// program runs for another user), and this start should end.
bool ClaimOneCopy();
// Whether CreateMutex's answer (a handle or none, and the last error) says
// another copy holds the place. Other failures let the program run: better
// a second copy than none.
bool OneCopyClaimTaken(bool created, DWORD error);
// Marks the main window as the one a later start brings forward.
void MarkOneCopyWindow(HWND mainWindow);
// The name both the claim and the mark use, from the program's file name.
void OneCopyName(const char *programPath, char *name, size_t size);
// Takes the mark off before the window goes.
void UnmarkOneCopyWindow(HWND mainWindow);
