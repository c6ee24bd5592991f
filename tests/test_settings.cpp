// TALVORec.ini: real files in a temp folder through the real private-profile
// functions.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "support.h"
#include "app/heap.h"
#include "settings/safesave.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("settings");
        path = folder + SettingsFileName;
    }
    void TearDown() override
    {
        ResetAppState();
        RemoveTree(folder);
    }
    void Write(const std::string &text) { WriteTextFile(path, text); }
    std::string folder;
    std::string path;
};

// Every line of one section as the file holds it, NUL-separated.
std::string SectionOf(const std::string &path, const char *name)
{
    char buffer[1 << 16];
    DWORD count = GetPrivateProfileSectionA(name, buffer, sizeof buffer, path.c_str());
    return std::string(buffer, count);
}

ReserveEntry *Entry(const char *title, const char *savePath)
{
    ReserveEntry *entry = ReserveEntryCreate(0);
    HeapFreeBlock(entry->Title);
    HeapFreeBlock(entry->SavePath);
    entry->Title = HeapStrDup(title);
    entry->SavePath = HeapStrDup(savePath);
    return entry;
}

}  // namespace

TEST_F(Settings, MissingFileGivesTheBuiltInDefaults)
{
    LoadAllSections(folder);
    EXPECT_EQ(App.TopMost, 0);
    EXPECT_EQ(App.OptionFlags.PowOnStart, 0);
    EXPECT_EQ(App.OptionFlags.PowOffEnd, 0);
    EXPECT_EQ(App.OptionFlags.PowOffEndRec, 1);
    EXPECT_EQ(App.OptionFlags.MuteRec, 1);
    EXPECT_EQ(App.ReserveListRect.right, (LONG)CW_USEDEFAULT);
    EXPECT_EQ(App.ReserveListRect.bottom, -2147483647 - 1);
    const int32_t widths[] = { 140, 80, 65, 40, 40, 240 };
    for (int i = 0; i < ColumnCount; i++)
        EXPECT_EQ(App.ReserveListColumnWidths[i], widths[i]);
    for (const PresetSlot &slot : App.PresetTable) {
        EXPECT_EQ(slot.Enabled, 1);
        EXPECT_EQ(slot.Frequency, 0);
    }
    ASSERT_EQ(App.StationNameTable.Count, 7u);
    EXPECT_EQ(App.StationNameTable.Items[5].Frequency, 1242);
    EXPECT_STREQ(App.StationNameTable.Items[5].Name, "ﾆｯﾎﾟﾝ放送");
    EXPECT_EQ(strlen(App.StationNameTable.Items[5].Name), 9u) << "half-width kana are single bytes";
    EXPECT_STREQ(App.StationNameTable.Items[0].Name, "NHK 第1");
    EXPECT_STREQ(App.StationNameTable.Items[6].Name, "ラジオ日本");

    SaveAllSections(folder);
    std::string freq = SectionOf(path, "FREQ");
    std::string expected;
    for (int i = 0; i < 40; i++)
        expected += std::to_string(i) + "=1,0" + std::string(1, '\0');
    EXPECT_EQ(freq, expected);
    std::string stations = SectionOf(path, "STATION");
    EXPECT_EQ(stations.substr(0, 12), std::string("594=NHK 第1") + '\0');
    EXPECT_NE(stations.find(std::string("1242=ﾆｯﾎﾟﾝ放送") + '\0'), std::string::npos);
}

TEST_F(Settings, MissingSectionInAnExistingFileLeavesPresetsDisabled)
{
    Write("[WINDOW]\r\nTop=5\r\n");
    LoadAllSections(folder);
    for (const PresetSlot &slot : App.PresetTable)
        EXPECT_EQ(slot.Enabled, 0);
    EXPECT_EQ(App.StationNameTable.Count, 0u);
    EXPECT_EQ(App.WindowTop, 5);
}

