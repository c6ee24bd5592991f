// The FLAC row of the output table: libFLAC encodes the captured PCM as it
// arrives into whole frames, behind a Vorbis comment with the programme's
// texts in UTF-8. Its STREAMINFO gets the length and the MD5 when the file
// is finished; the repair at the next start gives a file cut off by a crash
// the length of its whole frames.
#include "recorder/output.h"
#include "recorder/ownformats.h"
#include "app/appstate.h"
#include "app/heap.h"
#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>
#include <string.h>

enum { FlacPieceFrames = 16384 };

// ---- file access for libFLAC ----

static bool WriteAll(HANDLE file, const void *bytes, DWORD length)
{
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, NULL) && written == length;
}

static FLAC__StreamEncoderWriteStatus EncoderWrite(const FLAC__StreamEncoder *, const FLAC__byte buffer[],
                                                   size_t bytes, uint32_t, uint32_t, void *)
{
    FlacFileWriter *w = &App.FlacFile;
    if (w->Failed || !WriteAll(w->File, buffer, (DWORD)bytes)) {
        w->Failed = TRUE;
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

static FLAC__StreamEncoderSeekStatus EncoderSeek(const FLAC__StreamEncoder *, FLAC__uint64 offset, void *)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    if (App.FlacFile.Failed || !SetFilePointerEx(App.FlacFile.File, to, NULL, FILE_BEGIN))
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

static FLAC__StreamEncoderTellStatus EncoderTell(const FLAC__StreamEncoder *, FLAC__uint64 *offset, void *)
{
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(App.FlacFile.File, zero, &at, FILE_CURRENT))
        return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = (FLAC__uint64)at.QuadPart;
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

// ---- the Vorbis comment ----

static bool AddComment(FLAC__StreamMetadata *block, const char *name, const char *text)
{
    if (!text || !text[0])
        return true;
    WCHAR wide[InfoTextBytes];
    char utf8[InfoTextBytes * 3];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, InfoTextBytes) ||
        !WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, NULL, NULL))
        return true;
    FLAC__StreamMetadata_VorbisComment_Entry entry;
    return FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name, utf8) &&
           FLAC__metadata_object_vorbiscomment_append_comment(block, entry, false);
}

static FLAC__StreamMetadata *BuildComments(const RecordingTagTexts *texts)
{
    FLAC__StreamMetadata *block = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    if (block && !(AddComment(block, "TITLE", texts->Title) && AddComment(block, "DATE", texts->Date) &&
                   AddComment(block, "COMMENT", texts->Comment) && AddComment(block, "ENCODER", texts->Software))) {
        FLAC__metadata_object_delete(block);
        return NULL;
    }
    return block;
}

// ---- writing ----

static void CloseFlac()
{
    FlacFileWriter *w = &App.FlacFile;
    if (w->Encoder)
        FLAC__stream_encoder_delete((FLAC__StreamEncoder *)w->Encoder);
    if (w->Comments)
        FLAC__metadata_object_delete((FLAC__StreamMetadata *)w->Comments);
    if (w->File)
        CloseHandle(w->File);
    HeapFreeBlock(w->Samples);
    memset(w, 0, sizeof *w);
}

static bool FlacCreate(const char *path, const BYTE *format)
{
    const WAVEFORMATEX *wfx = (const WAVEFORMATEX *)format;
    FlacFileWriter *w = &App.FlacFile;
    memset(w, 0, sizeof *w);
    w->File = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (w->File == INVALID_HANDLE_VALUE) {
        w->File = NULL;
        return false;
    }
    FLAC__StreamEncoder *encoder = FLAC__stream_encoder_new();
    FLAC__StreamMetadata *comments = BuildComments(&App.RecordingTags);
    w->Encoder = encoder;
    w->Comments = comments;
    w->Samples = (int32_t *)HeapAllocZero(FlacPieceFrames * 2 * sizeof(int32_t));
    bool made = encoder && comments && w->Samples && FLAC__stream_encoder_set_channels(encoder, wfx->nChannels) &&
                FLAC__stream_encoder_set_bits_per_sample(encoder, wfx->wBitsPerSample) &&
                FLAC__stream_encoder_set_sample_rate(encoder, wfx->nSamplesPerSec) &&
                FLAC__stream_encoder_set_compression_level(encoder, 5) &&
                FLAC__stream_encoder_set_metadata(encoder, &comments, 1);
    if (made) {
        SetLastError(ERROR_SUCCESS);
        made = FLAC__stream_encoder_init_stream(encoder, EncoderWrite, EncoderSeek, EncoderTell, NULL, NULL) ==
               FLAC__STREAM_ENCODER_INIT_STATUS_OK;
    }
    if (!made) {
        DWORD error = GetLastError() ? GetLastError() : ERROR_NOT_ENOUGH_MEMORY;
        w->Failed = TRUE;
        CloseFlac();
        DeleteFileA(path);
        SetLastError(error);
        return false;
    }
    return true;
}

