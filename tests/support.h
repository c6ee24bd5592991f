// Shared set-up of the tests: temporary folders, settings files and reset of
// the program's global state.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "app/appstate.h"
#include "simulator/simulator.h"

// A fresh, empty folder under the temp directory, ending in a backslash.
std::string MakeTempFolder(const char *tag);
void RemoveTree(const std::string &folder);
void WriteTextFile(const std::string &path, const std::string &bytes);
std::string ReadTextFile(const std::string &path);
// Frees every list and table of App and returns it to its zeroed state.
void ResetAppState();
// What the PC answers the wake check (app/wakecheck.h): App.WakePower set to
// power functions that say so; the timer itself is the system's.
enum FakeWakePc { WakePcFine, WakePcUnsupported, WakePcTimersOff, WakePcModernStandby };
void FakeWakeAnswers(FakeWakePc pc);
// Loads the six sections from folder in start-up order.
void LoadAllSections(const std::string &folder);
void SaveAllSections(const std::string &folder);

// Points the simulated stereo's state file at folder, clears its faults and
// opens the link to it; false when the stereo could not be opened.
bool OpenSimulatedStereo(const std::string &folder);
// The stereo's share of one main-window tick: poll, then one sequencer step
// when something is pending.
void RunStereoTick();
// Changes the simulated stereo's state in place (at once, no delay).
void ChangeSimulatedStereo(const std::function<void(SimStereo &)> &change);
SimStereo SimulatedStereo();
// The command codes the simulated stereo received since the last call.
std::vector<uint32_t> TakeSentCommands();

// ---- sound ----

// Plays a sine tone of hz (whole hertz, half of full scale, 44,100 Hz 16-bit
// stereo) through the default playback device for up to a minute; the sound
// server's recording device hears it. False when no device opens.
bool StartTestTone(int hz);
void StopTestTone();
// A real top-level window that hands MM_WIM_DATA to the Recorder the way the
// main window does. CaptureNotices counts the notices it has received,
// FirstCaptureTick is when the first filled buffer of the running recording
// arrived (0 before; the test clears it before a start).
HWND CreateCaptureWindow();
extern int CaptureNotices;
extern DWORD FirstCaptureTick;
// Dispatches the thread's messages for the given time.
void PumpMessagesFor(DWORD milliseconds);

// ---- a disk that fills up ----

// The WAVE files the Recorder opens from now on (until ResetAppState) go
// through an I/O procedure of the tests' own: real files, on a "disk" where
// no file grows beyond capacity bytes. A write that does not fit stores what
// does and fails, as on a full disk; writes inside the file still succeed.
// Returns how many such files were opened so far.
int UseFullDisk(DWORD capacity);

// The lines of folder's results file, oldest first, each its fields.
std::vector<std::vector<std::string>> ReadResults(const std::string &folder);

// The folder of the test program, where the other programs of the build lie.
std::string BuildFolder();
// ---- windows ----

// The main window on the simulated stereo, which starts as stereo; the
// settings file and the stereo's state file live in folder. The window is
// shown and its timer stopped: tests tick it with OnTick. None when its
// creation was refused.
HWND OpenMainWindow(const std::string &folder, const SimStereo &stereo, uint32_t faults = 0);
// The program's clock in the tests (App.ReadClock): OpenMainWindow starts the
// program at it. Until a test sets it, 2001-01-01 03:33:30, a time no test's
// reservation is under way at, so the program's start decides nothing.
void SetTestClock(const SYSTEMTIME &now);
SYSTEMTIME TestClock();
// The tests' calendar: a time of 2027-03-05, a Friday, or of another day of
// that month.
SYSTEMTIME At(int hour, int minute, int second = 0, int millisecond = 0, int day = 5);
// t moved on by the given milliseconds.
SYSTEMTIME Later(const SYSTEMTIME &t, int milliseconds);
// Closes it as WM_CLOSE does and takes its last messages (and the WM_QUIT)
// off the queue.
void CloseMainWindow(HWND window);
// Dispatches what is queued for this thread's windows (WM_QUIT included:
// it would end the next modal loop).
void PumpMessages();

