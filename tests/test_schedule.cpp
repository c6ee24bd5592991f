// The schedule: next occurrence of every reservation, retiring date entries,
// the order of the list, and the end of an occurrence.
#include <gtest/gtest.h>
#include "app/heap.h"
#include <stdio.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>
#include "support.h"
#include "schedule/schedule.h"
#include "schedule/overlap.h"
#include "schedule/underway.h"
#include "schedule/readiness.h"

namespace {

SYSTEMTIME Local(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    SYSTEMTIME time = {};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    time.wSecond = (WORD)second;
    time.wMilliseconds = (WORD)ms;
    return time;
}

FILETIME Instant(const SYSTEMTIME &time)
{
    FILETIME instant = {};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &instant));
    return instant;
}

FILETIME Instant(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return Instant(Local(year, month, day, hour, minute, second, ms));
}

std::string Text(const FILETIME &instant)
{
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&instant, &time))
        return "(no time)";
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d(%d) %02d:%02d:%02d.%03d", time.wYear, time.wMonth,
             time.wDay, time.wDayOfWeek, time.wHour, time.wMinute, time.wSecond,
             time.wMilliseconds);
    return text;
}

int Weekday(int year, int month, int day)
{
    SYSTEMTIME time;
    FILETIME instant = Instant(year, month, day, 12, 0);
    FileTimeToSystemTime(&instant, &time);
    return time.wDayOfWeek;
}

// Day: 1..31 date, 255 daily, 0 weekly on first..last.
ReserveEntry *Entry(int day, int first, int last, int startHour, int startMinute,
                    int endHour = 23, int endMinute = 59)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    entry->Day = (uint16_t)day;
    entry->WeekdayFirst = (uint16_t)first;
    entry->WeekdayLast = (uint16_t)last;
    entry->StartHour = (uint16_t)startHour;
    entry->StartMinute = (uint16_t)startMinute;
    entry->EndHour = (uint16_t)endHour;
    entry->EndMinute = (uint16_t)endMinute;
    return entry;
}

ReserveEntry *Daily(int hour, int minute) { return Entry(ReserveDayDaily, 0, 0, hour, minute); }
ReserveEntry *Weekly(int first, int last, int hour, int minute)
{
    return Entry(0, first, last, hour, minute);
}
ReserveEntry *Dated(int year, int month, int day, int hour, int minute)
{
    ReserveEntry *entry = Entry(day, 0, 0, hour, minute);
    entry->Year = (uint16_t)year;
    entry->Month = (uint16_t)month;
    return entry;
}

// A list that frees its entries when the test ends.
struct TestList {
    ReserveList List = {};
    ~TestList() { ReserveListClear(&List); }
    ReserveEntry *Add(ReserveEntry *entry)
    {
        EXPECT_TRUE(ReserveListPush(&List, entry));
        return entry;
    }
};

NextReservationInfo Next(const SYSTEMTIME &now, ReserveList *list, unsigned flags = 0)
{
    NextReservationInfo next;
    memset(&next, 0xCD, sizeof next);  // must be overwritten
    EXPECT_TRUE(ComputeSchedule(&now, list, &next, flags));
    return next;
}

// 2025-01-13 is a Monday.
const int Mon = 13, Tue = 14, Wed = 15, Thu = 16, Fri = 17, Sat = 18, Sun = 19;

}  // namespace

TEST(Schedule, CalendarOfTheseTestsIsRight)
{
    EXPECT_EQ(Weekday(2025, 1, Mon), 1);
    EXPECT_EQ(Weekday(2025, 1, Wed), 3);
    EXPECT_EQ(Weekday(2025, 1, Sun), 0);
}

struct NextCase {
    const char *what;
    ReserveEntry *(*make)();
    SYSTEMTIME now;
    FILETIME expected;
};

