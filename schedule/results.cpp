// The results of the reservations: the line of each run composed from what
// the schedule, the recorder and the stereo's preparation noted on the way.
#include "schedule/results.h"
#include "schedule/schedule.h"
#include "schedule/events.h"
#include "app/appstate.h"
#include "app/heap.h"
#include "recorder/recorder.h"
#include "recorder/formatname.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// A reservation begun this long after its start instant began under way.
static const ULONGLONG LateAfter = 2 * FileTimeSecond;
// A recording this much shorter than its planned span is cut short: the
// hand-over to a reservation that follows at once comes five seconds early.
static const ULONGLONG ShortfallAllowed = 10;
// How often the running moment is written.
static const ULONGLONG RunningEvery = 600 * FileTimeSecond;
static const ULONGLONG KeptResultsEvery = 60 * FileTimeSecond;

// One line being composed: the texts the fields point at.
struct ResultTexts {
    char Outcome[OutcomeTextBytes];
    const char *Title;
    char PlannedStart[ResultTimeBytes];
    char PlannedEnd[ResultTimeBytes];
    char RecordStart[ResultTimeBytes];
    char RecordEnd[ResultTimeBytes];
    char Seconds[24];
    char *Files;  // heap, or none
    char Bytes[24];
    char Format[FormatDescriptionBytes];
    char Detail[512];
};

void FormatLateness(ULONGLONG seconds, char *text, size_t size)
{
    unsigned hours = (unsigned)(seconds / 3600), minutes = (unsigned)(seconds / 60 % 60),
             rest = (unsigned)(seconds % 60);
    if (hours)
        snprintf(text, size, "%u時間%u分", hours, minutes);
    else if (minutes)
        snprintf(text, size, "%u分%u秒", minutes, rest);
    else
        snprintf(text, size, "%u秒", rest);
}