// A message box (or other dialog) that a process shows, seen by a watcher
// thread, which answers it by pressing the button Answer.
struct SeenDialog {
    bool Seen;
    std::string Caption;
    std::string Text;    // the longest text among its static controls
    bool Owned;
    bool TopMost;
    bool HasIcon;
    int DefaultButton;   // the id of the button drawn as the default one
};
struct DialogWatch {
    HANDLE Thread;
    DWORD ProcessId;
    int Answer;
    DWORD TimeoutMs;
    volatile LONG Stop;
    SeenDialog Result;
};
void StartDialogWatch(DialogWatch *watch, DWORD processId, int answer, DWORD timeoutMs);
// Waits until the dialog was answered or the watch timed out.
SeenDialog FinishDialogWatch(DialogWatch *watch);

// ---- driving modal windows (dialogs, message boxes, menus) ----
// Runs action on the window that find returns, from a timer of this thread:
// the modal loop that runs next (a dialog's, a message box's, a menu's)
// dispatches it. It looks again every 20 ms until find returns a window.
void WhenWindowAppears(std::function<HWND()> find, std::function<void(HWND)> action);
// Drops the waits that never saw their window.
void CancelWindowWaits();
// Where a stored window place (workspace coordinates) begins on the screen:
// the primary monitor's work area, which leaves out a taskbar at the top or
// the left.
POINT WorkAreaOrigin();
// Whether the window's title bar lies on a monitor, so that it can be seen
// and dragged.
bool TitleBarOnAMonitor(HWND window);
// A visible top-level window of this thread of the class, with exactly the
// caption (none: any) and owned by owner (none: any owner).
HWND FindThreadWindow(const char *className, const char *caption, HWND owner);

// ---- waking the PC and starting with Windows ----

// The local wall-clock instant the PC's wake-up was last set for, as the
// system's own time zone shows App.WakeDue; zero when none is set.
FILETIME WakeDueShownLocally();
// The user's Run entry of that name (HKEY_CURRENT_USER): its text, and
// whether it is there.
bool ReadRunEntryText(const std::string &name, std::string *text);
void WriteRunEntryText(const std::string &name, const std::string &text);
void DeleteRunEntryText(const std::string &name);
// The entry the running test program would have: its file name without
// ".exe", and its full path in double quotes with the sign-in argument.
std::string OwnRunEntryName();
std::string OwnRunCommand();
// Puts an entry back as it was before a test, when the record goes.
struct RunEntryKeeper {
    std::string Name;
    bool Was = false;
    std::string Text;
    explicit RunEntryKeeper(const std::string &name);
    ~RunEntryKeeper();
};
// Task Manager's mark on a Run entry (app/autostart.h): its bytes, none
// when there is no such value.
std::vector<BYTE> ReadApproval(const std::string &name);
void WriteApproval(const std::string &name, const BYTE *data, DWORD size);
// Puts the mark back as it was, and takes away the keys it found missing.
struct ApprovalKeeper {
    std::string Name;
    bool Was, KeyWas, ParentWas;
    std::vector<BYTE> Data;
    explicit ApprovalKeeper(const std::string &name);
    ~ApprovalKeeper();
};

// A program the test starts; still running when the record goes, it is
// killed, so no test leaves one behind.
// A top-level window of the process with the class and caption given (none:
// any), hidden ones too unless shownOnly; none when it has none.
HWND FindProcessWindow(DWORD processId, const char *className, const char *caption = NULL, bool shownOnly = false);
// The same once it is shown, within fifteen seconds; none after that.
HWND WaitForProcessWindow(DWORD processId, const char *className, const char *caption = NULL);

struct ChildProcess {
    PROCESS_INFORMATION Process = {};
    bool Start(const std::string &commandLine);
    bool WaitForExit(DWORD milliseconds);
    DWORD ExitCode();
    void Kill();  // at once, as a crash or a power cut would end it
    DWORD Id() const { return Process.dwProcessId; }
    ~ChildProcess();
};

// How wide text is drawn in a control's own font, in pixels.
int TextWidth(HWND control, const std::string &text);

// ---- outside readers ----

// The host's path of a file (Wine's own mapping); empty where there is none.
std::string HostPath(const std::string &path);
// Runs a program of the host (an absolute host path, such as
// /usr/bin/ffprobe) with its arguments (none holding a single quote) and
// returns what it wrote to its standard output; waits at most a minute.
std::string RunHostProgram(const std::string &program, const std::vector<std::string> &arguments);
