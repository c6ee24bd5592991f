// The Recorder: path patterns and folders, the file dialog, the WAVE and raw
// writers, and real recordings from the sound server's recording device (which
// hears the tone the test plays) through the real ACM codecs.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "wavecheck.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "reserveui/reserveui.h"
#include "recorder/formatname.h"
#include "recorder/ownformats.h"
#include "res/resource.h"
#include <map>

namespace {

// The 16-bit PCM a compressed format decodes to.
WAVEFORMATEX PcmOf(const WAVEFORMATEX *coded)
{
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = coded->nChannels;
    pcm.nSamplesPerSec = coded->nSamplesPerSec;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = (WORD)(2 * pcm.nChannels);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    return pcm;
}

// Decodes a compressed recording back to 16-bit PCM through the platform's codec.
std::string DecodeToPcm(const WAVEFORMATEX *coded, const std::string &data)
{
    WAVEFORMATEX pcm = PcmOf(coded);
    HACMSTREAM stream;
    if (acmStreamOpen(&stream, NULL, (LPWAVEFORMATEX)coded, &pcm, NULL, 0, 0, ACM_STREAMOPENF_NONREALTIME))
        return "";
    std::string source = data;
    DWORD size = 0;
    acmStreamSize(stream, (DWORD)source.size(), &size, ACM_STREAMSIZEF_SOURCE);
    std::string out(size, '\0');
    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof header;
    header.pbSrc = (BYTE *)&source[0];
    header.cbSrcLength = (DWORD)source.size();
    header.pbDst = (BYTE *)&out[0];
    header.cbDstLength = size;
    acmStreamPrepareHeader(stream, &header, 0);
    acmStreamConvert(stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN);
    acmStreamUnprepareHeader(stream, &header, 0);
    acmStreamClose(stream, 0);
    out.resize(header.cbDstLengthUsed);
    return out;
}

// ---- formats and reservations ----

std::string PcmFormat(int rate, int bits, int channels)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = (WORD)channels;
    format.nSamplesPerSec = (DWORD)rate;
    format.wBitsPerSample = (WORD)bits;
    format.nBlockAlign = (WORD)(bits / 8 * channels);
    format.nAvgBytesPerSec = format.nBlockAlign * (DWORD)rate;
    return std::string((const char *)&format, sizeof format);
}

// The IMA ADPCM format the platform's codec proposes for 16-bit PCM.
std::string ImaAdpcmFormat(int rate, int channels)
{
    std::string pcm = PcmFormat(rate, 16, channels);
    std::string ima(64, '\0');
    WAVEFORMATEX *suggested = (WAVEFORMATEX *)&ima[0];
    suggested->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    if (acmFormatSuggest(NULL, (LPWAVEFORMATEX)&pcm[0], suggested, (DWORD)ima.size(),
                         ACM_FORMATSUGGESTF_WFORMATTAG))
        return "";
    ima.resize(sizeof(WAVEFORMATEX) + suggested->cbSize);
    return ima;
}

ReserveEntry *MakeEntry(const char *title, const std::string &savePath, int riffHeader, const std::string &format)
{
    ReserveEntry *entry = ReserveEntryCreate(format.size());
    HeapFreeBlock(entry->Title);
    HeapFreeBlock(entry->SavePath);
    entry->Title = HeapStrDup(title);
    entry->SavePath = HeapStrDup(savePath.c_str());
    entry->RiffHeader = riffHeader;
    memcpy(entry->Format, format.data(), format.size());
    return entry;
}

SYSTEMTIME Clock(int year, int month, int day, int weekday, int hour, int minute)
{
    SYSTEMTIME time = {};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wDayOfWeek = (WORD)weekday;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    return time;
}

}  // namespace

// ---- save path ----