TEST(Schedule, NextStartOfOneEntry)
{
    const NextCase cases[] = {
        { "daily, 6 s before the start minute", [] { return Daily(10, 0); },
          Local(2025, 1, Wed, 9, 59, 54), Instant(2025, 1, Wed, 9, 59, 55) },
        { "daily, 4 s before the start minute", [] { return Daily(10, 0); },
          Local(2025, 1, Wed, 9, 59, 56), Instant(2025, 1, Thu, 9, 59, 55) },
        { "daily, now equals the start instant", [] { return Daily(10, 0); },
          Local(2025, 1, Wed, 9, 59, 55), Instant(2025, 1, Wed, 9, 59, 55) },
        { "Mon-Fri from Wednesday noon", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Wed, 12, 0), Instant(2025, 1, Thu, 7, 59, 55) },
        { "Mon-Fri from Friday noon", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Fri, 12, 0), Instant(2025, 1, Mon + 7, 7, 59, 55) },
        { "Mon-Fri from Saturday", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Sat, 12, 0), Instant(2025, 1, Mon + 7, 7, 59, 55) },
        { "Mon-Fri from Sunday", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Sun, 12, 0), Instant(2025, 1, Mon + 7, 7, 59, 55) },
        { "Mon-Fri from Wednesday morning", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Wed, 7, 0), Instant(2025, 1, Wed, 7, 59, 55) },
        { "Mon-Fri from Friday morning", [] { return Weekly(1, 5, 8, 0); },
          Local(2025, 1, Fri, 7, 0), Instant(2025, 1, Fri, 7, 59, 55) },
        { "Mon-Thu from Friday morning", [] { return Weekly(1, 4, 8, 0); },
          Local(2025, 1, Fri, 7, 0), Instant(2025, 1, Mon + 7, 7, 59, 55) },
        { "every Sunday, already passed", [] { return Weekly(0, 0, 9, 0); },
          Local(2025, 1, Sun, 10, 0), Instant(2025, 1, Sun + 7, 8, 59, 55) },
        { "every Sunday, later today", [] { return Weekly(0, 0, 9, 0); },
          Local(2025, 1, Sun, 8, 0), Instant(2025, 1, Sun, 8, 59, 55) },
        { "every Friday from Wednesday", [] { return Weekly(5, 5, 9, 0); },
          Local(2025, 1, Wed, 10, 0), Instant(2025, 1, Fri, 8, 59, 55) },
        { "every Tuesday from Wednesday", [] { return Weekly(2, 2, 9, 0); },
          Local(2025, 1, Wed, 10, 0), Instant(2025, 1, Tue + 7, 8, 59, 55) },
        { "a future date", [] { return Dated(2025, 3, 1, 21, 0); },
          Local(2025, 1, Wed, 10, 0), Instant(2025, 3, 1, 20, 59, 55) },
        // The lead makes "today" the date 5 s ahead of now.
        { "daily 00:00, 10 s before midnight", [] { return Daily(0, 0); },
          Local(2025, 1, Wed, 23, 59, 50), Instant(2025, 1, Wed, 23, 59, 55) },
        { "daily 00:00, 3 s before midnight", [] { return Daily(0, 0); },
          Local(2025, 1, Wed, 23, 59, 57), Instant(2025, 1, Thu, 23, 59, 55) },
        { "Mon-Fri 00:00, Sunday night", [] { return Weekly(1, 5, 0, 0); },
          Local(2025, 1, Sun, 23, 59, 50), Instant(2025, 1, Sun, 23, 59, 55) },
        // Calendar edges.
        { "daily over the year end", [] { return Daily(10, 0); },
          Local(2024, 12, 31, 11, 0), Instant(2025, 1, 1, 9, 59, 55) },
        { "daily into February 29", [] { return Daily(10, 0); },
          Local(2024, 2, 28, 11, 0), Instant(2024, 2, 29, 9, 59, 55) },
        { "daily into March 1, no leap year", [] { return Daily(10, 0); },
          Local(2025, 2, 28, 11, 0), Instant(2025, 3, 1, 9, 59, 55) },
        { "every Monday over a month end", [] { return Weekly(1, 1, 9, 0); },
          Local(2025, 1, 29, 10, 0), Instant(2025, 2, 3, 8, 59, 55) },
        { "Mon-Fri over a year end", [] { return Weekly(1, 5, 8, 0); },
          Local(2021, 12, 31, 12, 0), Instant(2022, 1, 3, 7, 59, 55) },
    };
    for (const NextCase &c : cases) {
        TestList list;
        ReserveEntry *entry = list.Add(c.make());
        NextReservationInfo next = Next(c.now, &list.List);
        EXPECT_EQ(next.Entry, entry) << c.what;
        EXPECT_EQ(Text(next.NextStart), Text(c.expected)) << c.what;
        EXPECT_EQ(entry->Enabled, 1) << c.what << ": only a passed date retires";
    }
}

