// The MP3 row of the output table: LAME encodes the captured PCM as it
// arrives, constant bit rate, behind an ID3v2.3 tag with the programme's
// texts. LAME's Info frame behind the tag gives players the length; it is
// rewritten after every write, and the repair at the next start counts the
// frames of a file cut off by a crash.
//
// libmp3lame.dll is loaded from the program's own folder, by its full path,
// the first time it is needed; without it there is no MP3.
#include "recorder/output.h"
#include "recorder/ownformats.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <lame/lame.h>
#include <string.h>

// ---- the library ----

struct LameCalls {
    HMODULE Module;
    decltype(&lame_init) Init;
    decltype(&lame_set_num_channels) SetChannels;
    decltype(&lame_set_in_samplerate) SetInRate;
    decltype(&lame_set_out_samplerate) SetOutRate;
    decltype(&lame_set_brate) SetBitRate;
    decltype(&lame_set_mode) SetMode;
    decltype(&lame_set_VBR) SetVbr;
    decltype(&lame_set_quality) SetQuality;
    decltype(&lame_set_bWriteVbrTag) SetInfoTag;
    decltype(&lame_init_params) InitParams;
    decltype(&lame_encode_buffer) Encode;
    decltype(&lame_encode_buffer_interleaved) EncodeInterleaved;
    decltype(&lame_encode_flush) Flush;
    decltype(&lame_get_lametag_frame) InfoFrame;
    decltype(&lame_close) Close;
    decltype(&get_lame_version) Version;
};
static LameCalls Lame;

template <typename T> static bool Take(T *call, const char *name)
{
    *call = (T)(void *)GetProcAddress(Lame.Module, name);
    return *call != NULL;
}

bool Mp3EncoderAvailable()
{
    if (Lame.Init)
        return true;
    char path[MAX_PATH + 16];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    size_t folder = SplitPath(path, NULL, NULL);
    strcpy(path + folder, Mp3LibraryName);
    // The full path only: never a DLL of the same name elsewhere on the search path.
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    LameCalls calls;
    memset(&calls, 0, sizeof calls);
    Lame.Module = module;
    bool all = Take(&calls.Init, "lame_init") && Take(&calls.SetChannels, "lame_set_num_channels") &&
               Take(&calls.SetInRate, "lame_set_in_samplerate") && Take(&calls.SetOutRate, "lame_set_out_samplerate") &&
               Take(&calls.SetBitRate, "lame_set_brate") && Take(&calls.SetMode, "lame_set_mode") &&
               Take(&calls.SetVbr, "lame_set_VBR") && Take(&calls.SetQuality, "lame_set_quality") &&
               Take(&calls.SetInfoTag, "lame_set_bWriteVbrTag") && Take(&calls.InitParams, "lame_init_params") &&
               Take(&calls.Encode, "lame_encode_buffer") &&
               Take(&calls.EncodeInterleaved, "lame_encode_buffer_interleaved") &&
               Take(&calls.Flush, "lame_encode_flush") && Take(&calls.InfoFrame, "lame_get_lametag_frame") &&
               Take(&calls.Close, "lame_close") && Take(&calls.Version, "get_lame_version");
    if (!all) {
        FreeLibrary(module);
        memset(&Lame, 0, sizeof Lame);
        return false;
    }
    calls.Module = module;
    Lame = calls;
    return true;
}

const char *Mp3EncoderVersion()
{
    return Mp3EncoderAvailable() ? Lame.Version() : "";
}

// ---- the ID3v2.3 tag ----

static void PutBe32(BYTE *at, DWORD value)
{
    at[0] = (BYTE)(value >> 24);
    at[1] = (BYTE)(value >> 16);
    at[2] = (BYTE)(value >> 8);
    at[3] = (BYTE)value;
}

static DWORD Be32(const BYTE *at)
{
    return (DWORD)at[0] << 24 | (DWORD)at[1] << 16 | (DWORD)at[2] << 8 | at[3];
}