static void AddDetail(ResultTexts *texts, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void AddDetail(ResultTexts *texts, const char *format, ...)
{
    size_t used = strlen(texts->Detail);
    va_list args;
    va_start(args, format);
    vsnprintf(texts->Detail + used, sizeof texts->Detail - used, format, args);
    va_end(args);
}

static void FileTimeText(const FILETIME *instant, char text[ResultTimeBytes])
{
    SYSTEMTIME time;
    text[0] = '\0';
    if (FileTimeToUnits(instant) && FileTimeToSystemTime(instant, &time))
        FormatResultTime(&time, text);
}

// The line's planned times and format from the reservation and its
// occurrence's start minute and end.
static void StartLine(ResultTexts *texts, const ReserveEntry *entry, const FILETIME *minute, const FILETIME *end)
{
    memset(texts, 0, sizeof *texts);
    texts->Title = entry && entry->Title ? entry->Title : "";
    FileTimeText(minute, texts->PlannedStart);
    FileTimeText(end, texts->PlannedEnd);
    if (entry && FormatBlockValid(entry->Format))
        DescribeFormat((const WAVEFORMATEX *)entry->Format, false, texts->Format);
}

static void SetOutcome(ResultTexts *texts, Outcome outcome, bool silent)
{
    OutcomeText(outcome, silent, texts->Outcome);
}

// The files of the recording, joined with " | ", and their total size.
static void DescribeFiles(ResultTexts *texts, const RecordingSummary *summary)
{
    DWORD parts = summary->Parts > 1 ? summary->Parts : 1;
    texts->Files = (char *)HeapAllocZero((size_t)parts * (SavePathBytes + 3));
    for (DWORD part = 1; part <= parts && texts->Files; part++) {
        char path[SavePathBytes];
        if (part == 1)
            memcpy(path, summary->Path, sizeof path);
        else if (!NumberedPartPath(summary->Path, part, path, sizeof path))
            continue;
        if (part > 1)
            strcat(texts->Files, " | ");
        strcat(texts->Files, path);
    }
    snprintf(texts->Bytes, sizeof texts->Bytes, "%llu", (unsigned long long)summary->FileBytes);
}

// Appends the line; a file that cannot be written is told once, until a
// line reaches it again (at the start, before there is a window to tell it
// from, the next failure tells it).
static void WriteLine(ResultTexts *texts)
{
    const char *fields[ResultFieldCount] = {
        texts->Outcome,     texts->Title,   texts->PlannedStart, texts->PlannedEnd, texts->RecordStart,
        texts->RecordEnd,   texts->Seconds, texts->Files,        texts->Bytes,      texts->Format,
        texts->Detail,
    };
    // A line kept aside for the file is not lost: the window shows it,
    // and the notice says it waits.
    ResultStored stored = StoreResultRecord(App.ProgramFolder, fields);
    if (stored == ResultStoredInFile)
        App.ResultsUnwritable = FALSE;
    if (stored != ResultStoredLost)
        ResultAdded();
    if (stored != ResultStoredInFile && !App.ResultsUnwritable && ResultsUnwritable())
        App.ResultsUnwritable = TRUE;
    HeapFreeBlock(texts->Files);
    texts->Files = NULL;
}

// ---- the moments of a run ----

// The active programme's start minute: StartLead after its start instant,
// or for a start by hand the moment it was started.
static FILETIME ActiveStartMinute()
{
    return App.ActiveStartedByHand ? App.ActiveStart : FileTimeAdd(&App.ActiveStart, (LONGLONG)StartLead);
}

void NoteReservationBegun(const FILETIME *start, const SYSTEMTIME *now)
{
    App.ActiveStart = *start;
    App.ActiveBegunAt = *now;
    App.RecordingUnready = FALSE;
    App.RecordingStartFailed = FALSE;
    App.ActiveEndHow = ResultEndAtItsTime;
    App.ActiveTakenOverBy[0] = '\0';
    App.ActiveStartedByHand = FALSE;
}

void NoteStartedByHand()
{
    App.ActiveStartedByHand = TRUE;
}

void NoteRecordingStarted(const SYSTEMTIME *now, bool ready)
{
    App.RecordingBegunAt = *now;
    App.RecordingUnready = !ready;
}

void NoteReservationEnding(ResultEnd how, const char *next)
{
    App.ActiveEndHow = how;
    snprintf(App.ActiveTakenOverBy, sizeof App.ActiveTakenOverBy, "%s", next ? next : "");
}

// Seconds from the programme's start minute to the recording's start, when
// the reservation was begun under way; 0 when it began on time.
static ULONGLONG Lateness()
{
    FILETIME begun, recorded;
    if (!SystemTimeToFileTime(&App.ActiveBegunAt, &begun) || !SystemTimeToFileTime(&App.RecordingBegunAt, &recorded))
        return 0;
    ULONGLONG start = FileTimeToUnits(&App.ActiveStart);
    if (FileTimeToUnits(&begun) <= start + LateAfter)
        return 0;
    ULONGLONG minute = start + StartLead, at = FileTimeToUnits(&recorded);
    return at > minute ? (at - minute) / FileTimeSecond : 0;
}

// The seconds from the recording's start to its programme's end: what a
// whole recording holds. 0 when the times do not say.
static ULONGLONG PlannedSeconds()
{
    FILETIME recorded;
    if (!SystemTimeToFileTime(&App.RecordingBegunAt, &recorded))
        return 0;
    ULONGLONG from = FileTimeToUnits(&recorded), to = FileTimeToUnits(&App.ActiveEnd);
    return to > from ? (to - from) / FileTimeSecond : 0;
}

// Why the recording ended, and whether that cut it short. Whatever ended
// it, a recording that holds less than its planned span (a takeover in the
// middle, a sleep, a clock set ahead, a recording device that stopped
// delivering) is cut; the usual hand-over a few seconds early is not.
static bool DescribeEnd(ResultTexts *texts, const RecordingSummary *summary)
{
    if (summary->Reason != RecordingStopAsked) {
        AddDetail(texts, summary->Reason == RecordingStopDiskFull ? "ディスクがいっぱいになりました。"
                                                                  : "ファイルに書き込めなくなりました。");
        return true;
    }
    ULONGLONG planned = PlannedSeconds();
    bool shortened = summary->Seconds + ShortfallAllowed < planned;
    switch (App.ActiveEndHow) {
    case ResultEndTakenOver:
        AddDetail(texts, "次の予約「%s」が始まったところで終えました。", App.ActiveTakenOverBy);
        return shortened;
    case ResultEndByUser:
        AddDetail(texts, "録音の停止で止めました。");
        return true;
    case ResultEndAtExit:
        AddDetail(texts, "TALVO レコーダーを終了したため止まりました。");
        return true;
    case ResultEndAsleep:
        AddDetail(texts, "パソコンがスリープしたため止まりました。");
        return true;
    default:
        if (!shortened) {
            AddDetail(texts, "終了時刻まで録音しました。");
            return false;
        }
        char had[32], wanted[32];
        FormatLateness(summary->Seconds, had, sizeof had);
        FormatLateness(planned, wanted, sizeof wanted);
        AddDetail(texts, "予定の %s のうち %s しか録音できませんでした (スリープ、時計の変更、録音デバイスの停止など)。", wanted,
                  had);
        return true;
    }
}

Outcome LogRecordingStopped(const RecordingSummary *summary)
{
    const ReserveEntry *entry = App.ActiveReservation;
    ResultTexts texts;
    FILETIME minute = ActiveStartMinute();
    StartLine(&texts, entry, &minute, &App.ActiveEnd);
    FormatResultTime(&App.RecordingBegunAt, texts.RecordStart);
    SYSTEMTIME now;
    ReadLocalTime(&now);
    FormatResultTime(&now, texts.RecordEnd);
    snprintf(texts.Seconds, sizeof texts.Seconds, "%llu", (unsigned long long)summary->Seconds);
    DescribeFiles(&texts, summary);

    bool silent = summary->Silent != FALSE;
    if (silent)
        AddDetail(&texts, "音が入っていません。TALVO の USB ケーブルとパソコンの録音デバイスを確かめてください。");
    ULONGLONG late = Lateness();
    if (late) {
        char length[32];
        FormatLateness(late, length, sizeof length);
        AddDetail(&texts, "番組の開始から %s 遅れて録音を始めました。", length);
    }
    if (App.RecordingUnready)
        AddDetail(&texts, "開始時刻までに TALVO の準備ができなかったため、準備を待たずに録音しました。");
    if (summary->Gaps) {
        char length[32];
        FormatLateness(summary->GapSeconds, length, sizeof length);
        AddDetail(&texts, "録音デバイスが %lu 回とぎれ、あわせて %s 録音できませんでした (つながってからは同じファイルに録音しました)。",
                  (unsigned long)summary->Gaps, length);
    }
    bool cut = DescribeEnd(&texts, summary);
    Outcome outcome = cut ? OutcomeStopped
                    : App.RecordingUnready ? OutcomeNotReady
                    : late ? OutcomeRecordedLate
                           : OutcomeRecorded;
    SetOutcome(&texts, outcome, silent);
    WriteLine(&texts);
    return outcome;
}

// The system's words for a failed start.
static void DescribeStartFailure(ResultTexts *texts)
{
    char reason[256] = "";
    switch (App.StartFailure) {
    case StartFailedFile:
        if (!App.StartError || !FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                               App.StartError, 0, reason, sizeof reason, NULL))
            snprintf(reason, sizeof reason, "保存先のフォルダーとファイル名を確かめてください。");
        AddDetail(texts, "録音ファイルを作れませんでした: %s", reason);
        break;
    case StartFailedDevice:
        if (waveInGetErrorTextA(App.StartError, reason, sizeof reason) != MMSYSERR_NOERROR)
            snprintf(reason, sizeof reason, "エラー %lu", (unsigned long)App.StartError);
        AddDetail(texts, "録音デバイスを開けませんでした: %s", reason);
        break;
    case StartFailedCodec:
        if (App.StartError == ERROR_MOD_NOT_FOUND)
            AddDetail(texts, "MP3 の録音に使う " Mp3LibraryName " が、プログラムと同じフォルダーにありません。");
        else
            AddDetail(texts, "この録音形式に変換できませんでした。");
        break;
    default:
        AddDetail(texts, "メモリーが足りませんでした。");
        break;
    }
    // The system's sentence ends with a line break.
    size_t length = strlen(texts->Detail);
    while (length > 0 && (texts->Detail[length - 1] == '\r' || texts->Detail[length - 1] == '\n'))
        texts->Detail[--length] = '\0';
}

