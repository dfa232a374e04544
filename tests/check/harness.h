// kestrune-check run in-process, on files of a folder of the test's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checker.h"

struct CheckRun {
    int status;
    std::string out, err;
};

// A folder of this process's own (ctest runs the cases side by side), removed when the process
// ends.
const std::string& TempFolder();
std::string TempFile(const std::string& name, std::string_view bytes);
std::string ReadFile(const std::string& path);

// Runs the command line with `input` on standard input.
// With `inFd`, standard input and standard output are the caller's (env.standardInput, env.out).
CheckRun RunCheck(const std::vector<std::string>& args, std::string_view input = {},
                  check::Environment env = {}, int inFd = -1);
