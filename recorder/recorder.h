// The Recorder: naming the output file, capturing the recording device,
// converting through the Audio Compression Manager or encoding MP3 and FLAC
// itself, and writing the file, each kind through its row of
// recorder/output.h. Nothing here
// touches a window: what became of a recording is handed back by
// StopRecording as a RecordingSummary, and the schedule announces it.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <stdint.h>
#include "schedule/reserve.h"

enum {
    SavePathBytes = 260,
    CaptureBufferCount = 10,
    StagingSize = 262144,
};

// ---- output naming and folders ----

// The start minute of the programme being recorded (the active occurrence's),
// or the local time now when no reservation is active.
void ProgrammeStartMinute(SYSTEMTIME *minute);
// Expands the reservation's path pattern (%Y %M %D %H %m %W %T %%) with the
// programme's start minute. False when the result and its terminating zero do
// not fit in size bytes.
bool ExpandSavePath(const char *pattern, char *out, size_t size, const ReserveEntry *entry);
// The same with a given clock reading.
bool ExpandSavePathAt(const char *pattern, char *out, size_t size, const char *title,
                      const SYSTEMTIME *now);
// Splits at the last backslash (a whole-character scan): the folder part keeps
// its backslash, the name part is the rest. Either out buffer may be none; each
// holds SavePathBytes bytes and receives at most that much, cut at a whole
// character. Returns the offset of the name part in path.
size_t SplitPath(const char *path, char *folder, char *name);
// The name of a recording's next file: the first file's name with "_2",
// "_3", ... before its extension. False when it does not fit in size bytes.
bool NumberedPartPath(const char *first, DWORD part, char *out, size_t size);
// The path with " (number)" before its extension (at its end when it has
// none). False when it does not fit in size bytes; out may be path itself.
bool CopyNumberedPath(const char *path, DWORD number, char *out, size_t size);
// The path a new recording takes: path itself when neither it nor its first
// continuation file exists, else the first free numbered path from " (2)".
// False when none is free or fits, or when path is a folder.
bool FreeRecordingPath(const char *path, char *out, size_t size);
// The free path after the one numbered *number (1: path itself, 0: none yet),
// *number then the one taken: what a recording goes on to when the file
// turned out to be there after all.
bool NextRecordingPath(const char *path, DWORD *number, char *out, size_t size);
// Makes sure the folder of path exists, creating its last level only. No
// folder part: true without touching the disk.
bool EnsureFolder(const char *path);

// ---- WAVE file writer and the raw form ----

// The largest file a recording writes: its RIFF size stays within 32 bits,
// the file fits a FAT32 disk, and the multimedia file functions can still
// tell its end from an error.
enum : DWORD { WavePartLimit = 0xFFFFFFFEu };

struct WaveFileWriter {
    HMMIO File;
    HANDLE Handle;   // the file under File, closed with it
    MMCKINFO Riff;
    MMCKINFO Fact;   // remembers where the frame count goes
    MMCKINFO Data;   // open while audio is appended
    DWORD DataBytes; // audio bytes in "data" so far
    BOOL PadWritten; // the zero byte after an odd "data" is in the file
    DWORD InfoBytes; // the LIST chunk behind the audio, once it is written
};

// Creates the file with its "fmt " (the whole format block, 18 + cbSize
// bytes), a "fact" of 0 and an open "data" chunk, the sizes already those
// of an empty recording. Never over a file that is there: false then, with
// ERROR_FILE_EXISTS.
bool CreateWaveFile(WaveFileWriter *writer, const char *path, const BYTE *format);
// Appends to "data", with the pad byte after an odd length. False when the
// file did not take all of it.
bool AppendWaveData(WaveFileWriter *writer, const void *bytes, DWORD length);
// Rewrites the RIFF and "data" sizes and the "fact" frame count in place,
// so that the file as it stands is a whole WAVE file.
bool UpdateWaveHeader(WaveFileWriter *writer, DWORD sampleFrames);
// The file's length once the audio so far is in it.
DWORD WaveFileLength(const WaveFileWriter *writer);
// The final sizes and frame count, and the file is closed.
bool FinishWaveFile(WaveFileWriter *writer, DWORD sampleFrames);
// Closes the file as it is, after a failed write: RepairWaveFile then makes
// it consistent with what really reached the disk.
void AbandonWaveFile(WaveFileWriter *writer);
// The programme's name and the rest of a finished file's information, in a
// LIST "INFO" chunk behind "data": every player shows it. Writes the whole
// chunk into out (RecordingInfoBytes bytes); returns its length, 0 when the
// texts do not fit. Texts are in the system's code page (Shift-JIS); each is
// cut at a whole character to at most InfoTextBytes - 1 bytes.
enum { RecordingInfoBytes = 1024, InfoTextBytes = 240 };
struct RecordingInfoTexts {
    const char *Title;     // INAM
    const char *Date;      // ICRD, YYYY-MM-DD
    const char *Comment;   // ICMT: the station and the times
    const char *Software;  // ISFT
};
DWORD BuildInfoChunk(const RecordingInfoTexts *texts, BYTE out[RecordingInfoBytes]);
// The texts of a recording of entry that starts at start: the date of its
// programme, the station of its preset (name and frequency, as far as the
// presets and station names know them) and its times. buffers receive the
// date and the comment.
void ComposeRecordingInfo(const ReserveEntry *entry, const SYSTEMTIME *start, char date[16],
                          char comment[InfoTextBytes], RecordingInfoTexts *texts);
