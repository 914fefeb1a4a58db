// The Win32 test programs' one assertion: prints "ok" or "FAIL" with what was checked (the
// wine test script reads these lines) and counts the failures for the exit status.
#pragma once

#include <cstdio>
#include <string>

inline int g_failures = 0;

inline bool Check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    g_failures += passed ? 0 : 1;
    return passed;
}
