// The test programs themselves: a crash fails the test that meets it at
// once, whatever crashed.
#include <gtest/gtest.h>
#include <windows.h>
#include "crashguard.h"
#include "support.h"

namespace {

// Installed before any test runs.
const bool Guarded = (InstallCrashGuard(), true);

TEST(Harness, ACrashEndsTheProgramAtOnceWithoutADebugger)
{
    EXPECT_TRUE(Guarded);
    struct Case {
        const char *Mode;
        bool Guarded;
    } cases[] = { { "guarded", true }, { "bare", false } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Mode);
        ChildProcess probe;
        ASSERT_TRUE(probe.Start("\"" + BuildFolder() + "crash_probe.exe\" " + c.Mode));
        // A debugger waiting for someone would hold it for good.
        ASSERT_TRUE(probe.WaitForExit(30000));
        if (c.Guarded)
            EXPECT_EQ(probe.ExitCode(), (DWORD)CrashExitCode);
        else
            EXPECT_NE(probe.ExitCode(), 0u);
    }
}

}  // namespace
