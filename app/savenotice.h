// Saving the user's changes at once, and telling the user when the settings
// file cannot be written.
#pragma once
#include <windows.h>
#include <stddef.h>
#include "settings/settings.h"

// Posted to the main window: the notice is shown from its own message, never
// from inside the handler whose save failed.
enum { WM_SETTINGSNOTICE = WM_APP + 101 };

// Saves the sections a change touched, at once. When the file cannot be
// written the program goes on with the change in memory and the user is told
// once, until a save succeeds again.
bool SaveSettingsChanges(const SettingsSection *sections, size_t count);
bool SaveSettingsChange(SettingsSection section);
// At start: a folder the settings cannot be written to is told at once.
void CheckSettingsWritable();
// Records a save's outcome; the first failure after a success posts the
// notice to the main window.
void NoteSettingsSave(bool written);
void OnSettingsNotice(HWND mainWindow);
