// The four operations on the stereo's control interface. Each program links
// exactly one file that provides them: the real one talks to the stereo's
// USB driver, the simulated one to the simulated stereo.
#pragma once
#include <windows.h>

// The device path of the interface of the class to use (a heap block the
// caller frees); false when no such interface is present.
bool PlatformFindInterface(const GUID *interfaceClass, char **devicePath);
// Opens the interface; the result may be the invalid handle.
HANDLE PlatformOpenInterface(const char *devicePath);
// One synchronous request and its reply; *returned is the reply's length.
bool PlatformTransfer(HANDLE link, DWORD controlCode, const void *request, DWORD requestSize,
                      void *reply, DWORD replySize, DWORD *returned);
void PlatformCloseInterface(HANDLE link);
