// An eight-hour 44.1 kHz stereo recording (5.08 GB of audio) fed through the
// Recorder faster than real time, past the 4 GiB a WAVE file can describe:
// it must give two whole files whose frames add up to what was fed, every
// frame in its place. Needs about 5.1 GB of free disk; the files are
// deleted afterwards.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "app/appstate.h"
#include "app/heap.h"

enum : ULONGLONG { Hours = 8, Rate = 44100, FrameBytes = 4 };
static const ULONGLONG TotalFrames = Hours * 3600 * Rate;

static double WallSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static bool ReadAt(HANDLE file, ULONGLONG at, void *bytes, DWORD length)
{
    LONG high = (LONG)(at >> 32);
    DWORD got = 0;
    return SetFilePointer(file, (LONG)(DWORD)at, &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, bytes, length, &got, NULL) && got == length;
}

static DWORD Le32(const BYTE *at)
{
    return (DWORD)at[0] | (DWORD)at[1] << 8 | (DWORD)at[2] << 16 | (DWORD)at[3] << 24;
}

// Each frame carries its own number, so any frame read back tells where it
// belongs. The audio may be followed by the file's information (a LIST
// chunk), which must then reach the file's end.
struct PartCheck {
    bool Whole;
    ULONGLONG Length;
    DWORD Frames;
    ULONGLONG FirstFrame;
};

static PartCheck CheckPart(const char *path, ULONGLONG firstFrame, const BYTE *format)
{
    PartCheck check = {};
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return check;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    check.Length = (ULONGLONG)high << 32 | low;
    BYTE head[58];
    DWORD last = 0, first = 0, middle = 0;
    bool read = ReadAt(file, 0, head, sizeof head);
    DWORD data = Le32(head + 54);
    check.Frames = Le32(head + 46);
    check.FirstFrame = firstFrame;
    DWORD frames = data / FrameBytes;
    read = read && frames > 0 && ReadAt(file, 58, &first, 4) && ReadAt(file, 58 + (ULONGLONG)(frames / 2) * 4, &middle, 4) &&
           ReadAt(file, 58 + (ULONGLONG)(frames - 1) * 4, &last, 4);
    ULONGLONG audioEnd = 58 + (ULONGLONG)data + (data & 1);
    bool tail = audioEnd == check.Length;
    BYTE info[8];
    if (read && !tail && ReadAt(file, audioEnd, info, sizeof info))
        tail = memcmp(info, "LIST", 4) == 0 && audioEnd + 8 + Le32(info + 4) == check.Length;
    CloseHandle(file);
    check.Whole = read && memcmp(head, "RIFF", 4) == 0 && Le32(head + 4) == check.Length - 8 &&
                  memcmp(head + 8, "WAVEfmt ", 8) == 0 && Le32(head + 16) == 18 && memcmp(head + 20, format, 18) == 0 &&
                  memcmp(head + 38, "fact", 4) == 0 && memcmp(head + 50, "data", 4) == 0 &&
                  tail && check.Frames == frames &&
                  first == (DWORD)firstFrame && middle == (DWORD)(firstFrame + frames / 2) &&
                  last == (DWORD)(firstFrame + frames - 1);
    return check;
}

int main()
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    ULARGE_INTEGER free = {};
    GetDiskFreeSpaceExA(folder, &free, NULL, NULL);
    ULONGLONG needed = TotalFrames * FrameBytes + (256ull << 20);
    if (free.QuadPart < needed) {
        printf("long recording: %.1f GB free in %s, %.1f GB needed; not run\n", free.QuadPart / 1e9, folder,
               needed / 1e9);
        return 1;
    }
    lstrcpynA(App.ProgramFolder, folder, sizeof App.ProgramFolder);
    char path[MAX_PATH], second[MAX_PATH], third[MAX_PATH];
    snprintf(path, sizeof path, "%stalvo-bench-long.wav", folder);
    snprintf(second, sizeof second, "%stalvo-bench-long_2.wav", folder);
    snprintf(third, sizeof third, "%stalvo-bench-long_3.wav", folder);

    HWND window = CreateWindowA("STATIC", "bench", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    ReserveEntry *entry = ReserveEntryCreate(sizeof(WAVEFORMATEX));
    WAVEFORMATEX *format = (WAVEFORMATEX *)entry->Format;
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = 2;
    format->nSamplesPerSec = Rate;
    format->wBitsPerSample = 16;
    format->nBlockAlign = FrameBytes;
    format->nAvgBytesPerSec = Rate * FrameBytes;
    HeapFreeBlock(entry->SavePath);
    entry->SavePath = HeapStrDup(path);
    if (!StartRecording(window, entry)) {
        printf("long recording: the recording does not start (no recording device)\n");
        return 1;
    }
    DWORD bufferFrames = App.CaptureBufferBytes / FrameBytes;
    DWORD *buffer = (DWORD *)HeapAllocZero(App.CaptureBufferBytes);
    double wall = WallSeconds();
    for (ULONGLONG frame = 0; frame < TotalFrames && !App.WriteFailed;) {
        DWORD frames = TotalFrames - frame < bufferFrames ? (DWORD)(TotalFrames - frame) : bufferFrames;
        for (DWORD i = 0; i < frames; i++)
            buffer[i] = (DWORD)(frame + i);
        StageCapture((const BYTE *)buffer, frames * FrameBytes);
        frame += frames;
    }
    bool failed = App.WriteFailed != FALSE;
    // What the device itself recorded meanwhile is dropped, so that the
    // files hold the fed frames only.
    waveInReset(App.CaptureDevice);
    for (WAVEHDR &header : App.CaptureBuffers)
        header.dwBytesRecorded = 0;
    StopRecording();
    wall = WallSeconds() - wall;
    DWORD parts = App.RecordingPart;

    PartCheck one = CheckPart(path, 0, entry->Format);
    PartCheck two = CheckPart(second, one.Frames, entry->Format);
    bool noThird = GetFileAttributesA(third) == INVALID_FILE_ATTRIBUTES;
    ULONGLONG frames = (ULONGLONG)one.Frames + two.Frames;
    printf("long recording: %llu hours of 44,100 Hz 16-bit stereo, %.2f GB fed in %.1f s (%.0f MB/s, %.0fx real time)\n",
           (unsigned long long)Hours, TotalFrames * FrameBytes / 1e9, wall, TotalFrames * FrameBytes / wall / 1e6,
           Hours * 3600 / wall);
    printf("  file 1: %llu bytes, %lu frames, %s\n", one.Length, (unsigned long)one.Frames, one.Whole ? "whole" : "BROKEN");
    printf("  file 2: %llu bytes, %lu frames from frame %llu, %s\n", two.Length, (unsigned long)two.Frames,
           two.FirstFrame, two.Whole ? "whole" : "BROKEN");
    printf("  %lu files, frames %llu of %llu fed (goal: two whole files, every frame kept)%s\n", (unsigned long)parts,
           frames, TotalFrames, failed ? ", a WRITE FAILED" : "");
    DeleteFileA(path);
    DeleteFileA(second);
    DeleteFileA(third);
    HeapFreeBlock(buffer);
    ReserveEntryFree(&entry);
    DestroyWindow(window);
    bool ok = !failed && parts == 2 && noThird && one.Whole && two.Whole && frames == TotalFrames &&
              one.Length <= 0xFFFFFFFFull;
    return ok ? 0 : 1;
}
