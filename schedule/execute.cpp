// Beginning and ending a reserved recording: the private copy of the
// reservation, the stereo's preparation, the recorder and the results line.
// What the user sees of it is announced (schedule/events.h).
#include "schedule/execute.h"
#include "schedule/schedule.h"
#include "schedule/underway.h"
#include "schedule/readiness.h"
#include "schedule/missed.h"
#include "schedule/results.h"
#include "schedule/events.h"
#include "app/appstate.h"
#include "recorder/recorder.h"
#include <string.h>

static void PrepareStereo(DeviceRequest *request, const ReserveEntry *entry)
{
    request->TargetPower = 1;
    request->TargetSource = 0;
    request->TargetPreset = (uint8_t)entry->Preset;
    request->PendingFlags = ReqPower | ReqSource | ReqPreset;
    if (App.OptionFlags.MuteRec) {
        request->TargetMute = 1;
        request->PendingFlags |= ReqMute;
    }
}

// The list's own entry of the running copy, found by what it holds (the
// list may have been edited meanwhile); none when it is gone.
static ReserveEntry *ListEntryOf(const ReserveEntry *copy)
{
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        if (entry->Year == copy->Year && entry->Month == copy->Month && entry->Day == copy->Day &&
            entry->WeekdayFirst == copy->WeekdayFirst && entry->WeekdayLast == copy->WeekdayLast &&
            entry->StartHour == copy->StartHour && entry->StartMinute == copy->StartMinute &&
            entry->EndHour == copy->EndHour && entry->EndMinute == copy->EndMinute &&
            entry->Preset == copy->Preset &&
            strcmp(entry->Title ? entry->Title : "", copy->Title ? copy->Title : "") == 0)
            return entry;
    }
    return NULL;
}

// What the user stopped stays stopped: its occurrence is not taken up again
// when another reservation ends, and a date reservation is done.
static void KeepStopped(const ReserveEntry *copy)
{
    App.StoppedStart = App.ActiveStart;
    ReserveEntry *entry = ListEntryOf(copy);
    if (entry && entry->Enabled && ReserveEntryMode(entry) == ReserveModeDate) {
        entry->Enabled = 0;
        ReservationsChanged();
    }
}

// All of a reservation's end happens here: its recording is stopped and
// what became of it is its results line; then the end is announced and the
// running copy let go. next: the title of the reservation that takes over
// the stereo at once, or none.
static void FinishActive(ResultEnd how, const char *next)
{
    NoteReservationEnding(how, next);
    RecordingSummary summary;
    bool recorded = App.ReserveState == Recording;
    Outcome outcome;
    if (recorded) {
        StopRecording(&summary);
        outcome = LogRecordingStopped(&summary);
    } else {
        outcome = LogReservationUnrecorded();
    }
    ReserveEntry *ended = App.ActiveReservation;
    if (how == ResultEndByUser && ended) {
        KeepStopped(ended);
        GiveUpPreparation();
    }
    App.ActiveReservation = NULL;
    bool takenOver = how == ResultEndTakenOver;
    if (!takenOver)
        App.ReserveState = Idle;
    ReservationEnded(ended, recorded ? &summary : NULL, outcome, takenOver);
    ReserveEntryFree(&ended);
}

bool BeginReservation(const SYSTEMTIME *now)
{
    const NextReservationInfo next = App.NextReservation;
    if (!next.Entry)
        return false;
    ReserveEntry *copy = NULL;
    // Without its private copy the reservation cannot run; it stays due and
    // the next tick tries again.
    if (!ReserveEntryCopy(&copy, next.Entry))
        return false;

    // The reservation that begins now ends the one still running: its file
    // is finished even though its own end has not come.
    bool tookOver = App.ReserveState != Idle;
    if (tookOver)
        FinishActive(ResultEndTakenOver, next.Entry->Title);
    App.ActiveReservation = copy;
    App.ActiveSerial++;

    PrepareStereo(&App.DeviceRequest, copy);
    App.ActiveEnd = ComputeEndTime(copy, &next.NextStart);
    NoteReservationBegun(&next.NextStart, now);
    FILETIME instant;
    SystemTimeToFileTime(now, &instant);
    App.PrepareDeadline = PreparationDeadline(&next.NextStart, &instant);
    // The occurrence just begun counts as taken even when it starts exactly
    // now, so the next tick does not begin it a second time.
    RecomputeNextReservation(now, ScheduleNowTaken);
    // The list as the schedule left it (a date reservation whose occurrence
    // ended meanwhile is retired) on the disk at once.
    ReservationsChanged();
    // The running moment at the begin: a start after a crash finds this
    // occurrence begun, not missed.
    KeepLastRunning(now, true);

    App.ReserveState = Armed;
    ReservationBegun(copy, &App.ActiveEnd, tookOver);
    return true;
}

