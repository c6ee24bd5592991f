// Recordings that survive what goes wrong: the header kept current so a
// killed program leaves a playable file, the repair at the next start, long
// recordings continued in numbered files, and a disk that fills up.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "support.h"
#include "wavecheck.h"
#include "crash_recorder/progress.h"
#include "app/heap.h"
#include "schedule/schedule.h"
#include "version.h"

namespace {

std::string Le32Text(uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; i++)
        bytes[i] = (char)(value >> (8 * i));
    return bytes;
}

std::string Format(WORD tag, int channels, DWORD rate, DWORD average, WORD align, WORD bits,
                   const std::string &extra = "")
{
    WAVEFORMATEX format = {};
    format.wFormatTag = tag;
    format.nChannels = (WORD)channels;
    format.nSamplesPerSec = rate;
    format.nAvgBytesPerSec = average;
    format.nBlockAlign = align;
    format.wBitsPerSample = bits;
    format.cbSize = (WORD)extra.size();
    return std::string((const char *)&format, sizeof format) + extra;
}

const std::string Pcm16Stereo = Format(WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16);
const std::string Pcm8Mono = Format(WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8);
// IMA ADPCM as the platform's codec makes it for 44.1 kHz stereo: 2,041
// frames in each 2,048-byte block.
const std::string ImaStereo = Format(0x11, 2, 44100, 44251, 2048, 4, std::string("\xF9\x07", 2));
// GSM 6.10: an odd block of 65 bytes for 320 frames.
const std::string Gsm = Format(0x31, 1, 8000, 1625, 65, 0, std::string("\x40\x01", 2));

enum : uint32_t { Auto = 0xFFFFFFFFu };

// A WAVE file in the recorder's layout with the given header values (Auto:
// the right RIFF size) and audio; without "fact" when frames is Auto.
std::string WaveBytes(const std::string &format, uint32_t riffSize, uint32_t frames, uint32_t dataSize,
                      const std::string &audio)
{
    std::string body = "WAVE";
    body += "fmt " + Le32Text((uint32_t)format.size()) + format;
    if (format.size() & 1)
        body += '\0';
    if (frames != Auto)
        body += "fact" + Le32Text(4) + Le32Text(frames);
    body += "data" + Le32Text(dataSize) + audio;
    return "RIFF" + Le32Text(riffSize == Auto ? (uint32_t)body.size() : riffSize) + body;
}

// Bytes that cannot come from the device, so that their place in the file shows.
std::string Fed(size_t length)
{
    std::string audio(length, '\0');
    for (size_t i = 0; i < length; i++)
        audio[i] = (char)(i * 13 % 253 + 1);
    return audio;
}

// A stopped recording holds the fed audio, then what the device itself heard
// by the stop: silence, as nothing plays. On a slow machine a whole buffer of
// it can be done before the stop.
testing::AssertionResult FedThenSilence(const std::string &data, const std::string &audio, char silence = 0)
{
    if (data.size() < audio.size())
        return testing::AssertionFailure() << "only " << data.size() << " of the " << audio.size() << " fed bytes";
    if (data.compare(0, audio.size(), audio) != 0)
        return testing::AssertionFailure() << "the fed audio is not what the file begins with";
    size_t loud = data.find_first_not_of(silence, audio.size());
    if (loud != std::string::npos)
        return testing::AssertionFailure() << "byte " << loud << " after the fed audio is not silence";
    return testing::AssertionSuccess();
}

std::string PartName(const std::string &folder, int part)
{
    return folder + (part == 1 ? "long.wav" : "long_" + std::to_string(part) + ".wav");
}

}  // namespace

// ---- the repair ----

