// Waiting at sign-in for a stereo that is not there yet. Meanwhile the tick
// runs as usual: the link is tried again every two seconds, and a
// reservation that comes due begins and records as with an unplugged stereo.
#include "app/stereowait.h"
#include "app/appstate.h"
#include "app/autostart.h"
#include "app/notices.h"
#include "app/tray.h"
#include "res/resource.h"

void ShowMainWindowAtStart(HWND window, int showCommand)
{
    App.StartShow = StartShowCommand(showCommand);
    if (!App.WaitingForStereo) {
        ShowWindow(window, App.StartShow);
        return;
    }
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    Notice notice;
    ComposeStereoAwaited(&notice);
    ShowNotice(window, &notice);
}

void EndWaitingForStereo(HWND window)
{
    App.WaitingForStereo = FALSE;
    if (App.OptionFlags.PowOnStart) {
        App.DeviceRequest.PendingFlags |= ReqPower;
        App.DeviceRequest.TargetPower = 1;
    }
    ShowStereoAnswer();
    if (App.StartShow != SW_SHOWMINNOACTIVE && IsIconic(window))
        SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);
}