Outcome LogReservationUnrecorded()
{
    ResultTexts texts;
    FILETIME minute = ActiveStartMinute();
    StartLine(&texts, App.ActiveReservation, &minute, &App.ActiveEnd);
    if (App.RecordingStartFailed) {
        DescribeStartFailure(&texts);
    } else {
        switch (App.ActiveEndHow) {
        case ResultEndTakenOver:
            AddDetail(&texts, "録音が始まる前に次の予約「%s」が始まりました。", App.ActiveTakenOverBy);
            break;
        case ResultEndByUser:
            AddDetail(&texts, "録音が始まる前に停止しました。");
            break;
        case ResultEndAtExit:
            AddDetail(&texts, "録音が始まる前に TALVO レコーダーを終了しました。");
            break;
        case ResultEndAsleep:
            AddDetail(&texts, "録音が始まる前にパソコンがスリープしました。");
            break;
        default:
            AddDetail(&texts, "録音を始める前に終了時刻になりました。");
            break;
        }
    }
    SetOutcome(&texts, OutcomeNotRecorded, false);
    WriteLine(&texts);
    return OutcomeNotRecorded;
}

void DescribeActiveOccurrence(RecordingOccurrenceTexts *occurrence)
{
    memset(occurrence, 0, sizeof *occurrence);
    const ReserveEntry *entry = App.ActiveReservation;
    if (!entry)
        return;
    lstrcpynA(occurrence->Title, entry->Title ? entry->Title : "", sizeof occurrence->Title);
    FILETIME minute = ActiveStartMinute();
    FileTimeText(&minute, occurrence->PlannedStart);
    FileTimeText(&App.ActiveEnd, occurrence->PlannedEnd);
    SYSTEMTIME now;
    ReadLocalTime(&now);
    FormatResultTime(&now, occurrence->RecordStart);
}