TEST(SavePath, ExpandsEveryCodeOnce)
{
    struct Case {
        const char *pattern;
        const char *title;
        SYSTEMTIME now;
        const char *expected;
    } cases[] = {
        { "C:\\Radio\\%T_%Y%M%D_%H%m(%W).wav", "News", Clock(2003, 4, 5, 6, 6, 59),
          "C:\\Radio\\News_030405_0659(土).wav" },
        { "C:\\Radio\\plain.wav", "News", Clock(2003, 4, 5, 6, 6, 59), "C:\\Radio\\plain.wav" },
        { "%%T", "News", Clock(2003, 4, 5, 6, 6, 59), "%T" },
        { "%T.wav", "%Y%M%%", Clock(2003, 4, 5, 6, 6, 59), "%Y%M%%.wav" },
        { "%Y%M%D%H%m%W", "", Clock(2009, 1, 2, 0, 3, 4), "0901020304日" },
        { "%Y-%W", "", Clock(2000, 12, 31, 0, 23, 59), "00-日" },
        { "%y%d%h%x%", "", Clock(2003, 4, 5, 6, 6, 59), "%y%d%h%x%" },
        // A lead byte followed by 0x25: the pair is one character, not a code.
        { "\x81%Y", "", Clock(2003, 4, 5, 6, 6, 59), "\x81%Y" },
        // 表 ends in the byte 0x5C; the code after it is still found.
        { "表%Y\\%T", "番組%D", Clock(2003, 4, 5, 6, 6, 59), "表03\\番組%D" },
        { "%W%W", "", Clock(2003, 4, 5, 6, 6, 59), "土土" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern);
        char out[SavePathBytes];
        ASSERT_TRUE(ExpandSavePathAt(c.pattern, out, sizeof out, c.title, &c.now));
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(SavePath, ATitleNeverBreaksItsFileWhileThePatternIsTheUsers)
{
    struct Case {
        const char *title;
        const char *expected;
    } cases[] = {
        { "FM/AM ジャズ", "C:\\Radio\\FM／AM ジャズ.wav" },
        { "J-WAVE: SPIN", "C:\\Radio\\J-WAVE： SPIN.wav" },
        { "誰?*\"<>|", "C:\\Radio\\誰？＊”＜＞｜.wav" },
        { "a\\b", "C:\\Radio\\a￥b.wav" },
        { "深夜便. . ", "C:\\Radio\\深夜便.wav" },
        { "表ソ", "C:\\Radio\\表ソ.wav" },  // trail bytes 0x5C: no separators
        { "tab\there", "C:\\Radio\\tabhere.wav" },
    };
    SYSTEMTIME now = Clock(2003, 4, 5, 6, 6, 59);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        char out[SavePathBytes];
        ASSERT_TRUE(ExpandSavePathAt("C:\\Radio\\%T.wav", out, sizeof out, c.title, &now));
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(SavePath, ResultAndTerminatorMustFit)
{
    SYSTEMTIME now = Clock(2003, 4, 5, 6, 6, 59);
    char out[SavePathBytes];
    std::string fits(259, 'a'), tooLong(260, 'a');
    EXPECT_TRUE(ExpandSavePathAt(fits.c_str(), out, sizeof out, "", &now));
    EXPECT_EQ(std::string(out), fits);
    EXPECT_FALSE(ExpandSavePathAt(tooLong.c_str(), out, sizeof out, "", &now));
    // The same limit through a replacement: 255 bytes + "News" fit, + "News!" do not.
    std::string prefix(255, 'b');
    EXPECT_TRUE(ExpandSavePathAt((prefix + "%T").c_str(), out, sizeof out, "News", &now));
    EXPECT_EQ(strlen(out), 259u);
    EXPECT_FALSE(ExpandSavePathAt((prefix + "%T").c_str(), out, sizeof out, "News!", &now));
    EXPECT_FALSE(ExpandSavePathAt("%Y", out, 2, "", &now));
    EXPECT_TRUE(ExpandSavePathAt("%Y", out, 3, "", &now));
    EXPECT_STREQ(out, "03");
}

TEST(SavePath, SplitsAtTheLastRealBackslash)
{
    struct Case {
        const char *path;
        const char *folder;
        const char *name;
    } cases[] = {
        { "C:\\Radio\\x.wav", "C:\\Radio\\", "x.wav" },
        { "x.wav", "", "x.wav" },
        { "C:\\表.wav", "C:\\", "表.wav" },
        { "C:\\一覧表\\ソ.wav", "C:\\一覧表\\", "ソ.wav" },
        { "C:\\Radio\\", "C:\\Radio\\", "" },
        { "", "", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        char folder[SavePathBytes], name[SavePathBytes];
        size_t at = SplitPath(c.path, folder, name);
        EXPECT_STREQ(folder, c.folder);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(at, strlen(c.folder));
        EXPECT_EQ(SplitPath(c.path, NULL, NULL), at);
    }
}

TEST(SavePath, EnsureFolderCreatesOneLevelOnly)
{
    std::string folder = MakeTempFolder("folder");
    EXPECT_FALSE(EnsureFolder((folder + "new\\sub\\x.wav").c_str()));
    EXPECT_FALSE(Exists(folder + "new"));
    ASSERT_TRUE(CreateDirectoryA((folder + "new").c_str(), NULL));
    EXPECT_TRUE(EnsureFolder((folder + "new\\sub\\x.wav").c_str()));
    DWORD attributes = GetFileAttributesA((folder + "new\\sub").c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(EnsureFolder((folder + "new\\sub\\y.wav").c_str())) << "an existing folder is fine";
    WriteTextFile(folder + "blocker", "x");
    EXPECT_FALSE(EnsureFolder((folder + "blocker\\x.wav").c_str())) << "a file in the way";
    EXPECT_TRUE(EnsureFolder("x.wav"));
    EXPECT_FALSE(Exists("x.wav"));
    RemoveTree(folder);
}

// ---- the file dialog ----

namespace {

struct DialogAnswer {
    WPARAM Command;
    bool Seen;
};

DWORD WINAPI AnswerFileDialog(LPVOID parameter)
{
    DialogAnswer *answer = (DialogAnswer *)parameter;
    for (int i = 0; i < 500; i++) {
        HWND dialog = FindWindowA("#32770", NULL);
        if (dialog && IsWindowVisible(dialog)) {
            answer->Seen = true;
            Sleep(100);
            PostMessageA(dialog, WM_COMMAND, answer->Command, 0);
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

bool RunFileDialog(WPARAM command, char *file, char *title, bool open, bool *seen)
{
    DialogAnswer answer = { command, false };
    HANDLE thread = CreateThread(NULL, 0, AnswerFileDialog, &answer, 0, NULL);
    bool chosen = ChooseFile(NULL, NULL, file, title, open);
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    *seen = answer.Seen;
    return chosen;
}

}  // namespace

TEST(FileDialog, SaveGivesThePathAndNameOpenCanBeCancelled)
{
    std::string folder = MakeTempFolder("dialog");
    char file[SavePathBytes], title[SavePathBytes] = "stale";
    snprintf(file, sizeof file, "%spicked.wav", folder.c_str());
    bool seen = false;
    EXPECT_TRUE(RunFileDialog(IDOK, file, title, false, &seen));
    EXPECT_TRUE(seen);
    EXPECT_EQ(file, folder + "picked.wav") << "the initial name is the one confirmed";
    EXPECT_STREQ(title, "picked.wav");
    strcpy(title, "stale");
    EXPECT_FALSE(RunFileDialog(IDCANCEL, file, title, true, &seen));
    EXPECT_TRUE(seen);
    EXPECT_STREQ(title, "") << "the title buffer is emptied first";
    EXPECT_FALSE(ChooseFile(NULL, NULL, NULL, title, true)) << "no buffer, no dialog";
    RemoveTree(folder);
}

// A relative settings or save path keeps meaning what it meant before the
// user picked a file somewhere else.
TEST(FileDialog, ChoosingAFileLeavesTheCurrentFolderWhereItWas)
{
    std::string here = MakeTempFolder("here"), there = MakeTempFolder("there");
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof before, before);
    ASSERT_TRUE(SetCurrentDirectoryA(here.c_str()));
    WriteTextFile(there + "existing.wav", "x");
    for (bool open : { false, true }) {
        SCOPED_TRACE(open ? "open" : "save");
        char file[SavePathBytes];
        snprintf(file, sizeof file, "%s%s", there.c_str(), open ? "existing.wav" : "picked.wav");
        bool seen = false;
        EXPECT_TRUE(RunFileDialog(IDOK, file, NULL, open, &seen));
        EXPECT_TRUE(seen);
        EXPECT_EQ(file, there + (open ? "existing.wav" : "picked.wav"));
        char now[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof now, now);
        EXPECT_EQ(std::string(now) + "\\", here);
    }
    SetCurrentDirectoryA(before);
    RemoveTree(here);
    RemoveTree(there);
}

// ---- the writers ----

TEST(WaveFile, ChunksAroundTheAudio)
{
    struct Case {
        WORD cbSize;
        uint32_t fmtSize;
        std::string audio;
    } cases[] = {
        { 0, 18, std::string("\x80\x81\x82\x83", 4) },
        { 12, 30, std::string("\x01\x02\x03", 3) },  // odd data: a pad byte closes the file
        { 3, 21, std::string(1000, '\x55') },        // odd format: a pad byte before "fact"
    };
    std::string folder = MakeTempFolder("wave");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cbSize);
        std::string format = PcmFormat(22050, 8, 1);
        ((WAVEFORMATEX *)&format[0])->cbSize = c.cbSize;
        for (WORD i = 0; i < c.cbSize; i++)
            format.push_back((char)(0xA0 + i));
        std::string path = folder + "w" + std::to_string(c.cbSize) + ".wav";
        WaveFileWriter writer;
        ASSERT_TRUE(CreateWaveFile(&writer, path.c_str(), (const BYTE *)format.data()));
        AppendWaveData(&writer, c.audio.data(), 2);
        AppendWaveData(&writer, c.audio.data() + 2, (DWORD)c.audio.size() - 2);
        EXPECT_TRUE(FinishWaveFile(&writer, 4321));
        EXPECT_EQ(writer.File, nullptr);
        WaveParts parts;
        ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
        EXPECT_EQ(parts.Fmt.size(), c.fmtSize);
        EXPECT_EQ(parts.Fmt, format);
        EXPECT_EQ(parts.Frames(), 4321u);
        EXPECT_EQ(parts.Data, c.audio);
    }
    WaveFileWriter writer;
    EXPECT_FALSE(CreateWaveFile(&writer, (folder + "missing\\x.wav").c_str(),
                                (const BYTE *)PcmFormat(22050, 8, 1).data()));
    EXPECT_EQ(writer.File, nullptr);
    RemoveTree(folder);
}

namespace {

// A path of exactly length bytes: the stem padded out, then ".wav".
std::string PathOfLength(const std::string &stem, size_t length)
{
    return stem + std::string(length - stem.size() - 4, 'x') + ".wav";
}

// Whether nothing holds the file open any more: only then is it ours alone.
bool NobodyHasOpen(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// An I/O procedure that opens nothing: Windows refuses the file the same way
// when the name after a "+" names no installed procedure.
LRESULT CALLBACK RefusingProc(LPSTR, UINT message, LPARAM, LPARAM)
{
    return message == MMIOM_OPEN ? MMIOERR_CANNOTOPEN : 0;
}

}  // namespace

// Save paths up to the 259 bytes a path may have, Japanese titles and a "+"
// (which the multimedia file functions read as the name of an I/O procedure
// when they are given the name) are ordinary files for writing and repair.
TEST(WaveFile, LongPathsAndPlusSignsAreOrdinaryFiles)
{
    std::string folder = MakeTempFolder("long");
    const std::string stem = folder + "番組";
    std::string paths[] = {
        PathOfLength(stem, 127), PathOfLength(stem, 128), PathOfLength(stem, 200), PathOfLength(stem, 259),
        folder + "Top40.mix+live.wav", PathOfLength(folder + "J-POP.hits+", 259),
    };
    std::string format = PcmFormat(44100, 16, 2), audio = std::string(4000, '\x21');
    // Procedures installed under the names the "+" in the titles make.
    struct Installed {
        FOURCC Name;
        Installed(FOURCC name) : Name(name) { mmioInstallIOProcA(name, RefusingProc, MMIO_INSTALLPROC); }
        ~Installed() { mmioInstallIOProcA(Name, NULL, MMIO_REMOVEPROC); }
    } mix(mmioFOURCC('M', 'I', 'X', ' ')), hits(mmioFOURCC('H', 'I', 'T', 'S'));
    for (const std::string &path : paths) {
        SCOPED_TRACE(path.size());
        SCOPED_TRACE(path);
        WaveFileWriter writer;
        ASSERT_TRUE(CreateWaveFile(&writer, path.c_str(), (const BYTE *)format.data()));
        ASSERT_TRUE(AppendWaveData(&writer, audio.data(), (DWORD)audio.size()));
        EXPECT_FALSE(NobodyHasOpen(path)) << "another copy of the program sees the file in use";
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(FinishWaveFile(&writer, 1000));
        EXPECT_TRUE(NobodyHasOpen(path)) << "finishing closes the file";
        WaveParts parts;
        ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
        EXPECT_EQ(parts.Data, audio);

        // Cut off mid-write: ten more frames and part of one.
        WriteTextFile(path, ReadTextFile(path) + std::string(43, '\x22'));
        EXPECT_TRUE(RepairWaveFile(path.c_str()));
        EXPECT_TRUE(NobodyHasOpen(path)) << "the repair closes the file";
        ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
        EXPECT_EQ(parts.Data, audio + std::string(40, '\x22'));
        EXPECT_EQ(parts.Frames(), 1010u);
    }
    RemoveTree(folder);
}

// ---- capture format ----

TEST(CaptureFormat, PcmAsChosenAndSixteenBitsForCodecs)
{
    struct Case {
        std::string target, capture;
        DWORD bufferSize;
    } cases[] = {
        { PcmFormat(22050, 8, 1), PcmFormat(22050, 8, 1), 11025 },
        { PcmFormat(44100, 16, 2), PcmFormat(44100, 16, 2), 88200 },
        { PcmFormat(11025, 16, 1), PcmFormat(11025, 16, 1), 11026 },  // rounded up to a whole frame
        { ImaAdpcmFormat(22050, 1), PcmFormat(22050, 16, 1), 22050 },
        { ImaAdpcmFormat(44100, 2), PcmFormat(44100, 16, 2), 88200 },
    };
    for (const Case &c : cases) {
        ASSERT_GE(c.target.size(), sizeof(WAVEFORMATEX));
        SCOPED_TRACE(((const WAVEFORMATEX *)c.target.data())->wFormatTag);
        WAVEFORMATEX capture;
        DeriveCaptureFormat((const WAVEFORMATEX *)c.target.data(), &capture);
        EXPECT_EQ(std::string((const char *)&capture, sizeof capture), c.capture);
        EXPECT_EQ(CaptureBufferSize(&capture), c.bufferSize);
    }
}

// ---- recording ----

namespace {

class Recording : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("rec");
        // The settings file that names the recording under way lives here too.
        snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
        window = CreateCaptureWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        StopRecording();
        StopTestTone();
        PumpMessagesFor(0);
        DestroyWindow(window);
        ResetAppState();
        for (ReserveEntry *&entry : entries)
            ReserveEntryFree(&entry);
        RemoveTree(folder);
    }
    ReserveEntry *Entry(const char *title, const std::string &savePath, int riffHeader, const std::string &format)
    {
        entries.push_back(MakeEntry(title, savePath, riffHeader, format));
        return entries.back();
    }
    // Waits for the device's first filled buffer: the sound server takes a
    // varying moment (up to seconds) before it delivers anything.
    bool WaitForFirstBuffer()
    {
        DWORD start = GetTickCount();
        while (FirstCaptureTick == 0 && GetTickCount() - start < 5000)
            PumpMessagesFor(5);
        return FirstCaptureTick != 0;
    }
    // Seconds of audio the device has produced by now: since its first
    // buffer arrived, and that buffer's length before it.
    double DeviceSeconds()
    {
        double buffer = App.CaptureBufferBytes / (double)App.CaptureFormat.nAvgBytesPerSec;
        return (GetTickCount() - FirstCaptureTick) / 1000.0 + buffer;
    }
    // Records for the given time after the audio began to flow while the
    // window hands over the buffers; returns the seconds the device produced.
    double RecordFor(const ReserveEntry *entry, DWORD milliseconds)
    {
        FirstCaptureTick = 0;
        if (!StartRecording(window, entry)) {
            ADD_FAILURE() << "the recording did not start";
            return 0;
        }
        if (!WaitForFirstBuffer()) {
            ADD_FAILURE() << "no audio came from the recording device";
            StopRecording();
            return 0;
        }
        PumpMessagesFor(milliseconds);
        double produced = DeviceSeconds();
        StopRecording();
        return produced;
    }
    void ExpectNothingHeld()
    {
        EXPECT_FALSE(App.RecordingActive);
        EXPECT_EQ(App.CaptureDevice, nullptr);
        for (const WAVEHDR &header : App.CaptureBuffers) {
            EXPECT_EQ(header.lpData, nullptr);
            EXPECT_EQ(header.dwFlags, 0u);
        }
        EXPECT_EQ(App.StagingBuffer, nullptr);
        EXPECT_EQ(App.ConvertStream, nullptr);
        EXPECT_EQ(App.WaveFile.File, nullptr);
        EXPECT_EQ(App.RawFile, nullptr);
    }
    std::string folder;
    HWND window = NULL;
    std::vector<ReserveEntry *> entries;
};

struct TakeCase {
    const char *name;
    WORD tag;           // PCM or IMA ADPCM
    int rate, bits, channels;
    int riffHeader;
    int toneHz;
};

// Built when the case runs: asking the codecs costs a second at every start
// of the test program otherwise.
std::string TakeFormat(const TakeCase &take)
{
    if (take.tag == WAVE_FORMAT_IMA_ADPCM)
        return ImaAdpcmFormat(take.rate, take.channels);
    return PcmFormat(take.rate, take.bits, take.channels);
}

void PrintTo(const TakeCase &take, std::ostream *out)
{
    *out << take.name;
}

class RecordingTake : public Recording, public ::testing::WithParamInterface<TakeCase> {};

}  // namespace

// Two seconds of a tone in each output form, read back byte
// by byte and listened to.
TEST_P(RecordingTake, FileHoldsTheWholeToneInItsForm)
{
    const TakeCase &take = GetParam();
    std::string format = TakeFormat(take);
    ASSERT_GE(format.size(), sizeof(WAVEFORMATEX)) << "the codec offers no such format";
    ASSERT_TRUE(StartTestTone(take.toneHz));
    ReserveEntry *entry = Entry(take.name, folder + "%T_%Y%M%D.wav", take.riffHeader, format);
    double produced = RecordFor(entry, 2000);
    StopTestTone();

    const WAVEFORMATEX *target = (const WAVEFORMATEX *)entry->Format;
    WAVEFORMATEX capture;
    DeriveCaptureFormat(target, &capture);
    DWORD frames = App.CapturedBytes / capture.nBlockAlign;
    EXPECT_EQ(App.CapturedBytes % capture.nBlockAlign, 0u);
    // Everything the device produced up to the stop, give or take one buffer.
    EXPECT_NEAR(frames / (double)capture.nSamplesPerSec, produced, 0.5);

    char name[SavePathBytes];
    ASSERT_TRUE(ExpandSavePath(entry->SavePath, name, sizeof name, entry));
    std::string bytes = ReadTextFile(name);
    std::string pcm;
    if (take.riffHeader == 0) {
        EXPECT_EQ(bytes.size(), App.CapturedBytes) << "the raw file is the captured PCM and nothing else";
        pcm = bytes;
    } else {
        WaveParts parts;
        ASSERT_EQ(ParseWave(bytes, &parts), "");
        EXPECT_EQ(parts.Fmt, format);
        EXPECT_EQ(parts.Frames(), frames) << "sample frames of the capture, before any conversion";
        if (target->wFormatTag == WAVE_FORMAT_PCM) {
            EXPECT_EQ(parts.Data.size(), App.CapturedBytes);
            pcm = parts.Data;
        } else {
            // Every captured frame is in a block: none fall out between the
            // chunks, and the last partial block is there too.
            WORD perBlock = ((const IMAADPCMWAVEFORMAT *)target)->wSamplesPerBlock;
            DWORD blocks = (frames + perBlock - 1) / perBlock;
            EXPECT_EQ(parts.Data.size(), (size_t)blocks * target->nBlockAlign);
            pcm = DecodeToPcm(target, parts.Data);
            EXPECT_GE(pcm.size() / capture.nBlockAlign, frames);
        }
    }
    Hearing heard = Listen(FirstChannel(pcm, capture.wBitsPerSample, capture.nChannels), capture.nSamplesPerSec);
    EXPECT_NEAR(heard.Hz, take.toneHz, take.toneHz * 0.02);
    EXPECT_GT(heard.Rms, 0.2) << "the tone plays at half of full scale";
    EXPECT_LT(heard.Rms, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RecordingTake,
    ::testing::Values(TakeCase{ "Pcm8Mono", WAVE_FORMAT_PCM, 22050, 8, 1, 1, 1000 },
                      TakeCase{ "Pcm16Stereo", WAVE_FORMAT_PCM, 44100, 16, 2, 1, 440 },
                      TakeCase{ "ImaAdpcmStereo", WAVE_FORMAT_IMA_ADPCM, 44100, 4, 2, 1, 1000 },
                      TakeCase{ "RawPcm16Mono", WAVE_FORMAT_PCM, 22050, 16, 1, 0, 2000 }),
    [](const ::testing::TestParamInfo<TakeCase> &info) { return std::string(info.param.name); });

TEST_F(Recording, NothingPlayingRecordsSilence)
{
    ReserveEntry *entry = Entry("quiet", folder + "quiet.wav", 1, PcmFormat(22050, 8, 1));
    RecordFor(entry, 600);
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "quiet.wav"), &parts), "");
    ASSERT_GT(parts.Data.size(), 11025u);
    EXPECT_LT(Listen(FirstChannel(parts.Data, 8, 1), 22050).Rms, 0.02);
}

TEST_F(Recording, AudioNotYetHandedOverAtTheStopIsKept)
{
    ReserveEntry *entry = Entry("tail", folder + "tail.wav", 1, PcmFormat(22050, 8, 1));
    FirstCaptureTick = 0;
    ASSERT_TRUE(StartRecording(window, entry));
    ASSERT_TRUE(WaitForFirstBuffer());
    PumpMessagesFor(700);
    // The main thread is busy: filled buffers wait with their notices queued,
    // and the device is part way through the next one.
    Sleep(900);
    double produced = DeviceSeconds();
    StopRecording();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "tail.wav"), &parts), "");
    EXPECT_EQ(parts.Data.size(), App.CapturedBytes);
    EXPECT_EQ(parts.Frames(), App.CapturedBytes);
    EXPECT_NEAR(parts.Data.size() / 22050.0, produced, 0.1);
    // The notices still arriving now are for a finished recording.
    DWORD captured = App.CapturedBytes;
    PumpMessagesFor(100);
    EXPECT_EQ(App.CapturedBytes, captured);
}

