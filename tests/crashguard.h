// A test program that crashes ends at once with exit code 3 and says where,
// so the test that ran it fails then, never left waiting for a debugger.
#pragma once
#include <windows.h>
#include <stdio.h>

enum { CrashExitCode = 3 };

static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS *info)
{
    fprintf(stderr, "crashed: exception 0x%08lX at %p\n", (unsigned long)info->ExceptionRecord->ExceptionCode,
            info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), CrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

inline void InstallCrashGuard()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndOnCrash);
}
