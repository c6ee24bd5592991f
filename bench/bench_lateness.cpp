// How late reservations begin after their instants, through the real timer:
// the main window on the simulated stereo with its own 100 ms timer, its
// tick reading the real clock. The goal: every begin within one tick of its
// instant (100 ms), and never before it.
//
// Waiting for whole minutes would take an hour for a handful of begins, so
// each round sets the next start itself, at a random fraction of a second
// ahead, and the tick finds it as it finds any other.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <vector>
#include "app/appstate.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "schedule/schedule.h"
#include "settings/settings.h"
#include "simulator/simulator.h"
#include "bench/benchfolder.h"
#include "bench/benchtimer.h"

enum { Rounds = 40, RoundLimitMs = 5000 };

static uint32_t Seed = 4242;

// A weekly reservation on the tuned preset whose file cannot be created: the
// begin is what is measured, and the failed start returns the program to
// idle at once, so every round begins from the same state.
static ReserveEntry *AddReservation(const char *folder)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    if (!entry)
        return NULL;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%sno such folder\\deeper\\lateness.wav", folder);
    HeapFreeBlock(entry->Title);
    HeapFreeBlock(entry->SavePath);
    entry->Title = HeapStrDup("遅れの計測");
    entry->SavePath = HeapStrDup(path);
    entry->Preset = 1;
    entry->WeekdayFirst = entry->WeekdayLast = 0;
    entry->StartHour = 3;
    entry->EndHour = 4;
    ReserveListPush(&App.ReserveList, entry);
    return entry;
}

// Runs the main window's messages until the armed instant is taken; the
// tick that took it left its own clock reading in LastTick. Returns the
// lateness in milliseconds, or a value above the limit when none came.
static double RunUntilBegun(LONGLONG start)
{
    DWORD limit = GetTickCount() + RoundLimitMs;
    MSG message;
    while ((LONG)(GetTickCount() - limit) < 0) {
        if (!GetMessageA(&message, NULL, 0, 0))
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (Units(App.NextReservation.NextStart) != start || App.NextReservation.Entry == NULL)
            return (double)(LastTickUnits() - start) / 10000.0;
    }
    return RoundLimitMs + 1.0;
}

int main()
{
    char folder[MAX_PATH];
    if (!MakeBenchFolder("bench_lateness", folder)) {
        printf("no temporary folder\n");
        return 1;
    }
    LoadBenchSettings(folder);
    App.OptionFlags.MuteRec = 0;
    App.OptionFlags.PowOffEndRec = 0;
    App.OptionFlags.PowOffEnd = 0;

    SimStereo stereo;
    SimDefaultStereo(&stereo);
    stereo.Power = 1;
    stereo.Source = 0;
    stereo.Preset = 1;
    ReserveEntry *entry = AddReservation(folder);
    if (!entry) {
        printf("no reservation\n");
        return 1;
    }
    HWND window = OpenBenchWindow(folder, &stereo);
    if (!window)
        return 1;

    std::vector<double> lateness;
    int early = 0, missed = 0;
    for (int round = 0; round < Rounds; round++) {
        // Between 0.3 and 1.3 seconds ahead, at any millisecond.
        LONGLONG start = NowUnits() + (LONGLONG)(300 + Random(&Seed, 1000)) * 10000;
        App.NextReservation.Entry = entry;
        App.NextReservation.NextStart = Instant(start);
        double late = RunUntilBegun(start);
        if (late > RoundLimitMs) {
            missed++;
            continue;
        }
        if (late < 0)
            early++;
        lateness.push_back(late);
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    RemoveBenchFolder(folder);

    std::sort(lateness.begin(), lateness.end());
    printf("Begin lateness through the real %d ms timer, %d begins:\n", (int)TickPeriod, Rounds);
    if (lateness.empty()) {
        printf("  none began (%d missed)\n", missed);
        return 1;
    }
    double sum = 0;
    int withinTick = 0;
    for (double late : lateness) {
        sum += late;
        if (late >= 0 && late <= TickPeriod)
            withinTick++;
    }
    printf("  min %.0f ms, median %.0f ms, mean %.1f ms, max %.0f ms\n", lateness.front(),
           lateness[lateness.size() / 2], sum / lateness.size(), lateness.back());
    printf("  within one tick: %d of %d; early: %d; not begun: %d\n", withinTick, Rounds, early, missed);
    bool met = withinTick == Rounds && early == 0;
    printf("  goal (every begin within %d ms, never early): %s\n", (int)TickPeriod, met ? "met" : "NOT met");
    return 0;
}
