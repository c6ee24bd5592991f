// The capture device's notifications to the main window.
#include "app/mainwindow.h"
#include "app/appstate.h"
#include "recorder/recorder.h"

// Only filled buffers of a running recording go to the Recorder; the opening
// and closing notices need nothing.
void OnWaveInMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    if (message == MM_WIM_DATA && App.RecordingActive)
        OnCaptureBuffer((HWAVEIN)wParam, (WAVEHDR *)lParam);
}
