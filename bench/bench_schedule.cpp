// How long one schedule calculation takes for lists of 10, 1,000 and 10,000
// reservations of every kind. The goal: 10,000 entries in under 10 ms, so that
// enabling a row in a long list never makes the panel stutter.
#include <windows.h>
#include <stdio.h>
#include <stdint.h>
#include "schedule/schedule.h"

static uint32_t Seed = 12345;

static uint32_t Random(uint32_t below)
{
    Seed = Seed * 1103515245u + 12345u;
    return (Seed >> 8) % below;
}

// A mixture of dates (some already passed), daily entries, single weekdays and
// ranges, a tenth of them disabled.
static ReserveEntry *RandomEntry()
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    if (!entry)
        return NULL;
    entry->StartHour = (uint16_t)Random(24);
    entry->StartMinute = (uint16_t)Random(60);
    entry->EndHour = (uint16_t)Random(24);
    entry->EndMinute = (uint16_t)Random(60);
    entry->Enabled = Random(10) != 0;
    switch (Random(4)) {
    case 0:
        entry->Year = (uint16_t)(2024 + Random(3));
        entry->Month = (uint16_t)(1 + Random(12));
        entry->Day = (uint16_t)(1 + Random(28));
        break;
    case 1:
        entry->Day = ReserveDayDaily;
        break;
    case 2:
        entry->WeekdayFirst = entry->WeekdayLast = (uint16_t)Random(7);
        break;
    default:
        entry->WeekdayFirst = 1;
        entry->WeekdayLast = (uint16_t)(4 + Random(3));
        break;
    }
    return entry;
}

static void Shuffle(ReserveList *list)
{
    for (uint32_t i = list->Count; i > 1; i--) {
        uint32_t k = Random(i);
        ReserveEntry *swap = list->Items[i - 1];
        list->Items[i - 1] = list->Items[k];
        list->Items[k] = swap;
    }
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

// The best and the mean of rounds calculations, in milliseconds.
static bool TimeRounds(ReserveList *list, unsigned flags, int rounds, double *best, double *mean)
{
    LARGE_INTEGER frequency, from, to;
    QueryPerformanceFrequency(&frequency);
    SYSTEMTIME now = {};
    now.wYear = 2025;
    now.wMonth = 6;
    now.wDay = 11;
    now.wHour = 12;
    NextReservationInfo next;
    double total = 0;
    *best = 1e9;
    for (int i = 0; i < rounds; i++) {
        if (flags & ScheduleReorderList)
            Shuffle(list);
        QueryPerformanceCounter(&from);
        bool done = ComputeSchedule(&now, list, (flags & ScheduleReorderList) ? NULL : &next, flags);
        QueryPerformanceCounter(&to);
        if (!done)
            return false;
        double taken = Milliseconds(from, to, frequency);
        total += taken;
        if (taken < *best)
            *best = taken;
    }
    *mean = total / rounds;
    return true;
}

int main()
{
    const uint32_t sizes[] = { 10, 1000, 10000 };
    const int rounds = 50;
    printf("ComputeSchedule, %d rounds each (ms)\n", rounds);
    printf("%8s  %-28s %9s %9s\n", "entries", "calculation", "best", "mean");
    bool met = true;
    for (uint32_t size : sizes) {
        ReserveList list = {};
        for (uint32_t i = 0; i < size; i++) {
            ReserveEntry *entry = RandomEntry();
            if (!entry || !ReserveListPush(&list, entry)) {
                printf("out of memory at %u entries\n", i);
                return 1;
            }
        }
        struct { const char *name; unsigned flags; } kinds[] = {
            { "next reservation (0)", 0 },
            { "list window order (3)", ScheduleByTimeOnly | ScheduleReorderList },
        };
        for (const auto &kind : kinds) {
            double best, mean;
            if (!TimeRounds(&list, kind.flags, rounds, &best, &mean)) {
                printf("%8u  %-28s failed\n", size, kind.name);
                return 1;
            }
            printf("%8u  %-28s %9.3f %9.3f\n", size, kind.name, best, mean);
            if (size == 10000 && mean >= 10.0)
                met = false;
        }
        ReserveListClear(&list);
    }
    printf("goal, 10,000 entries under 10 ms: %s\n", met ? "met" : "missed");
    return 0;
}
