// Notices from the notification-area icon.
#include "app/notices.h"
#include "app/appstate.h"
#include "settings/settings.h"
#include "app/tray.h"
#include "recorder/recorder.h"
#include "schedule/results.h"
#include "res/resource.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// A programme or file name inside a sentence: long names are shortened so
// that the sentence around them still fits the four lines or so of a toast.
enum { NoticeNameBytes = 41 };

static void CopyWhole(char *out, size_t size, const char *text)
{
    size_t length = WholeCharactersWithin(text, size);
    memcpy(out, text, length);
    out[length] = '\0';
}

// The name as it stands, or its first whole characters and "...".
static void ShortName(const char *name, char out[NoticeNameBytes])
{
    if (!name)
        name = "";
    if (strlen(name) < NoticeNameBytes) {
        strcpy(out, name);
        return;
    }
    CopyWhole(out, NoticeNameBytes - 3, name);
    strcat(out, "...");
}

static void Compose(Notice *notice, NoticeKind kind, const char *title, const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    notice->Kind = kind;
    CopyWhole(notice->Title, sizeof notice->Title, title);
    CopyWhole(notice->Text, sizeof notice->Text, text);
}

void FormatDuration(ULONGLONG seconds, char *text, size_t size)
{
    unsigned hours = (unsigned)(seconds / 3600), minutes = (unsigned)(seconds / 60 % 60),
             rest = (unsigned)(seconds % 60);
    if (hours)
        snprintf(text, size, "%u:%02u:%02u", hours, minutes, rest);
    else
        snprintf(text, size, "%u:%02u", minutes, rest);
}

// "1.5 GB", "820 MB".
static void FormatBytes(ULONGLONG bytes, char *text, size_t size)
{
    const ULONGLONG mega = 1024 * 1024, giga = mega * 1024;
    if (bytes >= giga)
        snprintf(text, size, "%u.%u GB", (unsigned)(bytes / giga), (unsigned)(bytes % giga * 10 / giga));
    else
        snprintf(text, size, "%u MB", (unsigned)((bytes + mega - 1) / mega));
}

void ComposeRecordingBegan(Notice *notice, const char *title, const SYSTEMTIME *end)
{
    char name[NoticeNameBytes];
    ShortName(title, name);
    Compose(notice, NoticeRecordingBegan, "録音を始めました", "「%s」を録音しています。%u:%02u に終わります。", name,
            end->wHour, end->wMinute);
}

void ComposeRecordingFinished(Notice *notice, const char *path, ULONGLONG seconds, DWORD parts)
{
    char file[SavePathBytes], name[NoticeNameBytes], length[32];
    SplitPath(path, NULL, file);
    ShortName(file, name);
    FormatDuration(seconds, length, sizeof length);
    if (parts > 1)
        Compose(notice, NoticeRecordingFinished, "録音が終わりました", "%s ほか %lu 個のファイルに保存しました。長さ %s",
                name, (unsigned long)(parts - 1), length);
    else
        Compose(notice, NoticeRecordingFinished, "録音が終わりました", "%s に保存しました。長さ %s", name, length);
}

void ComposeRecordingFailed(Notice *notice, const char *title)
{
    char name[NoticeNameBytes];
    ShortName(title, name);
    Compose(notice, NoticeRecordingFailed, "録音を中止しました",
            "ファイルに書き込めず「%s」の録音を中止しました。ディスクの空きを確かめてください。"
            "そこまでの録音は残っています。",
            name);
}

void ComposeRecordingNotStarted(Notice *notice, const char *title)
{
    char name[NoticeNameBytes];
    ShortName(title, name);
    Compose(notice, NoticeRecordingFailed, "録音を始められませんでした",
            "「%s」を録音できませんでした。保存先のフォルダーと録音デバイスを確かめてください。", name);
}