TEST(WaveRepair, PlansFromWhatTheFileReallyHolds)
{
    std::string gsmAudio = Fed(200);  // its byte 195 is not 0: it becomes the pad
    struct Case {
        const char *what;
        std::string file;
        bool plans, needed;
        DWORD dataBytes, frames;
        bool pad;
    } cases[] = {
        { "as the recorder left it", WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)), true, false, 1000, 250, false },
        { "sizes never written", WaveBytes(Pcm16Stereo, 0, 0, 0, Fed(1000)), true, true, 1000, 250, false },
        { "cut inside a frame", WaveBytes(Pcm16Stereo, Auto, 200, 800, Fed(1002)), true, true, 1000, 250, false },
        { "odd audio with its pad", WaveBytes(Pcm8Mono, Auto, 999, 999, Fed(999) + '\0'), true, false, 999, 999, true },
        { "odd audio, no room for a pad", WaveBytes(Pcm8Mono, 0, 0, 0, Fed(999)), true, true, 998, 998, false },
        { "stale odd size under newer audio", WaveBytes(Pcm8Mono, Auto, 501, 501, Fed(1000)), true, true, 1000, 1000, false },
        { "odd codec block, the next byte padding it", WaveBytes(Gsm, 0, 0, 0, gsmAudio), true, true, 195, 960, true },
        { "codec audio beyond the header", WaveBytes(ImaStereo, Auto, 4082, 4096, Fed(4096 + 2048 + 100)), true, true,
          6144, 6123, false },
        { "codec audio never described", WaveBytes(ImaStereo, 0, 0, 0, Fed(4096)), true, true, 4096, 4082, false },
        { "no fact chunk", WaveBytes(Pcm16Stereo, 0, Auto, 0, Fed(400)), true, true, 400, 100, false },
        { "not a WAVE file", "RIFX" + WaveBytes(Pcm16Stereo, Auto, 0, 0, "").substr(4), false, false, 0, 0, false },
        { "cut inside the format", WaveBytes(Pcm16Stereo, Auto, 0, 0, "").substr(0, 30), false, false, 0, 0, false },
        { "no data chunk yet", WaveBytes(Pcm16Stereo, Auto, 0, 0, "").substr(0, 50), false, false, 0, 0, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WaveRepair plan;
        ASSERT_EQ(PlanWaveRepair((const BYTE *)c.file.data(), (DWORD)c.file.size(), c.file.size(), &plan), c.plans);
        if (!c.plans)
            continue;
        EXPECT_EQ(plan.Needed, (BOOL)c.needed);
        EXPECT_EQ(plan.DataBytes, c.dataBytes);
        EXPECT_EQ(plan.Frames, c.frames);
        EXPECT_EQ(plan.Length, plan.DataOffset + c.dataBytes + (c.pad ? 1 : 0));
        EXPECT_EQ(plan.RiffSize, plan.Length - 8);
        EXPECT_EQ(plan.PadOffset, c.pad ? plan.DataOffset + c.dataBytes : 0u);
        EXPECT_LE(plan.Length, c.file.size()) << "a repair never makes the file longer";
    }
    // Only the head of a long file is read; the length comes from the disk.
    std::string head = WaveBytes(Pcm16Stereo, Auto, 0, 0, "");
    WaveRepair plan;
    ASSERT_TRUE(PlanWaveRepair((const BYTE *)head.data(), (DWORD)head.size(), head.size() + 3000000000ull, &plan));
    EXPECT_EQ(plan.DataBytes, 3000000000u);
    EXPECT_FALSE(PlanWaveRepair((const BYTE *)head.data(), (DWORD)head.size(), 0x100000000ull, &plan))
        << "a file past 4 GiB has no 32-bit sizes to mend";
}

TEST(WaveRepair, MendsTheFileOnDiskOnce)
{
    std::string folder = MakeTempFolder("repair");
    struct Case {
        const char *name;
        std::string format, audio;
        uint32_t riff, frames, dataSize;
        size_t keptBytes;
    } cases[] = {
        { "placeholders.wav", Pcm16Stereo, Fed(4410 * 4 + 3), 0, 0, 0, 4410 * 4 },
        { "stale.wav", Pcm8Mono, Fed(5001), Auto, 3000, 3000, 5000 },
        { "gsm.wav", Gsm, Fed(65 * 7 + 20), 0, 0, 0, 65 * 7 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder + c.name;
        WriteTextFile(path, WaveBytes(c.format, c.riff, c.frames, c.dataSize, c.audio));
        ASSERT_TRUE(RepairWaveFile(path.c_str()));
        std::string mended = ReadTextFile(path);
        WaveParts parts;
        ASSERT_EQ(ParseWave(mended, &parts), "");
        EXPECT_EQ(parts.Fmt, c.format);
        EXPECT_EQ(parts.Data, c.audio.substr(0, c.keptBytes));
        ASSERT_TRUE(RepairWaveFile(path.c_str()));
        EXPECT_EQ(ReadTextFile(path), mended) << "a second repair changes nothing";
    }
    EXPECT_FALSE(RepairWaveFile((folder + "missing.wav").c_str()));
    std::string notWave = "RIFX and not a sound at all";
    WriteTextFile(folder + "other.wav", notWave);
    EXPECT_FALSE(RepairWaveFile((folder + "other.wav").c_str()));
    EXPECT_EQ(ReadTextFile(folder + "other.wav"), notWave) << "a file it does not know is left alone";
    RemoveTree(folder);
}

// ---- the mark of the recording under way ----

TEST(RecordingMarker, NamesTheFileWhileItIsWrittenAndLeavesNothingBehind)
{
    struct Case {
        const char *what;
        std::string before;  // the settings file before the recording; empty: none
    } cases[] = {
        { "no settings file yet", "" },
        { "settings kept", "[OPTION]\r\nPowOnStart=1\r\n" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = MakeTempFolder("marker");
        std::string ini = folder + "TALVORec.ini";
        if (!c.before.empty())
            WriteTextFile(ini, c.before);
        char path[SavePathBytes] = "";
        EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), path, sizeof path));
        std::string recording = folder + "番組,表=1.wav";
        ASSERT_TRUE(SaveRecordingMarker(folder.c_str(), recording.c_str()));
        ASSERT_TRUE(LoadRecordingMarker(folder.c_str(), path, sizeof path));
        EXPECT_EQ(path, recording);
        EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), path, 10)) << "a name that does not fit is no name";
        ClearRecordingMarker(folder.c_str());
        EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), path, sizeof path));
        if (c.before.empty()) {
            EXPECT_FALSE(Exists(ini)) << "the next start is still a first start";
        } else {
            char value[8] = "";
            GetPrivateProfileStringA("OPTION", "PowOnStart", "", value, sizeof value, ini.c_str());
            EXPECT_STREQ(value, "1");
        }
        RemoveTree(folder);
    }
}

