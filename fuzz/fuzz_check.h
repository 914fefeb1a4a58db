// What a fuzz target asserts of its input: a property that does not hold aborts, which
// libFuzzer reports as a crash and keeps the input that broke it.
#pragma once

#include <cstdlib>

inline void FuzzCheck(bool holds) {
    if (!holds) {
        std::abort();
    }
}