TEST(Schedule, PassedDateRetiresAndSortsBehindEnabled)
{
    TestList list;
    ReserveEntry *yesterday = list.Add(Dated(2025, 1, Tue, 10, 0));
    ReserveEntry *weekly = list.Add(Weekly(1, 5, 23, 0));
    ReserveEntry *daily = list.Add(Daily(20, 0));
    SYSTEMTIME now = Local(2025, 1, Wed, 12, 0);

    NextReservationInfo next = Next(now, &list.List, ScheduleReorderList);
    EXPECT_EQ(yesterday->Enabled, 0);
    EXPECT_EQ(yesterday->Day, Tue) << "the date is kept";
    EXPECT_EQ(yesterday->Month, 1);
    EXPECT_EQ(next.Entry, daily);
    ASSERT_EQ(list.List.Count, 3u);
    EXPECT_EQ(list.List.Items[0], daily);
    EXPECT_EQ(list.List.Items[1], weekly);
    EXPECT_EQ(list.List.Items[2], yesterday) << "disabled after every enabled entry";

    // Enabled again by the user, it is retired again at once.
    yesterday->Enabled = 1;
    next = Next(now, &list.List);
    EXPECT_EQ(yesterday->Enabled, 0);
    EXPECT_EQ(next.Entry, daily);

    // Sorted by time alone it comes first, and is still never the next one.
    next = Next(now, &list.List, ScheduleByTimeOnly | ScheduleReorderList);
    EXPECT_EQ(list.List.Items[0], yesterday);
    EXPECT_EQ(list.List.Items[1], daily);
    EXPECT_EQ(next.Entry, daily);
}

TEST(Schedule, WithoutReorderTheListKeepsItsOrder)
{
    TestList list;
    ReserveEntry *late = list.Add(Daily(22, 0));
    ReserveEntry *early = list.Add(Daily(13, 0));
    NextReservationInfo next = Next(Local(2025, 1, Wed, 12, 0), &list.List);
    EXPECT_EQ(next.Entry, early);
    EXPECT_EQ(list.List.Items[0], late);
    EXPECT_EQ(list.List.Items[1], early);
}

TEST(Schedule, NothingEnabledGivesNoNext)
{
    TestList list;
    list.Add(Daily(13, 0))->Enabled = 0;
    list.Add(Weekly(1, 5, 8, 0))->Enabled = 0;
    NextReservationInfo next = Next(Local(2025, 1, Wed, 12, 0), &list.List);
    EXPECT_EQ(next.Entry, nullptr);
    EXPECT_EQ(FileTimeToUnits(&next.NextStart), 0u);

    TestList empty;
    next = Next(Local(2025, 1, Wed, 12, 0), &empty.List);
    EXPECT_EQ(next.Entry, nullptr);
    EXPECT_EQ(FileTimeToUnits(&next.NextStart), 0u);
}

TEST(Schedule, FailureLeavesNoNextAndTheListAlone)
{
    ReserveEntry *first = Daily(22, 0);
    ReserveEntry *second = Daily(13, 0);
    ReserveEntry *items[2] = { first, second };
    NextReservationInfo next;
    ReserveList list = { 2, items };
    SYSTEMTIME now = Local(2025, 1, Wed, 12, 0);

    // The heap refuses the working array.
    HeapRefuseBlocksOver(1);
    memset(&next, 0xCD, sizeof next);
    bool computed = ComputeSchedule(&now, &list, &next, ScheduleReorderList);
    HeapRefuseBlocksOver(0);
    EXPECT_FALSE(computed);
    EXPECT_EQ(next.Entry, nullptr);
    EXPECT_EQ(FileTimeToUnits(&next.NextStart), 0u);
    EXPECT_EQ(items[0], first);
    EXPECT_EQ(items[1], second);

    // A clock that shows no real time.
    SYSTEMTIME broken = Local(2025, 13, 1, 12, 0);
    memset(&next, 0xCD, sizeof next);
    EXPECT_FALSE(ComputeSchedule(&broken, &list, &next, ScheduleReorderList));
    EXPECT_EQ(next.Entry, nullptr);
    EXPECT_EQ(items[0], first);
    EXPECT_EQ(items[1], second);

    // Once the heap grants it again, the same list is ordered.
    EXPECT_TRUE(ComputeSchedule(&now, &list, &next, ScheduleReorderList));
    EXPECT_EQ(next.Entry, second);
    EXPECT_EQ(items[0], second);
    ReserveEntryFree(&first);
    ReserveEntryFree(&second);
}

struct BrokenCase {
    const char *what;
    ReserveEntry *(*make)();
};