// ---- recording ----

namespace {

class SafeRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        folder = MakeTempFolder("safe");
        snprintf(App.ProgramFolder, sizeof App.ProgramFolder, "%s", folder.c_str());
        window = CreateCaptureWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        StopRecording();
        PumpMessagesFor(0);
        DestroyWindow(window);
        ResetAppState();
        for (ReserveEntry *&entry : entries)
            ReserveEntryFree(&entry);
        RemoveTree(folder);
    }
    ReserveEntry *Entry(const std::string &savePath, int riffHeader, const std::string &format)
    {
        ReserveEntry *entry = ReserveEntryCreate(format.size());
        HeapFreeBlock(entry->SavePath);
        entry->SavePath = HeapStrDup(savePath.c_str());
        entry->RiffHeader = riffHeader;
        memcpy(entry->Format, format.data(), format.size());
        entries.push_back(entry);
        return entry;
    }
    // Feeds captured buffers the way delivered ones arrive (no messages are
    // handled, so only these bytes are staged).
    void Feed(const std::string &audio)
    {
        for (size_t at = 0; at < audio.size(); at += App.CaptureBufferBytes) {
            size_t piece = audio.size() - at < App.CaptureBufferBytes ? audio.size() - at : App.CaptureBufferBytes;
            StageCapture((const BYTE *)audio.data() + at, (DWORD)piece);
        }
    }
    std::string Marked()
    {
        char path[SavePathBytes] = "";
        return LoadRecordingMarker(folder.c_str(), path, sizeof path) ? path : "";
    }
    std::string folder;
    HWND window = NULL;
    std::vector<ReserveEntry *> entries;
};

}  // namespace

TEST_F(SafeRecording, EveryWriteLeavesAWholeFile)
{
    struct Case {
        const char *name;
        std::string format;
    } cases[] = {
        { "even.wav", Pcm16Stereo },
        { "odd.wav", Pcm8Mono },  // 23 buffers of 11,025 bytes: odd writes, each closed by a pad
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder + c.name;
        ASSERT_TRUE(StartRecording(window, Entry(path, 1, c.format)));
        WaveParts parts;
        EXPECT_EQ(ParseWave(ReadTextFile(path), &parts), "") << "whole from its creation";
        EXPECT_EQ(Marked(), path);
        DWORD align = ((const WAVEFORMATEX *)c.format.data())->nBlockAlign;
        std::string audio = Fed(App.CaptureBufferBytes * (3 * App.StagingLimit / App.CaptureBufferBytes + 1));
        size_t written = 0;
        int flushes = 0;
        for (size_t at = 0; at < audio.size(); at += App.CaptureBufferBytes) {
            StageCapture((const BYTE *)audio.data() + at, App.CaptureBufferBytes);
            uint64_t length = FileLength(path);
            if (length == written)
                continue;
            flushes++;
            ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "") << "after write " << flushes;
            EXPECT_EQ(parts.Data, audio.substr(0, parts.Data.size()));
            EXPECT_EQ(parts.Data.size() + App.StagedBytes, at + App.CaptureBufferBytes) << "only the staged audio is missing";
            EXPECT_EQ(parts.Frames(), parts.Data.size() / align);
            written = length;
        }
        EXPECT_GE(flushes, 2);
        StopRecording();
        ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
        char silence = ((const WAVEFORMATEX *)c.format.data())->wBitsPerSample == 8 ? (char)0x80 : 0;
        EXPECT_TRUE(FedThenSilence(parts.Data, audio, silence));
        EXPECT_EQ(parts.Frames(), parts.Data.size() / align);
        EXPECT_EQ(Marked(), "") << "a finished recording needs no repair";
        EXPECT_FALSE(Exists(folder + "TALVORec.ini")) << "the mark was all the file held";
    }
}

