// How much of the main thread a recording takes: captured buffers are fed to
// the Recorder faster than real time (the device runs but its notices are
// not handled), through staging, conversion and the file writes. The PCM
// recording is kept beside the program as bench-source.wav: scripts/bench
// encodes the same audio with the host's lame and flac for comparison.
#include <windows.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "app/appstate.h"
#include "app/heap.h"
#include "recorder/ownformats.h"

enum { BenchMinutes = 3 };

static double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) / 1e7;
}

static double WallSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static ULONGLONG FileLength(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return (ULONGLONG)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

// Half a second of a programme-like signal: two tones and a little noise, so
// that the codec has real work to do.
static void FillBuffer(BYTE *buffer, DWORD bytes, int channels, DWORD *phase)
{
    short *samples = (short *)buffer;
    DWORD frames = bytes / (2 * channels);
    unsigned noise = 12345;
    for (DWORD i = 0; i < frames; i++, (*phase)++) {
        noise = noise * 1103515245u + 12345u;
        double t = *phase / 44100.0;
        double value = 9000 * sin(2 * 3.14159265 * 440 * t) + 4000 * sin(2 * 3.14159265 * 1250 * t) +
                       (int)(noise >> 20) - 2048;
        for (int c = 0; c < channels; c++)
            samples[i * channels + c] = (short)value;
    }
}

static bool RunCase(HWND window, const char *label, const BYTE *format, size_t formatLength, const char *path,
                    bool keep = false)
{
    ReserveEntry *entry = ReserveEntryCreate(formatLength);
    HeapFreeBlock(entry->SavePath);
    entry->SavePath = HeapStrDup(path);
    memcpy(entry->Format, format, formatLength);
    if (!StartRecording(window, entry)) {
        printf("%s: the recording does not start (no recording device or codec)\n", label);
        ReserveEntryFree(&entry);
        return false;
    }
    DWORD bufferBytes = App.CaptureBufferBytes;
    BYTE *buffer = (BYTE *)HeapAllocZero(bufferBytes);
    DWORD phase = 0;
    FillBuffer(buffer, bufferBytes, App.CaptureFormat.nChannels, &phase);
    DWORD buffers = BenchMinutes * 60 * App.CaptureFormat.nAvgBytesPerSec / bufferBytes;

    unsigned flushes = 0;
    ULONGLONG written = FileLength(path), smallest = ~0ull, largest = 0, total = 0;
    double cpu = ThreadCpuSeconds(), wall = WallSeconds();
    for (DWORD i = 0; i < buffers; i++) {
        DWORD before = App.StagedBytes;
        StageCapture(buffer, bufferBytes);
        if (App.StagedBytes < before + bufferBytes) {
            ULONGLONG now = FileLength(path);
            ULONGLONG step = now - written;
            written = now;
            total += step;
            flushes++;
            smallest = step < smallest ? step : smallest;
            largest = step > largest ? step : largest;
        }
    }
    cpu = ThreadCpuSeconds() - cpu;
    wall = WallSeconds() - wall;
    StopRecording();

    double perMinute = cpu / BenchMinutes;
    printf("%s\n", label);
    printf("  main-thread CPU per recorded minute: %.1f ms (%.3f %% of a core), wall %.1f ms\n",
           perMinute * 1000, perMinute / 60 * 100, wall / BenchMinutes * 1000);
    printf("  %u flushes in %d minutes, bytes written per flush: %llu..%llu (mean %.0f)\n", flushes,
           BenchMinutes, flushes ? smallest : 0, largest,
           flushes ? (double)(FileLength(path) - 0) / (flushes + 1) : 0.0);
    printf("  file: %.1f MB an hour\n", FileLength(path) / (double)BenchMinutes * 60 / 1e6);
    HeapFreeBlock(buffer);
    ReserveEntryFree(&entry);
    if (!keep)
        DeleteFileA(path);
    return true;
}

int main()
{
    HWND window = CreateWindowA("STATIC", "bench", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%stalvo-bench-recorder.wav", folder);
    lstrcpynA(App.ProgramFolder, folder, sizeof App.ProgramFolder);

    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = 2;
    pcm.nSamplesPerSec = 44100;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = 4;
    pcm.nAvgBytesPerSec = 176400;

    BYTE ima[64] = {};
    WAVEFORMATEX *suggested = (WAVEFORMATEX *)ima;
    suggested->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    bool haveIma = acmFormatSuggest(NULL, &pcm, suggested, sizeof ima, ACM_FORMATSUGGESTF_WFORMATTAG) == 0;

    char source[MAX_PATH];
    GetModuleFileNameA(NULL, source, sizeof source);
    strcpy(source + SplitPath(source, NULL, NULL), "bench-source.wav");
    DeleteFileA(source);
    bool ok = RunCase(window, "PCM 44,100 Hz 16-bit stereo (goal: <= 1 % of a core)", (const BYTE *)&pcm,
                      sizeof pcm, source, true);
    BYTE mp3[Mp3FormatBytes];
    MakeMp3Format(mp3, 128, 2, 44100);
    WAVEFORMATEX flac;
    MakeFlacFormat(&flac, 2, 44100, 16);
    snprintf(path, sizeof path, "%stalvo-bench-recorder.mp3", folder);
    if (Mp3EncoderAvailable())
        ok = RunCase(window, "MP3 128 kbps from 44,100 Hz 16-bit stereo (goal: <= 5 % of a core)", mp3, sizeof mp3,
                     path) && ok;
    else
        printf("MP3: libmp3lame.dll is not beside the program\n");
    snprintf(path, sizeof path, "%stalvo-bench-recorder.flac", folder);
    ok = RunCase(window, "FLAC 44,100 Hz 16-bit stereo (goal: <= 3 % of a core)", (const BYTE *)&flac, sizeof flac,
                 path) && ok;
    snprintf(path, sizeof path, "%stalvo-bench-recorder.wav", folder);
    if (haveIma)
        ok = RunCase(window, "IMA ADPCM from 44,100 Hz 16-bit stereo (goal: <= 2 % of a core)", ima,
                     sizeof(WAVEFORMATEX) + suggested->cbSize, path) && ok;
    else
        printf("IMA ADPCM: the codec offers no format\n");
    DestroyWindow(window);
    return ok ? 0 : 1;
}
