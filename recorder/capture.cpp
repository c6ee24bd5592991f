// Capture from the default recording device: ten half-second buffers feed a
// staging area that is written (converted first for a compressed format)
// whenever the next buffer would not fit.
#include "app/appstate.h"
#include "schedule/clock.h"
#include "app/heap.h"
#include "recorder/silence.h"
#include "recorder/output.h"
#include "recorder/ownformats.h"
#include <string.h>

void DeriveCaptureFormat(const WAVEFORMATEX *target, WAVEFORMATEX *capture)
{
    memset(capture, 0, sizeof *capture);
    capture->wFormatTag = WAVE_FORMAT_PCM;
    capture->nChannels = target->nChannels;
    capture->nSamplesPerSec = target->nSamplesPerSec;
    // The codecs encode from 16-bit PCM only; FLAC keeps PCM's bits.
    bool pcmBits = target->wFormatTag == WAVE_FORMAT_PCM || OwnFormatOf(target) == OwnFormatFlac;
    capture->wBitsPerSample = pcmBits ? target->wBitsPerSample : 16;
    capture->nBlockAlign = (WORD)(capture->wBitsPerSample * capture->nChannels / 8);
    capture->nAvgBytesPerSec = capture->nBlockAlign * capture->nSamplesPerSec;
    capture->cbSize = 0;
}

DWORD CaptureBufferSize(const WAVEFORMATEX *capture)
{
    DWORD align = capture->nBlockAlign;
    if (align == 0)
        return 0;
    DWORD half = capture->nAvgBytesPerSec / 2;
    return (half + align - 1) / align * align;
}

// ---- output ----

// Audio the codec gave up counts as taken.
DWORD CurrentPartFrames()
{
    return (DWORD)((App.CapturedBytes - App.StagedBytes - App.PartStartBytes) / App.CaptureBlockAlign);
}

void MarkRecording(const char *path)
{
    // A reservation's recording is marked with its programme, so that the
    // start after a crash logs the cut file under its own name and times.
    RecordingOccurrenceTexts occurrence;
    DescribeActiveOccurrence(&occurrence);
    App.RecoveryMarked = SaveRecordingMarker(App.ProgramFolder, path, App.ActiveReservation ? &occurrence : NULL);
}

// After the first failed write nothing more is written: the file is made
// consistent with what reached the disk when the recording stops.
static void WriteOutput(const void *bytes, DWORD length)
{
    if (App.WriteFailed || length == 0)
        return;
    if (!App.Output->Append(bytes, length))
        App.WriteFailed = TRUE;
}

// After every write the header describes the file as it stands, so that a
// crash loses at most the audio still staged.
static void KeepHeaderCurrent()
{
    if (App.WriteFailed)
        return;
    if (!App.Output->KeepHeaderCurrent(CurrentPartFrames()))
        App.WriteFailed = TRUE;
}

// The file the recording goes to, chosen once at its start.
static bool ChooseOutput(const ReserveEntry *entry)
{
    char path[SavePathBytes];
    char expanded[SavePathBytes];
    DWORD number = 0;
    const char *ext = App.OutputKind == OutputMp3 ? ".mp3" : App.OutputKind == OutputFlac ? ".flac" : NULL;
    if (!ExpandSavePath(entry->SavePath, expanded, sizeof expanded, entry) ||
        (ext && !ApplyFormatExtension(expanded, sizeof expanded, ext)) || !EnsureFolder(expanded) ||
        !NextRecordingPath(expanded, &number, path, sizeof path))
        return false;
    memcpy(App.RecordingBasePath, expanded, sizeof expanded);
    App.RecordingNumber = number;
    memcpy(App.RecordingPath, path, sizeof path);
    memcpy(App.PartPath, path, sizeof path);
    return true;
}

// The chosen name was free when looked at but a file stands there now (or
// the look was wrong): the recording goes on to the next number, and the
// settings file names the new one should the recording be cut off.
static bool TakeNextNumber()
{
    char path[SavePathBytes];
    if (!NextRecordingPath(App.RecordingBasePath, &App.RecordingNumber, path, sizeof path))
        return false;
    memcpy(App.RecordingPath, path, sizeof path);
    memcpy(App.PartPath, path, sizeof path);
    if (App.RecoveryMarked)
        MarkRecording(path);
    return true;
}