// Bytes that cannot come from the device, so that their place in the file shows.
std::string Pattern(size_t length)
{
    std::string audio(length, '\0');
    for (size_t i = 0; i < length; i++)
        audio[i] = (char)(i * 7 % 251);
    return audio;
}

// No messages are handled in these two, so only the test's bytes are staged
// until the stop adds what the device holds.
TEST_F(Recording, StagingFillsToTheLimitAndWritesBeforeOverflowing)
{
    std::string path = folder + "staging.wav", audio = Pattern(StagingSize + 100);
    ASSERT_TRUE(StartRecording(window, Entry("staging", path, 1, PcmFormat(22050, 8, 1))));
    uint64_t header = FileLength(path);
    StageCapture((const BYTE *)audio.data(), StagingSize);
    EXPECT_EQ(App.StagedBytes, (DWORD)StagingSize);
    EXPECT_EQ(FileLength(path), header) << "exactly full is still kept";
    StageCapture((const BYTE *)audio.data() + StagingSize, 100);
    EXPECT_EQ(App.StagedBytes, 100u);
    EXPECT_EQ(FileLength(path), header + StagingSize);
    StopRecording();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    EXPECT_EQ(parts.Data.substr(0, audio.size()), audio);
    EXPECT_EQ(parts.Data.size(), App.CapturedBytes);
    EXPECT_EQ(parts.Frames(), App.CapturedBytes);
}

