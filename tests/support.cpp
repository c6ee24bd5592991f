#include "support.h"
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <map>
#include "simulator/simulator.h"

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

void ResetAppState()
{
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
    for (SettingsSection section : order)
        SaveSettingsSection(NULL, folder.c_str(), section);
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
    RefreshDeviceStatus(App.MainWindow);
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

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}
