#include "support.h"
#include <windows.h>
#include <stdio.h>
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
