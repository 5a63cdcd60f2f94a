#pragma once

#include <QString>

// Shared helpers for the test programs.
namespace TestEnv {
// True when HOME and TMPDIR point into the sandbox made by tests/isolate.sh.
bool isIsolated();
// build/bin, where the program, tools and helpers are.
QString binDir();
// Path of an executable in build/bin.
QString binary(const QString& name);
} // namespace TestEnv

// Refuses to run a test outside its sandbox: tests never touch the user's files.
#define TESTENV_REQUIRE_ISOLATION()                                                   \
    do {                                                                              \
        if (!TestEnv::isIsolated())                                                   \
            QFAIL("not isolated: run through ctest (tests/isolate.sh)");              \
    } while (false)