TEST(SavePath, LaterFilesAreNumberedBeforeTheExtension)
{
    struct Case {
        const char *first;
        DWORD part;
        const char *expected;  // none: does not fit
    } cases[] = {
        { "C:\\Radio\\news.wav", 2, "C:\\Radio\\news_2.wav" },
        { "C:\\Radio\\news.2003.wav", 3, "C:\\Radio\\news.2003_3.wav" },
        { "C:\\a.b\\raw", 2, "C:\\a.b\\raw_2" },
        { "C:\\Radio\\.wav", 2, "C:\\Radio\\_2.wav" },
        { "録音.wav", 12, "録音_12.wav" },
        // The trail byte of 表 is 0x5C and of ソ 0x5C too: neither is a folder.
        { "C:\\表.ソ\\番組", 2, "C:\\表.ソ\\番組_2" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.first);
        char out[SavePathBytes];
        ASSERT_TRUE(NumberedPartPath(c.first, c.part, out, sizeof out));
        EXPECT_STREQ(out, c.expected);
    }
    std::string longest(253, 'a');
    char out[SavePathBytes];
    EXPECT_TRUE(NumberedPartPath((longest + ".wav").c_str(), 9, out, sizeof out));
    EXPECT_FALSE(NumberedPartPath((longest + ".wav").c_str(), 10, out, sizeof out));
}

// The split is tested at a small file size; bench_longrecording goes past
// the real 4 GiB.
TEST_F(SafeRecording, LongRecordingGoesOnInNumberedFiles)
{
    struct Case {
        const char *what;
        std::string format;
        DWORD limit;
    } cases[] = {
        { "PCM", Pcm16Stereo, 1000000 },
        { "IMA ADPCM", "", 100000 },
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.format.empty()) {
            std::string ima(64, '\0');
            WAVEFORMATEX *suggested = (WAVEFORMATEX *)&ima[0];
            suggested->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
            ASSERT_EQ(acmFormatSuggest(NULL, (LPWAVEFORMATEX)Pcm16Stereo.data(), suggested, (DWORD)ima.size(),
                                       ACM_FORMATSUGGESTF_WFORMATTAG), 0u);
            c.format = ima.substr(0, sizeof(WAVEFORMATEX) + suggested->cbSize);
        }
        App.PartLimit = c.limit;
        ASSERT_TRUE(StartRecording(window, Entry(folder + "long.wav", 1, c.format)));
        std::string audio = Fed(App.CaptureBufferBytes * 41);  // 20.5 s
        Feed(audio);
        EXPECT_EQ(Marked(), std::string(App.PartPath)) << "the mark follows the file being written";
        EXPECT_GT(App.RecordingPart, 3u);
        StopRecording();  // its last write may begin one more file
        DWORD parts = App.RecordingPart;
        uint64_t captured = App.CapturedBytes;

        const WAVEFORMATEX *target = (const WAVEFORMATEX *)c.format.data();
        std::string data;
        uint64_t frames = 0;
        for (DWORD part = 1; part <= parts; part++) {
            SCOPED_TRACE(part);
            std::string bytes = ReadTextFile(PartName(folder, (int)part));
            WaveParts wave;
            ASSERT_EQ(ParseWave(bytes, &wave), "");
            EXPECT_LE(bytes.size(), c.limit);
            EXPECT_EQ(wave.Fmt, c.format);
            EXPECT_EQ(wave.Data.size() % target->nBlockAlign, 0u) << "whole blocks in every file";
            data += wave.Data;
            frames += wave.Frames();
            DeleteFileA(PartName(folder, (int)part).c_str());
        }
        EXPECT_FALSE(Exists(PartName(folder, (int)parts + 1)));
        EXPECT_EQ(frames, captured / 4) << "the frame counts add up to what was fed";
        if (target->wFormatTag == WAVE_FORMAT_PCM) {
            EXPECT_TRUE(FedThenSilence(data, audio));
        } else {
            WORD perBlock = ((const IMAADPCMWAVEFORMAT *)target)->wSamplesPerBlock;
            EXPECT_EQ(data.size() / target->nBlockAlign, (frames + perBlock - 1) / perBlock)
                << "no block lost or doubled between the files";
        }
        EXPECT_EQ(Marked(), "");
    }
}