TEST_F(Settings, EverySectionSurvivesLoadSaveLoad)
{
    Write("[WINDOW]\r\nTop=-20\r\nLeft=300\r\nTopMost=1\r\n"
          "[RESERVELIST]\r\nTop=10\r\nLeft=11\r\nBottom=-2147483648\r\nRight=400\r\nColumnWidth=1,2,3,4,5,6\r\n"
          "[OPTION]\r\nPowOnStart=1\r\nPowOffEnd=1\r\nPowOffEndRec=0\r\nMuteRec=0\r\n"
          "[FREQ]\r\n0=1,8250\r\n7=0,954\r\n39=1,0\r\n"
          "[STATION]\r\n8250=ＦＭ東京\r\n954=TBS\r\n"
          "[RESERVE]\r\n0=1,深夜便\\x2C再放送,3,2026,12,24,4,4,23,30,0,15,C:\\rec\\%T_%Y%M%D.wav,1,"
          "0100010022560000225600000100080000\r\n"
          "1=0,毎週,2,0,0,0,1,5,6,0,7,0,D:\\ラジオ\\%W.raw,0,"
          "1100010022560000D7150000000104000200F901\r\n");
    LoadAllSections(folder);
    ASSERT_EQ(App.ReserveList.Count, 2u);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "深夜便,再放送");
    std::string first = ReadTextFile(path);

    SaveAllSections(folder);
    ResetAppState();
    LoadAllSections(folder);
    EXPECT_EQ(App.WindowTop, -20);
    EXPECT_EQ(App.WindowLeft, 300);
    EXPECT_EQ(App.TopMost, 1);
    EXPECT_EQ(App.ReserveListRect.top, 10);
    EXPECT_EQ(App.ReserveListRect.left, 11);
    EXPECT_EQ(App.ReserveListRect.bottom, -2147483647 - 1);
    EXPECT_EQ(App.ReserveListRect.right, 400);
    EXPECT_EQ(App.ReserveListColumnWidths[5], 6);
    EXPECT_EQ(App.OptionFlags.PowOnStart, 1);
    EXPECT_EQ(App.OptionFlags.MuteRec, 0);
    EXPECT_EQ(App.PresetTable[0].Frequency, 8250);
    EXPECT_EQ(App.PresetTable[7].Enabled, 0);
    EXPECT_EQ(App.PresetTable[7].Frequency, 954);
    EXPECT_EQ(App.PresetTable[39].Enabled, 1);
    EXPECT_EQ(App.PresetTable[20].Enabled, 0);
    ASSERT_EQ(App.StationNameTable.Count, 2u);
    EXPECT_STREQ(App.StationNameTable.Items[0].Name, "ＦＭ東京");
    ASSERT_EQ(App.ReserveList.Count, 2u);
    const ReserveEntry *a = App.ReserveList.Items[0];
    EXPECT_EQ(a->Enabled, 1);
    EXPECT_STREQ(a->Title, "深夜便,再放送");
    EXPECT_EQ(a->Preset, 3);
    EXPECT_EQ(a->Year, 2026);
    EXPECT_EQ(a->Day, 24);
    EXPECT_EQ(a->StartHour, 23);
    EXPECT_EQ(a->EndMinute, 15);
    EXPECT_STREQ(a->SavePath, "C:\\rec\\%T_%Y%M%D.wav");
    EXPECT_EQ(((const WAVEFORMATEX *)a->Format)->nSamplesPerSec, 22050u);
    const ReserveEntry *b = App.ReserveList.Items[1];
    EXPECT_EQ(b->Enabled, 0);
    EXPECT_EQ(b->RiffHeader, 0);
    EXPECT_EQ(((const WAVEFORMATEX *)b->Format)->wFormatTag, 0x11);
    EXPECT_EQ(((const WAVEFORMATEX *)b->Format)->cbSize, 2);
    EXPECT_EQ(App.MaxFormatSize, 20u);

    // The second save writes the same sections again.
    std::string once = ReadTextFile(path);
    SaveAllSections(folder);
    EXPECT_EQ(ReadTextFile(path), once);
    EXPECT_NE(once.find("0=1,深夜便\\x2C再放送,3,2026,12,24,4,4,23,30,0,15,"), std::string::npos) << once;
    (void)first;
}

TEST_F(Settings, CommasInTextsAreEscapedBothWays)
{
    ReserveListPush(&App.ReserveList, Entry("a,b", "C:\\x2Cfolder\\%T.wav"));
    SaveSettingsSection(folder.c_str(), SectionReserve);
    std::string line = SectionOf(path, "RESERVE");
    EXPECT_EQ(line.find("0=1,a\\x2Cb,1,"), 0u) << line;
    ResetAppState();
    LoadSettingsSection(folder.c_str(), SectionReserve);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "a,b");
    // A folder named x2C... was written as it stands and comes back with a comma.
    EXPECT_STREQ(App.ReserveList.Items[0]->SavePath, "C:,folder\\%T.wav");
}

