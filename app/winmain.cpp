// Process entry of both programs.
#include "app/appstate.h"
#include "app/mainwindow.h"
#include "reserveui/reserveui.h"
#include "res/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)commandLine;
    ParseProgramFolder(GetCommandLineA(), App.ProgramFolder);
    // Before the settings are loaded: a file that holds nothing but the
    // mark of the interrupted recording is removed with it, and the start
    // then takes the defaults of a first start.
    RepairInterruptedRecording(App.ProgramFolder);
    static const SettingsSection order[] = {
        SectionWindow, SectionOption, SectionReserve, SectionReserveList, SectionFreq, SectionStation,
    };
    for (SettingsSection section : order)
        LoadSettingsSection(App.ProgramFolder, section);
    App.Instance = instance;
    if (!previous)
        RegisterMainWindowClass(instance);
    // A refused creation (no stereo) has already told the user; with no
    // window there is nothing to run.
    HWND window = CreateMainWindow(instance);
    if (!window)
        return 0;
    RegisterReserveListClass(instance);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return RunMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL_RESERVELIST)));
}
