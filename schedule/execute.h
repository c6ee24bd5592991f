// Beginning and ending a reserved recording.
#pragma once
#include <windows.h>
#include <stdint.h>

enum ReserveStateValue : uint16_t {
    Idle = 0,
    Armed = 1,
    Recording = 2,
};
