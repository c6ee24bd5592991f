// A temporary folder of a benchmark's own, for the settings and the stereo's
// state of the program it measures.
#pragma once
#include <windows.h>

// "<temp>\<name>_<process id>\", created; false when it cannot be.
bool MakeBenchFolder(const char *name, char folder[MAX_PATH]);
// The files the run left in it, and the folder.
void RemoveBenchFolder(const char *folder);