// The summary is all the results line and the notice will know of a
// recording: it must agree with the files the disk really has.
TEST_F(SafeRecording, StopSummarisesWhatTheFilesHold)
{
    RecordingSummary summary;
    memset(&summary, 0xFF, sizeof summary);
    StopRecording(&summary);
    EXPECT_EQ(summary.Parts, 0u) << "none was running";

    App.PartLimit = 1000000;
    ASSERT_TRUE(StartRecording(window, Entry(folder + "long.wav", 1, Pcm16Stereo)));
    Feed(Fed(App.CaptureBufferBytes * 41));
    StopRecording(&summary);
    EXPECT_EQ(summary.Kind, OutputWave);
    EXPECT_EQ(std::string(summary.Path), PartName(folder, 1));
    EXPECT_GT(summary.Parts, 3u);
    EXPECT_FALSE(Exists(PartName(folder, (int)summary.Parts + 1)));
    uint64_t sizes = 0;
    for (DWORD part = 1; part <= summary.Parts; part++)
        sizes += FileLength(PartName(folder, (int)part));
    EXPECT_EQ(summary.FileBytes, sizes);
    EXPECT_EQ(summary.CapturedBytes, App.CapturedBytes);
    EXPECT_GE(summary.CapturedBytes, App.CaptureBufferBytes * 41ull);
    EXPECT_EQ(summary.Seconds, summary.CapturedBytes / 176400);
    EXPECT_FALSE(summary.Silent);
    EXPECT_EQ(summary.Reason, RecordingStopAsked);

    // Past the same limit a raw file stays one file.
    ASSERT_TRUE(StartRecording(window, Entry(folder + "bare.raw", 0, Pcm16Stereo)));
    Feed(Fed(App.CaptureBufferBytes * 12));
    StopRecording(&summary);
    EXPECT_EQ(summary.Kind, OutputRaw);
    EXPECT_EQ(summary.Parts, 1u);
    EXPECT_FALSE(Exists(folder + "bare_2.raw"));
    EXPECT_EQ(summary.FileBytes, FileLength(folder + "bare.raw"));
    EXPECT_EQ(summary.FileBytes, summary.CapturedBytes) << "the bare audio";
    EXPECT_GT(summary.FileBytes, 1000000u);

    // A failed write: a full disk when it has no room for two seconds more.
    struct Case {
        const char *file;
        ULONGLONG freeSpace;
        RecordingStopReason reason;
    } cases[] = {
        { "full.wav", 1000, RecordingStopDiskFull },
        { "error.wav", 100000000, RecordingStopWriteFailed },
    };
    App.PartLimit = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        UseFullDisk(300000);
        App.FreeSpaceLimit = c.freeSpace;
        ASSERT_TRUE(StartRecording(window, Entry(folder + c.file, 1, Pcm16Stereo)));
        Feed(Fed(600000));
        ASSERT_TRUE(App.WriteFailed);
        StopRecording(&summary);
        EXPECT_EQ(summary.Reason, c.reason);
        EXPECT_EQ(summary.FileBytes, FileLength(folder + c.file));
        EXPECT_TRUE(App.WriteFailed) << "still there for the code that reads it after the stop";
    }
}

