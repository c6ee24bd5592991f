// Keeping the PC awake while a reservation runs: from its begin (the
// stereo's preparation) to the end of its recording, Windows' idle timer may
// not put the PC to sleep. Away mode, where the system has it, keeps
// recording while the PC looks asleep.
#pragma once
#include <windows.h>

// Held once however often asked; AwakeFlags in AppState says what the
// system was last given (0 while nothing is held).
void HoldAwake();
void ReleaseAwake();
