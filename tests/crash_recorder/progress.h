// What the recording that is killed tells the test while it runs, through a
// named piece of shared memory.
#pragma once
#include <windows.h>

struct CrashProgress {
    volatile LONG Started;    // 1 recording, -1 the recording did not start
    volatile LONG Captured;   // PCM bytes captured so far
    volatile LONG Flushes;    // times the staged audio was written
};
