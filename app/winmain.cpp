// Process entry of both programs.
#include "app/appstate.h"
#include "app/autostart.h"
#include "app/mainwindow.h"
#include "app/codepage.h"
#include "app/onecopy.h"
#include "app/stereowait.h"
#include "app/savenotice.h"
#include "reserveui/reserveui.h"
#include "res/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    App.StartedByRunEntry = StartedByRunEntry(commandLine);
    // A second start only brings the running copy forward: before anything
    // of the settings or of the recording it may be writing is touched.
    if (!ClaimOneCopy())
        return 0;
    // The settings belong beside the program, not in whatever folder it was
    // started from (a prompt, a Run entry and the task scheduler pass its
    // path unquoted, or not at all).
    if (!FindProgramFolder(App.ProgramFolder))
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
    TrimResults(App.ProgramFolder, ResultsKept);
    App.Instance = instance;
    if (!previous)
        RegisterMainWindowClass(instance);
    // A refused creation (no stereo) has already told the user; with no
    // window there is nothing to run.
    HWND window = CreateMainWindow(instance);
    if (!window)
        return 0;
    MarkOneCopyWindow(window);
    CheckSettingsWritable();
    RegisterReserveListClass(instance);
    // An entry written before it had its argument gets it now.
    if (StartsWithWindows())
        SetStartWithWindows(true);
    ShowMainWindowAtStart(window, showCommand);
    UpdateWindow(window);
    // With the timer already running: the notice holds up no reservation.
    WarnOfForeignCodePage(window, GetACP());
    return RunMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL_RESERVELIST)));
}
