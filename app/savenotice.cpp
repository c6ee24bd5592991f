// Changes reach the settings file when they are made, not only at exit: a
// program that lives for weeks in the notification area must not lose weeks
// of reservations to a crash or a power failure.
#include "app/savenotice.h"
#include "app/placement.h"
#include "app/appstate.h"
#include "settings/safesave.h"
#include <stdio.h>

static const char NoticeCaption[] = "TALVO レコーダー";
static const char NoticeFormat[] = "設定を保存できません。\n予約や設定の変更は、終了すると失われます。\n\n%s";

bool SaveSettingsChanges(const SettingsSection *sections, size_t count)
{
    NoteMainWindowPlace();
    bool written = SaveSettingsSections(App.ProgramFolder, sections, count);
    NoteSettingsSave(written);
    return written;
}

bool SaveSettingsChange(SettingsSection section)
{
    return SaveSettingsChanges(&section, 1);
}

void NoteSettingsSave(bool written)
{
    if (written) {
        App.SettingsSaveFailing = FALSE;
        return;
    }
    if (App.SettingsSaveFailing)
        return;
    App.SettingsSaveFailing = TRUE;
    if (App.MainWindow)
        PostMessageA(App.MainWindow, WM_SETTINGSNOTICE, 0, 0);
}

void CheckSettingsWritable()
{
    NoteSettingsSave(SettingsWritable(App.ProgramFolder));
}

void OnSettingsNotice(HWND mainWindow)
{
    (void)mainWindow;
    char path[MAX_PATH], text[sizeof NoticeFormat + MAX_PATH];
    if (!SettingsFilePath(App.ProgramFolder, path))
        path[0] = '\0';
    snprintf(text, sizeof text, NoticeFormat, path);
    // Not owned by the main window, which may be hidden in the notification
    // area: the box has its own taskbar button and comes to the front.
    MessageBoxA(NULL, text, NoticeCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
}