// Captured PCM (8-bit unsigned, 16 or 24-bit signed little-endian) as the
// 32-bit samples libFLAC takes.
static void WidenPcm(const BYTE *bytes, DWORD samples, WORD bits, int32_t *out)
{
    for (DWORD i = 0; i < samples; i++) {
        if (bits == 8)
            out[i] = (int32_t)bytes[i] - 128;
        else if (bits == 16)
            out[i] = (int16_t)(bytes[2 * i] | bytes[2 * i + 1] << 8);
        else
            out[i] = (int32_t)((uint32_t)bytes[3 * i] << 8 | (uint32_t)bytes[3 * i + 1] << 16 |
                               (uint32_t)bytes[3 * i + 2] << 24) >> 8;
    }
}

static bool FlacAppend(const void *bytes, DWORD length)
{
    FlacFileWriter *w = &App.FlacFile;
    WORD channels = App.CaptureFormat.nChannels, bits = App.CaptureFormat.wBitsPerSample;
    DWORD frames = length / App.CaptureBlockAlign;
    const BYTE *at = (const BYTE *)bytes;
    while (frames > 0) {
        DWORD n = frames < (DWORD)FlacPieceFrames ? frames : (DWORD)FlacPieceFrames;
        WidenPcm(at, n * channels, bits, w->Samples);
        if (!FLAC__stream_encoder_process_interleaved((FLAC__StreamEncoder *)w->Encoder, w->Samples, n) || w->Failed) {
            w->Failed = TRUE;
            return false;
        }
        at += n * App.CaptureBlockAlign;
        frames -= n;
    }
    return true;
}

// Whole frames are in the file as soon as they are encoded; STREAMINFO's
// length is "unknown" until the finish.
static bool FlacKeepHeaderCurrent(DWORD)
{
    return !App.FlacFile.Failed;
}

static bool FlacFinish(DWORD)
{
    FlacFileWriter *w = &App.FlacFile;
    if (!w->File)
        return true;
    bool done = FLAC__stream_encoder_finish((FLAC__StreamEncoder *)w->Encoder) && !w->Failed;
    CloseFlac();
    return done;
}

static void FlacAbandon()
{
    // Nothing more reaches the file, not even what finishing would write.
    App.FlacFile.Failed = TRUE;
    CloseFlac();
    RepairFlacFile(App.PartPath);
}

// ---- repair ----

struct FlacScan {
    HANDLE File;
    ULONGLONG Samples;    // of the whole frames
    ULONGLONG WholeEnd;   // where the last whole frame ends
    bool Broken;          // a frame did not decode: nothing after it counts
};

