// Process entry of both programs.
#include "app/appstate.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    App.Instance = instance;
    static const SettingsSection order[] = {
        SectionWindow, SectionOption, SectionReserve, SectionReserveList, SectionFreq, SectionStation,
    };
    for (SettingsSection section : order)
        LoadSettingsSection(App.ProgramFolder, section);
    return 0;
}
