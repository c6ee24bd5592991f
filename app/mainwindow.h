// The process's main window: start-up, its messages and commands, the
// periodic tick and the orderly shutdown. app/ is where what the logic
// folders announce is shown: app/reservationevents.cpp (the schedule's
// events), app/stereostatus.cpp (the stereo's status), app/acquireevents.cpp.
#pragma once
#include <windows.h>

extern const char MainWindowClassName[];
enum { MainWindowWidth = 238, MainWindowHeight = 178, TickTimerId = 1, TickPeriod = 100 };

// The folder of the quoted program path at the start of the command line,
// with its trailing backslash; 0 when there is no closing quote (folder
// unchanged).
int ParseProgramFolder(const char *commandLine, char folder[MAX_PATH]);
// The folder of the running program's own file, with its trailing
// backslash, whatever the current folder and however the program was
// started; false (folder unchanged) when the system does not give it.
bool FindProgramFolder(char folder[MAX_PATH]);
// A recording cut off by a crash or a power failure, named in the settings
// file: its sizes are made to match what the file really holds.
void RepairInterruptedRecording(const char *programFolder);
bool RegisterMainWindowClass(HINSTANCE instance);
// The main window at its stored position; none when its creation was
// refused (the stereo could not be opened).
HWND CreateMainWindow(HINSTANCE instance);
// Runs until WM_QUIT and returns its exit code; the shortcut keys go to the
// reservation list window while it is in front.
int RunMessageLoop(HACCEL reserveListKeys);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool InitMainWindow(HWND window);
void ShutdownMainWindow(HWND window);
void OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam);
// Panel key 9: asks before ending the running reservation.
void StopRecordingRequest(HWND window);
void OnTick(HWND window, UINT timerId);
// One tick at the given local time (OnTick passes the clock's).
void OnTickAt(HWND window, const SYSTEMTIME *now);
// The capture device's notifications, delivered to the main window.
void OnWaveInMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