// A text frame, or a comment frame (COMM: language, empty description), in
// UTF-16 with its byte order mark. An empty text writes nothing.
static void PutId3Text(BYTE *out, DWORD *at, DWORD size, const char *id, const char *text)
{
    WCHAR wide[InfoTextBytes];
    int count = text && text[0] ? MultiByteToWideChar(CP_ACP, 0, text, -1, wide, InfoTextBytes) : 0;
    if (count <= 1)
        return;
    count--;
    bool comment = strcmp(id, "COMM") == 0;
    DWORD body = 1 + (comment ? 3 + 4 : 0) + 2 + (DWORD)count * 2;
    if (*at + 10 + body > size)
        return;
    BYTE *frame = out + *at;
    memcpy(frame, id, 4);
    PutBe32(frame + 4, body);
    frame[8] = frame[9] = 0;
    BYTE *p = frame + 10;
    *p++ = 1;  // UTF-16 with a byte order mark
    if (comment) {
        memcpy(p, "jpn", 3);
        p += 3;
        *p++ = 0xFF, *p++ = 0xFE, *p++ = 0, *p++ = 0;  // the empty description
    }
    *p++ = 0xFF, *p++ = 0xFE;
    for (int i = 0; i < count; i++)
        *p++ = (BYTE)wide[i], *p++ = (BYTE)(wide[i] >> 8);
    *at += 10 + body;
}

DWORD BuildId3Tag(const RecordingTagTexts *texts, BYTE *out, DWORD size)
{
    DWORD at = 10;
    PutId3Text(out, &at, size, "TIT2", texts->Title);
    // The date as ID3v2.3 keeps it: the year, and the day and month as DDMM.
    char year[5] = "", dayMonth[5] = "";
    if (strlen(texts->Date) == 10) {
        memcpy(year, texts->Date, 4);
        memcpy(dayMonth, texts->Date + 8, 2);
        memcpy(dayMonth + 2, texts->Date + 5, 2);
    }
    PutId3Text(out, &at, size, "TYER", year);
    PutId3Text(out, &at, size, "TDAT", dayMonth);
    PutId3Text(out, &at, size, "COMM", texts->Comment);
    PutId3Text(out, &at, size, "TSSE", texts->Software);
    memcpy(out, "ID3\x03\x00\x00", 6);
    DWORD tagSize = at - 10;  // seven bits a byte
    out[6] = (BYTE)(tagSize >> 21 & 0x7F);
    out[7] = (BYTE)(tagSize >> 14 & 0x7F);
    out[8] = (BYTE)(tagSize >> 7 & 0x7F);
    out[9] = (BYTE)(tagSize & 0x7F);
    return at;
}

// ---- writing ----

static bool WriteAll(HANDLE file, const void *bytes, DWORD length)
{
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, NULL) && written == length;
}

static void CloseMp3()
{
    Mp3FileWriter *w = &App.Mp3File;
    if (w->Encoder)
        Lame.Close((lame_t)w->Encoder);
    if (w->File)
        CloseHandle(w->File);
    HeapFreeBlock(w->Out);
    memset(w, 0, sizeof *w);
}

