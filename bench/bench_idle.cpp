// What the program costs while it only waits: its CPU over a minute with the
// window shown and over a minute minimised to the notification area, beside
// the floor of the same run, a bare window that runs nothing but a 100 ms
// timer. Under Wine a window's work is shared with the wineserver, so both
// are counted, and counted alike: user plus system time from /proc/<pid>/stat.
// The goal: the program within 1.5 times the floor.
//
// The program is the demo (the simulated stereo, in standby), copied into a
// temporary folder of its own so its settings and the stereo's state stay
// there. Run with a number to measure that many seconds instead of 60.
#include <windows.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "simulator/simulator.h"
#include "bench/benchfolder.h"

enum { DefaultSeconds = 60, SettleMs = 5000, UserHz = 100, CommandLineBytes = 4096 };

static const char BareClassName[] = "BenchIdleBareWindow";
static const double Goal = 1.5;

// ---- the floor: a bare window and its timer ----

static LRESULT CALLBACK BareWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        return 0;
    case WM_DESTROY:
        KillTimer(window, 1);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

static int RunBareWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BareWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = BareClassName;
    RegisterClassA(&windowClass);
    // The main window's size, so both have as much to paint when shown.
    HWND window = CreateWindowExA(0, BareClassName, "bare", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 238, 178, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, 1, 100, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// ---- CPU from /proc ----

static bool ReadSmallFile(const char *path, char *text, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD read = 0;
    BOOL ok = ReadFile(file, text, size - 1, &read, NULL);
    CloseHandle(file);
    text[ok ? read : 0] = '\0';
    return ok && read > 0;
}

// utime + stime of /proc/<name>/stat, in clock ticks; the fields after the
// command name in brackets, which may itself hold spaces.
static bool ProcessTicks(const char *name, unsigned long long *ticks, unsigned long *pid = NULL)
{
    char path[64], stat[1024];
    snprintf(path, sizeof path, "Z:\\proc\\%s\\stat", name);
    if (!ReadSmallFile(path, stat, sizeof stat))
        return false;
    if (pid)
        *pid = strtoul(stat, NULL, 10);
    const char *field = strrchr(stat, ')');
    if (!field)
        return false;
    unsigned long long user = 0, system = 0;
    // Field 3 (the state) follows the bracket; utime and stime are 14 and 15.
    for (int number = 3; number <= 15 && *field; number++) {
        field = strchr(field + 1, ' ');
        if (!field)
            return false;
        if (number == 14)
            user = strtoull(field + 1, NULL, 10);
        if (number == 15)
            system = strtoull(field + 1, NULL, 10);
    }
    *ticks = user + system;
    return true;
}

// A file Wine opens is opened by the wineserver, so /proc/self read from a
// Wine process is the wineserver's own.
static bool FindWineserver(unsigned long *pid)
{
    char status[256];
    unsigned long long ticks;
    return ReadSmallFile("Z:\\proc\\self\\comm", status, sizeof status) && strstr(status, "wineserver") &&
           ProcessTicks("self", &ticks, pid);
}

static bool ContainsIgnoringCase(const char *text, const char *part)
{
    size_t length = strlen(part);
    for (; *text; text++)
        if (_strnicmp(text, part, length) == 0)
            return true;
    return false;
}

// The Linux process whose command line holds both marks (Wine shows the
// program's path in either form, so the marks are plain names).
static unsigned long FindProcessByMark(const char *mark, const char *name)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long pid = 0;
    do {
        if (!isdigit((unsigned char)found.cFileName[0]))
            continue;
        char path[MAX_PATH], line[CommandLineBytes];
        snprintf(path, sizeof path, "Z:\\proc\\%s\\cmdline", found.cFileName);
        DWORD length = 0;
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        ReadFile(file, line, sizeof line - 1, &length, NULL);
        CloseHandle(file);
        for (DWORD i = 0; i < length; i++)
            if (!line[i])
                line[i] = ' ';
        line[length] = '\0';
        if (ContainsIgnoringCase(line, mark) && ContainsIgnoringCase(line, name)) {
            pid = strtoul(found.cFileName, NULL, 10);
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return pid;
}

// ---- one measured process ----

struct Subject {
    PROCESS_INFORMATION Process;
    HWND Window;
    unsigned long UnixPid;
};

struct Figures {
    double Process;     // per cent of one core
    double Server;
    bool Measured;
};

static BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM subject)
{
    Subject *s = (Subject *)subject;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s->Process.dwProcessId || GetWindow(window, GW_OWNER) || !IsWindowVisible(window))
        return TRUE;
    s->Window = window;
    return FALSE;
}

static bool Start(Subject *subject, const char *exe, const char *arguments, const char *mark, const char *name)
{
    memset(subject, 0, sizeof *subject);
    char line[CommandLineBytes];
    snprintf(line, sizeof line, "\"%s\"%s", exe, arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessA(exe, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &subject->Process))
        return false;
    WaitForInputIdle(subject->Process.hProcess, 10000);
    for (int i = 0; i < 100 && !subject->Window; i++) {
        EnumWindows(MatchProcessWindow, (LPARAM)subject);
        if (!subject->Window)
            Sleep(100);
    }
    subject->UnixPid = FindProcessByMark(mark, name);
    return subject->Window != NULL;
}

