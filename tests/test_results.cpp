// The results of the reservations: the CSV file (its records, a torn last
// line, the cap), listening for silence, the programmes missed while the
// program was away, and the 録音結果 window.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "app/heap.h"
#include "reserveui/reserveui.h"
#include "recorder/silence.h"
#include "schedule/missed.h"
#include "schedule/results.h"
#include "schedule/outcome.h"
#include "settings/resultsfile.h"
#include "res/resource.h"

namespace {

typedef std::vector<std::string> Fields;

Fields Line(const char *outcome, const char *title, const char *files = "", const char *detail = "")
{
    return { outcome, title, "2027/03/05 10:00:00", "2027/03/05 11:00:00", "", "", "", files, "", "", detail };
}

bool Append(const std::string &folder, const Fields &line)
{
    const char *fields[ResultFieldCount];
    for (int i = 0; i < ResultFieldCount; i++)
        fields[i] = line[i].c_str();
    return AppendResultRecord(folder.c_str(), fields);
}

std::string Record(const Fields &line)
{
    const char *fields[ResultFieldCount];
    for (int i = 0; i < ResultFieldCount; i++)
        fields[i] = line[i].c_str();
    char *record = ComposeResultRecord(fields);
    std::string text = record ? record : "";
    HeapFreeBlock(record);
    return text;
}

const std::string Header = std::string(ResultsHeader) + "\r\n";

}  // namespace

// ---- the file ----