void ComposeStereoNotReady(Notice *notice, const char *title)
{
    char name[NoticeNameBytes];
    ShortName(title, name);
    Compose(notice, NoticeStereoNotReady, "TALVO の準備が間に合いませんでした",
            "「%s」の開始までに TALVO が応えませんでした。録音は始めています。電源と USB の接続を確かめてください。",
            name);
}

void ComposeProgrammeMissed(Notice *notice, const char *title, const SYSTEMTIME *start)
{
    char name[NoticeNameBytes];
    ShortName(title, name);
    Compose(notice, NoticeProgrammeMissed, "録音できなかった番組があります",
            "%u/%u %u:%02u からの「%s」は、パソコンが止まっていたか TALVO レコーダーが動いていなかったため"
            "録音できませんでした。",
            start->wMonth, start->wDay, start->wHour, start->wMinute, name);
}

void ComposeProgrammesMissed(Notice *notice, const char *title, unsigned count)
{
    char name[NoticeNameBytes], named[NoticeNameBytes + 16] = "";
    ShortName(title, name);
    if (title)
        snprintf(named, sizeof named, "「%s」など ", name);
    Compose(notice, NoticeProgrammeMissed, "録音できなかった番組があります",
            "%s%u 件の番組を録音できませんでした。パソコンか TALVO レコーダーが止まっていました。"
            "録音結果に記録しました。",
            named, count);
}

void ComposeRecordingSilent(Notice *notice, const char *title, const char *path)
{
    char name[NoticeNameBytes], whole[SavePathBytes], file[NoticeNameBytes];
    ShortName(title, name);
    SplitPath(path, NULL, whole);
    ShortName(whole, file);
    Compose(notice, NoticeRecordingSilent, "無音の録音になりました",
            "「%s」(%s) に音が入っていません。TALVO のケーブルと録音デバイスを確かめてください。", name, file);
}

void ComposeResultsUnwritable(Notice *notice)
{
    Compose(notice, NoticeResultsUnwritable, "録音結果を記録できません",
            "TALVORec-results.csv に書き込めません。結果は取っておき、書き込めるようになったら書き込みます。表計算ソフトなどで開いていたら閉じてください。");
}

void ComposeStereoAwaited(Notice *notice)
{
    Compose(notice, NoticeStereoAwaited, "TALVO を待っています",
            "TALVO が見つかりません。つながるまで数秒おきに探します。予約の時刻になれば録音は始めます。");
}

void ComposeWakeHindered(Notice *notice, const char *sentence)
{
    Compose(notice, NoticeWakeHindered, "スリープ中の予約は録音できないかもしれません",
            "%s予約の時刻までパソコンをスリープにしないでください。", sentence);
}

void ComposeDiskTooSmall(Notice *notice, const char *title, ULONGLONG needed, ULONGLONG available)
{
    char name[NoticeNameBytes], need[32], have[32];
    ShortName(title, name);
    FormatBytes(needed, need, sizeof need);
    FormatBytes(available, have, sizeof have);
    Compose(notice, NoticeDiskTooSmall, "ディスクの空きが足りないかもしれません",
            "「%s」の録音を始めました。最後まで録ると約 %s になりますが、空きは %s です。入るところまで録音します。",
            name, need, have);
}

void ComposeOverlap(Notice *notice, const char *title, const char *other)
{
    char name[NoticeNameBytes], otherName[NoticeNameBytes];
    ShortName(title, name);
    ShortName(other, otherName);
    Compose(notice, NoticeOverlap, "予約の時間が重なっています",
            "「%s」は「%s」と時間が重なっています。重なった時間は、後から始まる予約を録音します。", name, otherName);
}

// ---- showing ----

DWORD NoticeInfoFlags(NoticeKind kind)
{
    DWORD flags = NIIF_USER | NIIF_NOSOUND | NIIF_LARGE_ICON;
    // What happens every day waits out the quiet hour after a first sign-in;
    // a failure is told whenever it happens.
    bool routine = kind == NoticeRecordingBegan || kind == NoticeRecordingFinished || kind == NoticeProgrammeMissed;
    return routine ? flags | NIIF_RESPECT_QUIET_TIME : flags;
}