static bool OpenOutput(const ReserveEntry *entry)
{
    App.RecordingPart = 1;
    App.PartStartBytes = 0;
    if (App.Output->Describe)
        App.Output->Describe(entry);
    while (!App.Output->Create(App.RecordingPath, entry->Format)) {
        DWORD error = GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || !TakeNextNumber()) {
            SetLastError(error);
            return false;
        }
    }
    return true;
}

static void CloseOutput()
{
    if (!App.WriteFailed && !App.Output->Finish((DWORD)((App.CapturedBytes - App.PartStartBytes) / App.CaptureBlockAlign)))
        App.WriteFailed = TRUE;
    if (App.WriteFailed)
        App.Output->Abandon();
    if (App.RecoveryMarked)
        ClearRecordingMarker(App.ProgramFolder);
    App.RecoveryMarked = FALSE;
}

// ---- conversion ----

static bool OpenConversion(const BYTE *target)
{
    if (!App.ConvertActive)
        return true;
    if (acmStreamOpen(&App.ConvertStream, NULL, &App.CaptureFormat, (LPWAVEFORMATEX)target, NULL, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
        App.ConvertStream = NULL;
        return false;
    }
    // How much capture one block of codec output takes: what the last,
    // partial block of a recording is filled up to with silence.
    DWORD blockSource = 0;
    WORD targetBlock = ((const WAVEFORMATEX *)target)->nBlockAlign;
    if (targetBlock &&
        acmStreamSize(App.ConvertStream, targetBlock, &blockSource, ACM_STREAMSIZEF_DESTINATION) == 0)
        App.CodecBlockBytes = blockSource;
    return true;
}

static void CloseConversion()
{
    if (App.ConvertStream)
        acmStreamClose(App.ConvertStream, 0);
    App.ConvertStream = NULL;
    App.CodecBlockBytes = 0;
}

BYTE *ConvertChunk(BYTE *source, DWORD length, DWORD flags, DWORD *converted, DWORD *consumed)
{
    *converted = 0;
    *consumed = 0;
    DWORD largest = 0;
    if (acmStreamSize(App.ConvertStream, length, &largest, ACM_STREAMSIZEF_SOURCE) != 0 || largest == 0)
        return NULL;
    BYTE *block = (BYTE *)HeapAllocZero(largest);
    if (!block)
        return NULL;
    ACMSTREAMHEADER header;
    memset(&header, 0, sizeof header);
    header.cbStruct = sizeof header;
    header.pbSrc = source;
    header.cbSrcLength = length;
    header.pbDst = block;
    header.cbDstLength = largest;
    if (acmStreamPrepareHeader(App.ConvertStream, &header, 0) != MMSYSERR_NOERROR) {
        HeapFreeBlock(block);
        return NULL;
    }
    StreamConvertCall convert = App.ConvertCall ? App.ConvertCall : acmStreamConvert;
    MMRESULT result = convert(App.ConvertStream, &header, flags);
    acmStreamUnprepareHeader(App.ConvertStream, &header, 0);
    if (result != MMSYSERR_NOERROR) {
        HeapFreeBlock(block);
        return NULL;
    }
    *converted = header.cbDstLengthUsed;
    *consumed = header.cbSrcLengthUsed < length ? header.cbSrcLengthUsed : length;
    return block;
}

// ---- staging ----

// Bytes the staging area holds: the write threshold, and for a conversion
// room for the codec's unconsumed remainder in front of the next buffer.
static DWORD StagingCapacity()
{
    return App.StagingLimit + (App.ConvertActive ? App.CaptureBufferBytes : 0);
}

static bool AllocateStaging()
{
    // A buffer larger than the usual 256 KiB (a format of more than 524,288
    // bytes a second) makes the staging area one buffer large.
    App.StagingLimit = App.CaptureBufferBytes > (DWORD)StagingSize ? App.CaptureBufferBytes : (DWORD)StagingSize;
    App.StagingBuffer = (BYTE *)HeapAllocZero(StagingCapacity());
    App.StagedBytes = 0;
    return App.StagingBuffer != NULL;
}

// Converts and writes the first length staged bytes; returns how many of them
// the codec took (all of them when it refuses the chunk: they cannot be kept).
// The first conversion of a recording starts the codec afresh.
static DWORD ConvertAndWrite(DWORD length, DWORD flags)
{
    if (!App.ConvertStarted)
        flags |= ACM_STREAMCONVERTF_START;
    App.ConvertStarted = TRUE;
    DWORD converted, consumed;
    BYTE *output = ConvertChunk(App.StagingBuffer, length, flags, &converted, &consumed);
    if (!output)
        return length;
    WriteOutput(output, converted);
    HeapFreeBlock(output);
    return consumed;
}

// Every conversion but the last asks the codec for whole blocks only: it
// would otherwise finish the partial block at the end of each chunk, a short
// or padded block in the middle of the file at every write, from where the
// file no longer decodes. What it leaves opens the next chunk, so that no
// audio falls out between two chunks.
static void ConvertStaged()
{
    if (App.StagedBytes == 0)
        return;
    DWORD left = App.StagedBytes - ConvertAndWrite(App.StagedBytes, ACM_STREAMCONVERTF_BLOCKALIGN);
    if (left > App.CaptureBufferBytes)
        left = 0;
    memmove(App.StagingBuffer, App.StagingBuffer + App.StagedBytes - left, left);
    App.StagedBytes = left;
}

// The last conversion ends the stream. The recording's last partial block is
// completed with silence first, so that every codec gives a whole block; the
// "fact" frame count tells a player where the recording really ends.
static void ConvertLast()
{
    DWORD length = App.StagedBytes, block = App.CodecBlockBytes;
    if (block && length % block) {
        DWORD whole = (length / block + 1) * block;
        if (whole <= StagingCapacity()) {
            memset(App.StagingBuffer + length, 0, whole - length);
            length = whole;
        }
    }
    if (length > 0)
        ConvertAndWrite(length, ACM_STREAMCONVERTF_END);
    App.StagedBytes = 0;
}

static void FlushStaging(bool last)
{
    if (!App.ConvertActive) {
        WriteOutput(App.StagingBuffer, App.StagedBytes);
        App.StagedBytes = 0;
    } else if (last) {
        ConvertLast();
    } else {
        ConvertStaged();
    }
    if (!last)
        KeepHeaderCurrent();
}

void StageCapture(const BYTE *bytes, DWORD length)
{
    if (!App.StagingBuffer || App.CaptureBufferBytes == 0)
        return;
    NoteCapturedLevel(bytes, length);
    while (length > 0) {
        DWORD piece = length < App.CaptureBufferBytes ? length : App.CaptureBufferBytes;
        if (App.StagedBytes + piece > App.StagingLimit)
            FlushStaging(false);
        memcpy(App.StagingBuffer + App.StagedBytes, bytes, piece);
        App.StagedBytes += piece;
        App.CapturedBytes += piece;
        bytes += piece;
        length -= piece;
    }
}

// ---- capture device ----

static bool HandOver(WAVEHDR *header)
{
    App.CaptureHandOver[header->dwUser] = ++App.CaptureSerial;
    return waveInAddBuffer(App.CaptureDevice, header, sizeof *header) == MMSYSERR_NOERROR;
}

static bool QueueCaptureBuffers()
{
    for (DWORD i = 0; i < CaptureBufferCount; i++) {
        WAVEHDR *header = &App.CaptureBuffers[i];
        memset(header, 0, sizeof *header);
        header->lpData = (LPSTR)HeapAllocZero(App.CaptureBufferBytes);
        if (!header->lpData)
            return false;
        header->dwBufferLength = App.CaptureBufferBytes;
        header->dwUser = i;
        if (waveInPrepareHeader(App.CaptureDevice, header, sizeof *header) != MMSYSERR_NOERROR)
            return false;
        if (!HandOver(header))
            return false;
    }
    return true;
}

// Buffers the device has filled but whose notice has not been handled yet,
// and the one it was filling when reset, in the order they were recorded.
static void StageReturnedBuffers()
{
    bool taken[CaptureBufferCount] = {};
    for (;;) {
        int next = -1;
        for (int i = 0; i < CaptureBufferCount; i++) {
            const WAVEHDR *header = &App.CaptureBuffers[i];
            if (taken[i] || !(header->dwFlags & WHDR_DONE) || header->dwBytesRecorded == 0)
                continue;
            if (next < 0 || App.CaptureHandOver[i] < App.CaptureHandOver[next])
                next = i;
        }
        if (next < 0)
            return;
        taken[next] = true;
        const WAVEHDR *header = &App.CaptureBuffers[next];
        DWORD length = header->dwBytesRecorded;
        StageCapture((const BYTE *)header->lpData, length < header->dwBufferLength ? length : header->dwBufferLength);
    }
}

static MMRESULT OpenCaptureDevice()
{
    WaveInOpenCall open = App.WaveInOpen ? App.WaveInOpen : waveInOpen;
    MMRESULT opened = open(&App.CaptureDevice, WAVE_MAPPER, &App.CaptureFormat, (DWORD_PTR)App.CaptureWindow, 0,
                           CALLBACK_WINDOW);
    if (opened != MMSYSERR_NOERROR)
        App.CaptureDevice = NULL;
    return opened;
}

static void CloseCaptureDevice()
{
    HWAVEIN device = App.CaptureDevice;
    if (device)
        waveInReset(device);
    for (int i = 0; i < CaptureBufferCount; i++) {
        WAVEHDR *header = &App.CaptureBuffers[i];
        if (device && (header->dwFlags & WHDR_PREPARED))
            waveInUnprepareHeader(device, header, sizeof *header);
        HeapFreeBlock(header->lpData);
        memset(header, 0, sizeof *header);
    }
    if (device)
        waveInClose(device);
    App.CaptureDevice = NULL;
}

static void ReleaseRecorder()
{
    CloseCaptureDevice();
    HeapFreeBlock(App.StagingBuffer);
    App.StagingBuffer = NULL;
    App.StagedBytes = 0;
    CloseOutput();
    CloseConversion();
    HeapFreeBlock(App.TargetFormat);
    App.TargetFormat = NULL;
}

// The format block of the recording's later files.
static bool KeepTargetFormat(const BYTE *format)
{
    size_t length = FormatLength(format);
    App.TargetFormat = (BYTE *)HeapAllocZero(length);
    if (App.TargetFormat)
        memcpy(App.TargetFormat, format, length);
    return App.TargetFormat != NULL;
}

// ---- start and stop ----

static bool StartFailed(RecordingStartFailure failure, DWORD error)
{
    App.StartFailure = failure;
    App.StartError = error;
    return false;
}

// The steps after the device is open, each telling what failed.
static bool PrepareRecorder(const ReserveEntry *entry)
{
    if (!QueueCaptureBuffers())
        return StartFailed(StartFailedDevice, MMSYSERR_NOMEM);
    if (!AllocateStaging() || !KeepTargetFormat(entry->Format))
        return StartFailed(StartFailedMemory, ERROR_NOT_ENOUGH_MEMORY);
    if (!OpenConversion(entry->Format))
        return StartFailed(StartFailedCodec, ACMERR_NOTPOSSIBLE);
    SetLastError(ERROR_SUCCESS);
    if (!OpenOutput(entry))
        return StartFailed(StartFailedFile, GetLastError());
    MMRESULT started = waveInStart(App.CaptureDevice);
    if (started != MMSYSERR_NOERROR)
        return StartFailed(StartFailedDevice, started);
    return true;
}

bool StartRecording(HWND window, const ReserveEntry *entry)
{
    App.StartFailure = StartFailedNone;
    App.StartError = 0;
    if (App.RecordingActive)
        return false;
    if (!entry || !FormatBlockValid(entry->Format))
        return StartFailed(StartFailedCodec, ACMERR_NOTPOSSIBLE);
    const WAVEFORMATEX *target = (const WAVEFORMATEX *)entry->Format;
    App.OutputKind = OutputKindOf(entry);
    App.Output = OutputFor(App.OutputKind);
    // The program's own encoders take the PCM as it is captured.
    App.ConvertActive = target->wFormatTag != WAVE_FORMAT_PCM && OwnFormatOf(target) == OwnFormatNone;
    if (App.Output->Available && !App.Output->Available())
        return StartFailed(StartFailedCodec, ERROR_MOD_NOT_FOUND);
    DeriveCaptureFormat(target, &App.CaptureFormat);
    App.CaptureBlockAlign = App.CaptureFormat.nBlockAlign;
    App.CaptureBufferBytes = CaptureBufferSize(&App.CaptureFormat);
    if (App.CaptureBufferBytes == 0)
        return StartFailed(StartFailedCodec, ACMERR_NOTPOSSIBLE);
    SetLastError(ERROR_SUCCESS);
    if (!ChooseOutput(entry))
        return StartFailed(StartFailedFile, GetLastError());
    // Named in the settings file before the device opens: saving that file
    // whole (flushed to the disk) takes a moment, which must not fall inside
    // the recording.
    if (App.Output->Repairable)
        MarkRecording(App.RecordingPath);
    App.CaptureWindow = window;
    MMRESULT opened = OpenCaptureDevice();
    if (opened != MMSYSERR_NOERROR) {
        if (App.RecoveryMarked)
            ClearRecordingMarker(App.ProgramFolder);
        App.RecoveryMarked = FALSE;
        return StartFailed(StartFailedDevice, opened);
    }
    App.CaptureSerial = 0;
    App.CapturedBytes = 0;
    App.CaptureLoud = FALSE;
    App.RecordingInfoLength = 0;
    App.WriteFailed = FALSE;
    App.ConvertStarted = FALSE;
    App.CaptureLost = FALSE;
    App.CaptureHeardAt = GetTickCount();
    App.CaptureGapMs = 0;
    App.CaptureGaps = 0;
    if (!PrepareRecorder(entry)) {
        ReleaseRecorder();
        return false;
    }
    App.RecordingActive = TRUE;
    return true;
}

void OnCaptureBuffer(HWAVEIN device, WAVEHDR *header)
{
    // Notices still queued from an earlier recording, or for a buffer that is
    // already back with the device, carry nothing new.
    if (!App.RecordingActive || device != App.CaptureDevice)
        return;
    uintptr_t first = (uintptr_t)&App.CaptureBuffers[0];
    uintptr_t at = (uintptr_t)header;
    if (at < first || at >= first + sizeof App.CaptureBuffers || (at - first) % sizeof(WAVEHDR) != 0)
        return;
    if (!(header->dwFlags & WHDR_DONE))
        return;
    DWORD length = header->dwBytesRecorded;
    StageCapture((const BYTE *)header->lpData, length < header->dwBufferLength ? length : header->dwBufferLength);
    App.CaptureHeardAt = GetTickCount();
    // Staged: a reset while the device is given up must not stage it again.
    header->dwBytesRecorded = 0;
    if (!HandOver(header))
        LoseCaptureDevice();
}

// ---- a recording device that goes away ----

// A device that has given nothing back for this long is taken as gone (its
// buffers are half a second each, ten of them queued).
enum : DWORD { CaptureSilentLimitMs = 5000 };
// Ticks between two tries to open it again.
enum { CaptureReopenTicks = 20 };

void LoseCaptureDevice()
{
    if (!App.RecordingActive || App.CaptureLost)
        return;
    // What the device still holds is the audio before the gap.
    if (App.CaptureDevice)
        waveInReset(App.CaptureDevice);
    StageReturnedBuffers();
    CloseCaptureDevice();
    App.CaptureLost = TRUE;
    App.CaptureLostAt = App.CaptureHeardAt;
    App.CaptureRetryTicks = CaptureReopenTicks;
}

// The device back (Windows gives a replugged one a new handle, so it is
// opened afresh, as the default device): the rest goes into the same file.
static bool ReopenCaptureDevice()
{
    if (OpenCaptureDevice() != MMSYSERR_NOERROR)
        return false;
    if (!QueueCaptureBuffers() || waveInStart(App.CaptureDevice) != MMSYSERR_NOERROR) {
        CloseCaptureDevice();
        return false;
    }
    DWORD now = GetTickCount();
    App.CaptureGapMs += now - App.CaptureLostAt;
    App.CaptureGaps++;
    App.CaptureHeardAt = now;
    App.CaptureLost = FALSE;
    return true;
}

// Buffers filled but not yet handed in count as heard: the window may only
// have been busy.
static bool CaptureBufferWaiting()
{
    for (const WAVEHDR &header : App.CaptureBuffers)
        if ((header.dwFlags & WHDR_DONE) && header.dwBytesRecorded > 0)
            return true;
    return false;
}

void WatchCaptureDevice()
{
    if (!App.RecordingActive)
        return;
    if (!App.CaptureLost) {
        if (CaptureBufferWaiting())
            App.CaptureHeardAt = GetTickCount();
        else if (GetTickCount() - App.CaptureHeardAt >= CaptureSilentLimitMs)
            LoseCaptureDevice();
        return;
    }
    if (--App.CaptureRetryTicks > 0)
        return;
    App.CaptureRetryTicks = CaptureReopenTicks;
    ReopenCaptureDevice();
}

static ULONGLONG SizeOnDisk(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes))
        return 0;
    return (ULONGLONG)attributes.nFileSizeHigh << 32 | attributes.nFileSizeLow;
}