TEST(Schedule, EntryWithoutARealTimeNeverFiresAndSortsLast)
{
    const BrokenCase cases[] = {
        { "February 30", [] { return Dated(2025, 2, 30, 10, 0); } },
        { "February 29 of a common year", [] { return Dated(2025, 2, 29, 10, 0); } },
        { "April 31", [] { return Dated(2025, 4, 31, 10, 0); } },
        { "month 0", [] { return Dated(2025, 0, 10, 10, 0); } },
        { "month 13", [] { return Dated(2025, 13, 10, 10, 0); } },
        { "year 0", [] { return Dated(0, 3, 10, 10, 0); } },
        { "year 40000", [] { return Dated(40000, 3, 10, 10, 0); } },
        { "start hour 25", [] { return Daily(25, 0); } },
        { "start minute 60", [] { return Weekly(1, 5, 10, 60); } },
        { "end hour 24", [] { return Entry(ReserveDayDaily, 0, 0, 10, 0, 24, 0); } },
        { "weekday 9", [] { return Weekly(9, 9, 10, 0); } },
        { "range to weekday 9", [] { return Weekly(1, 9, 10, 0); } },
        { "range running backwards", [] { return Weekly(5, 1, 10, 0); } },
    };
    SYSTEMTIME now = Local(2025, 1, Wed, 12, 0);
    for (const BrokenCase &c : cases) {
        TestList list;
        ReserveEntry *broken = list.Add(c.make());
        NextReservationInfo next = Next(now, &list.List);
        EXPECT_EQ(next.Entry, nullptr) << c.what;
        EXPECT_EQ(broken->Enabled, 1) << c.what << ": left as the user set it";

        ReserveEntry *disabled = list.Add(Daily(8, 0));
        disabled->Enabled = 0;
        ReserveEntry *later = list.Add(Weekly(6, 6, 9, 0));
        for (unsigned flags : { 0u, (unsigned)ScheduleByTimeOnly }) {
            next = Next(now, &list.List, flags | ScheduleReorderList);
            EXPECT_EQ(next.Entry, later) << c.what;
            EXPECT_EQ(list.List.Items[2], broken) << c.what << ", flags " << flags;
        }
    }

    // The valid counterparts do fire.
    TestList leap;
    ReserveEntry *feb29 = leap.Add(Dated(2024, 2, 29, 10, 0));
    NextReservationInfo next = Next(Local(2024, 2, 1, 12, 0), &leap.List);
    EXPECT_EQ(next.Entry, feb29);
    EXPECT_EQ(Text(next.NextStart), Text(Instant(2024, 2, 29, 9, 59, 55)));
}

// The tick begins a reservation when its NextStart is reached and the begin
// recomputes at the same now; what it finds must be a later occurrence.
TEST(Schedule, OccurrenceBegunAtItsVeryInstantIsTaken)
{
    TestList list;
    ReserveEntry *daily = list.Add(Daily(10, 0));
    ReserveEntry *once = list.Add(Dated(2025, 1, Wed, 11, 0));

    NextReservationInfo next = Next(Local(2025, 1, Wed, 9, 0), &list.List);
    SYSTEMTIME tick = Local(2025, 1, Wed, 9, 59, 55, 0);
    FILETIME tickInstant = Instant(tick);
    ASSERT_EQ(next.Entry, daily);
    ASSERT_EQ(CompareFileTime(&next.NextStart, &tickInstant), 0);
    ASSERT_TRUE(FileTimeReached(&next.NextStart, &tickInstant));

    next = Next(tick, &list.List, ScheduleNowTaken);
    EXPECT_EQ(next.Entry, once);
    EXPECT_EQ(Text(next.NextStart), Text(Instant(2025, 1, Wed, 10, 59, 55)));

    tick = Local(2025, 1, Wed, 10, 59, 55, 0);
    next = Next(tick, &list.List, ScheduleNowTaken);
    EXPECT_EQ(once->Enabled, 1) << "a date begun at its instant is done only when its programme has ended";
    EXPECT_EQ(next.Entry, daily) << "but it is not next again";
    EXPECT_EQ(Text(next.NextStart), Text(Instant(2025, 1, Thu, 9, 59, 55)));
    next = Next(Local(2025, 1, Wed, 23, 59, 0, 0), &list.List);
    EXPECT_EQ(once->Enabled, 0) << "retired once its end has come";
}