TEST_F(Recording, BuffersLargerThanTheStagingAreaStillFit)
{
    // 768,000 bytes a second: each half-second buffer is 384,000 bytes.
    std::string path = folder + "large.wav", audio = Pattern(3 * 384000);
    if (!StartRecording(window, Entry("large", path, 1, PcmFormat(192000, 16, 2))))
        GTEST_SKIP() << "the recording device does not take 192 kHz";
    ASSERT_EQ(App.CaptureBufferBytes, 384000u);
    EXPECT_GE(HeapBlockSize(App.StagingBuffer), 384000u);
    uint64_t header = FileLength(path);
    for (int i = 0; i < 3; i++) {
        StageCapture((const BYTE *)audio.data() + i * 384000, 384000);
        EXPECT_EQ(App.StagedBytes, 384000u);
        EXPECT_EQ(FileLength(path), header + i * 384000u) << "each buffer writes the one before";
    }
    StopRecording();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    EXPECT_EQ(parts.Data.substr(0, audio.size()), audio);
    EXPECT_EQ(parts.Frames(), App.CapturedBytes / 4);
}

TEST_F(Recording, StopRightAfterTheStartStillFinishesTheFile)
{
    for (int riffHeader = 1; riffHeader >= 0; riffHeader--) {
        SCOPED_TRACE(riffHeader);
        std::string path = folder + "short" + std::to_string(riffHeader);
        ReserveEntry *entry = Entry("short", path, riffHeader, PcmFormat(44100, 16, 2));
        ASSERT_TRUE(StartRecording(window, entry));
        EXPECT_EQ(App.StagedBytes, 0u);
        StopRecording();
        ExpectNothingHeld();
        std::string bytes = ReadTextFile(path);
        if (riffHeader == 0) {
            EXPECT_EQ(bytes.size(), App.CapturedBytes);
            continue;
        }
        WaveParts parts;
        ASSERT_EQ(ParseWave(bytes, &parts), "");
        EXPECT_EQ(parts.Data.size(), App.CapturedBytes);
        EXPECT_EQ(parts.Frames(), App.CapturedBytes / 4);
    }
}

TEST_F(Recording, SecondStartChangesNothing)
{
    ReserveEntry *first = Entry("first", folder + "first.wav", 1, PcmFormat(22050, 8, 1));
    ReserveEntry *second = Entry("second", folder + "second.raw", 0, ImaAdpcmFormat(44100, 2));
    FirstCaptureTick = 0;
    ASSERT_TRUE(StartRecording(window, first));
    ASSERT_TRUE(WaitForFirstBuffer());
    // Everything up to the buffers, which the device keeps filling meanwhile.
    AppState before = App;
    size_t settled = offsetof(AppState, CaptureBuffers);
    EXPECT_FALSE(StartRecording(window, second));
    EXPECT_EQ(memcmp(&App, &before, settled), 0);
    EXPECT_EQ(App.StagingBuffer, before.StagingBuffer);
    EXPECT_EQ(App.CapturedBytes, before.CapturedBytes);
    EXPECT_EQ(App.ConvertStream, nullptr);
    EXPECT_EQ(App.RawFile, nullptr);
    EXPECT_FALSE(Exists(folder + "second.raw"));
    PumpMessagesFor(300);
    StopRecording();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "first.wav"), &parts), "");
    EXPECT_EQ(parts.Frames(), App.CapturedBytes);
    EXPECT_GT(App.CapturedBytes, before.CapturedBytes);
}