TEST_F(SafeRecording, FullDiskStopsTheWritesAndLeavesWhatReachedIt)
{
    struct Case {
        const char *name;
        std::string format;
        DWORD capacity;
    } cases[] = {
        { "even.wav", Pcm16Stereo, 400003 },
        { "odd.wav", Pcm8Mono, 300001 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int opened = UseFullDisk(c.capacity);
        std::string path = folder + c.name;
        ASSERT_TRUE(StartRecording(window, Entry(path, 1, c.format)));
        EXPECT_GT(UseFullDisk(c.capacity), opened) << "the file is on the small disk";
        std::string audio = Fed(c.capacity * 2);
        Feed(audio);
        EXPECT_TRUE(App.WriteFailed);
        EXPECT_TRUE(App.RecordingActive) << "the tick ends the reservation, and the recording with it";
        uint64_t full = FileLength(path);
        Feed(audio.substr(0, App.StagingLimit * 2));
        EXPECT_EQ(FileLength(path), full) << "nothing more is tried after the first failure";
        StopRecording();
        EXPECT_EQ(App.WaveFile.File, nullptr);
        EXPECT_EQ(App.StagingBuffer, nullptr);
        EXPECT_EQ(App.CaptureDevice, nullptr);

        WaveParts parts;
        std::string bytes = ReadTextFile(path);
        ASSERT_EQ(ParseWave(bytes, &parts), "") << "consistent with what reached the disk";
        DWORD align = ((const WAVEFORMATEX *)c.format.data())->nBlockAlign;
        EXPECT_LE(bytes.size(), c.capacity);
        EXPECT_GT(parts.Data.size() + 2 * align, c.capacity - (bytes.size() - parts.Data.size()))
            << "everything that fitted is kept, whole frames only";
        EXPECT_EQ(parts.Data, audio.substr(0, parts.Data.size()));
        EXPECT_EQ(parts.Frames(), parts.Data.size() / align);
        EXPECT_EQ(Marked(), "");
    }
    // The raw form on a disk that is full from its first byte.
    UseFullDisk(0);
    ASSERT_TRUE(StartRecording(window, Entry(folder + "full.raw", 0, Pcm16Stereo)));
    Feed(Fed(App.StagingLimit * 2));
    EXPECT_TRUE(App.WriteFailed);
    StopRecording();
    EXPECT_EQ(App.RawFile, nullptr);
    EXPECT_EQ(App.StagingBuffer, nullptr);
}

// ---- killed mid-recording ----

namespace {

using Child = ChildProcess;

}  // namespace

TEST(CrashSafety, KilledRecordingKeepsAllButTheStagedAudioAndTheNextStartMendsIt)
{
    std::string folder = MakeTempFolder("killed"), path = folder + "killed.wav";
    ASSERT_TRUE(StartTestTone(440));
    char name[64];
    snprintf(name, sizeof name, "talvo-crash-%lu", GetCurrentProcessId());
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(CrashProgress), name);
    ASSERT_NE(mapping, nullptr);
    CrashProgress *progress = (CrashProgress *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(CrashProgress));
    ASSERT_NE(progress, nullptr);
    LONG captured = 0;
    {
        Child recorder;
        // The folder's last backslash doubled: before a quote a single one
        // would escape it.
        ASSERT_TRUE(recorder.Start("\"" + BuildFolder() + "crash_recorder.exe\" \"" + folder + "\\\" " + name));
        // Three seconds of audio and at least two writes of it, then killed
        // wherever it happens to be.
        DWORD start = GetTickCount();
        while (progress->Started >= 0 && (progress->Captured < 3 * 176400 || progress->Flushes < 2) &&
               GetTickCount() - start < 15000 && !recorder.WaitForExit(10))
            ;
        ASSERT_EQ(progress->Started, 1) << "the recording did not start";
        ASSERT_GE(progress->Flushes, 2) << "no audio came from the recording device";
        captured = progress->Captured;
        ASSERT_TRUE(TerminateProcess(recorder.Process.hProcess, 9));
        ASSERT_TRUE(recorder.WaitForExit(5000));
    }
    StopTestTone();
    UnmapViewOfFile(progress);
    CloseHandle(mapping);

    WaveParts parts;
    std::string bytes = ReadTextFile(path);
    ASSERT_EQ(ParseWave(bytes, &parts), "") << "a strict reader takes the killed file";
    EXPECT_GE(parts.Data.size() + StagingSize, (size_t)captured) << "at most the staged audio is lost";
    printf("killed after %.2f s captured: the file plays %.2f s, %.2f s lost (at most %.2f s can be staged)\n",
           captured / 176400.0, parts.Data.size() / 176400.0, (captured - (double)parts.Data.size()) / 176400.0,
           StagingSize / 176400.0);
    EXPECT_EQ(parts.Frames(), parts.Data.size() / 4);
    Hearing heard = Listen(FirstChannel(parts.Data, 16, 2), 44100);
    EXPECT_NEAR(heard.Hz, 440, 10);
    char marked[SavePathBytes] = "";
    ASSERT_TRUE(LoadRecordingMarker(folder.c_str(), marked, sizeof marked)) << "the settings file names it";
    EXPECT_EQ(marked, path);

    // Killed a moment later it would have been in the middle of a write:
    // a second more of audio and part of a frame past what the header says.
    std::string data = parts.Data, more = parts.Data.substr(0, 176400);
    WriteTextFile(path, bytes + more + "\x01\x02\x03");
    ASSERT_NE(ParseWave(ReadTextFile(path), &parts), "");

    // The next start of the program mends it before anything else.
    ASSERT_TRUE(CopyFileA((BuildFolder() + "TALVORecSim.exe").c_str(), (folder + "TALVORecSim.exe").c_str(), FALSE));
    {
        Child program;
        ASSERT_TRUE(program.Start("\"" + folder + "TALVORecSim.exe\""));
        HWND found = NULL;
        DWORD start = GetTickCount();
        while (!found && GetTickCount() - start < 15000 && !program.WaitForExit(50))
            found = FindProcessWindow(program.Id(), "TALVORecClass");
        ASSERT_NE(found, nullptr) << "the program did not start";
        PostMessageA(found, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.WaitForExit(15000));
    }
    WaveParts mended;
    ASSERT_EQ(ParseWave(ReadTextFile(path), &mended), "");
    EXPECT_EQ(mended.Data, data + more) << "every whole frame is kept";
    EXPECT_EQ(mended.Frames(), mended.Data.size() / 4);
    EXPECT_FALSE(LoadRecordingMarker(folder.c_str(), marked, sizeof marked)) << "mended once, then forgotten";
    ASSERT_TRUE(Exists(folder + "TALVORec.ini")) << "saved at the program's exit";
    // The file held nothing but the mark, so the start was a first start:
    // all presets offered.
    char preset[16] = "";
    GetPrivateProfileStringA("FREQ", "0", "", preset, sizeof preset, (folder + "TALVORec.ini").c_str());
    EXPECT_STREQ(preset, "1,0");
    RemoveTree(folder);
}

// ---- the programme's name in the file ----

namespace {

std::string InfoChunk(const char *title, const char *date = "2027-03-05", const char *comment = "TBSラジオ AM 954kHz 23:30-00:15")
{
    RecordingInfoTexts texts = { title, date, comment, "TALVO レコーダー 1.0.0" };
    BYTE chunk[RecordingInfoBytes];
    DWORD length = BuildInfoChunk(&texts, chunk);
    return std::string((const char *)chunk, length);
}

// The date a recording beginning now gives its programme: the day its
// programme starts, a few seconds on.
std::string ProgrammeDate()
{
    SYSTEMTIME now, day;
    GetLocalTime(&now);
    FILETIME instant;
    SystemTimeToFileTime(&now, &instant);
    instant = FileTimeAdd(&instant, (LONGLONG)StartLead);
    FileTimeToSystemTime(&instant, &day);
    char date[16];
    snprintf(date, sizeof date, "%04d-%02d-%02d", day.wYear, day.wMonth, day.wDay);
    return date;
}

}  // namespace

