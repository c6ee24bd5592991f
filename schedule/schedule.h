// Which reservation fires next and when, and when an occurrence ends.
#pragma once
#include <windows.h>
#include "schedule/reserve.h"

struct NextReservationInfo {
    ReserveEntry *Entry;  // in ReserveList, or none
    FILETIME NextStart;
};

enum : unsigned {
    ScheduleByTimeOnly = 0x01,
    ScheduleReorderList = 0x02,
};