// Ticks at whole seconds hit every start instant exactly. Each occurrence must
// begin once: the day-change recalculation and the begin's recalculation are
// the only places the next reservation changes.
TEST(Schedule, TicksAtTheExactInstantBeginEachOccurrenceOnce)
{
    TestList list;
    ReserveEntry *daily = list.Add(Daily(10, 0));
    ReserveEntry *once = list.Add(Dated(2025, 1, Wed, 12, 0));
    ReserveEntry *midnight = list.Add(Weekly(4, 4, 0, 0));  // Thursdays 00:00

    SYSTEMTIME last = Local(2025, 1, Tue, 8, 0);
    NextReservationInfo next = Next(last, &list.List);
    std::vector<std::pair<ReserveEntry *, std::string>> begun;
    FILETIME first = Instant(last);
    ULONGLONG from = FileTimeToUnits(&first);
    for (ULONGLONG t = from; t < from + 3 * FileTimeDay; t += FileTimeSecond) {
        FILETIME nowInstant = UnitsToFileTime(t);
        SYSTEMTIME now;
        ASSERT_TRUE(FileTimeToSystemTime(&nowInstant, &now));
        if (now.wDay != last.wDay)
            next = Next(now, &list.List);
        if (next.Entry && FileTimeReached(&next.NextStart, &nowInstant)) {
            begun.push_back({ next.Entry, Text(nowInstant) });
            next = Next(now, &list.List, ScheduleNowTaken);
        }
        last = now;
    }
    const std::pair<ReserveEntry *, std::string> expected[] = {
        { daily, Text(Instant(2025, 1, Tue, 9, 59, 55)) },
        { daily, Text(Instant(2025, 1, Wed, 9, 59, 55)) },
        { once, Text(Instant(2025, 1, Wed, 11, 59, 55)) },
        { midnight, Text(Instant(2025, 1, Wed, 23, 59, 55)) },
        { daily, Text(Instant(2025, 1, Thu, 9, 59, 55)) },
    };
    ASSERT_EQ(begun.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < begun.size(); i++) {
        EXPECT_EQ(begun[i].first, expected[i].first) << i;
        EXPECT_EQ(begun[i].second, expected[i].second) << i;
    }
}

struct EndCase {
    const char *what;
    int startHour, startMinute, endHour, endMinute;
    SYSTEMTIME now;
    FILETIME expected;
};

// End instants of occurrences as the schedule produces them.
TEST(Schedule, EndOfAnOccurrence)
{
    const EndCase cases[] = {
        { "same start and end: 5 s", 0, 0, 0, 0, Local(2025, 1, Wed, 12, 0),
          Instant(2025, 1, Thu, 0, 0) },
        { "over midnight", 23, 30, 0, 30, Local(2025, 1, Wed, 12, 0),
          Instant(2025, 1, Thu, 0, 30) },
        { "00:00 to 01:00", 0, 0, 1, 0, Local(2025, 1, Wed, 12, 0),
          Instant(2025, 1, Thu, 1, 0) },
        { "within the day", 10, 0, 11, 15, Local(2025, 1, Wed, 8, 0),
          Instant(2025, 1, Wed, 11, 15) },
        { "end earlier in the day", 15, 0, 12, 0, Local(2025, 1, Wed, 8, 0),
          Instant(2025, 1, Thu, 12, 0) },
        { "over the year end", 23, 30, 0, 30, Local(2024, 12, 31, 12, 0),
          Instant(2025, 1, 1, 0, 30) },
        { "into February 29", 23, 0, 1, 0, Local(2024, 2, 28, 12, 0),
          Instant(2024, 2, 29, 1, 0) },
        { "into March 1", 23, 0, 1, 0, Local(2025, 2, 28, 12, 0), Instant(2025, 3, 1, 1, 0) },
    };
    for (const EndCase &c : cases) {
        TestList list;
        ReserveEntry *entry =
            list.Add(Entry(ReserveDayDaily, 0, 0, c.startHour, c.startMinute, c.endHour, c.endMinute));
        NextReservationInfo next = Next(c.now, &list.List);
        ASSERT_EQ(next.Entry, entry) << c.what;
        FILETIME end = ComputeEndTime(entry, &next.NextStart);
        EXPECT_EQ(Text(end), Text(c.expected)) << c.what;
    }
}

TEST(Schedule, EndOfARecordingStartedNow)
{
    ReserveEntry *entry = Entry(0, 3, 3, 15, 0, 12, 0);
    FILETIME start = Instant(2025, 1, Wed, 15, 0, 12, 345);
    EXPECT_EQ(Text(ComputeEndTime(entry, &start)), Text(Instant(2025, 1, Thu, 12, 0)));
    start = Instant(2025, 1, Wed, 9, 10, 12, 345);
    EXPECT_EQ(Text(ComputeEndTime(entry, &start)), Text(Instant(2025, 1, Wed, 12, 0)));

    // An end that is no time of day ends the occurrence as soon as it begins.
    entry->EndHour = 24;
    EXPECT_EQ(Text(ComputeEndTime(entry, &start)), Text(start));
    entry->EndHour = 12;
    entry->EndMinute = 75;
    EXPECT_EQ(Text(ComputeEndTime(entry, &start)), Text(start));
    ReserveEntryFree(&entry);
}

