// The capture device's notifications to the main window.
#include "app/mainwindow.h"

void OnWaveInMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Nothing opens the capture device yet, so no buffer ever arrives; the
    // recorder takes MM_WIM_DATA here once it records.
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
}
