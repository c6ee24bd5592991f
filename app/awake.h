// Keeping the PC awake while a reservation is due or runs: from its wake
// time (the wake lead before its start) to the end of its recording, and
// across a gap shorter than that to the next start, Windows' idle timer may
// not put the PC to sleep; a PC the wake-up brought out of sleep would
// otherwise drop back before the start. Away mode, where the system has it,
// keeps recording while the PC looks asleep.
#pragma once
#include <windows.h>

// Held once however often asked; AwakeFlags in AppState says what the
// system was last given (0 while nothing is held).
void HoldAwake();
void ReleaseAwake();
// Held while a reservation runs or the next start is at most the wake lead
// away at now; released otherwise. The tick's step, and a reservation's end.
void HoldAwakeAsDue(const SYSTEMTIME *now);
