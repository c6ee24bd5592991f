#include "bench/benchfolder.h"
#include <stdio.h>

bool MakeBenchFolder(const char *name, char folder[MAX_PATH])
{
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp))
        return false;
    snprintf(folder, MAX_PATH, "%s%s_%lu\\", temp, name, GetCurrentProcessId());
    return CreateDirectoryA(folder, NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void RemoveBenchFolder(const char *folder)
{
    char pattern[MAX_PATH], path[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s*", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            snprintf(path, sizeof path, "%s%s", folder, found.cFileName);
            DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}
