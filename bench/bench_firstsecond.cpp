// Whether the files of reservations begun through the real timer hold their
// programme's first second: the main window on the simulated stereo with its
// own 100 ms timer and the real clock, preparing the stereo from standby,
// from another source and from another preset, then recording from the
// PC's recording device. For each begin it measures how long before the
// programme's start minute the file's audio begins (taken from the file:
// the end of the recording less the length of its audio), how long before
// it the recorder started, and how late the begin was after its instant.
//
// The goal: every file's audio begins before the start minute, so that the
// file holds the programme's first second.
//
// Waiting for whole minutes would take an hour for a dozen begins, so each
// round sets the next start itself, at a random fraction of a second ahead,
// and shortens the recording to end a moment after the start minute.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "app/appstate.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "schedule/schedule.h"
#include "settings/settings.h"
#include "simulator/simulator.h"
#include "bench/benchfolder.h"
#include "bench/benchtimer.h"

enum { RoundsPerState = 3, RoundLimitMs = 30000, PresetUsed = 5 };
// The recording ends this long after the programme's start minute.
static const LONGLONG TailUnits = 1500LL * 10000;

static uint32_t Seed = 1919;

static double Ms(LONGLONG units)
{
    return (double)units / 10000.0;
}

// Where the stereo stands when a reservation begins.
struct StartState {
    const char *Name;
    uint8_t Power, Source, Mute, Preset;
};
static const StartState States[] = {
    { "standby, muted before", 0, 1, 1, 1 },
    { "on, on CD", 1, 1, 0, 1 },
    { "on the tuner, another preset", 1, 0, 0, 2 },
    { "ready on the preset", 1, 0, 1, PresetUsed },
};
enum { StateCount = sizeof States / sizeof States[0] };

static void SetStereo(const StartState &state)
{
    SimStereo stereo;
    SimGetStereo(&stereo);
    stereo.Power = state.Power;
    stereo.Source = state.Source;
    stereo.Mute = state.Mute;
    stereo.MuteStale = 0;
    stereo.Preset = state.Preset;
    stereo.Frequency = stereo.PresetFrequency[state.Preset - 1];
    SimSetStereo(&stereo);
}

static ReserveEntry *AddReservation(const char *folder, int round)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    if (!entry)
        return NULL;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%sround%02d.wav", folder, round);
    HeapFreeBlock(entry->Title);
    HeapFreeBlock(entry->SavePath);
    entry->Title = HeapStrDup("最初の一秒");
    entry->SavePath = HeapStrDup(path);
    entry->Preset = PresetUsed;
    entry->WeekdayFirst = entry->WeekdayLast = 0;
    entry->StartHour = 3;
    entry->EndHour = 4;
    ReserveListPush(&App.ReserveList, entry);
    return entry;
}

// Dispatches the thread's messages until done() holds after one of them;
// false when the time ran out first.
template <typename Done> static bool RunUntil(Done done, DWORD limitMs)
{
    DWORD limit = GetTickCount() + limitMs;
    MSG message;
    while ((LONG)(GetTickCount() - limit) < 0) {
        if (!GetMessageA(&message, NULL, 0, 0))
            return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (done())
            return true;
    }
    return false;
}

// The seconds of audio in a WAVE file: its "data" chunk over the bytes a
// second of its "fmt " chunk; negative when the file cannot be read.
static double AudioSeconds(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return -1;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return -1;
    DWORD rate = 0, data = 0;
    bool haveData = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        DWORD size;
        memcpy(&size, bytes.data() + at + 4, 4);
        if (bytes.compare(at, 4, "fmt ") == 0 && at + 8 + sizeof(WAVEFORMATEX) - 2 <= bytes.size()) {
            WAVEFORMATEX format;
            memcpy(&format, bytes.data() + at + 8, sizeof format - 2);
            rate = format.nAvgBytesPerSec;
        } else if (bytes.compare(at, 4, "data") == 0) {
            data = size;
            haveData = true;
        }
        at += 8 + (size_t)size + (size & 1);
    }
    if (!rate || !haveData)
        return -1;
    return (double)data / rate;
}

struct Round {
    int State;
    double BeginLateMs;      // the begin's tick after its instant
    double RecorderLeadMs;   // the recorder's start before the start minute
    double AudioLeadMs;      // the file's first audio before the start minute
    bool Held;               // the file holds the programme's first second
};