static void Stop(Subject *subject)
{
    if (subject->Window)
        PostMessageA(subject->Window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(subject->Process.hProcess, 15000) != WAIT_OBJECT_0)
        TerminateProcess(subject->Process.hProcess, 1);
    CloseHandle(subject->Process.hThread);
    CloseHandle(subject->Process.hProcess);
}

static Figures Measure(const Subject *subject, unsigned long server, int seconds)
{
    Figures figures = {};
    char process[32], wineserver[32];
    snprintf(process, sizeof process, "%lu", subject->UnixPid);
    snprintf(wineserver, sizeof wineserver, "%lu", server);
    unsigned long long processBefore, processAfter, serverBefore = 0, serverAfter = 0;
    Sleep(SettleMs);
    DWORD begin = GetTickCount();
    bool ok = subject->UnixPid && ProcessTicks(process, &processBefore);
    ok = ok && (!server || ProcessTicks(wineserver, &serverBefore));
    Sleep((DWORD)seconds * 1000);
    ok = ok && ProcessTicks(process, &processAfter);
    ok = ok && (!server || ProcessTicks(wineserver, &serverAfter));
    DWORD elapsed = GetTickCount() - begin;
    if (!ok || !elapsed)
        return figures;
    double tickMs = 1000.0 / UserHz;
    figures.Process = 100.0 * (double)(processAfter - processBefore) * tickMs / elapsed;
    figures.Server = 100.0 * (double)(serverAfter - serverBefore) * tickMs / elapsed;
    figures.Measured = true;
    return figures;
}

// ---- the run ----

static bool PrepareProgramFolder(const char *buildFolder, char folder[MAX_PATH], char exe[MAX_PATH])
{
    char source[MAX_PATH];
    if (!MakeBenchFolder("bench_idle", folder))
        return false;
    snprintf(exe, MAX_PATH, "%sTALVORecSim.exe", folder);
    snprintf(source, sizeof source, "%sTALVORecSim.exe", buildFolder);
    if (!CopyFileA(source, exe, FALSE))
        return false;
    // The stereo in standby, as it waits for the next reservation.
    SimSetStateFolder(folder);
    SimStereo stereo;
    SimDefaultStereo(&stereo);
    stereo.Power = 0;
    return SimSaveStateFile(&stereo);
}

static void PrintRow(const char *name, const Figures &figures, double floor)
{
    if (!figures.Measured) {
        printf("  %-32s not measured\n", name);
        return;
    }
    double total = figures.Process + figures.Server;
    printf("  %-32s %7.2f%% %9.2f%% %8.2f%%", name, figures.Process, figures.Server, total);
    if (floor > 0)
        printf(" %8.2f", total / floor);
    printf("\n");
}

int main(int argc, char **argv)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (argc > 1 && strcmp(argv[1], "bare") == 0)
        return RunBareWindow(instance);
    int seconds = argc > 1 ? atoi(argv[1]) : DefaultSeconds;
    if (seconds <= 0)
        seconds = DefaultSeconds;

    char self[MAX_PATH], buildFolder[MAX_PATH], folder[MAX_PATH], exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (!length || length >= sizeof self) {
        printf("no program path\n");
        return 1;
    }
    strcpy(buildFolder, self);
    *(strrchr(buildFolder, '\\') + 1) = '\0';
    unsigned long server = 0;
    if (!FindWineserver(&server))
        printf("(no wineserver found: only the processes are counted)\n");
    if (!PrepareProgramFolder(buildFolder, folder, exe)) {
        printf("the demo program could not be copied to a temporary folder\n");
        return 1;
    }

    // The floor first, then the program shown and minimised.
    char mark[64], arguments[96];
    snprintf(mark, sizeof mark, "bare bench_idle_%lu", GetCurrentProcessId());
    snprintf(arguments, sizeof arguments, " %s", mark);
    Subject bare, program;
    Figures floor = {}, shown = {}, minimised = {};
    if (Start(&bare, self, arguments, mark, "bench_idle"))
        floor = Measure(&bare, server, seconds);
    Stop(&bare);

    snprintf(mark, sizeof mark, "bench_idle_%lu", GetCurrentProcessId());
    bool hidden = false;
    if (Start(&program, exe, "", mark, "TALVORecSim.exe")) {
        shown = Measure(&program, server, seconds);
        PostMessageA(program.Window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        Sleep(1000);
        hidden = !IsWindowVisible(program.Window);
        minimised = Measure(&program, server, seconds);
    }
    Stop(&program);
    RemoveBenchFolder(folder);

    double floorTotal = floor.Measured ? floor.Process + floor.Server : 0;
    printf("Idle CPU over %d s, per cent of one core (user + system time from /proc):\n", seconds);
    printf("  %-32s %8s %10s %9s %8s\n", "", "process", "wineserver", "together", "x floor");
    PrintRow("bare window, 100 ms timer", floor, floorTotal);
    PrintRow("program, window shown", shown, floorTotal);
    PrintRow(hidden ? "program, in the notification area" : "program, minimised (still shown!)", minimised,
             floorTotal);
    printf("  (Linux processes: bare window %lu, program %lu, wineserver %lu; 0 when not found)\n", bare.UnixPid,
           program.UnixPid, server);
    bool met = floorTotal > 0 && shown.Measured && minimised.Measured &&
               shown.Process + shown.Server <= Goal * floorTotal &&
               minimised.Process + minimised.Server <= Goal * floorTotal;
    printf("  goal (the program within %.1fx of the floor, shown and minimised): %s\n", Goal,
           met ? "met" : "NOT met");
    return 0;
}
