// The capture device's notifications to the main window.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "recorder/recorder.h"

void OnWaveInMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    // Buffers handed back after the recorder stopped are already written.
    if (message == MM_WIM_DATA && App.RecordingActive)
        OnCaptureBuffer((HWAVEIN)wParam, (WAVEHDR *)lParam);
}