TEST(ResultsFile, RecordsQuoteWhatCsvNeedsAndReadBackAsWritten)
{
    struct Case {
        const char *what;
        const char *title;
        const char *expected;  // the title as the record writes it
    } cases[] = {
        { "plain", "深夜便", "深夜便" },
        // 表 and ソ end in the byte of a backslash; neither needs quotes.
        { "trail bytes of a backslash", "表ソ能", "表ソ能" },
        { "a comma", "野球中継, 延長", "\"野球中継, 延長\"" },
        { "a quote", "\"夜の\"音楽", "\"\"\"夜の\"\"音楽\"" },
        { "a line break", "一行目\r\n二行目", "\"一行目\r\n二行目\"" },
        { "empty", "", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Fields line = Line("録音しました", c.title, "C:\\録音\\a.wav | C:\\録音\\a_2.wav");
        std::string record = Record(line);
        EXPECT_EQ(record, std::string("録音しました,") + c.expected +
                              ",2027/03/05 10:00:00,2027/03/05 11:00:00,,,,C:\\録音\\a.wav | C:\\録音\\a_2.wav,,,\r\n");
        ResultLine parsed;
        const char *next = NULL;
        ASSERT_TRUE(ParseResultRecord(record.data(), record.data() + record.size(), &next, &parsed));
        EXPECT_EQ(next, record.data() + record.size());
        for (int i = 0; i < ResultFieldCount; i++)
            EXPECT_EQ(parsed.Fields[i], line[i]) << i;
        FreeResultLine(&parsed);
    }
    // Records that are not whole lines of the file's fields.
    const char *broken[] = {
        "録音しました,深夜便,,,,,,,,,",        // cut before its line end
        "録音しました,\"深夜便,,,,,,,,,\r\n",  // a quote never closed
        "録音しました,深夜便\r\n",             // too few fields
        "a,b,c,d,e,f,g,h,i,j,k,l\r\n",         // too many
    };
    for (const char *text : broken) {
        SCOPED_TRACE(text);
        ResultLine parsed;
        const char *next = NULL;
        EXPECT_FALSE(ParseResultRecord(text, text + strlen(text), &next, &parsed));
        EXPECT_EQ(next, text + strlen(text)) << "the reading goes on after the broken line";
        EXPECT_EQ(parsed.Fields[0], nullptr);
    }
}

TEST(ResultsFile, AppendsUnderOneHeaderInShiftJisWithCrlf)
{
    std::string folder = MakeTempFolder("results");
    ASSERT_TRUE(Append(folder, Line("録音しました", "朝のニュース")));
    ASSERT_TRUE(Append(folder, Line("見逃しました", "ジャズの時間")));
    std::string bytes = ReadTextFile(folder + "TALVORec-results.csv");
    EXPECT_EQ(bytes, Header + Record(Line("録音しました", "朝のニュース")) + Record(Line("見逃しました", "ジャズの時間")));
    // 結 is 0x8C 0x8B in Shift-JIS: the file is not UTF-8.
    EXPECT_EQ(bytes.substr(0, 2), "\x8C\x8B");
    ResultList list;
    ASSERT_TRUE(LoadResults(folder.c_str(), &list));
    ASSERT_EQ(list.Count, 2u);
    EXPECT_STREQ(list.Items[1].Fields[ResultTitle], "ジャズの時間");
    FreeResults(&list);
    RemoveTree(folder);

    ASSERT_TRUE(LoadResults((MakeTempFolder("noresults")).c_str(), &list)) << "no file is no results";
    EXPECT_EQ(list.Count, 0u);
}

TEST(ResultsFile, ALineTornByAPowerCutIsSkippedAndTheNextStandsWhole)
{
    std::string folder = MakeTempFolder("torn");
    std::string path = folder + "TALVORec-results.csv";
    std::string whole = Header + Record(Line("録音しました", "一")) + Record(Line("録音しました", "二"));
    std::string torn = Record(Line("録音しました", "三"));
    struct Case {
        const char *what;
        std::string file;
        uint32_t before;
    } cases[] = {
        { "cut inside a field", whole + torn.substr(0, 30), 2 },
        { "cut between CR and LF", whole + torn.substr(0, torn.size() - 1), 2 },
        { "cut inside the header", Header.substr(0, 20), 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteTextFile(path, c.file);
        ResultList list;
        ASSERT_TRUE(LoadResults(folder.c_str(), &list));
        EXPECT_EQ(list.Count, c.before);
        FreeResults(&list);
        ASSERT_TRUE(Append(folder, Line("録音しました", "四")));
        ASSERT_TRUE(LoadResults(folder.c_str(), &list));
        ASSERT_EQ(list.Count, c.before + 1) << "the torn line went, the new one stands";
        EXPECT_STREQ(list.Items[c.before].Fields[ResultTitle], "四");
        FreeResults(&list);
        std::string bytes = ReadTextFile(path);
        EXPECT_EQ(bytes.substr(bytes.size() - Record(Line("録音しました", "四")).size()), Record(Line("録音しました", "四")));
        EXPECT_EQ(bytes.find(torn.substr(0, 30)), std::string::npos);
    }
    RemoveTree(folder);
}

TEST(ResultsFile, TrimKeepsTheNewestLinesWholeOrNotAtAll)
{
    std::string folder = MakeTempFolder("trim");
    std::string path = folder + "TALVORec-results.csv";
    std::string file = Header;
    for (int i = 0; i < ResultsKept + 5; i++)
        file += Record(Line("録音しました", std::to_string(i).c_str()));
    WriteTextFile(path, file);

    // The copy cannot be made: the file stays as it was.
    CreateDirectoryA((path + ".new").c_str(), NULL);
    EXPECT_FALSE(TrimResults(folder.c_str(), ResultsKept));
    EXPECT_EQ(ReadTextFile(path), file);
    RemoveDirectoryA((path + ".new").c_str());

    ASSERT_TRUE(TrimResults(folder.c_str(), ResultsKept));
    ResultList list;
    ASSERT_TRUE(LoadResults(folder.c_str(), &list));
    ASSERT_EQ(list.Count, (uint32_t)ResultsKept);
    EXPECT_STREQ(list.Items[0].Fields[ResultTitle], "5") << "the oldest five went";
    EXPECT_STREQ(list.Items[ResultsKept - 1].Fields[ResultTitle], std::to_string(ResultsKept + 4).c_str());
    FreeResults(&list);
    EXPECT_EQ(ReadTextFile(path).substr(0, Header.size()), Header);
    std::string trimmed = ReadTextFile(path);
    EXPECT_TRUE(TrimResults(folder.c_str(), ResultsKept));
    EXPECT_EQ(ReadTextFile(path), trimmed) << "nothing to trim leaves the file alone";

    ASSERT_TRUE(ClearResults(folder.c_str()));
    EXPECT_EQ(ReadTextFile(path), Header);
    RemoveTree(folder);
}

// ---- silence ----

TEST(Silence, OnlyASampleBeyondAHundredAndTwentyEighthOfFullScaleIsSound)
{
    struct Case {
        const char *what;
        std::string bytes;
        WORD bits;
        bool sound;
    } cases[] = {
        { "8-bit at the middle and one step off", std::string("\x80\x81\x7F\x80", 4), 8, false },
        { "8-bit two steps up", std::string("\x80\x82", 2), 8, true },
        { "8-bit two steps down", std::string("\x80\x7E", 2), 8, true },
        { "16-bit at +256 and -256", std::string("\x00\x01\x00\xFF", 4), 16, false },
        { "16-bit at +257", std::string("\x01\x01", 2), 16, true },
        { "16-bit at -257", std::string("\xFF\xFE", 2), 16, true },
        { "16-bit, an odd byte at the end is no sample", std::string("\x00\x00\x7F", 3), 16, false },
        { "24-bit at +65536", std::string("\x00\x00\x01", 3), 24, false },
        { "24-bit at +65537", std::string("\x01\x00\x01", 3), 24, true },
        { "32-bit at -2^24 - 1", std::string("\xFF\xFF\xFF\xFE", 4), 32, true },
        { "nothing", "", 16, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PcmHasSound((const BYTE *)c.bytes.data(), (DWORD)c.bytes.size(), c.bits), c.sound);
    }
}

// ---- programmes missed while the program was away ----

namespace {

ReserveEntry *Entry(ReserveList *list, const char *title, int day, int weekday, int hour, int minute, int endHour,
                    int endMinute, int enabled = 1)
{
    ReserveEntry *e = ReserveEntryCreate(0);
    HeapFreeBlock(e->Title);
    e->Title = HeapStrDup(title);
    e->Year = 2027;
    e->Month = 3;
    e->Day = (uint16_t)day;
    e->WeekdayFirst = e->WeekdayLast = (uint16_t)weekday;
    e->StartHour = (uint16_t)hour;
    e->StartMinute = (uint16_t)minute;
    e->EndHour = (uint16_t)endHour;
    e->EndMinute = (uint16_t)endMinute;
    e->Enabled = enabled;
    ReserveListPush(list, e);
    return e;
}

FILETIME Instant(const SYSTEMTIME &time)
{
    FILETIME instant;
    SystemTimeToFileTime(&time, &instant);
    return instant;
}

std::string StartText(const MissedOccurrence &item)
{
    SYSTEMTIME start = OccurrenceStartMinute(&item.When);
    char text[ResultTimeBytes];
    FormatResultTime(&start, text);
    return std::string(item.Entry->Title) + " " + text;
}

}  // namespace

TEST(Missed, EveryOccurrenceWhileAwayOldestFirstAWeekListedTheRestCounted)
{
    ReserveList list = {};
    Entry(&list, "毎日", 255, 0, 6, 0, 6, 30);           // daily
    Entry(&list, "金曜", 0, 5, 21, 0, 22, 0);            // weekly, Fridays
    Entry(&list, "一度", 3, 0, 12, 0, 12, 30);           // a date, the 3rd
    Entry(&list, "一度・先", 6, 0, 12, 0, 12, 30);       // a date still to come
    Entry(&list, "止めた", 255, 0, 7, 0, 7, 30, 0);      // switched off
    Entry(&list, "深夜", 255, 0, 23, 30, 0, 30);         // runs past midnight
    FILETIME now = Instant(At(8, 0, 0, 0, 5));

    struct Case {
        const char *what;
        SYSTEMTIME since;
        bool sinceKnown;
        std::vector<std::string> listed;
        uint32_t older;
    } cases[] = {
        { "three days away",
          At(7, 0, 0, 0, 2),
          true,
          { "深夜 2027/03/02 23:30:00", "毎日 2027/03/03 06:00:00", "一度 2027/03/03 12:00:00", "深夜 2027/03/03 23:30:00",
            "毎日 2027/03/04 06:00:00", "深夜 2027/03/04 23:30:00", "毎日 2027/03/05 06:00:00" },
          0 },
        // A date entry still enabled was never begun (beginning retires it).
        { "since inside the night programme: under way then, so not missed",
          At(23, 40, 0, 0, 4), true, { "一度 2027/03/03 12:00:00", "毎日 2027/03/05 06:00:00" }, 0 },
        { "without since only the date's own", {}, false, { "一度 2027/03/03 12:00:00" }, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FILETIME since = Instant(c.since);
        MissedList missed;
        ASSERT_TRUE(CollectMissed(&list, c.sinceKnown ? &since : NULL, &now, &missed));
        std::vector<std::string> listed;
        for (uint32_t i = 0; i < missed.Count; i++)
            listed.push_back(StartText(missed.Items[i]));
        EXPECT_EQ(listed, c.listed) << "oldest first";
        EXPECT_EQ(missed.Older, c.older);
        FreeMissed(&missed);
    }

    // Ten days away: seven days of the daily programmes are listed, the
    // three before them counted.
    ReserveList daily = {};
    Entry(&daily, "毎日", 255, 0, 6, 0, 6, 30);
    SYSTEMTIME since = At(7, 0, 0, 0, 1);
    since.wMonth = 2;
    since.wDay = 23;
    FILETIME from = Instant(since);
    MissedList missed;
    ASSERT_TRUE(CollectMissed(&daily, &from, &now, &missed));
    ASSERT_EQ(missed.Count, 7u);
    EXPECT_EQ(StartText(missed.Items[0]), "毎日 2027/02/27 06:00:00");
    EXPECT_EQ(StartText(missed.Items[6]), "毎日 2027/03/05 06:00:00");
    EXPECT_EQ(missed.Older, 3u) << "the 24th, 25th and 26th";
    FreeMissed(&missed);
    ReserveListClear(&daily);
    ReserveListClear(&list);
}

// ---- the window ----

namespace {

std::vector<std::string> Shown;

bool RecordShown(const char *path)
{
    Shown.push_back(path);
    return true;
}

class ResultsWindowTest : public testing::Test {
  protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("resultswin");
        LoadAllSections(folder);
        SaveAllSections(folder);
        SimStereo stereo;
        SimDefaultStereo(&stereo);
        window = OpenMainWindow(folder, stereo);
        ASSERT_NE(window, (HWND)NULL);
        App.SelectInFolder = RecordShown;
        Shown.clear();
    }
    void TearDown() override
    {
        if (App.ResultsWindow)
            SendMessageA(App.ResultsWindow, WM_CLOSE, 0, 0);
        CloseMainWindow(window);
        ResetAppState();
        RemoveTree(folder);
    }
    HWND Open()
    {
        SendMessageA(window, WM_COMMAND, IDM_RESULTS, 0);
        PumpMessages();
        return App.ResultsWindow;
    }
    HWND List() { return GetDlgItem(App.ResultsWindow, IDC_RESULTS_LIST); }
    int Rows() { return (int)SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0); }
    std::string Cell(int row, int column)
    {
        char text[512] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        return text;
    }
    int Mark(int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageA(List(), LVM_GETITEMA, 0, (LPARAM)&item);
        return item.iImage;
    }
    void Focus(int row)
    {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(List(), LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
    }
    void PressEnter()
    {
        SetFocus(List());
        SendMessageA(List(), WM_KEYDOWN, VK_RETURN, 0);
        PumpMessages();
    }
    std::string folder;
    HWND window = NULL;
};

}  // namespace

TEST_F(ResultsWindowTest, ListsNewestFirstOpensTheFolderAndFollowsTheFile)
{
    ASSERT_TRUE(Append(folder, Line("録音しました", "一", "C:\\録音\\one.wav | C:\\録音\\one_2.wav")));
    ASSERT_TRUE(Append(folder, Line("見逃しました", "二")));
    ASSERT_TRUE(Append(folder, Line("途中で止まりました (無音)", "三", "D:\\three.wav")));
    HWND results = Open();
    ASSERT_NE(results, (HWND)NULL);
    EXPECT_TRUE(IsWindowVisible(results));
    char caption[32] = "";
    GetWindowTextA(results, caption, sizeof caption);
    EXPECT_STREQ(caption, "録音結果");
    EXPECT_EQ(Open(), results) << "one window, brought forward";

    // The file's columns under the file's own headers.
    HWND header = (HWND)SendMessageA(List(), LVM_GETHEADER, 0, 0);
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), ResultFieldCount);
    std::string headers;
    for (int c = 0; c < ResultFieldCount; c++) {
        char text[64] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, (WPARAM)c, (LPARAM)&item);
        headers += (c ? "," : "") + std::string(text);
    }
    EXPECT_EQ(headers, ResultsHeader);

    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, ResultTitle), "三") << "newest first";
    EXPECT_EQ(Cell(2, ResultTitle), "一");
    EXPECT_EQ(Cell(2, ResultFiles), "C:\\録音\\one.wav | C:\\録音\\one_2.wav");
    EXPECT_EQ(Mark(0), 2) << "silent: failed";
    EXPECT_EQ(Mark(1), 3) << "missed";
    EXPECT_EQ(Mark(2), 0) << "recorded";

    Focus(2);
    PressEnter();
    EXPECT_EQ(Shown, std::vector<std::string>{ "C:\\録音\\one.wav" }) << "the first file of a split recording";
    Focus(1);
    PressEnter();
    EXPECT_EQ(Shown.size(), 1u) << "a missed programme has no file to show";
    Focus(0);
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = List();
    click.hdr.idFrom = IDC_RESULTS_LIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = 0;
    SendMessageA(results, WM_NOTIFY, IDC_RESULTS_LIST, (LPARAM)&click);
    EXPECT_EQ(Shown.back(), "D:\\three.wav");

    // A line added while it is open shows at the top.
    ASSERT_TRUE(Append(folder, Line("録音しました", "四")));
    PostMessageA(results, WM_RESULTSCHANGED, 0, 0);
    PumpMessages();
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(0, ResultTitle), "四");

    // An outcome this program does not know is shown as written, unmarked.
    ASSERT_TRUE(Append(folder, Line("後の版の結果", "五")));
    PostMessageA(results, WM_RESULTSCHANGED, 0, 0);
    PumpMessages();
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(Cell(0, ResultOutcome), "後の版の結果");
    EXPECT_EQ(Mark(0), I_IMAGENONE);
    EXPECT_EQ(Mark(1), 0) << "recorded";
}

