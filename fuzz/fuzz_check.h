// The one way a fuzz target reports a broken promise: it says which one and where, then
// aborts, which libFuzzer records as a crash together with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, ...)                                                               \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                                   \
            std::fputc('\n', stderr);                                                            \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