// Whether the disk the failed file lies on has no room left for even the
// next two seconds of capture.
static bool DiskFull()
{
    ULONGLONG available = 0;
    return FreeSpaceFor(App.PartPath, &available) && available < (ULONGLONG)App.CaptureBufferBytes * 4;
}

// Read once everything is written, while the recorder still holds the state
// it went by: a failed write's disk is asked before the file is repaired and
// closed.
static void Summarise(RecordingSummary *summary)
{
    summary->Kind = App.OutputKind;
    memcpy(summary->Path, App.RecordingPath, sizeof summary->Path);
    summary->Parts = App.Output->Numbered && App.RecordingPart > 1 ? App.RecordingPart : 1;
    summary->CapturedBytes = App.CapturedBytes;
    DWORD rate = App.CaptureFormat.nAvgBytesPerSec;
    summary->Seconds = rate ? App.CapturedBytes / rate : 0;
    summary->Silent = !App.CaptureLoud;
    summary->Reason = RecordingStopAsked;
    ULONGLONG gapMs = App.CaptureGapMs + (App.CaptureLost ? GetTickCount() - App.CaptureLostAt : 0);
    summary->Gaps = App.CaptureGaps + (App.CaptureLost ? 1 : 0);
    summary->GapSeconds = (gapMs + 500) / 1000;
    if (App.WriteFailed)
        summary->Reason = DiskFull() ? RecordingStopDiskFull : RecordingStopWriteFailed;
}