TEST(SettingsText, ReplaceAllMatchesOnlyAtCharacterStarts)
{
    // "ソ" is 0x83 0x5C: its trail byte is a backslash.
    const char *text = "ソx2C";
    ASSERT_EQ((BYTE)text[1], 0x5C);
    char out[32];
    EXPECT_EQ(ReplaceAll(text, out, "\\x2C", ","), strlen(text));
    EXPECT_STREQ(out, text);
    EXPECT_EQ(ReplaceAll("表\\x2C", out, "\\x2C", ","), 3u);
    EXPECT_STREQ(out, "表,");
    EXPECT_EQ(ReplaceAll("a,,b", NULL, ",", "\\x2C"), 10u) << "measuring only";
}

TEST(SettingsText, SplitTokenStepsOverDoubleByteCharacters)
{
    // 0x81 0x43 is "，" whose trail byte is not a comma; 0x8A 0x2C does not
    // exist, so use a real comma after a kanji.
    char text[] = "表,x";
    char *next = text;
    SplitToken(text, &next, ',');
    EXPECT_STREQ(text, "表");
    EXPECT_STREQ(next, "x");
    char last[] = "end";
    char *unchanged = last;
    SplitToken(last, &unchanged, ',');
    EXPECT_EQ(unchanged, last) << "the end of the text leaves next alone";
}

TEST(SettingsText, HexDigits)
{
    BYTE bytes[20] = {};
    EXPECT_EQ(HexToBytes("0aA0ff", bytes), 3u);
    EXPECT_EQ(bytes[0], 0x00) << "lower-case digits count as zero";
    EXPECT_EQ(bytes[1], 0xA0);
    EXPECT_EQ(bytes[2], 0x00);
    std::string odd(37, 'F');
    memset(bytes, 0, sizeof bytes);
    EXPECT_EQ(HexToBytes(odd.c_str(), bytes), 19u);
    EXPECT_EQ(bytes[17], 0xFF);
    EXPECT_EQ(bytes[18], 0xF0) << "the last digit pairs with the terminator";
    const BYTE in[] = { 0x01, 0xA0, 0xFF };
    char text[7];
    BytesToHex(in, 3, text);
    EXPECT_STREQ(text, "01A0FF");
}

TEST(SettingsText, DecimalsAndFrequencies)
{
    static const struct { const char *text; int32_t value; } numbers[] = {
        { "12", 12 }, { "  -7x", -7 }, { "+3", 3 }, { "", 0 }, { "abc", 0 },
        { "-2147483648", -2147483647 - 1 }, { "65536", 65536 },
    };
    for (const auto &n : numbers)
        EXPECT_EQ(ParseDecimal(n.text), n.value) << n.text;
    static const struct { int32_t frequency; const char *text; } frequencies[] = {
        { 0, "" }, { 594, "AM 594kHz" }, { 1629, "AM 1629kHz" }, { 1630, "FM 16.30MHz" },
        { 8250, "FM 82.50MHz" }, { 7605, "FM 76.05MHz" },
    };
    char text[32];
    for (const auto &f : frequencies) {
        FormatFrequency(f.frequency, text, sizeof text);
        EXPECT_STREQ(text, f.text);
    }
}

TEST_F(Settings, OddLinesAreIgnoredOrReadAsThePartsSay)
{
    std::string longValue(1024, '7');
    Write("[OPTION]\r\nx=1=2\r\nPowOnStart=" + longValue + "\r\nPowOffEnd=5\r\n"
          "[FREQ]\r\n-1=1,100\r\n40=1,200\r\n3=1\r\n4=1,1000\r\n"
          "[RESERVELIST]\r\nColumnWidth=100,200\r\n"
          "[STATION]\r\n954=A\r\n954=B\r\n1=長い長い名前の放送局\r\n");
    LoadAllSections(folder);
    EXPECT_EQ(App.OptionFlags.PowOnStart, 0) << "a 1,024-byte value is dropped";
    EXPECT_EQ(App.OptionFlags.PowOffEnd, 5);
    EXPECT_EQ(App.OptionFlags.PowOffEndRec, 1) << "x=1=2 is key 1, ignored";
    EXPECT_EQ(App.PresetTable[3].Enabled, 1);
    EXPECT_EQ(App.PresetTable[3].Frequency, 1) << "a single field serves for both";
    EXPECT_EQ(App.PresetTable[4].Frequency, 1000);
    for (int i : { 0, 39 })
        EXPECT_EQ(App.PresetTable[i].Frequency, 0) << "keys -1 and 40 are ignored";
    EXPECT_EQ(App.ReserveListColumnWidths[0], 100);
    for (int i = 1; i < ColumnCount; i++)
        EXPECT_EQ(App.ReserveListColumnWidths[i], 200);
    ASSERT_EQ(App.StationNameTable.Count, 3u);
    EXPECT_EQ(FindStationByFrequency(954), 0);
    EXPECT_STREQ(App.StationNameTable.Items[1].Name, "B");
    EXPECT_EQ(FindStationByFrequency(111), -1);
    // Eleven bytes at most, cut between characters: five kanji are ten bytes.
    EXPECT_STREQ(App.StationNameTable.Items[2].Name, "長い長い名");
}