// Puts the LIST chunk behind the audio of a file whose sizes and frame count
// are already final; after it no more audio can be appended. The RIFF size
// takes it in at FinishWaveFile.
bool AppendWaveInfo(WaveFileWriter *writer, const BYTE *chunk, DWORD length);
// The headerless form: none (NULL) on failure; like a WAVE file, never over
// a file that is there (ERROR_FILE_EXISTS).
HANDLE CreateRawFile(const char *path);
// False when the file did not take all of it.
bool AppendRawData(HANDLE file, const void *bytes, DWORD length);
// How the raw form's audio reaches its file (WriteFile's signature); the
// tests put a disk of their own here, as WaveFileProc does for WAVE files.
typedef MMRESULT(WINAPI *WaveInOpenCall)(LPHWAVEIN device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                         DWORD_PTR instance, DWORD flags);
typedef BOOL(WINAPI *RawWriteCall)(HANDLE file, LPCVOID bytes, DWORD length, LPDWORD written, LPOVERLAPPED overlapped);

// ---- MP3 and FLAC files ----

// The texts an MP3 or FLAC file carries, those of the WAVE LIST chunk, in
// the system's code page.
struct RecordingTagTexts {
    char Title[InfoTextBytes];
    char Date[16];             // YYYY-MM-DD
    char Comment[InfoTextBytes];
    char Software[InfoTextBytes];
};
// The texts of a recording of entry starting now.
void ComposeRecordingTags(const ReserveEntry *entry);

#define Mp3LibraryName "libmp3lame.dll"
struct Mp3FileWriter {
    HANDLE File;
    void *Encoder;      // LAME's
    DWORD TagBytes;     // the ID3v2 tag in front; LAME's Info frame follows it
    BYTE *Out;          // encoded bytes of one piece
    DWORD OutSize;
};
struct FlacFileWriter {
    HANDLE File;
    void *Encoder;      // libFLAC's
    void *Comments;     // its Vorbis comment block
    int32_t *Samples;   // one piece of audio widened
    BOOL Failed;        // a write failed: nothing more goes to the file
};
// libmp3lame.dll loads from the program's folder (loaded once, then kept).
bool Mp3EncoderAvailable();
// Its version ("3.100"), empty without it.
const char *Mp3EncoderVersion();
// The ID3v2.3 tag of the texts (UTF-16), its length; out holds size bytes.
DWORD BuildId3Tag(const RecordingTagTexts *texts, BYTE *out, DWORD size);
// The length of the MPEG audio Layer III frame whose header the 4 bytes
// are, padding included; 0 for no such header.
DWORD Mp3FrameLength(const BYTE header[4]);
// An MP3 file (ID3v2 tag, then LAME's Info frame) cut off by a crash: its
// last, partial frame dropped and the Info frame's counts those of the
// whole frames. False for a file that is no such MP3.
bool RepairMp3File(const char *path);
// A FLAC file cut off by a crash: its partial last frame dropped and
// STREAMINFO's length that of its whole frames (its MD5 unknown). False
// for a file that is no FLAC.
bool RepairFlacFile(const char *path);

// ---- will it fit ----

// The bytes a recording of seconds in the format takes: its byte rate times
// the length, and the file's header and information.
ULONGLONG EstimateRecordingBytes(const BYTE *format, ULONGLONG seconds);
// The free bytes (for this user) of the disk that path's folder lies on;
// false when the disk does not say.
bool FreeSpaceFor(const char *path, ULONGLONG *available);

// ---- repairing a file cut off by a crash or a full disk ----

// How a WAVE file's header must read to match its length.
struct WaveRepair {
    DWORD DataOffset;    // where the audio begins
    DWORD DataBytes;     // whole blocks of audio the file really holds
    DWORD RiffSize;
    DWORD FactOffset;    // where the frame count goes, 0 for no "fact"
    DWORD Frames;
    DWORD Length;        // the file's length afterwards, pad byte included
    DWORD PadOffset;     // the byte after odd audio, which must be 0; 0 for none
    DWORD AudioEnd;      // where the audio ends by the header's own size (its pad included)
    DWORD InfoBytes;     // a whole LIST chunk kept behind the audio; 0 for none
    BOOL Needed;         // a size or the frame count differs from the file's
};