// A file an earlier version wrote, with 録画 in its header and outcomes.
TEST_F(ResultsWindowTest, AnEarlierVersionsFileReadsAsTheSameOutcomesAndGoesOnUnderTodaysHeader)
{
    std::string path = folder + "TALVORec-results.csv", earlier = Header;
    earlier.replace(earlier.find("録音の開始,録音の終了"), strlen("録音の開始,録音の終了"), "録画の開始,録画の終了");
    std::string lines = Record(Line("録画しました", "一")) + Record(Line("途中から録画しました (無音)", "二")) +
                        Record(Line("録画できませんでした", "三"));
    WriteTextFile(path, earlier + lines);
    ASSERT_TRUE(TrimResults(folder.c_str(), ResultsKept)) << "as the start does";
    EXPECT_EQ(ReadTextFile(path), Header + lines) << "the same lines under today's header";
    ASSERT_TRUE(Append(folder, Line("録音しました", "四")));
    EXPECT_EQ(ReadTextFile(path), Header + lines + Record(Line("録音しました", "四")));

    ASSERT_NE(Open(), (HWND)NULL);
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Mark(3), 0) << "recorded";
    EXPECT_EQ(Mark(2), 2) << "silent: failed";
    EXPECT_EQ(Mark(1), 2) << "not recorded: failed";
    EXPECT_EQ(Mark(0), 0);
    bool silent = false;
    EXPECT_EQ(ParseOutcome("途中から録画しました (無音)", &silent), OutcomeRecordedLate);
    EXPECT_TRUE(silent);
}