bool ShowNotice(HWND mainWindow, const Notice *notice)
{
    if (!App.OptionFlags.Notices || !mainWindow || !notice->Text[0])
        return false;
    NOTIFYICONDATAA data;
    FillTrayRecord(mainWindow, &data);
    // The whole record: the notice shows the program's own icon in its
    // large size (hBalloonIcon), as Windows 10 and 11 draw notices as toasts.
    data.cbSize = sizeof data;
    data.uFlags |= NIF_INFO;
    lstrcpynA(data.szInfoTitle, notice->Title, sizeof data.szInfoTitle);
    lstrcpynA(data.szInfo, notice->Text, sizeof data.szInfo);
    data.dwInfoFlags = NoticeInfoFlags(notice->Kind);
    data.hBalloonIcon = App.NoticeIcon;
    // While the window is open there is no icon: the notice brings it.
    DWORD message = IsIconic(mainWindow) ? NIM_MODIFY : NIM_ADD;
    // An icon still there from the last notice takes the new one; one the
    // notification area has not taken yet (AddTrayIcon) comes with it.
    if (!NotifyTray(message, &data)) {
        message = message == NIM_ADD ? NIM_MODIFY : NIM_ADD;
        NotifyTray(message, &data);
    }
    if (!IsIconic(mainWindow))
        App.NoticesShowing++;
    App.LastNotice = data;
    App.LastNoticeMessage = message;
    App.LastNoticeKind = notice->Kind;
    App.NoticeCount++;
    return true;
}

// Notices come in pairs (a start and a warning, a finish and the next
// start), and each closes on its own.
void OnNoticeEvent(HWND mainWindow, LPARAM event)
{
    if (event != NIN_BALLOONUSERCLICK && event != NIN_BALLOONTIMEOUT)
        return;
    if (App.NoticesShowing)
        App.NoticesShowing--;
    if (event == NIN_BALLOONUSERCLICK)
        PostMessageA(mainWindow, WM_COMMAND, IDM_OPEN, 0);
    else if (!IsIconic(mainWindow) && !App.NoticesShowing)
        DeleteTrayIcon();
}

// ---- the events ----

static const char *ActiveTitle()
{
    return App.ActiveReservation && App.ActiveReservation->Title ? App.ActiveReservation->Title : "";
}

void TellRecordingBegan(HWND mainWindow, const SYSTEMTIME *now)
{
    if (!App.ActiveReservation)
        return;
    SYSTEMTIME end;
    FileTimeToSystemTime(&App.ActiveEnd, &end);
    FILETIME instant;
    SystemTimeToFileTime(now, &instant);
    ULONGLONG from = FileTimeToUnits(&instant), to = FileTimeToUnits(&App.ActiveEnd);
    ULONGLONG seconds = to > from ? (to - from + FileTimeSecond - 1) / FileTimeSecond : 0;
    ULONGLONG needed = EstimateRecordingBytes(App.ActiveReservation->Format, seconds), available = 0;
    Notice notice;
    if (FreeSpaceFor(App.RecordingPath, &available) && needed > available)
        ComposeDiskTooSmall(&notice, ActiveTitle(), needed, available);
    else
        ComposeRecordingBegan(&notice, ActiveTitle(), &end);
    ShowNotice(mainWindow, &notice);
}

void TellRecordingNotStarted(HWND mainWindow, const char *title)
{
    Notice notice;
    ComposeRecordingNotStarted(&notice, title);
    ShowNotice(mainWindow, &notice);
}

void TellStereoNotReady(HWND mainWindow, const char *title)
{
    Notice notice;
    ComposeStereoNotReady(&notice, title);
    ShowNotice(mainWindow, &notice);
}

void TellProgrammeMissed(HWND mainWindow, const char *title, const SYSTEMTIME *start)
{
    Notice notice;
    ComposeProgrammeMissed(&notice, title, start);
    ShowNotice(mainWindow, &notice);
}
