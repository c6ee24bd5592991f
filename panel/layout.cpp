#include "panel/panel.h"
#include "app/appstate.h"

void SwitchPanelMode(int oldMode, int newMode)
{
    // Placeholder until the panel's controls exist: only the mode is kept.
    (void)oldMode;
    App.PanelMode = newMode;
}
