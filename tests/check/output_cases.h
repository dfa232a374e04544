// What kestrune-check prints for each row: its arguments, standard input, standard output and
// exit status, with nothing on standard error.
#pragma once

#include <string>
#include <vector>

struct OutputCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;  // code page 932 bytes on standard input, unless the args name a file
    std::string expected;
    int status;
};

// `layout` is a layout file holding "2:full-katakana,no-symbols" among a comment and a blank
// line.
std::vector<OutputCase> OutputCases(const std::string& layout);
