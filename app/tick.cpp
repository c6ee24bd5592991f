// The 100 ms tick of the main window: everything time-driven hangs off it.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/stereostatus.h"
#include "app/awake.h"
#include "app/transition.h"
#include "panel/panel.h"
#include "schedule/execute.h"
#include "schedule/readiness.h"
#include "schedule/schedule.h"
#include "schedule/results.h"

// A full repaint when anything shown changed; otherwise only the blinking
// marks, straight on the window. The window's context is taken only when a
// mark changes on a window that is shown: ten contexts a second for nothing
// would be most of what the program costs while it waits.
static void UpdateDisplay(HWND window, const SYSTEMTIME *now, bool redraw)
{
    if (!redraw && (!BlinkersChange(now) || !IsWindowVisible(window)))
        return;
    // Drawn larger than its own dots, the display is composed again whole
    // for its marks too.
    RECT shown = ShownDisplayRect();
    if (redraw || shown.right - shown.left != DisplaySize) {
        InvalidateRect(window, &shown, FALSE);
        return;
    }
    HDC context = GetDC(window);
    if (!context)
        return;
    DrawBlinkers(context, now, false);
    ReleaseDC(window, context);
}

// A held volume key steps once per tick after a short delay; its screen
// stays up while it is held.
static void RepeatHeldKey(HWND window)
{
    int id = App.HeldButton;
    HWND key = (id == KeyVolumeDown || id == KeyVolumeUp) ? GetDlgItem(window, id) : NULL;
    if (key && (SendMessageA(key, BM_GETSTATE, 0, 0) & BST_PUSHED)) {
        if (App.RepeatDelay > 0)
            App.RepeatDelay--;
        else
            PostMessageA(window, WM_COMMAND, (WPARAM)id, (LPARAM)key);
        return;
    }
    if (App.TempDisplayTicks > 0)
        App.TempDisplayTicks--;
    if (App.RepeatDelay > 0)
        App.RepeatDelay--;
}

// The reservation side of a tick: a new day's schedule, a due start, a
// reached end or a failed write (with the optional power-off in the same
// tick), one step of the stereo's preparation, and the recording once the
// stereo is ready or can be waited for no longer.
static void RunReservations(HWND window, const SYSTEMTIME *now)
{
    FILETIME instant;
    SystemTimeToFileTime(now, &instant);
    // A new day, a gap since the last tick (a sleep whose resume message
    // has not come yet, a clock stepped forward without a message) or time
    // gone backwards: what the schedule expected is stale, so it is looked
    // at afresh. An occurrence that passed meanwhile is missed, one under
    // way begins rather than being begun as if on time.
    if (TickIsFreshLook(now, &App.LastTick))
        ScheduleAfresh(now, &App.LastTick);
    if (App.NextReservation.Entry && FileTimeReached(&App.NextReservation.NextStart, &instant))
        BeginReservation(now);
    EndDueReservation(now);
    GiveUpLeftPreparation(&instant);
    // Whatever is still pending goes on in this tick, the end's power-off
    // included.
    if (App.DeviceRequest.PendingFlags != 0)
        RunDeviceRequests();

    StartArmedRecording(window, now);
    WatchCaptureDevice();
}

void OnTick(HWND window, UINT timerId)
{
    if (timerId != TickTimerId)
        return;
    SYSTEMTIME now;
    ReadLocalTime(&now);
    OnTickAt(window, &now);
}

void OnTickAt(HWND window, const SYSTEMTIME *now)
{
    // A clock change or a sleep that comes while the tick begins or ends a
    // reservation is handled after the tick, which has then seen its time.
    EnterTransition();
    bool redraw = ReadStereoStatus(window);
    if (!redraw)
        redraw = MinuteChanged(now);
    UpdateDisplay(window, now, redraw);
    RunReservations(window, now);
    HoldAwakeAsDue(now);
    RepeatHeldKey(window);
    KeepLastRunning(now, false);
    RetryKeptResults(now);
    RetryTrayIcon(window);
    App.LastTick = *now;
    LeaveTransition(window);
}