TEST_F(ResultsWindowTest, ClearingAsksFirstAndLeavesTheHeader)
{
    ASSERT_TRUE(Append(folder, Line("録音しました", "一", "C:\\one.wav")));
    ASSERT_TRUE(Append(folder, Line("録音しました", "二", "C:\\two.wav")));
    HWND results = Open();
    ASSERT_NE(results, (HWND)NULL);
    std::string path = folder + "TALVORec-results.csv";
    std::string before = ReadTextFile(path);
    for (int answer : { IDNO, IDYES }) {
        SCOPED_TRACE(answer);
        std::string text;
        WhenWindowAppears([] { return FindThreadWindow("#32770", "録音結果", NULL); }, [&](HWND box) {
            char message[256] = "";
            GetDlgItemTextA(box, 0xFFFF, message, sizeof message);
            text = message;
            PostMessageA(box, WM_COMMAND, answer, 0);
        });
        SendMessageA(GetDlgItem(results, IDC_RESULTS_CLEAR), BM_CLICK, 0, 0);
        PumpMessages();
        CancelWindowWaits();
        EXPECT_NE(text.find("すべて消去しますか"), std::string::npos) << text;
        if (answer == IDNO) {
            EXPECT_EQ(ReadTextFile(path), before);
            EXPECT_EQ(Rows(), 2);
        } else {
            EXPECT_EQ(ReadTextFile(path), Header);
            EXPECT_EQ(Rows(), 0);
        }
    }
}