// Works out the repair from the first headLength bytes of a file of
// fileLength bytes. False when they are no RIFF/WAVE with "fmt " and "data"
// (or the file is too long for 32-bit sizes): such a file is left alone.
// A finished file has a LIST chunk behind its audio: tail holds the bytes of
// the file from where the header says the audio ends (at most 12 are
// needed; none given: taken from head when it reaches that far). A whole
// LIST there is kept; a LIST cut off by a crash while the file was being
// finished is dropped, the audio before it being whole.
bool PlanWaveRepair(const BYTE *head, DWORD headLength, ULONGLONG fileLength, WaveRepair *plan,
                    const BYTE *tail = NULL, DWORD tailLength = 0);
// Makes the file's sizes and frame count agree with its real length, cutting
// a partial block off its end. True when the file is now consistent (or
// already was); false for a missing file or one that is not such a WAVE.
bool RepairWaveFile(const char *path);
// The file a recording left behind when the program ended during it (the
// recovery marker names it), repaired as its kind of file: true when it is
// now consistent. A file of no kind that can be repaired is left alone.
bool RepairMarkedRecording(const char *path);

// ---- capture and conversion ----

// The codec call of a conversion (acmStreamConvert's signature).
typedef MMRESULT(ACMAPI *StreamConvertCall)(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags);

// What the device is opened with for a target format: PCM with the target's
// channels and rate, the target's bits for a PCM target and 16 otherwise.
void DeriveCaptureFormat(const WAVEFORMATEX *target, WAVEFORMATEX *capture);
// Half a second of capture, a whole number of frames; 0 for a format with no
// frame size.
DWORD CaptureBufferSize(const WAVEFORMATEX *capture);

// Which step of a start failed, and the system's code for it (GetLastError
// for the file, the MMRESULT for the device, for the codec too).
enum RecordingStartFailure {
    StartFailedNone,
    StartFailedFile,     // the folder or the file could not be made
    StartFailedDevice,   // the recording device could not be opened or started
    StartFailedCodec,    // the format's codec refused the conversion, or its encoder's
                         // DLL is missing (ERROR_MOD_NOT_FOUND)
    StartFailedMemory,
};

// The kind of file a recording writes, chosen once when it starts: every
// write, header update, finish and repair goes through its row of the
// output table (recorder/output.h).
enum OutputKind {
    OutputWave,   // a RIFF/WAVE file with its header kept current
    OutputRaw,    // the audio bytes alone
    OutputMp3,    // MP3 encoded by libmp3lame.dll (recorder/mp3out.cpp)
    OutputFlac,   // FLAC encoded by libFLAC (recorder/flacout.cpp)
};
// The kind a reservation's recording writes: MP3 or FLAC for those formats,
// else its RIFF header field.
OutputKind OutputKindOf(const ReserveEntry *entry);

// Why a recording stopped.
enum RecordingStopReason {
    RecordingStopAsked,        // StopRecording was called: its end, the user, the exit, a takeover
    RecordingStopWriteFailed,  // a write did not reach the disk
    RecordingStopDiskFull,     // ... because the disk is full
};

// What became of a recording once it stopped: everything the results line
// and the notice tell of it. Filled by StopRecording; nothing is read from
// the recorder's state afterwards.
struct RecordingSummary {
    OutputKind Kind;
    char Path[SavePathBytes];    // the first file
    DWORD Parts;                 // the files it went into: 1, or more for a WAVE past 4 GiB
    ULONGLONG CapturedBytes;     // PCM bytes captured
    ULONGLONG Seconds;           // the audio's length
    ULONGLONG FileBytes;         // the size of its files together, as the disk has them
    BOOL Silent;                 // nothing but silence was heard
    RecordingStopReason Reason;
    DWORD Gaps;                  // times the recording device went away and came back
    ULONGLONG GapSeconds;        // how long it was away, together
};

// Begins recording the entry into its file, the device reporting to window
// with MM_WIM_DATA. False, with nothing left open, when any step fails or a
// recording is already running; App.StartFailure then says which.
bool StartRecording(HWND window, const ReserveEntry *entry);
// A filled capture buffer (MM_WIM_DATA's wParam and lParam).
void OnCaptureBuffer(HWAVEIN device, WAVEHDR *header);
// From the tick: a recording device that stopped giving buffers back (gone
// with its USB cable) is given up, and opened again every two seconds until
// it is back; the recording goes on in the same file.
void WatchCaptureDevice();
// The device refused a buffer or went silent: closed, to be opened again.
void LoseCaptureDevice();
// Writes everything captured so far, the device's last partly filled buffers
// included, and finishes the file. summary (may be none) receives what
// became of the recording; it is left zero when none was running.
void StopRecording(RecordingSummary *summary = NULL);
// Puts captured PCM bytes into the staging area the way a delivered buffer
// does, writing the staged audio first when they would not fit.
void StageCapture(const BYTE *bytes, DWORD length);
// Runs length bytes of capture through the conversion stream with the
// conversion flags (ACM_STREAMCONVERTF_*). Returns a heap block holding
// *converted bytes of codec output (the caller frees it) and sets *consumed
// to the source bytes the codec took; none on failure.
BYTE *ConvertChunk(BYTE *source, DWORD length, DWORD flags, DWORD *converted, DWORD *consumed);
