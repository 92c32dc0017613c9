#pragma once

#include <cstdlib>

// A broken promise ends the run, so the fuzzer keeps the input that broke it.
inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}
