// A recording that is never finished: the test kills this process while it
// records, as a crash or a power failure ends the program.
//   crash_recorder FOLDER MAPPING
// records 44,100 Hz 16-bit stereo PCM from the default recording device into
// FOLDER\killed.wav, FOLDER being the program folder (so its settings file
// names the recording), and keeps the shared memory MAPPING up to date.
#include <windows.h>
#include "crashguard.h"
#include <string.h>
#include "app/appstate.h"
#include "app/heap.h"
#include "app/mainwindow.h"
#include "progress.h"

static LRESULT CALLBACK RecorderWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == MM_WIM_DATA) {
        OnWaveInMessage(window, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static ReserveEntry *KilledEntry(const char *folder)
{
    ReserveEntry *entry = ReserveEntryCreate(sizeof(WAVEFORMATEX));
    if (!entry)
        return NULL;
    WAVEFORMATEX *format = (WAVEFORMATEX *)entry->Format;
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = 2;
    format->nSamplesPerSec = 44100;
    format->wBitsPerSample = 16;
    format->nBlockAlign = 4;
    format->nAvgBytesPerSec = 176400;
    format->cbSize = 0;
    char path[MAX_PATH];
    wsprintfA(path, "%skilled.wav", folder);
    HeapFreeBlock(entry->SavePath);
    entry->SavePath = HeapStrDup(path);
    entry->RiffHeader = 1;
    return entry;
}

int main(int argc, char **argv)
{
    InstallCrashGuard();
    if (argc < 3)
        return 2;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, argv[2]);
    CrashProgress *progress =
        mapping ? (CrashProgress *)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(CrashProgress)) : NULL;
    if (!progress)
        return 2;
    lstrcpynA(App.ProgramFolder, argv[1], sizeof App.ProgramFolder);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecorderWndProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "TalvoCrashRecorder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TalvoCrashRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                                windowClass.hInstance, NULL);
    ReserveEntry *entry = KilledEntry(argv[1]);
    if (!window || !entry || !StartRecording(window, entry)) {
        InterlockedExchange(&progress->Started, -1);
        return 1;
    }
    InterlockedExchange(&progress->Started, 1);
    SetTimer(window, 1, 20, NULL);
    // Until killed.
    MSG message;
    DWORD staged = 0;
    LONG flushes = 0;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        DispatchMessageA(&message);
        if (App.StagedBytes < staged)
            flushes++;
        staged = App.StagedBytes;
        InterlockedExchange(&progress->Captured, (LONG)App.CapturedBytes);
        InterlockedExchange(&progress->Flushes, flushes);
    }
    return 0;
}