void LogInterruptedRecording(const char *path, const RecordingOccurrenceTexts *occurrence)
{
    ResultTexts texts;
    memset(&texts, 0, sizeof texts);
    texts.Title = "";
    // The programme it was of, as the marker kept it.
    if (occurrence) {
        texts.Title = occurrence->Title;
        memcpy(texts.PlannedStart, occurrence->PlannedStart, sizeof texts.PlannedStart);
        memcpy(texts.PlannedEnd, occurrence->PlannedEnd, sizeof texts.PlannedEnd);
        memcpy(texts.RecordStart, occurrence->RecordStart, sizeof texts.RecordStart);
    }
    size_t length = strlen(path) + 1;
    texts.Files = (char *)HeapAllocZero(length);
    if (texts.Files)
        memcpy(texts.Files, path, length);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        snprintf(texts.Bytes, sizeof texts.Bytes, "%llu",
                 (unsigned long long)(((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow));
    SetOutcome(&texts, OutcomeStopped, false);
    AddDetail(&texts, "録音中に TALVO レコーダーが止まりました (パソコンの電源が切れたなど)。ファイルは再生できるように直しました。");
    WriteLine(&texts);
}

// ---- missed programmes ----

// Whether the file already has a line for the occurrence (the running
// moment is written only every ten minutes: a programme recorded after it
// was not missed).
static bool AlreadyLogged(const ResultList *logged, const char *title, const char *plannedStart)
{
    for (uint32_t i = 0; i < logged->Count; i++) {
        char *const *fields = logged->Items[i].Fields;
        if (strcmp(fields[ResultTitle], title) == 0 && strcmp(fields[ResultPlannedStart], plannedStart) == 0)
            return true;
    }
    return false;
}

void LogMissedProgrammes(const MissedList *missed)
{
    if (missed->Count == 0 && missed->Older == 0)
        return;
    ResultList logged = {};
    LoadResults(App.ProgramFolder, &logged);
    const MissedOccurrence *first = NULL;
    uint32_t count = 0;
    for (uint32_t i = 0; i < missed->Count; i++) {
        const MissedOccurrence *item = &missed->Items[i];
        ResultTexts texts;
        FILETIME minute = FileTimeAdd(&item->When.Start, (LONGLONG)StartLead);
        StartLine(&texts, item->Entry, &minute, &item->When.End);
        if (AlreadyLogged(&logged, texts.Title, texts.PlannedStart))
            continue;
        SetOutcome(&texts, OutcomeMissed, false);
        AddDetail(&texts, "パソコンが止まっていたか、TALVO レコーダーが動いていませんでした。");
        WriteLine(&texts);
        if (!first)
            first = item;
        count++;
    }
    FreeResults(&logged);
    if (missed->Older) {
        ResultTexts texts;
        memset(&texts, 0, sizeof texts);
        texts.Title = "";
        SetOutcome(&texts, OutcomeMissed, false);
        AddDetail(&texts, "このほか、%d 日より前の番組 %lu 件も録音できませんでした。", (int)MissedDaysListed,
                  (unsigned long)missed->Older);
        WriteLine(&texts);
    }
    if (count + missed->Older > 0)
        ProgrammesMissed(first, count + missed->Older);
}

void RecallLastRunning()
{
    SYSTEMTIME away;
    App.AwaySince = UnitsToFileTime(0);
    if (LoadLastRunning(App.ProgramFolder, &away))
        SystemTimeToFileTime(&away, &App.AwaySince);
}

// Whether a step done every so often is due at the instant at, last done at
// last (zero: never, so at once); a clock set back counts as due.
static bool DueEvery(const FILETIME *at, const FILETIME *last, ULONGLONG every)
{
    ULONGLONG now = FileTimeToUnits(at), before = FileTimeToUnits(last);
    return !before || now < before || now - before >= every;
}

void KeepLastRunning(const SYSTEMTIME *now, bool force)
{
    FILETIME instant;
    if (!SystemTimeToFileTime(now, &instant))
        return;
    // The first tick writes at once: from then on a crash costs the next
    // start's look back at most ten minutes.
    if (!force && !DueEvery(&instant, &App.LastRunningSaved, RunningEvery))
        return;
    SaveLastRunning(App.ProgramFolder, now);
    App.LastRunningSaved = instant;
}

void RetryKeptResults(const SYSTEMTIME *now)
{
    FILETIME instant;
    if (!SystemTimeToFileTime(now, &instant) || !DueEvery(&instant, &App.KeptResultsTried, KeptResultsEvery))
        return;
    App.KeptResultsTried = instant;
    // Only a file that held lines aside and took them counts as writable
    // again; one that never refused has nothing to say.
    if (ResultsKeptAside(App.ProgramFolder) && WriteKeptResults(App.ProgramFolder)) {
        App.ResultsUnwritable = FALSE;
        ResultAdded();
    }
}