// ---- reservations that would record at the same time ----

namespace {

ReserveEntry *Timed(ReserveEntry *entry, int endHour, int endMinute)
{
    entry->EndHour = (uint16_t)endHour;
    entry->EndMinute = (uint16_t)endMinute;
    entry->Enabled = 1;
    return entry;
}

}  // namespace

TEST(Overlap, OccurrencesThatShareTimeAreFoundAWeekAhead)
{
    SYSTEMTIME now = Local(2027, 3, 9, 9, 0);  // a Tuesday
    ASSERT_EQ(Weekday(2027, 3, 9), 2);
    struct Case {
        const char *what;
        ReserveEntry *a, *b;
        bool overlap;
    } cases[] = {
        { "A 10:00-11:00 and B 10:30-11:30", Timed(Daily(10, 0), 11, 0), Timed(Daily(10, 30), 11, 30), true },
        { "back to back", Timed(Daily(10, 0), 11, 0), Timed(Daily(11, 0), 12, 0), false },
        { "back to back, the other way", Timed(Daily(11, 0), 12, 0), Timed(Daily(10, 0), 11, 0), false },
        { "apart", Timed(Daily(10, 0), 11, 0), Timed(Daily(13, 0), 14, 0), false },
        { "one minute shared", Timed(Daily(10, 0), 11, 1), Timed(Daily(11, 0), 12, 0), true },
        { "next Monday's meets the daily one", Timed(Weekly(1, 1, 10, 0), 11, 0), Timed(Daily(10, 30), 11, 30), true },
        { "Monday and Wednesday", Timed(Weekly(1, 1, 10, 0), 11, 0), Timed(Weekly(3, 3, 10, 30), 11, 30), false },
        { "Monday to Friday and Friday", Timed(Weekly(1, 5, 10, 0), 11, 0), Timed(Weekly(5, 5, 10, 30), 11, 30), true },
        { "across midnight into Wednesday", Timed(Daily(23, 30), 0, 30), Timed(Weekly(3, 3, 0, 0), 1, 0), true },
        { "a date on its weekday", Timed(Dated(2027, 4, 1, 10, 0), 11, 0), Timed(Weekly(4, 4, 10, 59), 12, 0), true },
        { "a date on another weekday", Timed(Dated(2027, 4, 1, 10, 0), 11, 0), Timed(Weekly(5, 5, 10, 30), 11, 30),
          false },
        { "a date that has passed", Timed(Dated(2027, 3, 8, 10, 0), 11, 0), Timed(Daily(10, 0), 11, 0), false },
        { "a five-second recording inside another still takes over", Timed(Daily(10, 30), 10, 30),
          Timed(Daily(10, 0), 11, 0), true },
        { "a five-second recording where the other ends", Timed(Daily(11, 0), 11, 0), Timed(Daily(10, 0), 11, 0),
          false },
        { "today's has begun, tomorrow's overlaps", Timed(Daily(8, 0), 10, 30), Timed(Daily(10, 0), 11, 0), true },
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReservationsOverlap(c.a, c.b, &now), c.overlap);
        EXPECT_EQ(ReservationsOverlap(c.b, c.a, &now), c.overlap) << "both ways";
        EXPECT_EQ(c.a->Enabled, 1) << "nothing is retired";
        ReserveEntryFree(&c.a);
        ReserveEntryFree(&c.b);
    }
}

TEST(Overlap, EachEnabledEntryNamesTheFirstItOverlaps)
{
    SYSTEMTIME now = Local(2027, 3, 9, 9, 0);
    TestList list;
    list.Add(Timed(Daily(10, 0), 11, 0));
    list.Add(Timed(Daily(12, 0), 13, 0));
    list.Add(Timed(Daily(10, 30), 11, 30));
    ReserveEntry *off = list.Add(Timed(Daily(10, 0), 11, 0));
    off->Enabled = 0;
    list.Add(Timed(Daily(11, 0), 12, 0));  // meets the 10:30-11:30 one only
    int32_t others[5];
    FindOverlaps(&list.List, &now, others);
    EXPECT_EQ(others[0], 2);
    EXPECT_EQ(others[1], -1);
    EXPECT_EQ(others[2], 0);
    EXPECT_EQ(others[3], -1) << "a disabled reservation records nothing";
    EXPECT_EQ(others[4], 2);

    FILETIME start;
    ASSERT_TRUE(NextOccurrenceStart(list.List.Items[0], &now, &start));
    EXPECT_EQ(Text(start), Text(Instant(2027, 3, 9, 10, 0)));
    ReserveEntry *passed = Timed(Dated(2027, 3, 8, 10, 0), 11, 0);
    EXPECT_FALSE(NextOccurrenceStart(passed, &now, &start));
    EXPECT_EQ(passed->Enabled, 1);
    ReserveEntryFree(&passed);
}

