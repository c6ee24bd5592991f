// Starting with Windows and starting in the notification area.
#include "app/autostart.h"
#include "app/appstate.h"
#include <string.h>

const char RunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char RunEntryArgument[] = "/startup";
const char StartupApprovedPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// The first byte says it: 2 (or 6) on, 3 (or 7) off; the rest is the time it
// was turned off. Only an odd first byte is taken as off, so that a form
// Windows may use later is not read as a refusal it is not.
bool StartupApprovalTurnsOff(DWORD type, const BYTE *data, DWORD size)
{
    return type == REG_BINARY && size >= 1 && (data[0] & 1) != 0;
}

// The form Task Manager writes for an entry turned on.
static const BYTE ApprovedOn[12] = { 0x02 };

// The first word of a command line: the text inside its opening quotes, or
// up to the first blank. Scanned by whole characters.
static void FirstWord(const char *command, char *word, size_t size)
{
    while (*command == ' ' || *command == '\t')
        command++;
    char stop = ' ';
    if (*command == '"') {
        stop = '"';
        command++;
    }
    const char *end = command;
    while (*end && *end != stop && !(stop == ' ' && *end == '\t'))
        end = CharNextA(end);
    size_t length = (size_t)(end - command);
    if (length >= size)
        length = 0;
    memcpy(word, command, length);
    word[length] = '\0';
}

bool RunCommandNames(const char *command, const char *programPath)
{
    char word[MAX_PATH];
    FirstWord(command, word, sizeof word);
    return word[0] && lstrcmpiA(word, programPath) == 0;
}

bool StartedByRunEntry(const char *arguments)
{
    size_t length = strlen(RunEntryArgument);
    const char *word = arguments ? arguments : "";
    for (;;) {
        while (*word == ' ' || *word == '\t')
            word++;
        if (!*word)
            return false;
        const char *end = word;
        while (*end && *end != ' ' && *end != '\t')
            end = CharNextA(end);
        if ((size_t)(end - word) == length && _strnicmp(word, RunEntryArgument, length) == 0)
            return true;
        word = end;
    }
}

// Whether the entry's text after the program's path holds the argument.
static bool CommandHasArgument(const char *command)
{
    while (*command == ' ' || *command == '\t')
        command++;
    if (*command == '"') {
        const char *quote = strchr(command + 1, '"');
        return quote && StartedByRunEntry(quote + 1);
    }
    const char *blank = strpbrk(command, " \t");
    return blank && StartedByRunEntry(blank);
}

bool RunEntryName(const char *programPath, char *name, size_t size)
{
    const char *file = programPath;
    for (const char *c = programPath; *c; c = CharNextA(c))
        if (*c == '\\' || *c == '/' || *c == ':')
            file = c + 1;
    size_t length = strlen(file);
    if (length >= 4 && lstrcmpiA(file + length - 4, ".exe") == 0)
        length -= 4;
    if (length == 0 || length >= size)
        return false;
    memcpy(name, file, length);
    name[length] = '\0';
    return true;
}

// The running program's full path. A path that the system's code page cannot
// spell comes back with stand-ins for some characters and names no file:
// such a path must not go into the Run entry.
static bool ProgramPath(char path[MAX_PATH])
{
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    return length > 0 && length < MAX_PATH && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The entry's text, expanded when it names environment variables.
static bool ReadRunEntry(const char *name, char *command, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char text[1024];
    DWORD type = 0, bytes = sizeof text - 1;
    LONG result = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    // The stored text need not end with its terminator.
    text[bytes < sizeof text ? bytes : sizeof text - 1] = '\0';
    if (type == REG_SZ) {
        lstrcpynA(command, text, (int)size);
        return true;
    }
    DWORD expanded = ExpandEnvironmentStringsA(text, command, size);
    return expanded > 0 && expanded <= size;
}

static bool EntryIsOurs(const char *name, const char *path, bool *withArgument = NULL)
{
    char command[1024];
    bool ours = ReadRunEntry(name, command, sizeof command) && RunCommandNames(command, path);
    if (withArgument)
        *withArgument = ours && CommandHasArgument(command);
    return ours;
}

static bool TurnedOffInWindows(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, StartupApprovedPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    BYTE data[64];
    DWORD type = 0, size = sizeof data;
    LONG result = RegQueryValueExA(key, name, NULL, &type, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && StartupApprovalTurnsOff(type, data, size);
}

static bool TurnOnInWindows(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, StartupApprovedPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_BINARY, ApprovedOn, sizeof ApprovedOn);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool StartsWithWindows()
{
    char path[MAX_PATH], name[MAX_PATH];
    return ProgramPath(path) && RunEntryName(path, name, sizeof name) && EntryIsOurs(name, path) &&
           !TurnedOffInWindows(name);
}

static bool WriteRunEntry(const char *name, const char *path)
{
    char command[MAX_PATH + 16];
    wsprintfA(command, "\"%s\" %s", path, RunEntryArgument);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)command, (DWORD)strlen(command) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

static bool DeleteRunEntry(const char *name)
{
    HKEY key;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS)
        return false;
    result = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool SetStartWithWindows(bool on)
{
    char path[MAX_PATH], name[MAX_PATH];
    if (!ProgramPath(path) || !RunEntryName(path, name, sizeof name))
        return false;
    bool withArgument = false;
    bool ours = EntryIsOurs(name, path, &withArgument);
    bool turnedOff = TurnedOffInWindows(name);
    if (on)
        return (withArgument || WriteRunEntry(name, path)) && (!turnedOff || TurnOnInWindows(name));
    // Turned off in Windows already: the entry stays, as Task Manager lists it.
    return !ours || turnedOff || DeleteRunEntry(name);
}

int StartShowCommand(int showCommand)
{
    // Minimising is what puts the window into the notification area; without
    // activation the start takes nothing from the window the user is in.
    return App.OptionFlags.StartInTray ? SW_SHOWMINNOACTIVE : showCommand;
}