TEST_F(Recording, FailedStartLeavesNothingOpen)
{
    WriteTextFile(folder + "blocker", "x");
    CreateDirectoryA((folder + "taken").c_str(), NULL);
    std::string unknownCodec = PcmFormat(22050, 16, 1);
    ((WAVEFORMATEX *)&unknownCodec[0])->wFormatTag = 0x2222;
    std::string brokenBlock = PcmFormat(22050, 8, 1);
    ((WAVEFORMATEX *)&brokenBlock[0])->cbSize = 40;  // more extra bytes than the block holds
    struct Case {
        const char *why;
        std::string savePath;
        int riffHeader;
        std::string format;
        const char *mustNotExist;
    } cases[] = {
        { "path too long", folder + std::string(300, 'p') + ".wav", 1, PcmFormat(22050, 8, 1), NULL },
        { "parent folder missing", folder + "missing\\sub\\x.wav", 1, PcmFormat(22050, 8, 1), "missing" },
        { "file in the way", folder + "blocker\\x.wav", 1, PcmFormat(22050, 8, 1), NULL },
        { "name is a folder", folder + "taken", 1, PcmFormat(22050, 8, 1), NULL },
        { "raw name is a folder", folder + "taken", 0, PcmFormat(22050, 8, 1), NULL },
        { "no codec", folder + "codec.wav", 1, unknownCodec, "codec.wav" },
        { "broken format block", folder + "broken.wav", 1, brokenBlock, "broken.wav" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        ReserveEntry *entry = Entry("fail", c.savePath, c.riffHeader, c.format);
        EXPECT_FALSE(StartRecording(window, entry));
        ExpectNothingHeld();
        if (c.mustNotExist) {
            EXPECT_FALSE(Exists(folder + c.mustNotExist));
        }
    }
    // The device was given back: the next recording opens it again.
    ReserveEntry *good = Entry("good", folder + "good.wav", 1, PcmFormat(22050, 8, 1));
    ASSERT_TRUE(StartRecording(window, good));
    PumpMessagesFor(100);
    StopRecording();
    WaveParts parts;
    EXPECT_EQ(ParseWave(ReadTextFile(folder + "good.wav"), &parts), "");
}

// A recording and the repair at the next start on a save path of the full
// 259 bytes with a "+" in it.
TEST_F(Recording, LongestSavePathRecordsAndIsMendedAtTheNextStart)
{
    std::string path = PathOfLength(folder + "ラジオ講座.mix+", 259), audio = Pattern(StagingSize + 4000);
    ASSERT_LT(folder.size() + 20, 259u);
    ASSERT_EQ(path.size(), 259u);
    ASSERT_TRUE(StartRecording(window, Entry("long", path, 1, PcmFormat(44100, 16, 2))));
    EXPECT_EQ(std::string(App.RecordingPath), path);
    StageCapture((const BYTE *)audio.data(), (DWORD)audio.size());
    ASSERT_FALSE(App.WriteFailed);
    char marked[SavePathBytes] = "";
    ASSERT_TRUE(LoadRecordingMarker(folder.c_str(), marked, sizeof marked));
    EXPECT_EQ(marked, path);
    StopRecording();
    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    EXPECT_EQ(parts.Data.substr(0, audio.size()), audio);
    EXPECT_EQ(parts.Data.size(), App.CapturedBytes);

    // As if the program had been killed while writing it: the information
    // that ends a finished file is not there yet, and audio written after the
    // last update of the header is.
    std::string bytes = ReadTextFile(path);
    ASSERT_FALSE(parts.List.empty());
    size_t listBytes = 8 + parts.List.size() + (parts.List.size() & 1);
    WriteTextFile(path, bytes.substr(0, bytes.size() - listBytes) + std::string(11, '\x05'));
    ASSERT_TRUE(SaveRecordingMarker(folder.c_str(), path.c_str()));
    RepairInterruptedRecording(folder.c_str());
    ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    EXPECT_EQ(parts.Data.size(), App.CapturedBytes + 8) << "two more whole frames";
    EXPECT_EQ(parts.Frames(), (App.CapturedBytes + 8) / 4);
    EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), marked, sizeof marked));
}

// ---- compressed recordings, block by block ----

namespace {

std::vector<DWORD> ConvertFlags;

// The codec call as the Recorder makes it, with a note of its flags.
MMRESULT ACMAPI NoteConvertFlags(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags)
{
    ConvertFlags.push_back(flags);
    return acmStreamConvert(stream, header, flags);
}

// GSM 6.10 at 8 kHz: 320 frames in each 65-byte block.
std::string GsmFormat()
{
    GSM610WAVEFORMAT gsm = {};
    gsm.wfx.wFormatTag = WAVE_FORMAT_GSM610;
    gsm.wfx.nChannels = 1;
    gsm.wfx.nSamplesPerSec = 8000;
    gsm.wfx.nAvgBytesPerSec = 1625;
    gsm.wfx.nBlockAlign = 65;
    gsm.wfx.cbSize = 2;
    gsm.wSamplesPerBlock = 320;
    return std::string((const char *)&gsm, sizeof(WAVEFORMATEX) + 2);
}

// The MS ADPCM format the platform proposes; empty where it has no encoder.
std::string MsAdpcmFormat(int rate, int channels)
{
    std::string pcm = PcmFormat(rate, 16, channels), adpcm(256, '\0');
    WAVEFORMATEX *suggested = (WAVEFORMATEX *)&adpcm[0];
    suggested->wFormatTag = WAVE_FORMAT_ADPCM;
    if (acmFormatSuggest(NULL, (LPWAVEFORMATEX)&pcm[0], suggested, (DWORD)adpcm.size(),
                         ACM_FORMATSUGGESTF_WFORMATTAG))
        return "";
    adpcm.resize(sizeof(WAVEFORMATEX) + suggested->cbSize);
    HACMSTREAM stream;
    if (acmStreamOpen(&stream, NULL, (LPWAVEFORMATEX)&pcm[0], suggested, NULL, 0, 0, ACM_STREAMOPENF_NONREALTIME))
        return "";
    acmStreamClose(stream, 0);
    return adpcm;
}

// frames of a sine at half of full scale, 16-bit, every channel alike.
std::string Sine(int hz, int rate, int channels, DWORD frames)
{
    std::string pcm;
    pcm.reserve((size_t)frames * 2 * channels);
    for (DWORD i = 0; i < frames; i++) {
        short sample = (short)(16383 * sin(2 * 3.14159265358979323846 * hz * (double)i / rate));
        for (int c = 0; c < channels; c++)
            pcm.append((const char *)&sample, 2);
    }
    return pcm;
}

// Each block of the coded audio through its own conversion, as a player
// seeking in the file would take it: a block cut short or padded anywhere
// shifts every block after it. The PCM of each block, or none for a block the
// codec refuses.
std::vector<std::string> DecodeBlockByBlock(const WAVEFORMATEX *coded, const std::string &data)
{
    std::vector<std::string> blocks;
    WAVEFORMATEX pcm = PcmOf(coded);
    HACMSTREAM stream;
    if (acmStreamOpen(&stream, NULL, (LPWAVEFORMATEX)coded, &pcm, NULL, 0, 0, ACM_STREAMOPENF_NONREALTIME))
        return blocks;
    DWORD size = 0;
    acmStreamSize(stream, coded->nBlockAlign, &size, ACM_STREAMSIZEF_SOURCE);
    for (size_t at = 0; at + coded->nBlockAlign <= data.size(); at += coded->nBlockAlign) {
        std::string source = data.substr(at, coded->nBlockAlign), out(size, '\0');
        ACMSTREAMHEADER header = {};
        header.cbStruct = sizeof header;
        header.pbSrc = (BYTE *)&source[0];
        header.cbSrcLength = (DWORD)source.size();
        header.pbDst = (BYTE *)&out[0];
        header.cbDstLength = size;
        acmStreamPrepareHeader(stream, &header, 0);
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (at == 0 ? ACM_STREAMCONVERTF_START : 0);
        bool converted = acmStreamConvert(stream, &header, flags) == MMSYSERR_NOERROR;
        acmStreamUnprepareHeader(stream, &header, 0);
        out.resize(converted && header.cbSrcLengthUsed == source.size() ? header.cbDstLengthUsed : 0);
        blocks.push_back(out);
    }
    acmStreamClose(stream, 0);
    return blocks;
}

struct CodecCase {
    const char *name;
    int rate, channels;
};

std::string CodecFormat(const CodecCase &codec)
{
    if (strcmp(codec.name, "Gsm610") == 0)
        return GsmFormat();
    if (strcmp(codec.name, "MsAdpcm") == 0)
        return MsAdpcmFormat(codec.rate, codec.channels);
    return ImaAdpcmFormat(codec.rate, codec.channels);
}

void PrintTo(const CodecCase &codec, std::ostream *out)
{
    *out << codec.name;
}

class CodecRecording : public Recording, public ::testing::WithParamInterface<CodecCase> {
protected:
    void TearDown() override
    {
        ConvertFlags.clear();
        Recording::TearDown();
    }
};

}  // namespace

