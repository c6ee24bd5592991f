// What the user sees of a reservation's life: the schedule announces each
// moment (schedule/events.h) and this file shows it on the panel, in the
// notification area and the caption, keeps the PC awake while it runs, sets
// the wake-up for the next one (again at each end) and saves the list.
#include "schedule/events.h"
#include "app/appstate.h"
#include "app/tray.h"
#include "app/awake.h"
#include "app/wake.h"
#include "app/notices.h"
#include "app/savenotice.h"
#include "panel/panel.h"
#include "reserveui/reserveui.h"
#include <commctrl.h>

static const char *TitleOf(const ReserveEntry *entry)
{
    return entry && entry->Title ? entry->Title : "";
}

// The stereo's own layout: its source while on, "off" in standby.
static int StereoLayout()
{
    return App.DeviceStatus.Power ? (int)App.DeviceStatus.Source : (int)PanelModeOff;
}

// The recording layout's status line and end-time picker.
static void ShowActiveReservation(const ReserveEntry *entry, const FILETIME *end)
{
    HWND mainWindow = App.MainWindow;
    if (!mainWindow)
        return;
    HWND statusLine = GetDlgItem(mainWindow, RecordingStatusId);
    if (statusLine)
        SetRecordingStatusText(statusLine, TitleOf(entry));
    HWND picker = GetDlgItem(mainWindow, EndTimePickerId);
    if (picker) {
        SYSTEMTIME shown;
        FileTimeToSystemTime(end, &shown);
        SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&shown);
    }
}

void ReservationBegun(const ReserveEntry *entry, const FILETIME *end, bool tookOver)
{
    if (!tookOver)
        SwitchPanelMode(StereoLayout(), RecordingLayout);
    // What the caption said of the last recording is over now.
    ClearRecordingFailure(App.MainWindow);
    ShowActiveReservation(entry, end);
    HoldAwake();
    UpdateTrayIcon();
}

void RecordingStarted(const ReserveEntry *entry, const char *path, const SYSTEMTIME *now, bool stereoReady)
{
    (void)path;
    if (stereoReady)
        TellRecordingBegan(App.MainWindow, now);
    else
        TellStereoNotReady(App.MainWindow, TitleOf(entry));
}

void RecordingNotStarted(const ReserveEntry *entry)
{
    TellRecordingNotStarted(App.MainWindow, TitleOf(entry));
}

// The user hears of the recording's file, or of the write that failed.
static void TellRecordingEnded(const ReserveEntry *entry, const RecordingSummary *summary)
{
    Notice notice;
    if (summary->Reason != RecordingStopAsked)
        ComposeRecordingFailed(&notice, TitleOf(entry));
    else if (summary->Silent)
        ComposeRecordingSilent(&notice, TitleOf(entry), summary->Path);
    else
        ComposeRecordingFinished(&notice, summary->Path, summary->Seconds, summary->Parts ? summary->Parts : 1);
    ShowNotice(App.MainWindow, &notice);
}

void ReservationEnded(const ReserveEntry *entry, const RecordingSummary *summary, Outcome outcome, bool next)
{
    (void)outcome;
    if (summary)
        TellRecordingEnded(entry, summary);
    if (next)
        return;
    SwitchPanelMode(RecordingLayout, StereoLayout());
    // The next start's wake time may have passed while this one recorded:
    // the wake-up is set again from now, and a start close enough keeps the
    // PC awake until it comes.
    UpdateWakeTimer();
    SYSTEMTIME now;
    ReadLocalTime(&now);
    HoldAwakeAsDue(&now);
    UpdateTrayIcon();
    // A recording the disk no longer took is told where the user looks next.
    if (summary && summary->Reason != RecordingStopAsked && App.MainWindow)
        ShowRecordingFailure(App.MainWindow);
}

void ProgrammesMissed(const MissedOccurrence *first, uint32_t count)
{
    Notice notice;
    const char *title = first ? TitleOf(first->Entry) : "";
    if (count == 1 && first) {
        SYSTEMTIME start = OccurrenceStartMinute(&first->When);
        ComposeProgrammeMissed(&notice, title, &start);
    } else {
        ComposeProgrammesMissed(&notice, first ? title : NULL, count);
    }
    ShowNotice(App.MainWindow, &notice);
}

bool ResultsUnwritable()
{
    // At the start there is no window yet to tell it from: the next
    // failure tells it.
    if (!App.MainWindow)
        return false;
    Notice notice;
    ComposeResultsUnwritable(&notice);
    ShowNotice(App.MainWindow, &notice);
    return true;
}

void ResultAdded()
{
    if (App.ResultsWindow)
        PostMessageA(App.ResultsWindow, WM_RESULTSCHANGED, 0, 0);
}

void ReservationsChanged()
{
    SaveSettingsChange(SectionReserve);
}

void NextReservationChanged()
{
    UpdateWakeTimer();
}