TEST(RecordingInfo, ListChunkHoldsEachTextWithItsZeroAndPad)
{
    std::string longTitle;
    for (int i = 0; i < 150; i++)
        longTitle += "長";  // 300 bytes
    struct Case {
        const char *what;
        std::string title, expected;
    } cases[] = {
        { "even with its zero", "深夜便", "深夜便" },
        { "odd with its zero: a pad", "ラジオ", "ラジオ" },
        { "cut at a whole character", longTitle, longTitle.substr(0, 238) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string chunk = InfoChunk(c.title.c_str());
        ASSERT_GE(chunk.size(), 12u);
        EXPECT_EQ(chunk.substr(0, 4), "LIST");
        EXPECT_EQ(Le32(chunk, 4), chunk.size() - 8);
        EXPECT_EQ(chunk.size() % 2, 0u);
        auto texts = InfoTexts(chunk.substr(8));
        EXPECT_EQ(texts.count(""), 0u) << texts[""];
        EXPECT_EQ(texts["INAM"], c.expected);
        EXPECT_EQ(texts["ICRD"], "2027-03-05");
        EXPECT_EQ(texts["ICMT"], "TBSラジオ AM 954kHz 23:30-00:15");
        EXPECT_EQ(texts["ISFT"], "TALVO レコーダー 1.0.0");
        EXPECT_EQ(Le32(chunk, 16), c.expected.size() + 1) << "the size counts the zero, not the pad";
    }
    auto untitled = InfoTexts(InfoChunk("").substr(8));
    EXPECT_EQ(untitled.count("INAM"), 0u) << "no name: no INAM";
    EXPECT_EQ(untitled.size(), 3u);
}

TEST(RecordingInfo, ComposedFromTheReservationAndTheStations)
{
    ResetAppState();
    App.PresetTable[2].Frequency = 954;
    App.PresetTable[4].Frequency = 8250;
    StationName station = { 954, "" };
    SetStationName(&station, "TBSラジオ");
    AddStation(&station);
    ReserveEntry *entry = ReserveEntryCreate(0);
    HeapFreeBlock(entry->Title);
    entry->Title = HeapStrDup("深夜便");
    entry->StartHour = 0;
    entry->StartMinute = 0;
    entry->EndHour = 1;
    entry->EndMinute = 5;
    struct Case {
        int preset;
        SYSTEMTIME start;
        const char *date, *comment;
    } cases[] = {
        { 3, { 2027, 3, 4, 4, 23, 59, 55, 0 }, "2027-03-05", "TBSラジオ AM 954kHz 00:00-01:05" },
        { 5, { 2027, 3, 4, 4, 10, 0, 0, 0 }, "2027-03-04", "FM 82.50MHz 00:00-01:05" },
        { 7, { 2027, 12, 5, 31, 23, 59, 56, 0 }, "2028-01-01", "プリセット 7 00:00-01:05" },
    };
    for (const Case &c : cases) {
        entry->Preset = (uint16_t)c.preset;
        char date[16], comment[InfoTextBytes];
        RecordingInfoTexts texts;
        ComposeRecordingInfo(entry, &c.start, date, comment, &texts);
        EXPECT_STREQ(texts.Title, "深夜便");
        EXPECT_STREQ(texts.Date, c.date) << "the programme's own date";
        EXPECT_STREQ(texts.Comment, c.comment);
        EXPECT_STREQ(texts.Software, "TALVO レコーダー " TALVO_VERSION_TEXT);
    }
    ReserveEntryFree(&entry);
    ResetAppState();
}

TEST_F(SafeRecording, FinishedFilesNameTheProgrammeEveryPartToo)
{
    App.PresetTable[2].Frequency = 954;
    StationName station = { 954, "" };
    SetStationName(&station, "TBSラジオ");
    AddStation(&station);
    struct Case {
        const char *what;
        const char *file;
        DWORD limit;
        size_t buffers;
    } cases[] = {
        { "one file", "one.wav", 0, 7 },
        { "split", "long.wav", 1000000, 35 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        App.PartLimit = c.limit;
        ReserveEntry *entry = Entry(folder + c.file, 1, Pcm16Stereo);
        HeapFreeBlock(entry->Title);
        entry->Title = HeapStrDup("ラジオ深夜便・日本の歌");
        entry->Preset = 3;
        entry->StartHour = 23;
        entry->StartMinute = 30;
        entry->EndHour = 0;
        entry->EndMinute = 15;
        std::string date = ProgrammeDate();
        ASSERT_TRUE(StartRecording(window, entry));
        std::string audio = Fed(App.CaptureBufferBytes * c.buffers);
        Feed(audio);
        WaveParts parts;
        ASSERT_EQ(ParseWave(ReadTextFile(App.PartPath), &parts), "");
        EXPECT_EQ(parts.List, "") << "while it records the file has no LIST yet";
        StopRecording();
        std::string data;
        for (DWORD part = 1; part <= App.RecordingPart; part++) {
            SCOPED_TRACE(part);
            char path[SavePathBytes];
            ASSERT_TRUE(NumberedPartPath((folder + c.file).c_str(), part, path, sizeof path));
            std::string bytes = ReadTextFile(part == 1 ? folder + c.file : path);
            ASSERT_EQ(ParseWave(bytes, &parts), "");
            if (c.limit) {
                EXPECT_LE(bytes.size(), c.limit) << "the LIST fits under the limit";
            }
            data += parts.Data;
            auto texts = InfoTexts(parts.List);
            EXPECT_EQ(texts["INAM"], "ラジオ深夜便・日本の歌");
            EXPECT_EQ(texts["ICRD"], date);
            EXPECT_EQ(texts["ICMT"], "TBSラジオ AM 954kHz 23:30-00:15");
            EXPECT_EQ(texts["ISFT"], "TALVO レコーダー " TALVO_VERSION_TEXT);
        }
        if (c.limit) {
            EXPECT_GT(App.RecordingPart, 2u);
        }
        EXPECT_TRUE(FedThenSilence(data, audio)) << "the LIST takes nothing from the audio";
    }
    // The raw form stays the bare audio.
    App.PartLimit = 0;
    ReserveEntry *raw = Entry(folder + "bare.raw", 0, Pcm16Stereo);
    HeapFreeBlock(raw->Title);
    raw->Title = HeapStrDup("生");
    ASSERT_TRUE(StartRecording(window, raw));
    std::string audio = Fed(App.CaptureBufferBytes * 3);
    Feed(audio);
    StopRecording();
    EXPECT_TRUE(FedThenSilence(ReadTextFile(folder + "bare.raw"), audio));
}

TEST(WaveRepair, KeepsAWholeListAndDropsOneCutOff)
{
    std::string list = InfoChunk("深夜便");
    std::string finished = WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)) + list;
    finished.replace(4, 4, Le32Text((uint32_t)finished.size() - 8));
    std::string odd = WaveBytes(Pcm8Mono, Auto, 999, 999, Fed(999) + '\0') + list;
    odd.replace(4, 4, Le32Text((uint32_t)odd.size() - 8));
    struct Case {
        const char *what;
        std::string file;
        bool needed;
        DWORD dataBytes, frames, infoBytes;
        bool pad;
    } cases[] = {
        { "finished", finished, false, 1000, 250, (DWORD)list.size(), false },
        { "odd audio, its pad, the LIST", odd, false, 999, 999, (DWORD)list.size(), true },
        { "killed before the RIFF size took the LIST in", WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)) + list,
          true, 1000, 250, (DWORD)list.size(), false },
        { "killed inside the LIST", WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)) + list.substr(0, 20), true,
          1000, 250, 0, false },
        { "killed inside its header", WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)) + list.substr(0, 6), true,
          1000, 250, 0, false },
        { "killed after two bytes of it", WaveBytes(Pcm16Stereo, Auto, 250, 1000, Fed(1000)) + "LI", true, 1000, 250,
          0, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WaveRepair plan;
        ASSERT_TRUE(PlanWaveRepair((const BYTE *)c.file.data(), (DWORD)c.file.size(), c.file.size(), &plan));
        EXPECT_EQ(plan.Needed, (BOOL)c.needed);
        EXPECT_EQ(plan.DataBytes, c.dataBytes);
        EXPECT_EQ(plan.Frames, c.frames);
        EXPECT_EQ(plan.InfoBytes, c.infoBytes);
        EXPECT_EQ(plan.Length, plan.DataOffset + c.dataBytes + (c.pad ? 1 : 0) + c.infoBytes);
        EXPECT_EQ(plan.RiffSize, plan.Length - 8);
    }

    // On disk, a file too long for the head read: its LIST is found at the end.
    std::string folder = MakeTempFolder("repairlist");
    std::string audio = Fed(400000);
    std::string killed = WaveBytes(Pcm16Stereo, Auto, 100000, 400000, audio) + list;
    std::string path = folder + "long.wav";
    WriteTextFile(path, killed);
    ASSERT_TRUE(RepairWaveFile(path.c_str()));
    WaveParts parts;
    std::string mended = ReadTextFile(path);
    ASSERT_EQ(ParseWave(mended, &parts), "");
    EXPECT_EQ(parts.Data, audio);
    EXPECT_EQ(InfoTexts(parts.List)["INAM"], "深夜便");
    ASSERT_TRUE(RepairWaveFile(path.c_str()));
    EXPECT_EQ(ReadTextFile(path), mended) << "a whole file is left as it is";
    WriteTextFile(path, killed.substr(0, killed.size() - 9));
    ASSERT_TRUE(RepairWaveFile(path.c_str()));
    ASSERT_EQ(ParseWave(ReadTextFile(path), &parts), "");
    EXPECT_EQ(parts.Data, audio) << "a cut LIST costs no audio";
    EXPECT_EQ(parts.List, "");
    RemoveTree(folder);
}
