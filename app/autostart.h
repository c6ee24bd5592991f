// Starting with Windows: the user's Run entry, which starts the program when
// they sign in, and the start with only the notification-area icon. The
// settings stay beside the program; the Run entry only names it.
#pragma once
#include <windows.h>

// Where the entry lies, under HKEY_CURRENT_USER.
extern const char RunKeyPath[];
// The argument the entry starts the program with, so that a start at
// sign-in can be told from one by hand.
extern const char RunEntryArgument[];
// Whether the arguments (the command line after the program's path, as
// WinMain gets them) hold RunEntryArgument as a word of its own.
bool StartedByRunEntry(const char *arguments);

// Whether command (the text of a Run entry) starts the program at
// programPath: its first word, in double quotes or not, names the same file
// (upper and lower case alike); arguments after it do not matter.
bool RunCommandNames(const char *command, const char *programPath);
// The entry's name: the program's file name without ".exe", so that the
// program and its demo each have their own.
bool RunEntryName(const char *programPath, char *name, size_t size);
// Where Task Manager and Windows' settings mark a Run entry the user turned
// off there, under HKEY_CURRENT_USER: a binary value of the entry's name.
extern const char StartupApprovedPath[];
// Whether such a value (its type, bytes and length) turns the entry off.
bool StartupApprovalTurnsOff(DWORD type, const BYTE *data, DWORD size);

// The Run entry is there, starts this very program and Windows has not been
// told to leave it out.
bool StartsWithWindows();
// Writes the entry (the program's full path in double quotes and
// RunEntryArgument) or removes
// it. Turning it on also takes back a "disabled" that Task Manager set. An
// entry that starts another copy of the program in another folder is
// replaced when turned on and left alone when turned off. False when the
// registry refused, or the program's path cannot be written in the system's
// code page.
bool SetStartWithWindows(bool on);

// How the main window is first shown: straight into the notification area
// when the option StartInTray is set, otherwise as the system asked.
int StartShowCommand(int showCommand);