static bool Mp3Create(const char *path, const BYTE *format)
{
    const WAVEFORMATEX *wfx = (const WAVEFORMATEX *)format;
    Mp3FileWriter *w = &App.Mp3File;
    memset(w, 0, sizeof *w);
    if (!Mp3EncoderAvailable()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    lame_t lame = Lame.Init();
    if (!lame) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    Lame.SetChannels(lame, wfx->nChannels);
    Lame.SetInRate(lame, (int)wfx->nSamplesPerSec);
    Lame.SetOutRate(lame, (int)wfx->nSamplesPerSec);
    Lame.SetBitRate(lame, (int)(wfx->nAvgBytesPerSec / 125));
    Lame.SetMode(lame, wfx->nChannels == 2 ? JOINT_STEREO : MONO);
    Lame.SetVbr(lame, vbr_off);
    Lame.SetQuality(lame, 5);
    Lame.SetInfoTag(lame, 1);
    if (Lame.InitParams(lame) < 0) {
        Lame.Close(lame);
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    w->Encoder = lame;
    // Enough for the largest capture write: LAME asks 1.25 times the samples and 7,200 bytes.
    w->OutSize = StagingSize / 2 * 5 / 4 + 7200;
    w->Out = (BYTE *)HeapAllocZero(w->OutSize);
    BYTE tag[RecordingInfoBytes * 2 + 64];
    DWORD tagBytes = BuildId3Tag(&App.RecordingTags, tag, sizeof tag);
    w->File = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (w->File == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        w->File = NULL;
        CloseMp3();
        SetLastError(error);
        return false;
    }
    if (!w->Out || !WriteAll(w->File, tag, tagBytes)) {
        DWORD error = w->Out ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
        CloseMp3();
        DeleteFileA(path);
        SetLastError(error);
        return false;
    }
    w->TagBytes = tagBytes;
    return true;
}


static bool WriteEncoded(int bytes)
{
    Mp3FileWriter *w = &App.Mp3File;
    if (bytes < 0)
        return false;
    return bytes == 0 || WriteAll(w->File, w->Out, (DWORD)bytes);
}

static bool Mp3Append(const void *bytes, DWORD length)
{
    Mp3FileWriter *w = &App.Mp3File;
    lame_t lame = (lame_t)w->Encoder;
    WORD channels = App.CaptureFormat.nChannels;
    // Pieces LAME's output buffer is sized for.
    const DWORD pieceFrames = StagingSize / 4;
    DWORD frames = length / App.CaptureBlockAlign;
    short *samples = (short *)bytes;
    while (frames > 0) {
        DWORD n = frames < pieceFrames ? frames : pieceFrames;
        int encoded = channels == 2 ? Lame.EncodeInterleaved(lame, samples, (int)n, w->Out, (int)w->OutSize)
                                    : Lame.Encode(lame, samples, NULL, (int)n, w->Out, (int)w->OutSize);
        if (!WriteEncoded(encoded))
            return false;
        samples += n * channels;
        frames -= n;
    }
    return true;
}

// LAME's Info frame over the empty frame it began the audio with.
static bool WriteInfoFrame()
{
    Mp3FileWriter *w = &App.Mp3File;
    BYTE frame[2048];
    size_t length = Lame.InfoFrame((lame_t)w->Encoder, frame, sizeof frame);
    if (length == 0 || length > sizeof frame)
        return true;
    LARGE_INTEGER at, end, zero;
    at.QuadPart = w->TagBytes;
    zero.QuadPart = 0;
    return SetFilePointerEx(w->File, zero, &end, FILE_END) && SetFilePointerEx(w->File, at, NULL, FILE_BEGIN) &&
           WriteAll(w->File, frame, (DWORD)length) && SetFilePointerEx(w->File, end, NULL, FILE_BEGIN);
}

static bool Mp3KeepHeaderCurrent(DWORD)
{
    return !App.Mp3File.File || WriteInfoFrame();
}

static bool Mp3Finish(DWORD)
{
    Mp3FileWriter *w = &App.Mp3File;
    if (!w->File)
        return true;
    bool done = WriteEncoded(Lame.Flush((lame_t)w->Encoder, w->Out, (int)w->OutSize)) && WriteInfoFrame();
    CloseMp3();
    return done;
}

static void Mp3Abandon()
{
    CloseMp3();
    RepairMp3File(App.PartPath);
}

// ---- repair ----

DWORD Mp3FrameLength(const BYTE h[4])
{
    static const WORD mpeg1[16] = { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0 };
    static const WORD mpeg2[16] = { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0 };
    static const DWORD rates[3] = { 44100, 48000, 32000 };
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return 0;
    int version = h[1] >> 3 & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int layer = h[1] >> 1 & 3;    // 1: Layer III
    int bitIndex = h[2] >> 4, rateIndex = h[2] >> 2 & 3;
    if (version == 1 || layer != 1 || bitIndex == 0 || bitIndex == 15 || rateIndex == 3)
        return 0;
    DWORD rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    DWORD kbps = version == 3 ? mpeg1[bitIndex] : mpeg2[bitIndex];
    return Mp3FrameBytes(kbps, rate) + (h[2] >> 1 & 1);
}

// Where the Xing/Info header of the first frame goes: behind the frame
// header and its side information.
static DWORD InfoOffset(const BYTE h[4])
{
    bool mpeg1 = (h[1] >> 3 & 3) == 3, mono = (h[3] >> 6) == 3;
    return 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
}

// The CRC LAME seals its tag with (CRC-16, polynomial 0x8005, reflected).
static WORD LameCrc(const BYTE *bytes, DWORD length)
{
    WORD crc = 0;
    for (DWORD i = 0; i < length; i++) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; bit++)
            crc = (WORD)(crc & 1 ? crc >> 1 ^ 0xA001 : crc >> 1);
    }
    return crc;
}