// Several writes' worth of a tone, fed faster than real time in the device's
// buffers, then the stop: every conversion but the last asks for whole
// blocks, the first starts the codec and the last ends it, and the file is
// whole blocks from its first to its last, each of which decodes on its own
// to the tone.
TEST_P(CodecRecording, WholeBlocksFromTheFirstWriteToTheLast)
{
    const CodecCase &codec = GetParam();
    std::string format = CodecFormat(codec);
    if (format.empty())
        GTEST_SKIP() << "this system has no " << codec.name << " encoder";
    const int hz = 1000;
    const WAVEFORMATEX *target = (const WAVEFORMATEX *)format.data();
    const DWORD perBlock = ((const ADPCMWAVEFORMAT *)target)->wSamplesPerBlock;  // the same place in all three
    ASSERT_GT(perBlock, 0u);
    App.ConvertCall = NoteConvertFlags;
    ASSERT_TRUE(StartRecording(window, Entry(codec.name, folder + "codec.wav", 1, format)));
    // Three writes and a partial block at the end.
    DWORD frameBytes = 2u * codec.channels, fed = 3 * StagingSize / frameBytes + perBlock / 2 + 7;
    std::string tone = Sine(hz, codec.rate, codec.channels, fed);
    for (size_t at = 0; at < tone.size(); at += App.CaptureBufferBytes) {
        std::string piece = tone.substr(at, App.CaptureBufferBytes);
        StageCapture((const BYTE *)piece.data(), (DWORD)piece.size());
    }
    StopRecording();

    ASSERT_GE(ConvertFlags.size(), 4u) << "three writes during the recording and one at its end";
    EXPECT_EQ(ConvertFlags.front(), (DWORD)(ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_BLOCKALIGN));
    for (size_t i = 1; i + 1 < ConvertFlags.size(); i++)
        EXPECT_EQ(ConvertFlags[i], (DWORD)ACM_STREAMCONVERTF_BLOCKALIGN) << "conversion " << i;
    EXPECT_EQ(ConvertFlags.back(), (DWORD)ACM_STREAMCONVERTF_END) << "the last one takes the partial block";

    WaveParts parts;
    ASSERT_EQ(ParseWave(ReadTextFile(folder + "codec.wav"), &parts), "");
    DWORD frames = (DWORD)(App.CapturedBytes / frameBytes);
    EXPECT_EQ(parts.Frames(), frames);
    ASSERT_EQ(parts.Data.size() % target->nBlockAlign, 0u);
    EXPECT_EQ(parts.Data.size() / target->nBlockAlign, (frames + perBlock - 1) / perBlock)
        << "every frame in a block, none lost or doubled between the writes";
    std::vector<std::string> blocks = DecodeBlockByBlock(target, parts.Data);
    ASSERT_FALSE(blocks.empty());
    std::string pcm;
    for (size_t b = 0; b < blocks.size(); b++) {
        SCOPED_TRACE("block " + std::to_string(b));
        ASSERT_EQ(blocks[b].size(), (size_t)perBlock * frameBytes) << "a whole block";
        pcm += blocks[b];
        // The codec settles in its first block; the device's own audio
        // follows the tone fed.
        if (b == 0 || (b + 1) * perBlock > fed)
            continue;
        double rms = Listen(FirstChannel(blocks[b], 16, codec.channels), codec.rate).Rms;
        ASSERT_GT(rms, 0.25) << "the tone plays at half of full scale";
        ASSERT_LT(rms, 0.45);
    }
    Hearing heard = Listen(FirstChannel(pcm.substr(0, (size_t)fed * frameBytes), 16, codec.channels), codec.rate);
    EXPECT_NEAR(heard.Hz, hz, hz * 0.02);
}

INSTANTIATE_TEST_SUITE_P(Codecs, CodecRecording,
                         ::testing::Values(CodecCase{ "ImaAdpcm", 22050, 1 }, CodecCase{ "ImaAdpcmStereo", 44100, 2 },
                                           CodecCase{ "Gsm610", 8000, 1 }, CodecCase{ "MsAdpcm", 22050, 1 }),
                         [](const ::testing::TestParamInfo<CodecCase> &info) { return std::string(info.param.name); });

// A recording that ends before its first write converts once: that one
// conversion both starts and ends the codec. A PCM recording converts nothing.
TEST_F(Recording, OneConversionStartsAndEndsTheCodec)
{
    struct Case {
        std::string format;
        std::vector<DWORD> flags;
    } cases[] = {
        { ImaAdpcmFormat(22050, 1), { ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END } },
        { GsmFormat(), { ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END } },
        { PcmFormat(22050, 16, 1), {} },
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(((const WAVEFORMATEX *)c.format.data())->wFormatTag);
        ConvertFlags.clear();
        App.ConvertCall = NoteConvertFlags;
        std::string path = folder + "short" + std::to_string(n++) + ".wav";
        ASSERT_TRUE(StartRecording(window, Entry("short", path, 1, c.format)));
        std::string tone = Sine(1000, 8000, 1, 1000);
        StageCapture((const BYTE *)tone.data(), (DWORD)tone.size());
        StopRecording();
        EXPECT_EQ(ConvertFlags, c.flags);
        WaveParts parts;
        EXPECT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    }
    ConvertFlags.clear();
}

// ---- never overwriting a file ----

