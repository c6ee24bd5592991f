// Crashes on purpose, to show how a crash ends a test program:
//   crash_probe guarded   with the tests' crash guard
//   crash_probe bare      as any program would, left to the system
#include <windows.h>
#include <string.h>
#include "crashguard.h"

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "guarded") == 0)
        InstallCrashGuard();
    // An address no page is at; read from a volatile so that the compiler
    // cannot see through it.
    volatile ULONG_PTR nowhere = 0x10;
    *(volatile int *)nowhere = 1;
    return 0;
}