bool BeginReservationNow(ReserveEntry *entry, const SYSTEMTIME *now)
{
    App.NextReservation.Entry = entry;
    SystemTimeToFileTime(now, &App.NextReservation.NextStart);
    if (!BeginReservation(now))
        return false;
    NoteStartedByHand();
    return true;
}

void EndReservation(ResultEnd how)
{
    if (App.ReserveState == Idle)
        return;
    FinishActive(how, NULL);
}

void SuspendReservation()
{
    if (App.ReserveState == Idle)
        return;
    App.SleptStart = App.ActiveStart;
    EndReservation(ResultEndAsleep);
}

static bool TakeUpUnderway(const SYSTEMTIME *now);

void EndDueReservation(const SYSTEMTIME *now)
{
    FILETIME instant;
    SystemTimeToFileTime(now, &instant);
    // A recording the disk no longer takes ends as if its end time had come.
    bool failed = App.ReserveState == Recording && App.WriteFailed;
    if (App.ReserveState == Idle || (!failed && !FileTimeReached(&App.ActiveEnd, &instant)))
        return;
    bool dated = App.ActiveReservation && ReserveEntryMode(App.ActiveReservation) == ReserveModeDate;
    EndReservation(ResultEndAtItsTime);
    // Its occurrence is over: a date reservation is done now, on the disk too.
    RecomputeNextReservation(now, ScheduleNowTaken);
    if (dated)
        ReservationsChanged();
    // One tuner: a programme that lost the stereo to the one just ended, and
    // is still on, is recorded from here into a file of its own.
    if (!failed && TakeUpUnderway(now))
        return;
    if (App.OptionFlags.PowOffEndRec) {
        App.DeviceRequest.PendingFlags = ReqPower;
        App.DeviceRequest.TargetPower = 0;
    } else {
        LeavePreparationGoing(&instant);
    }
}

void RecomputeNextReservation(const SYSTEMTIME *from, unsigned flags)
{
    ComputeSchedule(from, &App.ReserveList, &App.NextReservation, flags);
    NextReservationChanged();
}

// Logs and tells of the enabled occurrences nothing was there to begin; the
// date reservations among them are retired. True when one was. Without
// since (the program's start) the look goes back to the last moment the
// program was running, when the settings file knows it.
static bool TellMissed(const FILETIME *since, const FILETIME *now)
{
    if (!since && FileTimeToUnits(&App.AwaySince))
        since = &App.AwaySince;
    MissedList missed;
    bool collected = CollectMissed(&App.ReserveList, since, now, &missed);
    App.AwaySince = UnitsToFileTime(0);
    if (!collected)
        return false;
    // The occurrence being recorded is no missed one, whatever the clock did.
    if (App.ReserveState != Idle) {
        uint32_t kept = 0;
        for (uint32_t i = 0; i < missed.Count; i++)
            if (CompareFileTime(&missed.Items[i].When.Start, &App.ActiveStart) != 0)
                missed.Items[kept++] = missed.Items[i];
        missed.Count = kept;
    }
    LogMissedProgrammes(&missed);
    FreeMissed(&missed);
    // Those further back than the list goes are retired as well.
    bool retired = false;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        Occurrence passed;
        if (entry->Enabled && ReserveEntryMode(entry) == ReserveModeDate && DateOccurrence(entry, &passed) &&
            FileTimeReached(&passed.End, now)) {
            entry->Enabled = 0;
            retired = true;
        }
    }
    return retired;
}

// The enabled entry whose occurrence under way began latest (after since,
// when given): as on time, the later programme has the stereo.
static ReserveEntry *LatestUnderway(const FILETIME *since, const FILETIME *now, Occurrence *found)
{
    ReserveEntry *latest = NULL;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        Occurrence occurrence;
        if (!entry->Enabled || !FindOccurrenceUnderway(entry, now, &occurrence))
            continue;
        // Begun (or passed over for a later one) by the tick that saw it.
        if (since && CompareFileTime(&occurrence.Start, since) <= 0)
            continue;
        if (!latest || CompareFileTime(&occurrence.Start, &found->Start) > 0) {
            latest = entry;
            *found = occurrence;
        }
    }
    return latest;
}