TEST(SavePath, NumberedNamesGoBeforeTheExtension)
{
    struct Case {
        const char *path;
        DWORD number;
        const char *numbered;
    } cases[] = {
        { "C:\\Radio\\show.wav", 2, "C:\\Radio\\show (2).wav" },
        { "C:\\Radio\\show", 3, "C:\\Radio\\show (3)" },
        { "C:\\Radio.fm\\show", 2, "C:\\Radio.fm\\show (2)" },
        { "C:\\Radio\\a.b.raw", 12, "C:\\Radio\\a.b (12).raw" },
        { "C:\\番組表\\ソ.wav", 2, "C:\\番組表\\ソ (2).wav" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        char out[SavePathBytes];
        ASSERT_TRUE(CopyNumberedPath(c.path, c.number, out, sizeof out));
        EXPECT_STREQ(out, c.numbered);
        char part[SavePathBytes];
        ASSERT_TRUE(NumberedPartPath(c.path, 2, part, sizeof part));
        EXPECT_STRNE(part, out) << "a continuation file never has a numbered recording's name";
    }
    char small[20];
    EXPECT_FALSE(CopyNumberedPath("C:\\Radio\\show.wav", 2, small, sizeof small));
}

TEST(SavePath, ATakenPathGetsTheFirstFreeNumber)
{
    std::string folder = MakeTempFolder("numbered");
    struct Case {
        std::vector<const char *> existing;
        const char *chosen;
    } cases[] = {
        { {}, "show.wav" },
        { { "show.wav" }, "show (2).wav" },
        { { "show.wav", "show (2).wav", "show (3).wav" }, "show (4).wav" },
        // A long recording of last week went on into a second file.
        { { "show.wav", "show_2.wav" }, "show (2).wav" },
        { { "show_2.wav" }, "show (2).wav" },
        { { "show.wav", "show (2)_2.wav" }, "show (3).wav" },
    };
    for (const Case &c : cases) {
        for (const char *name : c.existing)
            WriteTextFile(folder + name, name);
        char chosen[SavePathBytes];
        ASSERT_TRUE(FreeRecordingPath((folder + "show.wav").c_str(), chosen, sizeof chosen));
        EXPECT_EQ(chosen, folder + c.chosen);
        for (const char *name : c.existing) {
            EXPECT_EQ(ReadTextFile(folder + name), name) << "looking changes nothing";
            DeleteFileA((folder + name).c_str());
        }
    }
    RemoveTree(folder);
}

TEST_F(Recording, AnExistingFileIsLeftByteForByteInBothForms)
{
    static const struct {
        const char *name;
        int riffHeader;
    } forms[] = { { "weekly.wav", 1 }, { "weekly.raw", 0 } };
    for (const auto &form : forms) {
        SCOPED_TRACE(form.name);
        std::string last = folder + form.name, numbered = last;
        numbered.insert(numbered.rfind('.'), " (2)");
        const std::string earlier = "last week's recording, kept as it is";
        WriteTextFile(last, earlier);
        ReserveEntry *entry = Entry("weekly", last, form.riffHeader, PcmFormat(22050, 8, 1));
        RecordFor(entry, 300);
        EXPECT_EQ(ReadTextFile(last), earlier);
        EXPECT_GT(ReadTextFile(numbered).size(), 0u) << "this week's went beside it";
        if (form.riffHeader) {
            WaveParts parts;
            EXPECT_EQ(ParseWave(ReadTextFile(numbered), &parts), "");
        }
    }
}

// The look for a free name can be wrong (a share's cached answer, a file
// made a moment after it): the create itself refuses a file that is there,
// and the next number is the one taken.
TEST(Numbering, AFileThatAppearsAfterTheLookIsNeverOpenedForWriting)
{
    std::string folder = MakeTempFolder("appears");
    const std::string earlier = "a recording made after the name was chosen";
    std::string format = PcmFormat(22050, 8, 1);
    for (int riff = 0; riff < 2; riff++) {
        SCOPED_TRACE(riff ? "WAVE" : "raw");
        std::string base = folder + (riff ? "show.wav" : "show.raw");
        DWORD number = 0;
        char chosen[SavePathBytes];
        ASSERT_TRUE(NextRecordingPath(base.c_str(), &number, chosen, sizeof chosen));
        EXPECT_EQ(chosen, base);
        WriteTextFile(chosen, earlier);
        SetLastError(ERROR_SUCCESS);
        bool created;
        if (riff) {
            WaveFileWriter writer;
            created = CreateWaveFile(&writer, chosen, (const BYTE *)format.data());
        } else {
            HANDLE raw = CreateRawFile(chosen);
            created = raw != NULL;
            if (raw)
                CloseHandle(raw);
        }
        EXPECT_FALSE(created);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
        EXPECT_EQ(ReadTextFile(chosen), earlier);
        ASSERT_TRUE(NextRecordingPath(base.c_str(), &number, chosen, sizeof chosen));
        std::string numbered = base;
        numbered.insert(numbered.rfind('.'), " (2)");
        EXPECT_EQ(chosen, numbered);
        EXPECT_EQ(number, 2u);
    }
    RemoveTree(folder);
}

// ---- MP3 and FLAC ----

namespace {

std::string Mp3Format(DWORD kbps, WORD channels, DWORD rate)
{
    std::string format(Mp3FormatBytes, '\0');
    MakeMp3Format((BYTE *)&format[0], kbps, channels, rate);
    return format;
}

std::string FlacFormat(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX format;
    MakeFlacFormat(&format, channels, rate, bits);
    return std::string((const char *)&format, sizeof format);
}

std::string Hex(const std::string &bytes)
{
    std::string text;
    char two[3];
    for (unsigned char c : bytes) {
        snprintf(two, sizeof two, "%02X", c);
        text += two;
    }
    return text;
}

// UTF-8 from an outside program in the system's code page.
std::string FromUtf8(const std::string &text)
{
    WCHAR wide[1024];
    char out[2048];
    if (!MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 1024) ||
        !WideCharToMultiByte(CP_ACP, 0, wide, -1, out, sizeof out, NULL, NULL))
        return "";
    return out;
}

// What ffprobe reads of a file: its "key=value" lines, the keys in lower
// case ("duration", "tag:title", "nb_read_frames").
std::map<std::string, std::string> Probe(const std::string &path, const char *entries, bool countFrames = false)
{
    std::vector<std::string> arguments = { "-v", "error", "-show_entries", entries, "-of", "default=noprint_wrappers=1" };
    if (countFrames)
        arguments.push_back("-count_frames");
    arguments.push_back(HostPath(path));
    std::string out = RunHostProgram("/usr/bin/ffprobe", arguments);
    std::map<std::string, std::string> found;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? out.size() : end + 1;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        for (char &c : key)
            c = (char)tolower((unsigned char)c);
        found[key] = FromUtf8(line.substr(equals + 1));
    }
    return found;
}

// The file decoded by ffmpeg to 16-bit PCM of its channels.
std::string DecodeOutside(const std::string &path, const std::string &folder)
{
    std::string pcm = folder + "decoded.raw";
    DeleteFileA(pcm.c_str());
    RunHostProgram("/usr/bin/ffmpeg", { "-v", "error", "-y", "-i", HostPath(path), "-f", "s16le", HostPath(pcm) });
    std::string bytes = ReadTextFile(pcm);
    DeleteFileA(pcm.c_str());
    return bytes;
}

// frames of a sine at half of full scale, 16-bit stereo.
std::string Sine(DWORD frames, int hz, int rate)
{
    std::string pcm(frames * 4, '\0');
    for (DWORD i = 0; i < frames; i++) {
        short value = (short)(16383 * sin(2 * 3.14159265358979 * hz * i / rate));
        memcpy(&pcm[i * 4], &value, 2);
        memcpy(&pcm[i * 4 + 2], &value, 2);
    }
    return pcm;
}

struct OwnTake {
    const char *name;
    bool mp3;
    const char *pattern;  // the save path after the folder
    const char *file;     // the file it must give
    int toneHz;
};

void PrintTo(const OwnTake &take, std::ostream *out)
{
    *out << take.name;
}

class OwnFormatTake : public Recording, public ::testing::WithParamInterface<OwnTake> {};
class OwnFormatKilled : public Recording, public ::testing::WithParamInterface<OwnTake> {};

std::string TakeFormat(const OwnTake &take)
{
    return take.mp3 ? Mp3Format(128, 2, 44100) : FlacFormat(2, 44100, 16);
}

}  // namespace

// The record of each choice, as the settings file keeps it, and its name in
// the list, the dialog and the results file; a record claiming MP3 at a rate
// MPEG has not is no format of the program's own.
TEST(OwnFormats, RecordBytesAndNames)
{
    struct Case {
        UINT command;           // the edit dialog's menu command, 0: the record below
        const char *hex;
        const char *oneLine;
        ULONGLONG hourBytes;    // the free-space estimate's share of the audio
    } cases[] = {
        { IDM_OWNFORMAT_FIRST + (1 << 5 | 2 << 1), "5500020044AC0000803E000001000000" "0C00010002000000A10101007105",
          "MP3 128 kbps; 44,100 Hz; ステレオ", 57600000 },
        { IDM_OWNFORMAT_FIRST + (0 << 5 | 0 << 1 | 1), "55000100007D0000401F000001000000" "0C00010002000000200101007105",
          "MP3 64 kbps; 32,000 Hz; モノラル", 28800000 },
        { IDM_OWNFORMAT_FIRST + (2 << 5 | 6 << 1), "5500020080BB0000409C000001000000" "0C00010002000000C00301007105",
          "MP3 320 kbps; 48,000 Hz; ステレオ", 144000000 },
        { IDM_OWNFORMAT_FIRST + 0x800 + (5 << 3 | 0 << 1), "ACF1020044AC000010B10200040010000000",
          "FLAC 44,100 Hz; 16 bits; ステレオ", 381024000 },
        { IDM_OWNFORMAT_FIRST + 0x800 + (3 << 3 | 2 << 1 | 1), "ACF101002256000022560000010008000000",
          "FLAC 22,050 Hz; 8 bits; モノラル", 47628000 },
    };
    for (const Case &c : cases) {
        BYTE *format = (BYTE *)HeapAllocZero(Mp3FormatBytes);
        ASSERT_TRUE(OwnFormatForCommand(c.command, format)) << c.oneLine;
        const WAVEFORMATEX *wfx = (const WAVEFORMATEX *)format;
        std::string record((const char *)format, FormatLength(format));
        EXPECT_EQ(Hex(record), c.hex) << c.oneLine;
        char text[FormatDescriptionBytes];
        DescribeFormat(wfx, false, text);
        EXPECT_STREQ(text, c.oneLine);
        EXPECT_EQ(EstimateRecordingBytes(format, 3600) - EstimateRecordingBytes(format, 0), c.hourBytes) << c.oneLine;
        HeapFreeBlock(format);
    }
    BYTE unused[Mp3FormatBytes];
    EXPECT_FALSE(OwnFormatForCommand(IDM_OWNFORMAT_FIRST + (3 << 5), unused)) << "no fourth MP3 rate";
    std::string odd = Mp3Format(128, 2, 44000);
    EXPECT_EQ(OwnFormatOf((const WAVEFORMATEX *)odd.data()), OwnFormatNone);
    std::string pcm = PcmFormat(44100, 16, 2);
    EXPECT_EQ(OwnFormatOf((const WAVEFORMATEX *)pcm.data()), OwnFormatNone);
}