// Once the files are closed: their sizes, and a failure of the finish
// itself (the last header or the information chunk).
static void SummariseFiles(RecordingSummary *summary)
{
    if (App.WriteFailed && summary->Reason == RecordingStopAsked)
        summary->Reason = DiskFull() ? RecordingStopDiskFull : RecordingStopWriteFailed;
    summary->FileBytes = SizeOnDisk(summary->Path);
    for (DWORD part = 2; part <= summary->Parts; part++) {
        char path[SavePathBytes];
        if (NumberedPartPath(summary->Path, part, path, sizeof path))
            summary->FileBytes += SizeOnDisk(path);
    }
}

void StopRecording(RecordingSummary *summary)
{
    if (summary)
        memset(summary, 0, sizeof *summary);
    if (!App.RecordingActive)
        return;
    // Notices the device still sends from here on find the recording over.
    App.RecordingActive = FALSE;
    // The reset hands back every buffer with what it holds; those not yet
    // written are the recording's last seconds.
    if (App.CaptureDevice)
        waveInReset(App.CaptureDevice);
    StageReturnedBuffers();
    CloseCaptureDevice();
    FlushStaging(true);
    if (summary)
        Summarise(summary);
    ReleaseRecorder();
    if (summary)
        SummariseFiles(summary);
}