static FLAC__StreamDecoderReadStatus ScanRead(const FLAC__StreamDecoder *, FLAC__byte buffer[], size_t *bytes, void *data)
{
    DWORD got = 0;
    if (!ReadFile(((FlacScan *)data)->File, buffer, (DWORD)*bytes, &got, NULL))
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    *bytes = got;
    return got ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

static FLAC__StreamDecoderTellStatus ScanTell(const FLAC__StreamDecoder *, FLAC__uint64 *offset, void *data)
{
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(((FlacScan *)data)->File, zero, &at, FILE_CURRENT))
        return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
    *offset = (FLAC__uint64)at.QuadPart;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

static FLAC__StreamDecoderWriteStatus ScanFrame(const FLAC__StreamDecoder *decoder, const FLAC__Frame *frame,
                                                const FLAC__int32 *const[], void *data)
{
    FlacScan *scan = (FlacScan *)data;
    FLAC__uint64 end = 0;
    if (scan->Broken || !FLAC__stream_decoder_get_decode_position(decoder, &end))
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    scan->Samples += frame->header.blocksize;
    scan->WholeEnd = end;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

static void ScanMetadata(const FLAC__StreamDecoder *decoder, const FLAC__StreamMetadata *, void *data)
{
    FLAC__uint64 end = 0;
    if (FLAC__stream_decoder_get_decode_position(decoder, &end))
        ((FlacScan *)data)->WholeEnd = end;
}

static void ScanError(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus, void *data)
{
    ((FlacScan *)data)->Broken = true;
}

// STREAMINFO behind "fLaC" and its block header: the 36-bit sample count
// from the 14th byte's low half on, the MD5 in its last 16 bytes.
static void PutFlacLength(BYTE streamInfo[34], ULONGLONG samples)
{
    streamInfo[13] = (BYTE)((streamInfo[13] & 0xF0) | (samples >> 32 & 0x0F));
    streamInfo[14] = (BYTE)(samples >> 24);
    streamInfo[15] = (BYTE)(samples >> 16);
    streamInfo[16] = (BYTE)(samples >> 8);
    streamInfo[17] = (BYTE)samples;
    memset(streamInfo + 18, 0, 16);  // unknown: it covered audio no longer there
}

bool RepairFlacFile(const char *path)
{
    FlacScan scan;
    memset(&scan, 0, sizeof scan);
    scan.File = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
    if (scan.File == INVALID_HANDLE_VALUE)
        return false;
    BYTE head[42];
    DWORD got = 0;
    bool repaired = false;
    if (ReadFile(scan.File, head, sizeof head, &got, NULL) && got == sizeof head && memcmp(head, "fLaC", 4) == 0 &&
        (head[4] & 0x7F) == 0) {
        LARGE_INTEGER zero, size;
        zero.QuadPart = 0;
        SetFilePointerEx(scan.File, zero, NULL, FILE_BEGIN);
        FLAC__StreamDecoder *decoder = FLAC__stream_decoder_new();
        if (decoder && FLAC__stream_decoder_set_md5_checking(decoder, false) &&
            FLAC__stream_decoder_init_stream(decoder, ScanRead, NULL, ScanTell, NULL, NULL, ScanFrame, ScanMetadata,
                                             ScanError, &scan) == FLAC__STREAM_DECODER_INIT_STATUS_OK) {
            FLAC__stream_decoder_process_until_end_of_stream(decoder);
            FLAC__stream_decoder_finish(decoder);
            PutFlacLength(head + 8, scan.Samples);
            LARGE_INTEGER end;
            end.QuadPart = (LONGLONG)scan.WholeEnd;
            DWORD written = 0;
            // The cut-off frame at the end goes; a file that stops being
            // FLAC before its end keeps what follows.
            repaired = scan.WholeEnd >= sizeof head && GetFileSizeEx(scan.File, &size) &&
                       SetFilePointerEx(scan.File, zero, NULL, FILE_BEGIN) &&
                       WriteFile(scan.File, head, sizeof head, &written, NULL) && written == sizeof head &&
                       (scan.Broken && size.QuadPart - end.QuadPart > 65536 ? true
                        : SetFilePointerEx(scan.File, end, NULL, FILE_BEGIN) && SetEndOfFile(scan.File));
        }
        if (decoder)
            FLAC__stream_decoder_delete(decoder);
    }
    CloseHandle(scan.File);
    return repaired;
}

const OutputOps FlacOutput = { OutputFlac, FlacCreate, ComposeRecordingTags, FlacAppend, FlacKeepHeaderCurrent,
                               FlacFinish, FlacAbandon, RepairFlacFile, NULL, false, true };