TEST(OwnFormats, ExtensionFollowsTheFormat)
{
    struct Case {
        const char *path, *ext, *after;
    } cases[] = {
        { "C:\\rec\\深夜便.wav", ".mp3", "C:\\rec\\深夜便.mp3" },
        { "C:\\rec\\深夜便.RAW", ".flac", "C:\\rec\\深夜便.flac" },
        { "C:\\rec.d\\ソ", ".mp3", "C:\\rec.d\\ソ.mp3" },  // a dot in the folder only; a 0x5C trail byte
        { "C:\\rec\\番組.ogg", ".mp3", "C:\\rec\\番組.ogg" },
        { "C:\\rec\\番組.mp3", ".flac", "C:\\rec\\番組.mp3" },
    };
    for (const Case &c : cases) {
        char path[SavePathBytes];
        snprintf(path, sizeof path, "%s", c.path);
        EXPECT_TRUE(ApplyFormatExtension(path, sizeof path, c.ext)) << c.path;
        EXPECT_STREQ(path, c.after);
    }
    char full[11] = "C:\\a\\b.wav";
    EXPECT_FALSE(ApplyFormatExtension(full, sizeof full, ".flac"));
}

// The stereo's tone through the recording device into each format, read
// back by ffprobe and ffmpeg: the file takes its format's extension, plays
// as long as the capture, at the tone's pitch, with the programme's texts.
TEST_P(OwnFormatTake, ToneAndTextsReadByOutsideReaders)
{
    const OwnTake &take = GetParam();
    if (!Mp3EncoderAvailable())
        FAIL() << "libmp3lame.dll is not beside the test program";
    ASSERT_TRUE(StartTestTone(take.toneHz));
    SYSTEMTIME today;
    GetLocalTime(&today);
    ReserveEntry *entry = Entry("深夜の音楽", folder + take.pattern, 1, TakeFormat(take));
    RecordFor(entry, 2000);
    StopTestTone();
    std::string path = folder + take.file;
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    double seconds = App.CapturedBytes / 176400.0;

    auto probed = Probe(path, "format=duration,format_name:format_tags=title,date,comment,encoder");
    EXPECT_EQ(probed["format_name"], take.mp3 ? "mp3" : "flac");
    EXPECT_NEAR(atof(probed["duration"].c_str()), seconds, 0.06);
    EXPECT_EQ(probed["tag:title"], "深夜の音楽");
    char date[16];
    snprintf(date, sizeof date, "%04u-%02u-%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(probed["tag:date"], date);
    EXPECT_EQ(probed["tag:comment"].rfind("プリセット 1 ", 0), 0u) << probed["tag:comment"];
    EXPECT_EQ(probed["tag:encoder"].rfind("TALVO レコーダー ", 0), 0u) << probed["tag:encoder"];

    std::string pcm = DecodeOutside(path, folder);
    EXPECT_NEAR(pcm.size() / 4 / 44100.0, seconds, 0.06);
    Hearing heard = Listen(FirstChannel(pcm, 16, 2), 44100);
    EXPECT_NEAR(heard.Hz, take.toneHz, take.toneHz * 0.02);
    EXPECT_GT(heard.Rms, 0.2);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OwnFormatTake,
    ::testing::Values(OwnTake{ "Mp3", true, "%T.wav", "深夜の音楽.mp3", 1000 },
                      OwnTake{ "Flac", false, "%T", "深夜の音楽.flac", 440 }),
    [](const ::testing::TestParamInfo<OwnTake> &info) { return std::string(info.param.name); });

// Killed between a write and the header that follows it, and in the middle
// of a frame: the next start drops the cut frame and gives the file the
// length of the frames it holds, as the outside decoder counts them.
TEST_P(OwnFormatKilled, TheNextStartGivesTheFileItsLength)
{
    const OwnTake &take = GetParam();
    ASSERT_TRUE(Mp3EncoderAvailable());
    std::string path = folder + take.file;
    ASSERT_TRUE(StartRecording(window, Entry("cut", folder + take.pattern, 1, TakeFormat(take))));
    std::string tone = Sine(StagingSize / 4 * 3, 1000, 44100);
    size_t third = tone.size() / 3;
    StageCapture((const BYTE *)tone.data(), (DWORD)third * 2);  // one write
    std::string firstWrite = ReadTextFile(path);
    StageCapture((const BYTE *)tone.data() + third * 2, (DWORD)third);  // the next
    StopRecording();
    std::string whole = ReadTextFile(path);
    ASSERT_GT(whole.size(), firstWrite.size() + 20000);
    std::string killed = firstWrite + whole.substr(firstWrite.size(), (whole.size() - firstWrite.size()) / 2 + 7);
    WriteTextFile(path, killed);

    ASSERT_TRUE(SaveRecordingMarker(folder.c_str(), path.c_str()));
    RepairInterruptedRecording(folder.c_str());
    char marked[SavePathBytes];
    EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), marked, sizeof marked));
    std::string repaired = ReadTextFile(path);
    EXPECT_LT(repaired.size(), killed.size()) << "the cut frame is dropped";
    EXPECT_GT(repaired.size(), killed.size() - 2000);
    double decoded = DecodeOutside(path, folder).size() / 4 / 44100.0;
    // More than the first write's audio, less than all of it.
    EXPECT_GT(decoded, 1.5);
    EXPECT_LT(decoded, App.CapturedBytes / 176400.0 - 0.3);
    if (take.mp3) {
        // The count in LAME's Info frame (behind the ID3v2 tag and the side
        // information of MPEG-1 stereo) is that of the frames ffprobe reads.
        const unsigned char *bytes = (const unsigned char *)repaired.data();
        size_t tag = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 | (bytes[8] & 0x7F) << 7 | (bytes[9] & 0x7F));
        ASSERT_LT(tag + 48, repaired.size());
        const unsigned char *info = bytes + tag + 36;
        ASSERT_EQ(memcmp(info, "Info", 4), 0);
        unsigned long frames = (unsigned long)info[8] << 24 | info[9] << 16 | info[10] << 8 | info[11];
        EXPECT_EQ(std::to_string(frames), Probe(path, "stream=nb_read_frames", true)["nb_read_frames"]);
    } else {
        std::string total = RunHostProgram("/usr/bin/metaflac", { "--show-total-samples", HostPath(path) });
        EXPECT_NEAR(atof(total.c_str()) / 44100.0, decoded, 0.001);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OwnFormatKilled,
    ::testing::Values(OwnTake{ "Mp3", true, "cut.mp3", "cut.mp3", 0 },
                      OwnTake{ "Flac", false, "cut.flac", "cut.flac", 0 }),
    [](const ::testing::TestParamInfo<OwnTake> &info) { return std::string(info.param.name); });
