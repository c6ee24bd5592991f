// Notices from the notification-area icon: what happened to a recording
// while nobody was watching, told in a balloon (a notification on Windows
// 10 and 11) that needs no answer and holds nothing up.
//
// While the window is in the notification area the notice comes from its
// icon. While the window is open the icon is added for the notice and
// removed again when the notice closes; minimising meanwhile keeps it.
#pragma once
#include <windows.h>
#include <shellapi.h>

enum NoticeKind {
    NoticeNone = 0,
    NoticeRecordingBegan,     // title, end time
    NoticeRecordingFinished,  // file name, length
    NoticeRecordingFailed,    // a write error or a full disk stopped it, or it could not begin
    NoticeStereoNotReady,     // the stereo was not ready by the programme's start
    NoticeProgrammeMissed,    // the program was not running or the PC was asleep
    NoticeDiskTooSmall,       // the estimate of the recording exceeds the free space
    NoticeOverlap,            // a stored reservation runs at the same time as another
    NoticeRecordingSilent,    // the recording heard nothing but silence
    NoticeResultsUnwritable,  // the results file cannot be written
    NoticeWakeHindered,       // the PC may sleep through the wake-up set
    NoticeStereoAwaited,      // a start at sign-in found no stereo yet and waits for it
};

// The balloon's two texts, as the notification area takes them.
enum { NoticeTitleBytes = 64, NoticeTextBytes = 256 };
struct Notice {
    NoticeKind Kind;
    char Title[NoticeTitleBytes];
    char Text[NoticeTextBytes];
};

// ---- the texts (no window needed) ----

void ComposeRecordingBegan(Notice *notice, const char *title, const SYSTEMTIME *end);
// name: the recording's (first) file; seconds: the audio's length; parts:
// how many files a recording past 4 GiB was split into.
void ComposeRecordingFinished(Notice *notice, const char *path, ULONGLONG seconds, DWORD parts);
void ComposeRecordingFailed(Notice *notice, const char *title);
void ComposeRecordingNotStarted(Notice *notice, const char *title);
void ComposeStereoNotReady(Notice *notice, const char *title);
// start: the programme's start minute.
void ComposeProgrammeMissed(Notice *notice, const char *title, const SYSTEMTIME *start);
// Several programmes missed at once; title: the earliest one's, or none.
void ComposeProgrammesMissed(Notice *notice, const char *title, unsigned count);
// A recording that ended without a sound in it.
void ComposeRecordingSilent(Notice *notice, const char *title, const char *path);
void ComposeResultsUnwritable(Notice *notice);
// sentence: what stands in the way (app/wakecheck.h).
void ComposeWakeHindered(Notice *notice, const char *sentence);
void ComposeDiskTooSmall(Notice *notice, const char *title, ULONGLONG needed, ULONGLONG available);
void ComposeOverlap(Notice *notice, const char *title, const char *other);
void ComposeStereoAwaited(Notice *notice);
// "1:02:03" or "2:05".
void FormatDuration(ULONGLONG seconds, char *text, size_t size);

// ---- showing them ----

// Hands the notice to the notification area (adding the icon while the
// window is open); nothing when the option is off. True when handed over.
// The record's dwInfoFlags for a notice of this kind.
DWORD NoticeInfoFlags(NoticeKind kind);
bool ShowNotice(HWND mainWindow, const Notice *notice);
// The icon's notice events (WM_TRAYNOTIFY): a click on the notice opens the
// window; a notice that closes by itself while the window is open takes the
// icon it brought with it.
void OnNoticeEvent(HWND mainWindow, LPARAM event);

// ---- the events ----

// The recorder has started for the active reservation at now (the tick's
// time): tells of the start, or, when the estimated size of the recording up
// to its end exceeds the free space of its disk, of that (the recording goes
// on and keeps what fits).
void TellRecordingBegan(HWND mainWindow, const SYSTEMTIME *now);
void TellRecordingNotStarted(HWND mainWindow, const char *title);
// For the checks that watch the stereo's preparation and the occurrences
// that passed while the program was not running or the PC was asleep.
void TellStereoNotReady(HWND mainWindow, const char *title);
void TellProgrammeMissed(HWND mainWindow, const char *title, const SYSTEMTIME *start);
