// What the benchmarks that begin reservations through the program's own
// timer share: the program in a folder of their own, and the clock (instants
// as 100 ns units of the local wall clock, as the schedule keeps them).
#pragma once
#include <windows.h>
#include <stdint.h>
#include "simulator/simulator.h"

// The program's settings from folder (none there: the defaults).
void LoadBenchSettings(const char *folder);
// The main window on the given simulated stereo, shown without taking the
// focus; NULL (and said why) when it cannot be made.
HWND OpenBenchWindow(const char *folder, SimStereo *stereo);

LONGLONG Units(const FILETIME &instant);
FILETIME Instant(LONGLONG units);
// The local time now.
LONGLONG NowUnits();
// The clock reading of the program's last tick.
LONGLONG LastTickUnits();
// A repeatable number below below, from the benchmark's own seed, so that
// two runs ask the program the same things.
uint32_t Random(uint32_t *seed, uint32_t below);