// The occurrence a sleep cut, when it is still under way: begun before the
// last tick, it is no new one to a fresh look.
static ReserveEntry *SleptUnderway(const FILETIME *now, Occurrence *found)
{
    if (!FileTimeToUnits(&App.SleptStart))
        return NULL;
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        ReserveEntry *entry = App.ReserveList.Items[i];
        if (entry->Enabled && FindOccurrenceUnderway(entry, now, found) &&
            CompareFileTime(&found->Start, &App.SleptStart) == 0)
            return entry;
    }
    return NULL;
}

// The latest occurrence still under way (the user's stopped one aside)
// begins at now, as one begun under way does.
static bool TakeUpUnderway(const SYSTEMTIME *now)
{
    FILETIME instant;
    if (!SystemTimeToFileTime(now, &instant))
        return false;
    Occurrence underway;
    ReserveEntry *entry = LatestUnderway(NULL, &instant, &underway);
    if (!entry || CompareFileTime(&underway.Start, &App.StoppedStart) == 0)
        return false;
    App.NextReservation.Entry = entry;
    App.NextReservation.NextStart = underway.Start;
    return BeginReservation(now);
}

void ScheduleAfresh(const SYSTEMTIME *now, const SYSTEMTIME *since)
{
    FILETIME instant, last;
    if (!SystemTimeToFileTime(now, &instant))
        return;
    const FILETIME *seen = NULL;
    if (since && SystemTimeToFileTime(since, &last)) {
        if (CompareFileTime(&last, &App.ScheduleSeenUntil) > 0)
            App.ScheduleSeenUntil = last;
        ULONGLONG from = FileTimeToUnits(&App.ScheduleSeenUntil), to = FileTimeToUnits(&instant);
        if (from > to && from - to > ClockCorrectionLimit)
            App.ScheduleSeenUntil = UnitsToFileTime(0);
        else
            seen = &App.ScheduleSeenUntil;
    } else {
        App.ScheduleSeenUntil = UnitsToFileTime(0);
    }
    // A second fresh view at the same time (the two resume messages) finds
    // whatever the first one began already seen.
    FILETIME taken = seen ? *seen : UnitsToFileTime(0);
    if (seen)
        seen = &taken;
    if (CompareFileTime(&instant, &App.ScheduleSeenUntil) > 0)
        App.ScheduleSeenUntil = instant;

    bool retired = TellMissed(seen, &instant);
    Occurrence underway;
    ReserveEntry *entry = LatestUnderway(seen, &instant, &underway);
    // A programme begun while the PC slept has the stereo, as on time; the
    // one the sleep cut is otherwise taken up, by whichever look comes first
    // after the resume (a tick, or either resume message), once.
    if (!entry)
        entry = SleptUnderway(&instant, &underway);
    App.SleptStart = UnitsToFileTime(0);
    if (entry) {
        App.NextReservation.Entry = entry;
        App.NextReservation.NextStart = underway.Start;
        // Retires a date reservation, computes the rest of the schedule and
        // saves, as a begin on time does.
        if (BeginReservation(now))
            return;
    }
    // After a clock set back, the future starts where the schedule was last
    // seen: what came by then is not begun a second time.
    SYSTEMTIME from = *now;
    unsigned flags = 0;
    if (CompareFileTime(&taken, &instant) > 0 && FileTimeToSystemTime(&taken, &from))
        flags = ScheduleNowTaken;
    RecomputeNextReservation(&from, flags);
    if (retired)
        ReservationsChanged();
}

bool TickIsFreshLook(const SYSTEMTIME *now, const SYSTEMTIME *last)
{
    if (now->wDay != last->wDay)
        return true;
    FILETIME at, before;
    if (!SystemTimeToFileTime(now, &at) || !SystemTimeToFileTime(last, &before))
        return false;
    ULONGLONG to = FileTimeToUnits(&at), from = FileTimeToUnits(&before);
    return to > from + TickGapLimit || from > to + FileTimeSecond;
}

void ComputeScheduleAfterEdit()
{
    SYSTEMTIME from = App.LastTick;
    FILETIME last;
    if (SystemTimeToFileTime(&App.LastTick, &last) && CompareFileTime(&App.ScheduleSeenUntil, &last) > 0) {
        SYSTEMTIME seen;
        if (FileTimeToSystemTime(&App.ScheduleSeenUntil, &seen))
            from = seen;
    }
    RecomputeNextReservation(&from, ScheduleNowTaken);
}
