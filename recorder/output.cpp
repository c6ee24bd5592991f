// The rows of the output table: the WAVE file, kept whole after every write
// and continued in numbered files past what one file can describe, and the
// bare audio bytes.
#include "recorder/output.h"
#include "recorder/ownformats.h"
#include "app/appstate.h"
#include "schedule/clock.h"
#include <string.h>

// ---- WAVE ----

static DWORD PartLimit()
{
    return App.PartLimit ? App.PartLimit : (DWORD)WavePartLimit;
}

static bool WaveCreate(const char *path, const BYTE *format)
{
    return CreateWaveFile(&App.WaveFile, path, format);
}

// Every file of the recording ends with the same LIST chunk, dated with the
// programme's day, as its name is.
static void WaveDescribe(const ReserveEntry *entry)
{
    SYSTEMTIME now;
    ProgrammeStartMinute(&now);
    char date[16], comment[InfoTextBytes];
    RecordingInfoTexts texts;
    ComposeRecordingInfo(entry, &now, date, comment, &texts);
    App.RecordingInfoLength = BuildInfoChunk(&texts, App.RecordingInfo);
}

// The file's sizes and frame count made final, its LIST chunk behind the
// audio, and the RIFF size taking it in. Sizes first: a file cut off while
// its LIST is being written is whole without it. A LIST the disk no longer
// takes leaves the audio as it is; the repair drops what reached the disk
// of it.
static bool FinishPart(DWORD frames)
{
    if (!UpdateWaveHeader(&App.WaveFile, frames))
        return false;
    if (App.RecordingInfoLength && !AppendWaveInfo(&App.WaveFile, App.RecordingInfo, App.RecordingInfoLength)) {
        AbandonWaveFile(&App.WaveFile);
        return RepairWaveFile(App.PartPath);
    }
    return FinishWaveFile(&App.WaveFile, frames);
}

// A recording longer than one WAVE file can describe goes on in the next
// file, "_2", "_3", ..., in the same format: the file so far is finished
// with its own frames, and the new one begins with the audio at hand.
static bool StartNextPart()
{
    char next[SavePathBytes];
    if (!FinishPart(CurrentPartFrames()) ||
        !NumberedPartPath(App.RecordingPath, App.RecordingPart + 1, next, sizeof next))
        return false;
    App.RecordingPart++;
    memcpy(App.PartPath, next, sizeof next);
    MarkRecording(next);
    App.PartStartBytes = App.CapturedBytes - App.StagedBytes;
    return CreateWaveFile(&App.WaveFile, next, App.TargetFormat);
}

static bool WaveAppend(const void *bytes, DWORD length)
{
    // Room is kept for the LIST chunk that closes the file.
    ULONGLONG after = (ULONGLONG)WaveFileLength(&App.WaveFile) + length + 1 + App.RecordingInfoLength;
    if (after > PartLimit() && App.WaveFile.DataBytes > 0 && !StartNextPart())
        return false;
    return AppendWaveData(&App.WaveFile, bytes, length);
}

// A next file that could not be made leaves none open: nothing to keep.
static bool WaveKeepHeaderCurrent(DWORD frames)
{
    return !App.WaveFile.File || UpdateWaveHeader(&App.WaveFile, frames);
}

static bool WaveFinish(DWORD frames)
{
    return !App.WaveFile.File || FinishPart(frames);
}

static void WaveAbandon()
{
    AbandonWaveFile(&App.WaveFile);
    RepairWaveFile(App.PartPath);
}

// ---- raw ----

static bool RawCreate(const char *path, const BYTE *)
{
    App.RawFile = CreateRawFile(path);
    return App.RawFile != NULL;
}

static bool RawAppend(const void *bytes, DWORD length)
{
    return AppendRawData(App.RawFile, bytes, length);
}

// Bare audio is whole at every length: there is no header to keep or mend.
static bool RawNothingToDo(DWORD)
{
    return true;
}

static void RawClose()
{
    if (App.RawFile)
        CloseHandle(App.RawFile);
    App.RawFile = NULL;
}

static bool RawFinish(DWORD)
{
    RawClose();
    return true;
}

static bool RawRepair(const char *)
{
    return true;
}

// ---- the table ----

// In the order of OutputKind.
static_assert(OutputWave == 0 && OutputRaw == 1 && OutputMp3 == 2 && OutputFlac == 3, "the rows follow OutputKind");
static const OutputOps WaveOutput = { OutputWave, WaveCreate, WaveDescribe, WaveAppend, WaveKeepHeaderCurrent,
                                      WaveFinish, WaveAbandon, RepairWaveFile, NULL, true, true };
static const OutputOps RawOutput = { OutputRaw, RawCreate, NULL, RawAppend, RawNothingToDo, RawFinish, RawClose,
                                     RawRepair, NULL, false, false };
static const OutputOps *const Outputs[] = { &WaveOutput, &RawOutput, &Mp3Output, &FlacOutput };

OutputKind OutputKindOf(const ReserveEntry *entry)
{
    if (!entry)
        return OutputRaw;
    // The program's own formats are written by its own encoders, whatever
    // the RIFF header field says.
    switch (entry->Format && FormatBlockValid(entry->Format) ? OwnFormatOf((const WAVEFORMATEX *)entry->Format)
                                                              : OwnFormatNone) {
    case OwnFormatMp3:
        return OutputMp3;
    case OwnFormatFlac:
        return OutputFlac;
    default:
        return entry->RiffHeader == 1 ? OutputWave : OutputRaw;
    }
}

const OutputOps *OutputFor(OutputKind kind)
{
    size_t row = (size_t)kind;
    return row < sizeof Outputs / sizeof Outputs[0] ? Outputs[row] : &RawOutput;
}

// The marker names a path only. Each kind's repair leaves a file that is not
// of its kind alone, so the rows that mark their files are asked in turn.
bool RepairMarkedRecording(const char *path)
{
    for (const OutputOps *row : Outputs)
        if (row->Repairable && row->Repair(path))
            return true;
    return false;
}
