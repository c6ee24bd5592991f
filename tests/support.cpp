#include "app/stereostatus.h"
#include "support.h"
#include "settings/safesave.h"
#include <windows.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <map>
#include "app/heap.h"
#include "app/awake.h"
#include "app/wake.h"
#include "app/wakecheck.h"
#include "app/autostart.h"
#include "schedule/schedule.h"
#include "simulator/simulator.h"
#include "app/mainwindow.h"
#include <string.h>

std::string MakeTempFolder(const char *tag)
{
    static unsigned serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%stalvo-%s-%lu-%u\\", base, tag, GetCurrentProcessId(), ++serial);
    RemoveTree(folder);
    CreateDirectoryA(folder, NULL);
    return folder;
}

void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + "\\");
            else
                DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void WriteTextFile(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string ReadTextFile(const std::string &path)
{
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

static FakeWakePc WakePc;

static BOOL WINAPI FakeSetTimer(HANDLE timer, const LARGE_INTEGER *due, LONG period, PTIMERAPCROUTINE routine,
                                LPVOID argument, BOOL resume)
{
    if (!SetWaitableTimer(timer, due, period, routine, argument, resume))
        return FALSE;
    SetLastError(WakePc == WakePcUnsupported ? ERROR_NOT_SUPPORTED : ERROR_SUCCESS);
    return TRUE;
}

static LONG WINAPI FakePowerInformation(POWER_INFORMATION_LEVEL level, PVOID, ULONG, PVOID out, ULONG size)
{
    if (level != SystemPowerCapabilities || size < sizeof(SYSTEM_POWER_CAPABILITIES))
        return (LONG)0xC0000023L;  // the buffer is too small
    SYSTEM_POWER_CAPABILITIES *capabilities = (SYSTEM_POWER_CAPABILITIES *)out;
    memset(capabilities, 0, sizeof *capabilities);
    capabilities->SystemS3 = TRUE;
    capabilities->SystemBatteriesPresent = TRUE;
    // AoAc, which the compiler's headers leave among the spare bytes.
    capabilities->spare2[2] = WakePc == WakePcModernStandby;
    return 0;
}

static GUID FakeScheme = { 0x381b4222, 0xf694, 0x41f0, { 0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e } };

static DWORD WINAPI FakeActiveScheme(HKEY, GUID **scheme)
{
    *scheme = (GUID *)LocalAlloc(LMEM_FIXED, sizeof(GUID));
    if (!*scheme)
        return ERROR_NOT_ENOUGH_MEMORY;
    **scheme = FakeScheme;
    return ERROR_SUCCESS;
}

static DWORD WINAPI FakeReadValue(HKEY, const GUID *scheme, const GUID *group, const GUID *setting, LPDWORD value)
{
    if (!IsEqualGUID(*scheme, FakeScheme) || !IsEqualGUID(*group, GUID_SLEEP_SUBGROUP) ||
        !IsEqualGUID(*setting, GUID_ALLOW_RTC_WAKE))
        return ERROR_FILE_NOT_FOUND;
    *value = WakePc == WakePcTimersOff ? 0 : 1;
    return ERROR_SUCCESS;
}

void FakeWakeAnswers(FakeWakePc pc)
{
    static const WakePowerCalls calls = { FakeSetTimer, FakePowerInformation, FakeActiveScheme, FakeReadValue,
                                          FakeReadValue };
    WakePc = pc;
    App.WakePower = &calls;
}

void ResetAppState()
{
    ReleaseAwake();
    CloseWakeTimer();
    StopRecording();
    DeviceClose();
    ReserveListClear(&App.ReserveList);
    ReserveListClear(&App.CopyBuffer);
    ClearStations();
    App = AppState{};
}

void LoadAllSections(const std::string &folder)
{
    static const SettingsSection order[] = {
        SectionWindow, SectionOption, SectionReserve, SectionReserveList, SectionFreq, SectionStation,
    };
    for (SettingsSection section : order)
        LoadSettingsSection(folder.c_str(), section);
}

void SaveAllSections(const std::string &folder)
{
    static const SettingsSection order[] = {
        SectionWindow, SectionReserveList, SectionOption, SectionReserve, SectionFreq, SectionStation,
    };
    SaveSettingsSections(folder.c_str(), order, sizeof order / sizeof order[0]);
}

bool OpenSimulatedStereo(const std::string &folder)
{
    SimSetFaults(0);
    SimSetStateFolder(folder.c_str());
    TakeSentCommands();
    return DeviceOpen();
}

void RunStereoTick()
{
    ReadStereoStatus(App.MainWindow);
    if (App.DeviceRequest.PendingFlags)
        RunDeviceRequests();
}

void ChangeSimulatedStereo(const std::function<void(SimStereo &)> &change)
{
    SimStereo stereo;
    SimGetStereo(&stereo);
    change(stereo);
    SimSetStereo(&stereo);
}

SimStereo SimulatedStereo()
{
    SimStereo stereo;
    SimGetStereo(&stereo);
    return stereo;
}

std::vector<uint32_t> TakeSentCommands()
{
    std::vector<uint32_t> sent;
    uint32_t codes[64];
    int count;
    while ((count = SimTakeCommands(codes, 64)) > 0)
        sent.insert(sent.end(), codes, codes + count);
    return sent;
}

// ---- sound ----

enum { ToneRate = 44100, ToneSeconds = 60 };

static HWAVEOUT ToneDevice;
static short *ToneSecond;                 // one second: a whole number of periods
static WAVEHDR ToneHeaders[ToneSeconds];  // all playing the same second

bool StartTestTone(int hz)
{
    StopTestTone();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = ToneRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = ToneRate * 4;
    if (waveOutOpen(&ToneDevice, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        ToneDevice = NULL;
        return false;
    }
    ToneSecond = (short *)HeapAllocZero(ToneRate * 4);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < ToneRate; i++) {
        short value = (short)lround(16383.0 * sin(2.0 * pi * hz * i / ToneRate));
        ToneSecond[2 * i] = value;
        ToneSecond[2 * i + 1] = value;
    }
    for (WAVEHDR &header : ToneHeaders) {
        header = WAVEHDR{};
        header.lpData = (LPSTR)ToneSecond;
        header.dwBufferLength = ToneRate * 4;
        waveOutPrepareHeader(ToneDevice, &header, sizeof header);
        waveOutWrite(ToneDevice, &header, sizeof header);
    }
    return true;
}

void StopTestTone()
{
    if (!ToneDevice)
        return;
    waveOutReset(ToneDevice);
    for (WAVEHDR &header : ToneHeaders)
        waveOutUnprepareHeader(ToneDevice, &header, sizeof header);
    waveOutClose(ToneDevice);
    ToneDevice = NULL;
    HeapFreeBlock(ToneSecond);
    ToneSecond = NULL;
}

int CaptureNotices;
DWORD FirstCaptureTick;

static LRESULT CALLBACK CaptureWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == MM_WIM_DATA) {
        CaptureNotices++;
        WAVEHDR *header = (WAVEHDR *)lParam;
        if (App.RecordingActive && (HWAVEIN)wParam == App.CaptureDevice && (header->dwFlags & WHDR_DONE) &&
            header->dwBytesRecorded > 0 && FirstCaptureTick == 0)
            FirstCaptureTick = GetTickCount();
        if (App.RecordingActive)
            OnCaptureBuffer((HWAVEIN)wParam, (WAVEHDR *)lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND CreateCaptureWindow()
{
    static ATOM registered;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CaptureWndProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "TalvoTestCapture";
        registered = RegisterClassA(&windowClass);
    }
    CaptureNotices = 0;
    FirstCaptureTick = 0;
    return CreateWindowA("TalvoTestCapture", "capture", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL,
                         GetModuleHandleA(NULL), NULL);
}

void PumpMessagesFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

// ---- a disk that fills up ----

static DWORD FullDiskCapacity;
static int FullDiskOpens;

// The Recorder hands over the file it opened; the disk's limit is the
// only thing this procedure adds.
static LRESULT FullDiskOpen(MMIOINFO *info)
{
    if (!info->adwInfo[0])
        return MMIOERR_CANNOTOPEN;
    info->lDiskOffset = 0;
    FullDiskOpens++;
    return MMSYSERR_NOERROR;
}

static LRESULT FullDiskWrite(MMIOINFO *info, HANDLE file, const char *bytes, LONG length)
{
    DWORD at = SetFilePointer(file, 0, NULL, FILE_CURRENT);
    DWORD room = at < FullDiskCapacity ? FullDiskCapacity - at : 0;
    DWORD fits = (DWORD)length < room ? (DWORD)length : room;
    DWORD written = 0;
    if (fits && !WriteFile(file, bytes, fits, &written, NULL))
        return -1;
    info->lDiskOffset += (LONG)written;
    return written == (DWORD)length ? (LRESULT)length : -1;
}

static LRESULT CALLBACK FullDiskProc(LPSTR infoBytes, UINT message, LPARAM first, LPARAM second)
{
    MMIOINFO *info = (MMIOINFO *)infoBytes;
    HANDLE file = (HANDLE)(ULONG_PTR)info->adwInfo[0];
    DWORD done = 0;
    switch (message) {
    case MMIOM_OPEN:
        return FullDiskOpen(info);
    case MMIOM_CLOSE:
        // A file handed over by its handle stays open for its opener.
        if (!(first & MMIO_FHOPEN))
            CloseHandle(file);
        return 0;
    case MMIOM_READ:
        if (!ReadFile(file, (void *)first, (DWORD)second, &done, NULL))
            return -1;
        info->lDiskOffset += (LONG)done;
        return (LRESULT)done;
    case MMIOM_WRITE:
    case MMIOM_WRITEFLUSH:
        return FullDiskWrite(info, file, (const char *)first, (LONG)second);
    case MMIOM_SEEK: {
        static const DWORD methods[] = { FILE_BEGIN, FILE_CURRENT, FILE_END };
        DWORD at = SetFilePointer(file, (LONG)first, NULL, methods[second % 3]);
        if (at == INVALID_SET_FILE_POINTER)
            return -1;
        info->lDiskOffset = (LONG)at;
        return (LRESULT)at;
    }
    }
    return 0;
}

// The raw form's writes on the same small disk.
static BOOL WINAPI FullDiskRawWrite(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written, LPOVERLAPPED)
{
    DWORD at = SetFilePointer(file, 0, NULL, FILE_CURRENT);
    DWORD room = at < FullDiskCapacity ? FullDiskCapacity - at : 0;
    DWORD fits = length < room ? length : room;
    *written = 0;
    if (fits && !WriteFile(file, bytes, fits, written, NULL))
        return FALSE;
    if (*written == length)
        return TRUE;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

int UseFullDisk(DWORD capacity)
{
    App.WaveFileProc = FullDiskProc;
    App.RawWrite = FullDiskRawWrite;
    FullDiskCapacity = capacity;
    return FullDiskOpens;
}

std::vector<std::vector<std::string>> ReadResults(const std::string &folder)
{
    std::vector<std::vector<std::string>> lines;
    ResultList list;
    if (!LoadResults(folder.c_str(), &list))
        return lines;
    for (uint32_t i = 0; i < list.Count; i++)
        lines.emplace_back(list.Items[i].Fields, list.Items[i].Fields + ResultFieldCount);
    FreeResults(&list);
    return lines;
}

std::string BuildFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    char *cut = strrchr(path, '\\');
    if (cut)
        cut[1] = '\0';
    return path;
}

// ---- windows ----

static SYSTEMTIME testClock;

static void ReadTestClock(SYSTEMTIME *now)
{
    *now = testClock;
}

void SetTestClock(const SYSTEMTIME &now)
{
    testClock = now;
    App.ReadClock = ReadTestClock;
}

SYSTEMTIME TestClock()
{
    return testClock;
}

HWND OpenMainWindow(const std::string &folder, const SimStereo &stereo, uint32_t faults)
{
    if (!App.ReadClock) {
        SYSTEMTIME start = {};
        start.wYear = 2001;
        start.wMonth = 1;
        start.wDay = 1;
        start.wDayOfWeek = 1;
        start.wHour = 3;
        start.wMinute = 33;
        start.wSecond = 30;
        SetTestClock(start);
    }
    static bool registered;
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (!registered)
        registered = RegisterMainWindowClass(instance);
    App.Instance = instance;
    snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
    SimSetFaults(faults);
    SimSetStateFolder(folder.c_str());
    SimSetStereo(&stereo);
    TakeSentCommands();
    HWND window = CreateMainWindow(instance);
    if (!window) {
        PumpMessages();
        return NULL;
    }
    KillTimer(window, TickTimerId);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    PumpMessages();
    return window;
}

void CloseMainWindow(HWND window)
{
    if (window && IsWindow(window))
        SendMessageA(window, WM_CLOSE, 0, 0);
    PumpMessages();
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

namespace {

struct DialogSearch {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    DialogSearch *search = (DialogSearch *)lParam;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (process == search->ProcessId && strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK ReadDialogChild(HWND child, LPARAM lParam)
{
    SeenDialog *seen = (SeenDialog *)lParam;
    char className[16] = "";
    GetClassNameA(child, className, sizeof className);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        seen->DefaultButton = GetDlgCtrlID(child);
    if (_stricmp(className, "Static") != 0)
        return TRUE;
    if ((style & SS_TYPEMASK) == SS_ICON)
        seen->HasIcon = true;
    char text[512] = "";
    GetWindowTextA(child, text, sizeof text);
    if (strlen(text) > seen->Text.size())
        seen->Text = text;
    return TRUE;
}

DWORD WINAPI WatchDialogs(void *parameter)
{
    DialogWatch *watch = (DialogWatch *)parameter;
    DWORD start = GetTickCount();
    while (!watch->Stop && GetTickCount() - start < watch->TimeoutMs) {
        DialogSearch search = { watch->ProcessId, NULL };
        EnumWindows(FindDialog, (LPARAM)&search);
        if (search.Found) {
            SeenDialog &seen = watch->Result;
            seen.Seen = true;
            char caption[256] = "";
            GetWindowTextA(search.Found, caption, sizeof caption);
            seen.Caption = caption;
            seen.Owned = GetWindow(search.Found, GW_OWNER) != NULL;
            seen.TopMost = (GetWindowLongA(search.Found, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            EnumChildWindows(search.Found, ReadDialogChild, (LPARAM)&seen);
            PostMessageA(search.Found, WM_COMMAND, MAKEWPARAM(watch->Answer, BN_CLICKED),
                         (LPARAM)GetDlgItem(search.Found, watch->Answer));
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

}  // namespace

void StartDialogWatch(DialogWatch *watch, DWORD processId, int answer, DWORD timeoutMs)
{
    watch->ProcessId = processId;
    watch->Answer = answer;
    watch->TimeoutMs = timeoutMs;
    watch->Stop = 0;
    watch->Result = SeenDialog{};
    watch->Thread = CreateThread(NULL, 0, WatchDialogs, watch, 0, NULL);
}

SeenDialog FinishDialogWatch(DialogWatch *watch)
{
    InterlockedExchange(&watch->Stop, 1);
    if (watch->Thread) {
        WaitForSingleObject(watch->Thread, INFINITE);
        CloseHandle(watch->Thread);
        watch->Thread = NULL;
    }
    return watch->Result;
}

// ---- driving modal windows ----

struct WindowWait {
    std::function<HWND()> Find;
    std::function<void(HWND)> Action;
};
static std::map<UINT_PTR, WindowWait> WindowWaits;

static void CALLBACK WindowWaitTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    auto found = WindowWaits.find(id);
    if (found == WindowWaits.end()) {
        KillTimer(NULL, id);
        return;
    }
    HWND window = found->second.Find();
    if (!window)
        return;
    KillTimer(NULL, id);
    std::function<void(HWND)> action = found->second.Action;
    WindowWaits.erase(found);
    action(window);
}

void WhenWindowAppears(std::function<HWND()> find, std::function<void(HWND)> action)
{
    UINT_PTR id = SetTimer(NULL, 0, 20, WindowWaitTimer);
    WindowWaits[id] = WindowWait{ find, action };
}

void CancelWindowWaits()
{
    for (auto &wait : WindowWaits)
        KillTimer(NULL, wait.first);
    WindowWaits.clear();
}

struct WindowQuery {
    const char *ClassName;
    const char *Caption;
    HWND Owner;
    HWND Found;
};

static BOOL CALLBACK MatchThreadWindow(HWND window, LPARAM param)
{
    WindowQuery *query = (WindowQuery *)param;
    char text[256];
    if (!IsWindowVisible(window))
        return TRUE;
    if (!GetClassNameA(window, text, sizeof text) || strcmp(text, query->ClassName) != 0)
        return TRUE;
    if (query->Owner && GetWindow(window, GW_OWNER) != query->Owner)
        return TRUE;
    if (query->Caption) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, query->Caption) != 0)
            return TRUE;
    }
    query->Found = window;
    return FALSE;
}

HWND FindThreadWindow(const char *className, const char *caption, HWND owner)
{
    WindowQuery query = { className, caption, owner, NULL };
    EnumThreadWindows(GetCurrentThreadId(), MatchThreadWindow, (LPARAM)&query);
    return query.Found;
}

POINT WorkAreaOrigin()
{
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    POINT origin = { work.left, work.top };
    return origin;
}

bool TitleBarOnAMonitor(HWND window)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    POINT left = { rect.left + 8, rect.top + 8 }, right = { rect.right - 8, rect.top + 8 };
    return MonitorFromPoint(left, MONITOR_DEFAULTTONULL) && MonitorFromPoint(right, MONITOR_DEFAULTTONULL);
}

namespace {

struct ProcessWindowSearch {
    DWORD ProcessId;
    const char *ClassName;
    const char *Caption;
    bool ShownOnly;
    HWND Found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM lParam)
{
    ProcessWindowSearch *search = (ProcessWindowSearch *)lParam;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = "", caption[128] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (process != search->ProcessId || (search->ShownOnly && !IsWindowVisible(window)) ||
        (search->ClassName && strcmp(className, search->ClassName) != 0) ||
        (search->Caption && strcmp(caption, search->Caption) != 0))
        return TRUE;
    search->Found = window;
    return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char *className, const char *caption, bool shownOnly)
{
    ProcessWindowSearch search = { processId, className, caption, shownOnly, NULL };
    EnumWindows(MatchProcessWindow, (LPARAM)&search);
    return search.Found;
}

HWND WaitForProcessWindow(DWORD processId, const char *className, const char *caption)
{
    HWND found = NULL;
    for (DWORD start = GetTickCount(); !found && GetTickCount() - start < 15000; Sleep(50))
        found = FindProcessWindow(processId, className, caption, true);
    return found;
}

bool ChildProcess::Start(const std::string &commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &Process) != FALSE;
}

bool ChildProcess::WaitForExit(DWORD milliseconds)
{
    return WaitForSingleObject(Process.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode()
{
    DWORD code = 99;
    GetExitCodeProcess(Process.hProcess, &code);
    return code;
}

void ChildProcess::Kill()
{
    TerminateProcess(Process.hProcess, 9);
    WaitForExit(10000);
}

ChildProcess::~ChildProcess()
{
    if (!Process.hProcess)
        return;
    if (!WaitForExit(0))
        Kill();
    CloseHandle(Process.hProcess);
    CloseHandle(Process.hThread);
}

FILETIME WakeDueShownLocally()
{
    FILETIME none = {};
    SYSTEMTIME universal, local;
    if ((App.WakeDue.dwLowDateTime == 0 && App.WakeDue.dwHighDateTime == 0) ||
        !FileTimeToSystemTime(&App.WakeDue, &universal) ||
        !SystemTimeToTzSpecificLocalTime(NULL, &universal, &local))
        return none;
    FILETIME shown;
    SystemTimeToFileTime(&local, &shown);
    return shown;
}

static const char TestRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ReadRunEntryText(const std::string &name, std::string *text)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TestRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char value[2048] = "";
    DWORD type = 0, size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, name.c_str(), NULL, &type, (BYTE *)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    *text = value;
    return true;
}

void WriteRunEntryText(const std::string &name, const std::string &text)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TestRunKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(key);
}

void DeleteRunEntryText(const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TestRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

static std::string OwnPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    return path;
}

std::string OwnRunEntryName()
{
    std::string path = OwnPath();
    std::string file = path.substr(path.find_last_of('\\') + 1);
    return file.substr(0, file.size() - 4);
}

std::string OwnRunCommand()
{
    return "\"" + OwnPath() + "\" /startup";
}

RunEntryKeeper::RunEntryKeeper(const std::string &name) : Name(name)
{
    Was = ReadRunEntryText(name, &Text);
}

RunEntryKeeper::~RunEntryKeeper()
{
    if (Was)
        WriteRunEntryText(Name, Text);
    else
        DeleteRunEntryText(Name);
}

static const char ApprovedParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";

static bool KeyThere(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<BYTE> ReadApproval(const std::string &name)
{
    BYTE data[256];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, StartupApprovedPath, name.c_str(), RRF_RT_REG_BINARY, NULL, data, &size) !=
        ERROR_SUCCESS)
        return {};
    return std::vector<BYTE>(data, data + size);
}

void WriteApproval(const std::string &name, const BYTE *data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, StartupApprovedPath, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_BINARY, data, size);
    RegCloseKey(key);
}

ApprovalKeeper::ApprovalKeeper(const std::string &name) : Name(name)
{
    ParentWas = KeyThere(ApprovedParent);
    KeyWas = KeyThere(StartupApprovedPath);
    Data = ReadApproval(name);
    Was = !Data.empty();
}

ApprovalKeeper::~ApprovalKeeper()
{
    if (Was)
        WriteApproval(Name, Data.data(), (DWORD)Data.size());
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, StartupApprovedPath, Name.c_str());
    if (!KeyWas)
        RegDeleteKeyA(HKEY_CURRENT_USER, StartupApprovedPath);
    if (!ParentWas)
        RegDeleteKeyA(HKEY_CURRENT_USER, ApprovedParent);
}

SYSTEMTIME At(int hour, int minute, int second, int millisecond, int day)
{
    SYSTEMTIME t = {};
    t.wYear = 2027;
    t.wMonth = 3;
    t.wDay = (WORD)day;
    t.wDayOfWeek = (WORD)(day % 7);  // the 7th was a Sunday
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    t.wMilliseconds = (WORD)millisecond;
    return t;
}

SYSTEMTIME Later(const SYSTEMTIME &t, int milliseconds)
{
    FILETIME instant;
    SystemTimeToFileTime(&t, &instant);
    FILETIME moved = FileTimeAdd(&instant, (LONGLONG)milliseconds * 10000);
    SYSTEMTIME out;
    FileTimeToSystemTime(&moved, &out);
    return out;
}

int TextWidth(HWND control, const std::string &text)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
}

// ---- outside readers ----

std::string HostPath(const std::string &path)
{
    typedef char *(CDECL * UnixNameCall)(LPCWSTR);
    UnixNameCall unixName = (UnixNameCall)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return "";
    char *name = unixName(wide);
    if (!name)
        return "";
    // In the system's code page, as the command line of RunHostProgram
    // takes it (Wine hands the host program UTF-8 again).
    WCHAR hostWide[MAX_PATH * 2];
    char result[MAX_PATH * 4] = "";
    if (MultiByteToWideChar(CP_UTF8, 0, name, -1, hostWide, MAX_PATH * 2))
        WideCharToMultiByte(CP_ACP, 0, hostWide, -1, result, sizeof result, NULL, NULL);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine starts a host program without a handle to wait on and with the
// test program's own output, so a shell runs it, its output goes to a file,
// and a second file tells that it is done.
std::string RunHostProgram(const std::string &program, const std::vector<std::string> &arguments)
{
    static int serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH + 64];
    snprintf(name, sizeof name, "%stalvo-host-%lu-%d", base, GetCurrentProcessId(), ++serial);
    std::string out = std::string(name) + ".txt", done = std::string(name) + ".done";
    DeleteFileA(out.c_str());
    DeleteFileA(done.c_str());
    // The files' folder is there: the host paths of the files to be made.
    std::string script = "'" + program + "'";
    for (const std::string &argument : arguments)
        script += " '" + argument + "'";
    script += " >'" + HostPath(out) + "' 2>/dev/null; : >'" + HostPath(done) + "'";
    std::string line = "\"Z:\\bin\\sh\" -c \"" + script + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return "";
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    DWORD started = GetTickCount();
    while (GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - started < 60000)
        Sleep(20);
    std::string output = ReadTextFile(out);
    DeleteFileA(out.c_str());
    DeleteFileA(done.c_str());
    return output;
}
