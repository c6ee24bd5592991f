// The local time, read in one place for the whole program: file names, the
// end-time picker, the schedule and the results all see the same clock, and
// the tests set theirs here (App.ReadClock).
#pragma once
#include <windows.h>

// The local time now: the tests' clock when one is set, else the system's.
void ReadLocalTime(SYSTEMTIME *now);
