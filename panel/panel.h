// The main window's keys and their layouts.
#pragma once
#include <windows.h>

// Hides what the old mode showed and shows what the new one needs (modes:
// a source 0..4, 16 off, 32 the recording layout).
void SwitchPanelMode(int oldMode, int newMode);
