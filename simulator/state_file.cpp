// TALVOSim.ini: the simulated stereo remembers its state while the program is
// closed, as the real one does. Only the simulator reads and writes it.
#include "simulator/simulator.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char StateFileName[] = "TALVOSim.ini";
static const char StereoSection[] = "Stereo";
static const char PresetSection[] = "Presets";

static char StateFolder[MAX_PATH];

void SimSetStateFolder(const char *folder)
{
    StateFolder[0] = '\0';
    if (folder && strlen(folder) < sizeof StateFolder)
        strcpy(StateFolder, folder);
    SimStereoForget();
}

// Beside the running program unless a folder was given.
static bool StateFilePath(char path[MAX_PATH])
{
    char folder[MAX_PATH];
    if (StateFolder[0]) {
        strcpy(folder, StateFolder);
    } else {
        DWORD length = GetModuleFileNameA(NULL, folder, sizeof folder);
        if (length == 0 || length >= sizeof folder)
            return false;
        char *cut = strrchr(folder, '\\');
        if (!cut)
            return false;
        cut[1] = '\0';
    }
    return snprintf(path, MAX_PATH, "%s%s", folder, StateFileName) < MAX_PATH;
}

static int ReadNumber(const char *section, const char *key, int fallback, int low, int high, const char *path)
{
    char text[16];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, path);
    char *end;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high)
        return fallback;
    return (int)value;
}

// A missing file or key gives the stereo's factory state; values out of
// range are taken as missing.
bool SimLoadStateFile(SimStereo *stereo)
{
    SimDefaultStereo(stereo);
    char path[MAX_PATH];
    if (!StateFilePath(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    const char *s = StereoSection;
    stereo->Power = (uint8_t)ReadNumber(s, "Power", stereo->Power, 0, 1, path);
    stereo->Source = (uint8_t)ReadNumber(s, "Source", stereo->Source, 0, 4, path);
    stereo->Volume = (uint8_t)ReadNumber(s, "Volume", stereo->Volume, 0, 80, path);
    stereo->Mute = (uint8_t)ReadNumber(s, "Mute", stereo->Mute, 0, 1, path);
    stereo->MuteStale = (uint8_t)ReadNumber(s, "MuteStale", stereo->MuteStale, 0, 1, path);
    stereo->StaleMute = (uint8_t)ReadNumber(s, "StaleMute", stereo->StaleMute, 0, 1, path);
    stereo->NbMode = (uint8_t)ReadNumber(s, "NbMode", stereo->NbMode, 0, 3, path);
    stereo->Band = (uint8_t)ReadNumber(s, "Band", stereo->Band, 0, 1, path);
    stereo->TuneManual = (uint8_t)ReadNumber(s, "TuneManual", stereo->TuneManual, 0, 1, path);
    stereo->Preset = (uint8_t)ReadNumber(s, "Preset", stereo->Preset, 0, SimPresetCount, path);
    stereo->Frequency = ReadNumber(s, "Frequency", stereo->Frequency, 0, 9999, path);
    stereo->LastFm = ReadNumber(s, "LastFm", stereo->LastFm, 0, 9999, path);
    stereo->LastAm = ReadNumber(s, "LastAm", stereo->LastAm, 0, 9999, path);
    stereo->InputLevelMd = (int8_t)ReadNumber(s, "InputLevelMd", stereo->InputLevelMd,
                                              -SimInputLevelLimit, SimInputLevelLimit, path);
    stereo->InputLevelTapeAux = (int8_t)ReadNumber(s, "InputLevelTapeAux", stereo->InputLevelTapeAux,
                                                   -SimInputLevelLimit, SimInputLevelLimit, path);
    for (int i = 0; i < SimPresetCount; i++) {
        char key[8];
        snprintf(key, sizeof key, "%d", i + 1);
        stereo->PresetFrequency[i] = ReadNumber(PresetSection, key, stereo->PresetFrequency[i], 0, 9999, path);
    }
    return true;
}

// Appends "key=value" and its terminating zero to a section block.
static size_t PutLine(char *block, size_t used, size_t size, const char *key, int value)
{
    int length = snprintf(block + used, size - used, "%s=%d", key, value);
    if (length < 0 || used + length + 2 > size)
        return used;
    return used + length + 1;
}

bool SimSaveStateFile(const SimStereo *stereo)
{
    char path[MAX_PATH];
    if (!StateFilePath(path))
        return false;
    char block[1024];
    size_t used = 0;
    used = PutLine(block, used, sizeof block, "Power", stereo->Power);
    used = PutLine(block, used, sizeof block, "Source", stereo->Source);
    used = PutLine(block, used, sizeof block, "Volume", stereo->Volume);
    used = PutLine(block, used, sizeof block, "Mute", stereo->Mute);
    used = PutLine(block, used, sizeof block, "MuteStale", stereo->MuteStale);
    used = PutLine(block, used, sizeof block, "StaleMute", stereo->StaleMute);
    used = PutLine(block, used, sizeof block, "NbMode", stereo->NbMode);
    used = PutLine(block, used, sizeof block, "Band", stereo->Band);
    used = PutLine(block, used, sizeof block, "TuneManual", stereo->TuneManual);
    used = PutLine(block, used, sizeof block, "Preset", stereo->Preset);
    used = PutLine(block, used, sizeof block, "Frequency", stereo->Frequency);
    used = PutLine(block, used, sizeof block, "LastFm", stereo->LastFm);
    used = PutLine(block, used, sizeof block, "LastAm", stereo->LastAm);
    used = PutLine(block, used, sizeof block, "InputLevelMd", stereo->InputLevelMd);
    used = PutLine(block, used, sizeof block, "InputLevelTapeAux", stereo->InputLevelTapeAux);
    block[used] = '\0';
    if (!WritePrivateProfileSectionA(StereoSection, block, path))
        return false;
    used = 0;
    for (int i = 0; i < SimPresetCount; i++) {
        char key[8];
        snprintf(key, sizeof key, "%d", i + 1);
        used = PutLine(block, used, sizeof block, key, stereo->PresetFrequency[i]);
    }
    block[used] = '\0';
    return WritePrivateProfileSectionA(PresetSection, block, path) != FALSE;
}
