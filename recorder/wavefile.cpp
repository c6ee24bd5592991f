// The recording's file: RIFF/WAVE through the multimedia file functions, or
// the bare audio bytes.
//
// A WAVE file is kept whole at every moment: each block of audio is followed
// by the sizes and the frame count that describe it, so a file cut off by a
// crash or a power failure plays up to the last block written.
#include "recorder/recorder.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <string.h>

// The file is opened by the file system and its handle given to the
// multimedia file functions. Given the name instead, they would refuse a
// path longer than 127 bytes, which a Japanese folder and title soon make,
// and take a "+" in it for the name of an installed I/O procedure.
static HMMIO OpenOnHandle(HANDLE handle, DWORD mode)
{
    MMIOINFO info;
    memset(&info, 0, sizeof info);
    info.pIOProc = App.WaveFileProc;
    info.adwInfo[0] = (DWORD)(DWORD_PTR)handle;
    return mmioOpenA(NULL, &info, mode);
}

// The handle stays open through mmioClose: it is the opener's to close.
static bool CloseOnHandle(HMMIO file, HANDLE handle)
{
    bool closed = !file || mmioClose(file, MMIO_FHOPEN) == MMSYSERR_NOERROR;
    if (handle)
        CloseHandle(handle);
    return closed;
}

static bool WriteChunk(HMMIO file, FOURCC id, const void *bytes, LONG length)
{
    MMCKINFO chunk;
    memset(&chunk, 0, sizeof chunk);
    chunk.ckid = id;
    chunk.cksize = (DWORD)length;
    if (mmioCreateChunk(file, &chunk, 0) != MMSYSERR_NOERROR)
        return false;
    if (mmioWrite(file, (const char *)bytes, length) != length)
        return false;
    // The ascent corrects the size and adds the pad byte after an odd chunk.
    return mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR;
}

// Header fields lie in the first bytes of the file, where absolute offsets
// are safe.
static bool WriteFieldAt(HMMIO file, DWORD at, DWORD value)
{
    return mmioSeek(file, (LONG)at, SEEK_SET) == (LONG)at &&
           mmioWrite(file, (const char *)&value, sizeof value) == (LONG)sizeof value;
}

