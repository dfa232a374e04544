// kestrune-check as a library: everything main() does, on descriptors and streams the caller
// chooses, so that tests run it in-process.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "encoding.h"

namespace check {

// Exit statuses.
inline constexpr int kAllPassed = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kTrouble = 2;  // a usage error, an unreadable file, a record too long

struct Environment {
    int standardInput = 0;
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    Encoding localeOutput = Encoding::Utf8;
    // Records longer than this are refused: positions are 32-bit. Tests lower it.
    std::size_t maxRecord = INT_MAX;
    std::size_t chunk = 1 << 20;  // bytes read at a time
};

// Runs the command line `args` (without the program name); returns the exit status.
int RunCommandLine(const std::vector<std::string>& args, const Environment& env);

}  // namespace check