static bool PlanMp3Info(BYTE *frame, DWORD frameLength, DWORD musicFrames, DWORD streamBytes)
{
    DWORD xing = InfoOffset(frame);
    if (xing + 16 > frameLength)
        return false;
    BYTE *x = frame + xing;
    if (memcmp(x, "Info", 4) != 0 && memcmp(x, "Xing", 4) != 0) {
        // LAME's empty first frame: an Info header with the counts alone.
        memset(frame + 4, 0, frameLength - 4);
        memcpy(x, "Info", 4);
        PutBe32(x + 4, 3);
    }
    DWORD flags = Be32(x + 4), at = 8;
    if (flags & 1) {
        PutBe32(x + at, musicFrames);
        at += 4;
    }
    if (flags & 2) {
        PutBe32(x + at, streamBytes);
        at += 4;
    }
    at += (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    // LAME's own tag behind it: the music's length, and the tag's CRC over
    // the frame up to it.
    DWORD lame = xing + at;
    if (lame + 36 <= frameLength && memcmp(frame + lame, "LAME", 4) == 0) {
        PutBe32(frame + lame + 28, streamBytes);
        WORD crc = LameCrc(frame, lame + 34);
        frame[lame + 34] = (BYTE)(crc >> 8);
        frame[lame + 35] = (BYTE)crc;
    }
    return true;
}

bool RepairMp3File(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const DWORD window = 1 << 20;
    BYTE *buffer = (BYTE *)HeapAllocZero(window);
    LARGE_INTEGER size;
    bool repaired = false;
    DWORD got = 0;
    if (buffer && GetFileSizeEx(file, &size) && ReadFile(file, buffer, 10, &got, NULL) && got == 10 &&
        memcmp(buffer, "ID3", 3) == 0) {
        ULONGLONG first = 10 + ((DWORD)(buffer[6] & 0x7F) << 21 | (DWORD)(buffer[7] & 0x7F) << 14 |
                                (DWORD)(buffer[8] & 0x7F) << 7 | (buffer[9] & 0x7F));
        // Every whole frame from the Info frame on; the cut-off one at the end goes.
        ULONGLONG at = first, bufferAt = 0, end = (ULONGLONG)size.QuadPart;
        DWORD held = 0, frames = 0, infoLength = 0;
        BYTE info[2048];
        bool bad = false;
        while (!bad && at + 4 <= end) {
            if (at < bufferAt || at + 4 > bufferAt + held) {
                LARGE_INTEGER to;
                to.QuadPart = (LONGLONG)at;
                if (!SetFilePointerEx(file, to, NULL, FILE_BEGIN) || !ReadFile(file, buffer, window, &held, NULL))
                    break;
                bufferAt = at;
                if (held < 4)
                    break;
            }
            DWORD length = Mp3FrameLength(buffer + (at - bufferAt));
            if (length == 0 || at + length > end) {
                // Only a frame cut off at the end is dropped; a file that
                // stops being MP3 before its end keeps what follows.
                bad = length == 0;
                break;
            }
            if (frames == 0) {
                if (length > sizeof info || at + length > bufferAt + held)
                    break;
                memcpy(info, buffer + (at - bufferAt), length);
                infoLength = length;
            }
            frames++;
            at += length;
        }
        if (infoLength && PlanMp3Info(info, infoLength, frames - 1, (DWORD)(at - first))) {
            LARGE_INTEGER to;
            to.QuadPart = (LONGLONG)first;
            DWORD written = 0;
            bool wrote = SetFilePointerEx(file, to, NULL, FILE_BEGIN) &&
                         WriteFile(file, info, infoLength, &written, NULL) && written == infoLength;
            to.QuadPart = (LONGLONG)at;
            repaired = wrote && (bad || (SetFilePointerEx(file, to, NULL, FILE_BEGIN) && SetEndOfFile(file)));
        } else if (frames == 0 && !bad) {
            // Cut off before its first frame was whole: the tag alone.
            LARGE_INTEGER to;
            to.QuadPart = (LONGLONG)first;
            repaired = SetFilePointerEx(file, to, NULL, FILE_BEGIN) && SetEndOfFile(file);
        }
    }
    HeapFreeBlock(buffer);
    CloseHandle(file);
    return repaired;
}

const OutputOps Mp3Output = { OutputMp3, Mp3Create, ComposeRecordingTags, Mp3Append, Mp3KeepHeaderCurrent, Mp3Finish,
                              Mp3Abandon, RepairMp3File, Mp3EncoderAvailable, false, true };