TEST_F(ResultsWindowTest, ItsPlaceAndSizeAreKept)
{
    HWND results = Open();
    ASSERT_NE(results, (HWND)NULL);
    MoveWindow(results, 40, 60, 500, 300, TRUE);
    RECT placed;
    GetWindowRect(results, &placed);
    SendMessageA(results, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(App.ResultsWindow, (HWND)NULL);
    char stored[64] = "";
    GetPrivateProfileStringA("RESULTS", "Window", "", stored, sizeof stored, (folder + "TALVORec.ini").c_str());
    EXPECT_STRNE(stored, "");
    results = Open();
    ASSERT_NE(results, (HWND)NULL);
    RECT reopened;
    GetWindowRect(results, &reopened);
    EXPECT_EQ(reopened.right - reopened.left, placed.right - placed.left);
    EXPECT_EQ(reopened.bottom - reopened.top, placed.bottom - placed.top);
    EXPECT_EQ(reopened.left, placed.left);
    EXPECT_EQ(reopened.top, placed.top);
}

TEST_F(ResultsWindowTest, AFileThatCannotBeWrittenIsToldOnceUntilALineGetsThrough)
{
    std::string path = folder + "TALVORec-results.csv";
    ASSERT_TRUE(Append(folder, Line("録音しました", "一")));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "held as a spreadsheet holds a file it shows";
    DWORD notices = App.NoticeCount;
    LogInterruptedRecording("C:\\録音\\a.wav");
    LogInterruptedRecording("C:\\録音\\b.wav");
    EXPECT_EQ(App.NoticeCount, notices + 1) << "told once";
    EXPECT_EQ(App.LastNoticeKind, NoticeResultsUnwritable);
    CloseHandle(held);
    EXPECT_EQ(ReadResults(folder).size(), 3u) << "the refused lines are kept, and read as results";

    LogInterruptedRecording("C:\\録音\\c.wav");
    std::vector<std::vector<std::string>> lines = ReadResults(folder);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1][ResultFiles], "C:\\録音\\a.wav") << "the kept lines first, in their order";
    EXPECT_EQ(lines[2][ResultFiles], "C:\\録音\\b.wav");
    EXPECT_EQ(lines[3][ResultOutcome], "途中で止まりました");
    EXPECT_EQ(lines[3][ResultFiles], "C:\\録音\\c.wav");
    EXPECT_EQ(GetFileAttributesA((folder + ResultsPendingName).c_str()), INVALID_FILE_ATTRIBUTES);
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    LogInterruptedRecording("C:\\録音\\d.wav");
    EXPECT_EQ(App.NoticeCount, notices + 2) << "a new failure after a line got through is told again";
    CloseHandle(held);
}

