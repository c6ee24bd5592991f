// Saving TALVORec.ini whole or not at all: the new file is composed beside
// the old one and takes its place in one step, so that a crash, a kill or a
// power failure at any instant leaves either the old file or the new one.
#pragma once
#include <windows.h>
#include <stddef.h>
#include "settings/settings.h"

// The settings file and the copy being composed beside it.
struct SettingsCopy {
    char File[MAX_PATH];
    char Copy[MAX_PATH];
};

// Makes the copy: the file as it stands (an empty one when there is none).
// False when the folder or the file cannot be written.
bool BeginSettingsCopy(const char *programFolder, SettingsCopy *copy);
// Flushes the copy to the disk and puts it in the file's place.
bool CommitSettingsCopy(SettingsCopy *copy);
// Flushes a file written beside another to the disk and puts it in that
// one's place, keeping that one's attributes; a file another program holds
// for a moment is waited for (a few seconds). On failure the copy goes and
// the file stays as it was.
bool PutCopyInPlace(const char *copy, const char *file);
// Removes a copy a save cut off left behind, whatever its attributes; a
// moment's hold on it is waited for. False when it is still there.
bool ClearStaleCopy(const char *copy);
// The copy is thrown away; the file stays as it was.
void DiscardSettingsCopy(SettingsCopy *copy);

// Writes the sections in one replacement of the file. A section that could
// not be read at start is left as the file has it. False when the file could
// not be written (it is then unchanged).
bool SaveSettingsSections(const char *programFolder, const SettingsSection *sections, size_t count);
// Whether a save could replace the file: the folder takes a new file and the
// file, if there is one, is not read-only.
bool SettingsWritable(const char *programFolder);
