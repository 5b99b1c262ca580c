// What the fuzz targets use to report a broken promise: a message and an abort,
// which libFuzzer (and the corpus replay tests) record as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>

[[noreturn]] inline void FuzzFailure(const char* what, const char* detail = "") {
    std::fprintf(stderr, "fuzz target: %s %s\n", what, detail);
    std::abort();
}

// For a catch-all after the expected exceptions: names what was caught.
[[noreturn]] inline void FuzzUnexpected(const char* what) {
    try {
        throw;
    } catch (const std::exception& error) {
        FuzzFailure(what, error.what());
    } catch (...) {
        FuzzFailure(what, "(not a std::exception)");
    }
}

inline void FuzzRequire(bool condition, const char* what) {
    if (!condition)
        FuzzFailure(what);
}