bool CreateWaveFile(WaveFileWriter *writer, const char *path, const BYTE *format)
{
    memset(writer, 0, sizeof *writer);
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    HMMIO file = OpenOnHandle(handle, MMIO_WRITE);
    if (!file) {
        CloseHandle(handle);
        return false;
    }
    static const DWORD noFramesYet = 0;
    writer->Riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    bool made = mmioCreateChunk(file, &writer->Riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
                WriteChunk(file, mmioFOURCC('f', 'm', 't', ' '), format, (LONG)FormatLength(format));
    if (made) {
        // The frame count changes with every block; the header updates come
        // back to the place this chunk's data starts.
        writer->Fact.ckid = mmioFOURCC('f', 'a', 'c', 't');
        writer->Fact.cksize = sizeof noFramesYet;
        made = mmioCreateChunk(file, &writer->Fact, 0) == MMSYSERR_NOERROR &&
               mmioWrite(file, (const char *)&noFramesYet, sizeof noFramesYet) == sizeof noFramesYet &&
               mmioAscend(file, &writer->Fact, 0) == MMSYSERR_NOERROR;
    }
    if (made) {
        writer->Data.ckid = mmioFOURCC('d', 'a', 't', 'a');
        made = mmioCreateChunk(file, &writer->Data, 0) == MMSYSERR_NOERROR;
    }
    writer->File = file;
    writer->Handle = handle;
    // Even a recording that never gets its first block is a valid, empty file.
    if (!made || !UpdateWaveHeader(writer, 0)) {
        CloseOnHandle(file, handle);
        memset(writer, 0, sizeof *writer);
        return false;
    }
    return true;
}

DWORD WaveFileLength(const WaveFileWriter *writer)
{
    return writer->Data.dwDataOffset + writer->DataBytes + (writer->DataBytes & 1) + writer->InfoBytes;
}

bool AppendWaveData(WaveFileWriter *writer, const void *bytes, DWORD length)
{
    HMMIO file = writer->File;
    // Audio behind the LIST chunk would no longer be the file's audio.
    if (!file || writer->InfoBytes)
        return false;
    if (length == 0)
        return true;
    // The pad byte closing odd audio is where the next audio goes. The file
    // always stands at its end here; positions past 2 GiB do not fit the
    // functions' signed offsets, so the step back is a relative one (and not
    // from SEEK_END, whose direction the implementations read differently).
    if (writer->PadWritten) {
        if (mmioSeek(file, -1, SEEK_CUR) == -1)
            return false;
        writer->PadWritten = FALSE;
    }
    if (mmioWrite(file, (const char *)bytes, (LONG)length) != (LONG)length)
        return false;
    writer->DataBytes += length;
    if (writer->DataBytes & 1) {
        static const char pad = 0;
        if (mmioWrite(file, &pad, 1) != 1)
            return false;
        writer->PadWritten = TRUE;
    }
    return true;
}

bool UpdateWaveHeader(WaveFileWriter *writer, DWORD sampleFrames)
{
    HMMIO file = writer->File;
    if (!file)
        return false;
    bool written = WriteFieldAt(file, writer->Riff.dwDataOffset - sizeof(DWORD), WaveFileLength(writer) - 8) &&
                   WriteFieldAt(file, writer->Data.dwDataOffset - sizeof(DWORD), writer->DataBytes) &&
                   WriteFieldAt(file, writer->Fact.dwDataOffset, sampleFrames);
    // Back to the end, where the next audio goes.
    return mmioSeek(file, 0, SEEK_END) != -1 && written;
}

bool AppendWaveInfo(WaveFileWriter *writer, const BYTE *chunk, DWORD length)
{
    HMMIO file = writer->File;
    if (!file || writer->InfoBytes || length < 12 || (length & 1))
        return false;
    // UpdateWaveHeader left the file standing at its end, behind the pad of
    // odd audio. One write: a crash leaves either no LIST or one the repair
    // recognises as cut off.
    if (mmioWrite(file, (const char *)chunk, (LONG)length) != (LONG)length)
        return false;
    writer->InfoBytes = length;
    return true;
}

bool FinishWaveFile(WaveFileWriter *writer, DWORD sampleFrames)
{
    HMMIO file = writer->File;
    if (!file)
        return true;
    // The sizes are written in place rather than by ascending out of the
    // chunks: the ascent seeks to the chunk's end by its absolute offset,
    // which past 2 GiB no longer fits the functions' signed offsets.
    bool written = UpdateWaveHeader(writer, sampleFrames);
    bool closed = CloseOnHandle(file, writer->Handle);
    memset(writer, 0, sizeof *writer);
    return written && closed;
}

void AbandonWaveFile(WaveFileWriter *writer)
{
    CloseOnHandle(writer->File, writer->Handle);
    memset(writer, 0, sizeof *writer);
}

HANDLE CreateRawFile(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    return file == INVALID_HANDLE_VALUE ? NULL : file;
}

bool AppendRawData(HANDLE file, const void *bytes, DWORD length)
{
    DWORD written = 0;
    if (!file)
        return false;
    RawWriteCall write = App.RawWrite ? App.RawWrite : WriteFile;
    return length == 0 || (write(file, bytes, length, &written, NULL) && written == length);
}

// ---- repair ----

// RIFF, the largest "fmt " a format block can make (18 + 65,535 bytes and a
// pad), "fact", and the header of "data", with room for a few other chunks.
enum { RepairHeadBytes = 12 + 8 + 65554 + 12 + 8 + 1024 };

static DWORD Le32(const BYTE *at)
{
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}

static WORD Le16(const BYTE *at)
{
    return (WORD)(at[0] | at[1] << 8);
}

// The sample frames of dataBytes of audio: exact for PCM; for a codec in
// proportion to what the header said of the audio before, or else from the
// format's byte rate.
static DWORD FramesOfData(const BYTE *format, DWORD dataBytes, DWORD oldBytes, DWORD oldFrames)
{
    WORD tag = Le16(format);
    DWORD rate = Le32(format + 4), average = Le32(format + 8);
    WORD align = Le16(format + 12);
    if (tag == WAVE_FORMAT_PCM)
        return align ? dataBytes / align : 0;
    if (dataBytes == oldBytes)
        return oldFrames;
    if (oldBytes && oldFrames)
        return (DWORD)((ULONGLONG)oldFrames * dataBytes / oldBytes);
    return average ? (DWORD)((ULONGLONG)dataBytes * rate / average) : 0;
}

// What lies where the header says the audio ends: nothing, a whole LIST
// chunk (its length), a LIST cut off (0 with *cut set), or audio the header
// does not describe yet (0).
static DWORD InfoBehindAudio(const BYTE *tail, DWORD tailLength, ULONGLONG end, ULONGLONG fileLength,
                             bool *cut)
{
    *cut = false;
    ULONGLONG left = fileLength - end;
    if (left == 0 || !tail)
        return 0;
    DWORD seen = tailLength < 12 ? tailLength : 12;
    if ((ULONGLONG)seen < (left < 12 ? left : 12))
        return 0;  // too little was read to tell
    DWORD compare = seen < 4 ? seen : 4;
    if (memcmp(tail, "LIST", compare) != 0)
        return 0;
    if (seen < 12 || memcmp(tail + 8, "INFO", 4) != 0) {
        *cut = true;
        return 0;
    }
    DWORD size = Le32(tail + 4);
    ULONGLONG whole = 8ull + size + (size & 1);
    if (whole > left) {
        *cut = true;
        return 0;
    }
    return (DWORD)whole;
}

bool PlanWaveRepair(const BYTE *head, DWORD headLength, ULONGLONG fileLength, WaveRepair *plan,
                    const BYTE *tail, DWORD tailLength)
{
    memset(plan, 0, sizeof *plan);
    if (headLength < 12 || fileLength < headLength || fileLength > 0xFFFFFFFFull)
        return false;
    if (memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WAVE", 4) != 0)
        return false;
    const BYTE *format = NULL;
    DWORD factOffset = 0, oldFrames = 0;
    DWORD at = 12;
    for (;;) {
        if ((ULONGLONG)at + 8 > headLength)
            return false;
        DWORD size = Le32(head + at + 4);
        if (memcmp(head + at, "data", 4) == 0)
            break;
        ULONGLONG next = (ULONGLONG)at + 8 + size + (size & 1);
        if (next > headLength)
            return false;
        if (memcmp(head + at, "fmt ", 4) == 0 && size >= 16)
            format = head + at + 8;
        if (memcmp(head + at, "fact", 4) == 0 && size >= 4) {
            factOffset = at + 8;
            oldFrames = Le32(head + at + 8);
        }
        at = (DWORD)next;
    }
    if (!format)
        return false;
    DWORD dataOffset = at + 8, oldBytes = Le32(head + at + 4);
    DWORD real = (DWORD)(fileLength - dataOffset);
    DWORD align = Le16(format + 12) ? Le16(format + 12) : 1;
    ULONGLONG audioEnd = (ULONGLONG)dataOffset + oldBytes + (oldBytes & 1);
    if (audioEnd <= fileLength) {
        plan->AudioEnd = (DWORD)audioEnd;
        if (!tail && audioEnd < headLength) {
            tail = head + audioEnd;
            tailLength = headLength - (DWORD)audioEnd;
        }
        bool cut;
        DWORD info = InfoBehindAudio(tail, tailLength, audioEnd, fileLength, &cut);
        if (info || cut) {
            // A finished file: its audio is what the header says.
            plan->DataOffset = dataOffset;
            plan->DataBytes = oldBytes;
            plan->InfoBytes = info;
            plan->Length = (DWORD)audioEnd + info;
            plan->RiffSize = plan->Length - 8;
            plan->FactOffset = factOffset;
            plan->Frames = FramesOfData(format, oldBytes, oldBytes, oldFrames);
            plan->PadOffset = (oldBytes & 1) ? dataOffset + oldBytes : 0;
            plan->Needed = plan->RiffSize != Le32(head + 4) || plan->Length != fileLength;
            return true;
        }
    }
    // Odd audio already closed by its pad byte is whole as it stands;
    // otherwise the audio is what the file holds, cut to whole blocks.
    DWORD held = (oldBytes & 1) && oldBytes < real && real - oldBytes == 1 ? oldBytes : real;
    DWORD bytes = held / align * align;
    DWORD padOffset = 0;
    if (bytes & 1) {
        if (real > bytes)
            padOffset = dataOffset + bytes;  // the next byte becomes the pad
        else
            bytes -= align;                  // no room for one: a block less
    }
    plan->DataOffset = dataOffset;
    plan->DataBytes = bytes;
    plan->Length = dataOffset + bytes + (padOffset ? 1 : 0);
    plan->RiffSize = plan->Length - 8;
    plan->FactOffset = factOffset;
    plan->Frames = FramesOfData(format, bytes, oldBytes, oldFrames);
    plan->PadOffset = padOffset;
    plan->Needed = plan->RiffSize != Le32(head + 4) || bytes != oldBytes ||
                   (factOffset && plan->Frames != oldFrames) || plan->Length != fileLength;
    return true;
}

// Up to size bytes of the file from an offset that may lie past 2 GiB.
static DWORD ReadFileBytes(const char *path, DWORD at, BYTE *bytes, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD got = 0;
    LONG high = 0;
    if (SetFilePointer(file, (LONG)at, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file, bytes, size, &got, NULL))
        got = 0;
    CloseHandle(file);
    return got;
}

static bool CutFile(const char *path, DWORD length)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LONG high = 0;
    bool cut = SetFilePointer(file, (LONG)length, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               SetEndOfFile(file);
    CloseHandle(file);
    return cut;
}

// The pad byte must be 0 for the file to be whole.
static bool ZeroPad(HMMIO file, DWORD at)
{
    char pad = 1;
    if (mmioSeek(file, (LONG)at, SEEK_SET) != (LONG)at || mmioRead(file, &pad, 1) != 1)
        return false;
    if (pad == 0)
        return true;
    pad = 0;
    return mmioSeek(file, (LONG)at, SEEK_SET) == (LONG)at && mmioWrite(file, &pad, 1) == 1;
}

bool RepairWaveFile(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    ULONGLONG length = (ULONGLONG)attributes.nFileSizeHigh << 32 | attributes.nFileSizeLow;
    DWORD headLength = length < RepairHeadBytes ? (DWORD)length : (DWORD)RepairHeadBytes;
    BYTE *head = (BYTE *)HeapAllocZero(headLength + 1);
    HANDLE handle = head ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, NULL)
                         : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE)
        handle = NULL;
    HMMIO file = handle ? OpenOnHandle(handle, MMIO_READWRITE) : NULL;
    WaveRepair plan;
    bool sound = file && mmioRead(file, (HPSTR)head, (LONG)headLength) == (LONG)headLength &&
                 PlanWaveRepair(head, headLength, length, &plan);
    // A long finished file has its LIST beyond the head.
    if (sound && plan.AudioEnd >= headLength && plan.AudioEnd < length) {
        BYTE tail[12];
        DWORD tailLength = ReadFileBytes(path, plan.AudioEnd, tail, sizeof tail);
        sound = PlanWaveRepair(head, headLength, length, &plan, tail, tailLength);
    }
    if (sound && plan.Needed) {
        sound = WriteFieldAt(file, 4, plan.RiffSize) && WriteFieldAt(file, plan.DataOffset - 4, plan.DataBytes) &&
                (!plan.FactOffset || WriteFieldAt(file, plan.FactOffset, plan.Frames));
    }
    if (sound && plan.PadOffset)
        sound = ZeroPad(file, plan.PadOffset);
    CloseOnHandle(file, handle);
    HeapFreeBlock(head);
    // The sizes first, then the cut: a repair broken off between the two is
    // simply done again.
    if (sound && plan.Length < length)
        sound = CutFile(path, plan.Length);
    return sound;
}
