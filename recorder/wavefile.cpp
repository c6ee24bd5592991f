// The recording's file: RIFF/WAVE through the multimedia file functions, or
// the bare audio bytes.
#include "recorder/recorder.h"
#include <string.h>

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

bool CreateWaveFile(WaveFileWriter *writer, const char *path, const BYTE *format)
{
    memset(writer, 0, sizeof *writer);
    HMMIO file = mmioOpenA((LPSTR)path, NULL, MMIO_CREATE | MMIO_WRITE);
    if (!file)
        return false;
    static const DWORD noFramesYet = 0;
    writer->Riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    bool made = mmioCreateChunk(file, &writer->Riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
                WriteChunk(file, mmioFOURCC('f', 'm', 't', ' '), format, (LONG)FormatLength(format));
    if (made) {
        // The frame count is known only at the end; FinishWaveFile comes back
        // to the place this chunk's data starts.
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
    if (!made) {
        mmioClose(file, 0);
        memset(writer, 0, sizeof *writer);
        return false;
    }
    writer->File = file;
    return true;
}

void AppendWaveData(WaveFileWriter *writer, const void *bytes, DWORD length)
{
    if (writer->File && length)
        mmioWrite(writer->File, (const char *)bytes, (LONG)length);
}

bool FinishWaveFile(WaveFileWriter *writer, DWORD sampleFrames)
{
    HMMIO file = writer->File;
    if (!file)
        return true;
    mmioAscend(file, &writer->Data, 0);
    mmioAscend(file, &writer->Riff, 0);
    mmioSeek(file, (LONG)writer->Fact.dwDataOffset, SEEK_SET);
    mmioWrite(file, (const char *)&sampleFrames, sizeof sampleFrames);
    mmioClose(file, 0);
    memset(writer, 0, sizeof *writer);
    return true;
}

HANDLE CreateRawFile(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    return file == INVALID_HANDLE_VALUE ? NULL : file;
}

void AppendRawData(HANDLE file, const void *bytes, DWORD length)
{
    DWORD written;
    if (file && length)
        WriteFile(file, bytes, length, &written, NULL);
}