TEST_F(Settings, StationTableGrowsBy20KeepingOrder)
{
    for (int i = 0; i < 45; i++) {
        StationName record = {};
        record.Frequency = 1000 + i;
        snprintf(record.Name, sizeof record.Name, "s%d", i);
        ASSERT_EQ(AddStation(&record), 1);
        if (i == 20 || i == 40) {
            EXPECT_EQ(HeapBlockSize(App.StationNameTable.Items), (size_t)(i + 20) * sizeof(StationName));
        }
    }
    for (int i = 0; i < 45; i++)
        EXPECT_EQ(App.StationNameTable.Items[i].Frequency, 1000 + i);
    EXPECT_EQ(FindStationByFrequency(1044), 44);
    ClearStations();
    EXPECT_EQ(FindStationByFrequency(1000), -1);
}

TEST_F(Settings, PresetLinesAreWrittenOnlyForUsedSlots)
{
    Write("[OPTION]\r\n");
    LoadSettingsSection(folder.c_str(), SectionFreq);
    App.PresetTable[2] = { 1, 0 };
    App.PresetTable[9] = { 0, 8000 };
    SaveSettingsSection(folder.c_str(), SectionFreq);
    EXPECT_EQ(SectionOf(path, "FREQ"), std::string("2=1,0\0" "9=0,8000\0", 15));
}

TEST_F(Settings, DamagedReservationLinesHurtNoOther)
{
    const std::string good = "1,良い,1,2026,1,2,5,5,6,0,7,0,C:\\a.wav,1,010001002256000022560000010008000000";
    Write("[RESERVE]\r\n"
          "0=" + good + "\r\n"
          "1=nothing\r\n"
          "2=1,short format,1,2026,1,2,5,5,6,0,7,0,C:\\b.wav,1,0100\r\n"
          "3=1,cbSize too big,1,2026,1,2,5,5,6,0,7,0,C:\\c.wav,1,0100010022560000225600000100080020\r\n"
          "4=1,a,b\r\n"
          "5=" + good + "\r\n"
          "6=1,題名=イコール付き,1,2026,1,2,5,5,6,0,7,0,C:\\d.wav,1,010001002256000022560000010008000000\r\n");
    LoadSettingsSection(folder.c_str(), SectionReserve);
    ASSERT_EQ(App.ReserveList.Count, 7u);
    EXPECT_STREQ(App.ReserveList.Items[0]->Title, "良い");
    EXPECT_STREQ(App.ReserveList.Items[5]->Title, "良い");
    EXPECT_STREQ(App.ReserveList.Items[6]->Title, "題名=イコール付き") << "an = in a title stays in it";
    EXPECT_EQ(App.ReserveList.Items[6]->EndHour, 7);
    for (uint32_t i = 0; i < App.ReserveList.Count; i++) {
        const ReserveEntry *e = App.ReserveList.Items[i];
        ASSERT_TRUE(FormatBlockValid(e->Format)) << "entry " << i;
    }
    // The short and the overlong formats were replaced by the default format.
    EXPECT_STREQ(App.ReserveList.Items[2]->Title, "short format");
    EXPECT_EQ(((const WAVEFORMATEX *)App.ReserveList.Items[2]->Format)->nSamplesPerSec, 22050u);
    EXPECT_EQ(((const WAVEFORMATEX *)App.ReserveList.Items[3]->Format)->cbSize, 0);
    EXPECT_STREQ(App.ReserveList.Items[1]->Title, "nothing") << "a value without commas is one field throughout";
    EXPECT_EQ(App.MaxFormatSize, 18u);
}