// ---- occurrences under way and missed ----

TEST(Underway, TheOccurrenceBegunButNotEndedIsFound)
{
    // 2025-01-08 is a Wednesday (3).
    struct Case {
        const char *what;
        ReserveEntry *entry;
        SYSTEMTIME now;
        bool found;
        SYSTEMTIME start;  // the start minute
    } cases[] = {
        { "date, 90 s in", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), Local(2025, 1, 8, 10, 1, 30), true, Local(2025, 1, 8, 10, 0) },
        { "date, in its lead", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), Local(2025, 1, 8, 9, 59, 55), true, Local(2025, 1, 8, 10, 0) },
        { "date, before its lead", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), Local(2025, 1, 8, 9, 59, 54, 999), false, {} },
        { "date, at its end", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), Local(2025, 1, 8, 10, 3), false, {} },
        { "date, past midnight", Timed(Dated(2025, 1, 7, 23, 0), 1, 0), Local(2025, 1, 8, 0, 30), true, Local(2025, 1, 7, 23, 0) },
        { "daily, today", Timed(Daily(7, 0), 7, 30), Local(2025, 1, 8, 7, 10), true, Local(2025, 1, 8, 7, 0) },
        { "daily, after today's", Timed(Daily(7, 0), 7, 30), Local(2025, 1, 8, 7, 30), false, {} },
        { "daily, yesterday's past midnight", Timed(Daily(23, 30), 0, 30), Local(2025, 1, 8, 0, 10), true, Local(2025, 1, 7, 23, 30) },
        { "daily, tomorrow's 00:00 in its lead", Timed(Daily(0, 0), 1, 0), Local(2025, 1, 8, 23, 59, 57), true, Local(2025, 1, 9, 0, 0) },
        { "weekly, its day", Timed(Weekly(1, 5, 12, 0), 13, 0), Local(2025, 1, 8, 12, 30), true, Local(2025, 1, 8, 12, 0) },
        { "weekly, not its day", Timed(Weekly(4, 6, 12, 0), 13, 0), Local(2025, 1, 8, 12, 30), false, {} },
        { "weekly, Saturday's past midnight on Sunday", Timed(Weekly(6, 6, 23, 0), 2, 0), Local(2025, 1, 12, 1, 0), true, Local(2025, 1, 11, 23, 0) },
        { "no real date", Timed(Dated(2025, 2, 30, 10, 0), 11, 0), Local(2025, 2, 28, 10, 30), false, {} },
    };
    for (Case &c : cases) {
        FILETIME now = Instant(c.now);
        Occurrence occurrence;
        bool found = FindOccurrenceUnderway(c.entry, &now, &occurrence);
        EXPECT_EQ(found, c.found) << c.what;
        if (found && c.found) {
            SYSTEMTIME start = OccurrenceStartMinute(&occurrence);
            FILETIME expected = Instant(c.start);
            FILETIME got = Instant(start);
            EXPECT_EQ(Text(got), Text(expected)) << c.what;
            FILETIME lead = FileTimeAdd(&expected, -(LONGLONG)StartLead);
            EXPECT_EQ(Text(occurrence.Start), Text(lead)) << c.what;
            FILETIME end = ComputeEndTime(c.entry, &occurrence.Start);
            EXPECT_EQ(Text(occurrence.End), Text(end)) << c.what;
        }
        // Disabled or not: the caller decides what counts.
        c.entry->Enabled = 0;
        EXPECT_EQ(FindOccurrenceUnderway(c.entry, &now, &occurrence), c.found) << c.what;
        ReserveEntryFree(&c.entry);
    }
}

