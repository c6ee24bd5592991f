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

namespace {

// Decodes a compressed recording back to 16-bit PCM through the platform's codec.
std::string DecodeToPcm(const WAVEFORMATEX *coded, const std::string &data)
{
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = coded->nChannels;
    pcm.nSamplesPerSec = coded->nSamplesPerSec;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = (WORD)(2 * pcm.nChannels);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
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