static bool RunRound(const char *folder, int round, int state, Round *out)
{
    ReserveEntry *entry = AddReservation(folder, round);
    if (!entry)
        return false;
    SetStereo(States[state]);
    App.HoldoffTicks = 0;
    App.DeviceRequest.PendingFlags = 0;
    // Between 0.3 and 1.3 seconds ahead, at any millisecond.
    LONGLONG start = NowUnits() + (LONGLONG)(300 + Random(&Seed, 1000)) * 10000;
    LONGLONG startMinute = start + (LONGLONG)StartLead;
    App.NextReservation.Entry = entry;
    App.NextReservation.NextStart = Instant(start);

    if (!RunUntil([] { return App.ReserveState != Idle; }, RoundLimitMs))
        return false;
    LONGLONG begun = LastTickUnits();
    App.ActiveEnd = Instant(startMinute + TailUnits);
    if (!RunUntil([] { return App.ReserveState != Armed; }, RoundLimitMs) || App.ReserveState != Recording)
        return false;
    LONGLONG recording = LastTickUnits();
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s", App.RecordingPath);
    if (!RunUntil([] { return App.ReserveState == Idle; }, RoundLimitMs))
        return false;
    LONGLONG stopped = LastTickUnits();
    double seconds = AudioSeconds(path);
    if (seconds < 0)
        return false;
    LONGLONG audioBegins = stopped - (LONGLONG)(seconds * 1e7);

    out->State = state;
    out->BeginLateMs = Ms(begun - start);
    out->RecorderLeadMs = Ms(startMinute - recording);
    out->AudioLeadMs = Ms(startMinute - audioBegins);
    out->Held = audioBegins <= startMinute && stopped >= startMinute + 10000000LL;
    return true;
}

static void PrintFigures(const char *what, std::vector<double> values)
{
    if (values.empty()) {
        printf("  %-34s none\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double value : values)
        sum += value;
    printf("  %-34s min %6.0f  median %6.0f  mean %7.1f  max %6.0f ms\n", what, values.front(),
           values[values.size() / 2], sum / values.size(), values.back());
}

int main()
{
    char folder[MAX_PATH];
    if (!MakeBenchFolder("bench_firstsecond", folder)) {
        printf("no temporary folder\n");
        return 1;
    }
    LoadBenchSettings(folder);
    App.OptionFlags.MuteRec = 1;
    App.OptionFlags.PowOffEndRec = 0;
    App.OptionFlags.PowOffEnd = 0;
    App.OptionFlags.Notices = 0;

    SimStereo stereo;
    SimDefaultStereo(&stereo);
    HWND window = OpenBenchWindow(folder, &stereo);
    if (!window)
        return 1;

    std::vector<Round> rounds;
    int failed = 0, round = 0;
    for (int pass = 0; pass < RoundsPerState; pass++) {
        for (int state = 0; state < StateCount; state++) {
            Round result;
            if (RunRound(folder, round++, state, &result))
                rounds.push_back(result);
            else
                failed++;
        }
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    RemoveBenchFolder(folder);

    int total = RoundsPerState * StateCount, held = 0;
    printf("Reservations begun through the real %d ms timer, %d begins (%d per starting state):\n",
           (int)TickPeriod, total, RoundsPerState);
    for (int state = 0; state < StateCount; state++) {
        std::vector<double> recorder, audio;
        for (const Round &r : rounds) {
            if (r.State != state)
                continue;
            recorder.push_back(r.RecorderLeadMs);
            audio.push_back(r.AudioLeadMs);
        }
        printf(" stereo %s:\n", States[state].Name);
        PrintFigures("recorder started before the minute", recorder);
        PrintFigures("file's audio begins before it", audio);
    }
    std::vector<double> late;
    for (const Round &r : rounds) {
        late.push_back(r.BeginLateMs);
        held += r.Held;
    }
    printf(" all begins:\n");
    PrintFigures("begin after its instant", late);
    printf("  files holding the programme's first second: %d of %d; rounds that failed: %d\n", held, total, failed);
    bool met = held == total;
    printf("  goal (every file holds the programme's first second): %s\n", met ? "met" : "NOT met");
    return 0;
}
