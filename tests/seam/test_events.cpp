// A reservation's whole life heard through its events alone: this program
// binds them to a recorder of calls instead of the windows, so what the
// schedule announces, and nothing else, is what the application gets to show.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "support.h"
#include "app/heap.h"
#include "app/notices.h"
#include "schedule/events.h"
#include "schedule/execute.h"
#include "schedule/readiness.h"

static std::vector<std::string> Calls;
static RecordingSummary Ended;
static Outcome EndedOutcome;

void ReservationBegun(const ReserveEntry *entry, const FILETIME *, bool tookOver)
{
    Calls.push_back(std::string("begun ") + entry->Title + (tookOver ? " over" : ""));
}
void RecordingStarted(const ReserveEntry *entry, const char *path, const SYSTEMTIME *, bool ready)
{
    Calls.push_back(std::string("started ") + entry->Title + (ready ? " ready " : " unready ") + path);
}
void RecordingNotStarted(const ReserveEntry *entry) { Calls.push_back(std::string("not started ") + entry->Title); }
void ReservationEnded(const ReserveEntry *entry, const RecordingSummary *summary, Outcome outcome, bool next)
{
    Calls.push_back(std::string("ended ") + entry->Title + (summary ? " recorded" : "") + (next ? " next" : ""));
    if (summary)
        Ended = *summary;
    EndedOutcome = outcome;
}
void ProgrammesMissed(const MissedOccurrence *, uint32_t count) { Calls.push_back("missed " + std::to_string(count)); }
bool ResultsUnwritable()
{
    Calls.push_back("results unwritable");
    return true;
}
void ResultAdded() { Calls.push_back("result"); }
void ReservationsChanged() { Calls.push_back("list changed"); }
void NextReservationChanged() {}

TEST(Events, AReservationsLifeIsAnnouncedAndItsLineAndNoticeComeFromTheSummary)
{
    ResetAppState();
    std::string folder = MakeTempFolder("events");
    memcpy(App.ProgramFolder, folder.c_str(), folder.size() + 1);
    ASSERT_TRUE(OpenSimulatedStereo(folder));
    HWND window = CreateCaptureWindow();
    ReserveEntry *e = ReserveEntryCreate(0);
    HeapFreeBlock(e->Title);
    HeapFreeBlock(e->SavePath);
    e->Title = HeapStrDup("朝の番組");
    e->SavePath = HeapStrDup((folder + "%T.wav").c_str());
    e->Preset = 3;
    e->Year = 2027, e->Month = 3, e->Day = 5;
    e->StartHour = 10, e->StartMinute = 0, e->EndHour = 10, e->EndMinute = 1;
    ReserveListPush(&App.ReserveList, e);

    SYSTEMTIME now = At(9, 59, 50);
    ScheduleAfresh(&now, NULL);
    ASSERT_EQ(App.NextReservation.Entry, e);
    now = At(9, 59, 55);
    ASSERT_TRUE(BeginReservation(&now));
    App.DeviceRequest.PendingFlags = 0;  // the stereo is ready
    StartArmedRecording(window, &now);
    ASSERT_EQ(App.ReserveState, Recording);
    // The whole span to the programme's end, loud: a recording that lacks
    // nothing.
    std::vector<BYTE> loud((size_t)65 * App.CaptureFormat.nAvgBytesPerSec, 0xC0);
    StageCapture(loud.data(), (DWORD)loud.size());
    now = At(10, 1, 0);
    EndDueReservation(&now);

    std::string file = folder + "朝の番組.wav";
    std::vector<std::string> expected = {
        "list changed", "begun 朝の番組", "started 朝の番組 ready " + file, "result", "ended 朝の番組 recorded",
        "list changed",  // done at its end, on the disk too
    };
    EXPECT_EQ(e->Enabled, 0);
    EXPECT_EQ(Calls, expected);
    EXPECT_EQ(App.ReserveState, Idle);
    EXPECT_EQ(EndedOutcome, OutcomeRecorded);
    EXPECT_STREQ(Ended.Path, file.c_str());
    EXPECT_EQ(Ended.Reason, RecordingStopAsked);
    EXPECT_FALSE(Ended.Silent);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(Ended.FileBytes, data.nFileSizeLow);

    // The line says what the summary says; the notice is made from it alone.
    std::vector<std::vector<std::string>> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][ResultOutcome], "録音しました");
    EXPECT_EQ(lines[0][ResultTitle], "朝の番組");
    EXPECT_EQ(lines[0][ResultFiles], file);
    EXPECT_EQ(lines[0][ResultBytes], std::to_string(Ended.FileBytes));
    EXPECT_EQ(lines[0][ResultSeconds], std::to_string(Ended.Seconds));
    Notice notice;
    ComposeRecordingFinished(&notice, Ended.Path, Ended.Seconds, Ended.Parts);
    EXPECT_NE(strstr(notice.Text, "朝の番組.wav"), (char *)NULL) << notice.Text;

    DestroyWindow(window);
    DeviceClose();
    ResetAppState();
    RemoveTree(folder);
}