static std::string SavePathOf(int i)
{
    return "C:\\録音\\" + std::string(200, 'p') + "\\%T_%Y%M%D_" + std::to_string(i) + ",x.wav";
}

TEST_F(Settings, SixHundredLongReservationsComeBackIdentical)
{
    for (int i = 0; i < 600; i++) {
        std::string title = "番組" + std::to_string(i) + ",第" + std::string(180, 'T');
        std::string savePath = SavePathOf(i);
        ReserveEntry *entry = Entry(title.c_str(), savePath.c_str());
        entry->StartHour = (uint16_t)(i % 24);
        entry->Day = (uint16_t)(i % 256);
        ASSERT_TRUE(ReserveListPush(&App.ReserveList, entry));
    }
    // and one whose line is far longer than any other section's values may be
    std::string huge(3000, 'H');
    ReserveListPush(&App.ReserveList, Entry(huge.c_str(), "C:\\h.wav"));
    SaveSettingsSection(folder.c_str(), SectionReserve);
    ResetAppState();
    LoadSettingsSection(folder.c_str(), SectionReserve);
    ASSERT_EQ(App.ReserveList.Count, 601u);
    for (int i = 0; i < 600; i++) {
        std::string title = "番組" + std::to_string(i) + ",第" + std::string(180, 'T');
        const ReserveEntry *e = App.ReserveList.Items[i];
        ASSERT_STREQ(e->Title, title.c_str());
        EXPECT_EQ(e->StartHour, i % 24);
        EXPECT_EQ(e->Day, i % 256);
        EXPECT_STREQ(e->SavePath, SavePathOf(i).c_str());
    }
    EXPECT_STREQ(App.ReserveList.Items[600]->Title, huge.c_str());
}

// Bytes of the longest section handed to the profile writer, NULs counted.
static size_t LongestSectionWritten = 0;

static BOOL WINAPI MeasuringSectionWriter(LPCSTR section, LPCSTR lines, LPCSTR file)
{
    const char *end = lines;
    while (*end)
        end += strlen(end) + 1;
    size_t bytes = (size_t)(end - lines) + 1;
    if (bytes > LongestSectionWritten)
        LongestSectionWritten = bytes;
    return WritePrivateProfileSectionA(section, lines, file);
}

// The profile functions take a section of 65,535 bytes at most; a thousand
// reservations are far past it, and the sections around them must stay.
TEST_F(Settings, AThousandReservationsSurviveASaveAndARestart)
{
    Write("[OPTION]\r\nPowOnStart=1\r\n[RESERVE]\r\n0=old\r\n[FREQ]\r\n0=1,8250\r\n");
    for (int i = 0; i < 1000; i++) {
        std::string title = "番組" + std::to_string(i) + std::string(100, 'T');
        ReserveEntry *entry = Entry(title.c_str(), SavePathOf(i).c_str());
        entry->StartHour = (uint16_t)(i % 24);
        ASSERT_TRUE(ReserveListPush(&App.ReserveList, entry));
    }
    LongestSectionWritten = 0;
    WriteProfileLines = MeasuringSectionWriter;
    App.OptionFlags.PowOnStart = 0;
    SettingsSection sections[] = { SectionReserve, SectionOption };
    bool saved = SaveSettingsSections(folder.c_str(), sections, 2);
    WriteProfileLines = WritePrivateProfileSectionA;
    ASSERT_TRUE(saved);
    EXPECT_LE(LongestSectionWritten, 65535u);
    EXPECT_GT(ReadTextFile(path).size(), 65535u * 2);

    ResetAppState();
    LoadSettingsSection(folder.c_str(), SectionReserve);
    LoadSettingsSection(folder.c_str(), SectionOption);
    LoadSettingsSection(folder.c_str(), SectionFreq);
    ASSERT_EQ(App.ReserveList.Count, 1000u);
    for (int i = 0; i < 1000; i += 111) {
        std::string title = "番組" + std::to_string(i) + std::string(100, 'T');
        EXPECT_STREQ(App.ReserveList.Items[i]->Title, title.c_str());
        EXPECT_EQ(App.ReserveList.Items[i]->StartHour, i % 24);
    }
    EXPECT_STREQ(App.ReserveList.Items[999]->SavePath, SavePathOf(999).c_str());
    EXPECT_EQ(App.OptionFlags.PowOnStart, 0);
    EXPECT_EQ(App.PresetTable[0].Frequency, 8250) << "the section after it is untouched";
    std::string text = ReadTextFile(path);
    EXPECT_EQ(text.find("[RESERVE]"), text.rfind("[RESERVE]"));
    EXPECT_EQ(text.find("0=old"), std::string::npos);
}