TEST(Underway, MissedOccurrencesAreThoseThatCameAndWentUnseen)
{
    struct Case {
        const char *what;
        ReserveEntry *entry;
        bool sinceKnown;
        SYSTEMTIME since, now;
        bool found;
        SYSTEMTIME start;
    } cases[] = {
        { "date ended before the start", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), false, {}, Local(2025, 1, 8, 10, 3), true, Local(2025, 1, 8, 10, 0) },
        { "date still under way", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), false, {}, Local(2025, 1, 8, 10, 2), false, {} },
        { "date slept through", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), true, Local(2025, 1, 8, 9, 0), Local(2025, 1, 8, 11, 0), true, Local(2025, 1, 8, 10, 0) },
        { "date begun before the sleep", Timed(Dated(2025, 1, 8, 10, 0), 10, 3), true, Local(2025, 1, 8, 10, 0), Local(2025, 1, 8, 11, 0), false, {} },
        { "daily at the program's start", Timed(Daily(7, 0), 7, 30), false, {}, Local(2025, 1, 8, 9, 0), false, {} },
        { "daily slept through", Timed(Daily(7, 0), 7, 30), true, Local(2025, 1, 8, 6, 0), Local(2025, 1, 8, 9, 0), true, Local(2025, 1, 8, 7, 0) },
        { "daily, the latest of three days", Timed(Daily(7, 0), 7, 30), true, Local(2025, 1, 6, 6, 0), Local(2025, 1, 8, 9, 0), true, Local(2025, 1, 8, 7, 0) },
        { "daily, today's still under way", Timed(Daily(7, 0), 7, 30), true, Local(2025, 1, 7, 8, 0), Local(2025, 1, 8, 7, 10), false, {} },
        { "daily, before since", Timed(Daily(7, 0), 7, 30), true, Local(2025, 1, 8, 8, 0), Local(2025, 1, 8, 9, 0), false, {} },
        { "weekly, last Friday's", Timed(Weekly(5, 5, 20, 0), 21, 0), true, Local(2025, 1, 1, 0, 0), Local(2025, 1, 8, 9, 0), true, Local(2025, 1, 3, 20, 0) },
        { "a clock set back", Timed(Daily(7, 0), 7, 30), true, Local(2025, 1, 8, 8, 0), Local(2025, 1, 8, 7, 40), false, {} },
    };
    for (Case &c : cases) {
        FILETIME now = Instant(c.now), since = c.sinceKnown ? Instant(c.since) : FILETIME{};
        Occurrence occurrence;
        bool found = FindOccurrenceMissed(c.entry, c.sinceKnown ? &since : NULL, &now, &occurrence);
        EXPECT_EQ(found, c.found) << c.what;
        if (found && c.found) {
            SYSTEMTIME start = OccurrenceStartMinute(&occurrence);
            EXPECT_EQ(Text(Instant(start)), Text(Instant(c.start))) << c.what;
        }
        ReserveEntryFree(&c.entry);
    }
}

// How long a reservation's recording waits for the stereo: to the start
// minute plus the grace, and never less than a begin on time gets.
TEST(Readiness, TheRecordingWaitsForTheStereoUntilTheGraceAfterTheStartMinute)
{
    struct Case {
        const char *what;
        FILETIME start, now, deadline;
    } cases[] = {
        { "on time", Instant(2027, 3, 5, 9, 59, 55), Instant(2027, 3, 5, 9, 59, 55), Instant(2027, 3, 5, 10, 0, 15) },
        { "a late tick", Instant(2027, 3, 5, 9, 59, 55), Instant(2027, 3, 5, 9, 59, 55, 180),
          Instant(2027, 3, 5, 10, 0, 15, 180) },
        { "under way", Instant(2027, 3, 5, 9, 59, 55), Instant(2027, 3, 5, 10, 1, 30), Instant(2027, 3, 5, 10, 1, 50) },
        { "started by hand", Instant(2027, 3, 5, 14, 2, 7, 300), Instant(2027, 3, 5, 14, 2, 7, 300),
          Instant(2027, 3, 5, 14, 2, 27, 300) },
        { "over midnight", Instant(2027, 3, 5, 23, 59, 55), Instant(2027, 3, 5, 23, 59, 55), Instant(2027, 3, 6, 0, 0, 15) },
        { "a clock set back", Instant(2027, 3, 5, 9, 59, 55), Instant(2027, 3, 5, 9, 59, 40), Instant(2027, 3, 5, 10, 0, 15) },
    };
    EXPECT_EQ(PreparationGrace, 15 * FileTimeSecond);
    for (const Case &c : cases) {
        FILETIME deadline = PreparationDeadline(&c.start, &c.now);
        EXPECT_EQ(Text(deadline), Text(c.deadline)) << c.what;
    }
}
