// Whether the PC can be woken for a reservation as the wake-up is set: the
// timer may be set on a PC that cannot resume by it, the power plan may
// refuse wake timers, and on a PC with Modern Standby the program is paused
// while the PC sleeps. The options page and a notice say so, so the user is
// not left trusting a wake-up that will never come.
#pragma once
#include <windows.h>
#include <powrprof.h>

// What the PC answered.
struct WakeAnswers {
    bool TimerUnsupported;   // the last wake-up set said the PC cannot resume by it
    bool ModernStandby;      // the PC sleeps in S0 low-power idle
    bool MainsRefuses;       // the power plan's wake timers are off on mains power
    bool BatteryRefuses;     // ... or on battery
};

// The one sentence beside the check box, or none when nothing stands in the
// way.
const char *WakeHindranceSentence(const WakeAnswers *answers);

// The power functions the answers come from, for the tests; the real ones
// unless App.WakePower names others.
struct WakePowerCalls {
    BOOL(WINAPI *SetTimer)(HANDLE, const LARGE_INTEGER *, LONG, PTIMERAPCROUTINE, LPVOID, BOOL);
    LONG(WINAPI *PowerInformation)(POWER_INFORMATION_LEVEL, PVOID, ULONG, PVOID, ULONG);
    DWORD(WINAPI *ActiveScheme)(HKEY, GUID **);
    DWORD(WINAPI *ReadMainsValue)(HKEY, const GUID *, const GUID *, const GUID *, LPDWORD);
    DWORD(WINAPI *ReadBatteryValue)(HKEY, const GUID *, const GUID *, const GUID *, LPDWORD);
};
const WakePowerCalls *WakePower();

// Asks the PC; timerUnsupported: what the last wake-up set answered.
void ReadWakeAnswers(bool timerUnsupported, WakeAnswers *answers);
// Sets the wake-up timer through WakePower(); *unsupported: the call
// succeeded but the PC cannot resume by it.
bool SetWakeUp(HANDLE timer, const LARGE_INTEGER *due, bool *unsupported);
// After a wake-up was set: a notice, once while the program runs, when the
// PC may sleep through it.
void TellWakeHindrance(bool timerUnsupported);