TEST(SettingsPath, WithoutAProgramFolderTheFileIsTheCurrentFolders)
{
    ResetAppState();
    std::string folder = MakeTempFolder("current");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    App.TopMost = 1;
    EXPECT_TRUE(SaveSettingsSection("", SectionWindow));
    EXPECT_NE(ReadTextFile(folder + SettingsFileName).find("TopMost=1"), std::string::npos);
    App.TopMost = 0;
    LoadSettingsSection("", SectionWindow);
    EXPECT_EQ(App.TopMost, 1);
    SetCurrentDirectoryA(previous);
    ResetAppState();
    RemoveTree(folder);
}

TEST_F(Settings, NoticesAreOnUnlessTheFileTurnsThemOff)
{
    struct Case {
        const char *what;
        std::string file;
        int32_t notices;
    } cases[] = {
        { "no file", "", 1 },
        { "a file from before the option", "[OPTION]\r\nPowOnStart=1\r\nPowOffEnd=0\r\nPowOffEndRec=1\r\nMuteRec=1\r\n", 1 },
        { "turned off", "[OPTION]\r\nNotices=0\r\n", 0 },
        { "turned on", "[OPTION]\r\nMuteRec=0\r\nNotices=1\r\n", 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(path.c_str());
        if (!c.file.empty())
            Write(c.file);
        ResetAppState();
        App.OptionFlags.Notices = 7;
        LoadAllSections(folder);
        EXPECT_EQ(App.OptionFlags.Notices, c.notices);
    }
    // Written with the other options; a program without the option ignores the line.
    App.OptionFlags.Notices = 0;
    SaveAllSections(folder);
    const char expected[] = "PowOnStart=0\0PowOffEnd=0\0PowOffEndRec=1\0MuteRec=0\0Notices=0\0"
                            "WakeRec=1\0StartInTray=0\0";
    EXPECT_EQ(SectionOf(path, "OPTION"), std::string(expected, sizeof expected - 1));
}

TEST_F(Settings, WakeIsOnAndTheTrayStartOffUnlessTheFileSaysOtherwise)
{
    struct Case {
        const char *what;
        std::string file;
        int32_t wake, tray;
    } cases[] = {
        { "no file", "", 1, 0 },
        { "a file from before the options",
          "[OPTION]\r\nPowOnStart=1\r\nPowOffEnd=0\r\nPowOffEndRec=1\r\nMuteRec=1\r\nNotices=0\r\n", 1, 0 },
        { "no OPTION section", "[WINDOW]\r\nTop=5\r\n", 1, 0 },
        { "wake turned off", "[OPTION]\r\nWakeRec=0\r\n", 0, 0 },
        { "tray start turned on", "[OPTION]\r\nStartInTray=1\r\nWakeRec=1\r\n", 1, 1 },
        { "any number but 0 is on", "[OPTION]\r\nStartInTray=3\r\n", 1, 3 },
        { "a damaged value is off", "[OPTION]\r\nWakeRec=x\r\nStartInTray=\r\n", 0, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(path.c_str());
        if (!c.file.empty())
            Write(c.file);
        ResetAppState();
        App.OptionFlags.WakeRec = App.OptionFlags.StartInTray = 7;
        LoadAllSections(folder);
        EXPECT_EQ(App.OptionFlags.WakeRec, c.wake);
        EXPECT_EQ(App.OptionFlags.StartInTray, c.tray);
    }
}

// A file written now keeps every line a program without the new options
// reads, with the same keys and values in the same order; the new options
// come only as lines of their own, which such a program ignores.
TEST_F(Settings, AFileWrittenNowReadsAsBeforeWithTheNewOptionsAsNewKeysOnly)
{
    const char before[] = "[OPTION]\r\nPowOnStart=1\r\nPowOffEnd=1\r\nPowOffEndRec=0\r\nMuteRec=0\r\nNotices=0\r\n";
    Write(before);
    LoadAllSections(folder);
    App.OptionFlags.WakeRec = 0;
    App.OptionFlags.StartInTray = 1;
    SaveAllSections(folder);
    std::string written = SectionOf(path, "OPTION");
    const char old[] = "PowOnStart=1\0PowOffEnd=1\0PowOffEndRec=0\0MuteRec=0\0Notices=0\0";
    ASSERT_EQ(written.substr(0, sizeof old - 1), std::string(old, sizeof old - 1)) << "the old lines, unchanged";
    EXPECT_EQ(written.substr(sizeof old - 1), std::string("WakeRec=0\0StartInTray=1\0", 24));
    static const char *const oldKeys[] = { "PowOnStart", "PowOffEnd", "PowOffEndRec", "MuteRec", "Notices" };
    const int oldValues[] = { 1, 1, 0, 0, 0 };
    for (int i = 0; i < 5; i++)
        EXPECT_EQ((int)GetPrivateProfileIntA("OPTION", oldKeys[i], 9, path.c_str()), oldValues[i]) << oldKeys[i];

    // And read back by this program as it was written.
    ResetAppState();
    LoadAllSections(folder);
    EXPECT_EQ(App.OptionFlags.PowOnStart, 1);
    EXPECT_EQ(App.OptionFlags.PowOffEndRec, 0);
    EXPECT_EQ(App.OptionFlags.WakeRec, 0);
    EXPECT_EQ(App.OptionFlags.StartInTray, 1);
}

// The 64-bit and the 32-bit program share one TALVORec.ini: both run this
// test, so each writes exactly these bytes for this state and reads them
// back to it.
TEST_F(Settings, BothArchitecturesWriteTheSameFileByteForByte)
{
    const std::string file =
        "[WINDOW]\r\nTop=-20\r\nLeft=300\r\nTopMost=1\r\n"
        "[RESERVELIST]\r\nTop=10\r\nLeft=11\r\nBottom=-2147483648\r\nRight=400\r\nColumnWidth=1,2,3,4,5,6\r\n"
        "[OPTION]\r\nPowOnStart=1\r\nPowOffEnd=1\r\nPowOffEndRec=0\r\nMuteRec=0\r\nNotices=1\r\nWakeRec=1\r\n"
        "StartInTray=0\r\n"
        "[FREQ]\r\n0=1,8250\r\n7=0,954\r\n39=1,0\r\n"
        "[STATION]\r\n8250=ＦＭ東京\r\n954=TBS\r\n"
        "[RESERVE]\r\n0=1,深夜便\\x2C再放送,3,2026,12,24,4,4,23,30,0,15,C:\\rec\\%T_%Y%M%D.wav,1,"
        "010001002256000022560000010008000000\r\n"
        "1=0,毎週,2,0,0,0,1,5,6,0,7,0,D:\\ラジオ\\%W.raw,0,1100010022560000D7150000000104000200F901\r\n";
    Write(file);
    LoadAllSections(folder);
    ASSERT_EQ(App.ReserveList.Count, 2u);
    EXPECT_EQ(App.ReserveList.Items[1]->Format[0], 0x11);
    EXPECT_EQ(App.StationNameTable.Count, 2u);
    SaveAllSections(folder);
    EXPECT_EQ(ReadTextFile(path), file);
}

// An MP3 reservation is one more format record to the settings file: loaded,
// kept and saved byte for byte, as a program that knows no MP3 does too.
TEST_F(Settings, Mp3ReservationRoundTripsUntouched)
{
    std::string record = "0=1,深夜便,3,2026,12,24,4,4,23,30,0,15,C:\\rec\\%T.wav,1,"
                         "5500020044AC0000803E000001000000" "0C00010002000000A10101007105";
    Write("[RESERVE]\r\n" + record + "\r\n");
    LoadAllSections(folder);
    ASSERT_EQ(App.ReserveList.Count, 1u);
    const ReserveEntry *entry = App.ReserveList.Items[0];
    EXPECT_EQ(FormatLength(entry->Format), 30u);
    EXPECT_EQ(OutputKindOf(entry), OutputMp3);
    SaveAllSections(folder);
    EXPECT_NE(ReadTextFile(path).find(record + "\r\n"), std::string::npos) << ReadTextFile(path);
}
