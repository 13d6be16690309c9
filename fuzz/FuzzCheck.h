#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tallis::fuzz {

// An invariant that must hold for every input. A violation aborts, so that
// libFuzzer keeps the input as a crash and the message says what broke.
[[noreturn]] inline void FuzzFail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what.c_str());
    std::abort();
}

}  // namespace tallis::fuzz

#define FUZZ_CHECK(condition, what)                               \
    do {                                                          \
        if (!(condition)) {                                       \
            ::tallis::fuzz::FuzzFail(__FILE__, __LINE__, (what)); \
        }                                                         \
    } while (false)
