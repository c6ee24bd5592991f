// Saves a large settings file over and over until it is killed, as a crash or
// a power failure would end the program in the middle of a save.
//   save_loop FOLDER EVENT
// FOLDER (without its last backslash) holds TALVORec.ini; every reservation's
// title there reads "gen G #i". Each save takes the next G for all of them and
// for the option and the first preset, so that a file that mixes two saves
// shows. EVENT is set once the first save is on the disk.
#include <windows.h>
#include "crashguard.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "app/appstate.h"
#include "app/heap.h"
#include "settings/safesave.h"

static const SettingsSection Order[] = {
    SectionWindow, SectionReserveList, SectionOption, SectionReserve, SectionFreq, SectionStation,
};

static void SetGeneration(long generation)
{
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        char title[96];
        snprintf(title, sizeof title, "gen %ld #%lu, a programme title long enough to fill the line",
                 generation, (unsigned long)i);
        HeapFreeBlock(App.ReserveList.Items[i]->Title);
        App.ReserveList.Items[i]->Title = HeapStrDup(title);
    }
    App.OptionFlags.PowOnStart = generation & 1;
    App.PresetTable[0].Frequency = 8000 + generation % 1000;
}

int main(int argc, char **argv)
{
    InstallCrashGuard();
    if (argc < 3)
        return 2;
    snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s\\", argv[1]);
    static const SettingsSection loading[] = {
        SectionWindow, SectionOption, SectionReserve, SectionReserveList, SectionFreq, SectionStation,
    };
    for (SettingsSection section : loading)
        LoadSettingsSection(App.ProgramFolder, section);
    if (App.ReserveList.Count == 0)
        return 3;
    long generation = atol(App.ReserveList.Items[0]->Title + 4);
    HANDLE saved = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    for (;;) {
        SetGeneration(++generation);
        if (!SaveSettingsSections(App.ProgramFolder, Order, sizeof Order / sizeof Order[0]))
            return 4;
        if (saved) {
            SetEvent(saved);
            CloseHandle(saved);
            saved = NULL;
        }
    }
}