// Held (read shared, write not, as a spreadsheet does) the whole time the program ran: the lines wait
// beside the file through a restart, and the minute's try after the file
// is let go puts them in, each once.
TEST_F(ResultsWindowTest, LinesRefusedWhileTheFileIsHeldAreWrittenAfterARestart)
{
    std::string path = folder + "TALVORec-results.csv";
    ASSERT_TRUE(Append(folder, Line("録音しました", "一")));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    LogInterruptedRecording("C:\\録音\\a.wav");
    LogInterruptedRecording("C:\\録音\\b.wav");
    ResetAppState();
    snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
    SYSTEMTIME now = At(10, 0);
    RetryKeptResults(&now);
    EXPECT_EQ(ReadResults(folder).size(), 3u);
    CloseHandle(held);
    RetryKeptResults(&now);
    EXPECT_TRUE(ResultsKeptAside(App.ProgramFolder)) << "tried once a minute, not at every tick";
    now = Later(now, 60000);
    RetryKeptResults(&now);
    EXPECT_FALSE(ResultsKeptAside(App.ProgramFolder));
    ResultList inFile;
    ASSERT_TRUE(LoadResults(folder.c_str(), &inFile));
    ASSERT_EQ(inFile.Count, 3u);
    EXPECT_STREQ(inFile.Items[1].Fields[ResultFiles], "C:\\録音\\a.wav");
    EXPECT_STREQ(inFile.Items[2].Fields[ResultFiles], "C:\\録音\\b.wav");
    FreeResults(&inFile);
}
