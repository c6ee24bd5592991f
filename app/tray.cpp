#include "app/tray.h"

void UpdateTrayIcon()
{
    // Placeholder until the notification icon exists.
}
