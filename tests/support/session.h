// The expected session file: user steps and the log lines they add (format in session.txt).
#pragma once

#include <string>
#include <vector>

struct SessionStep {
    enum Kind { Input, Click, Checked, Log } kind;
    std::string text;  // Input and Log: UTF-8, as written between « and »
    int number;        // Click: the control identifier; Checked: the mark, 0 or 1
    int line;          // where the step stands in the file
};

// The steps in file order; throws std::runtime_error naming the line of a malformed step.
std::vector<SessionStep> ReadSession(const std::string& path);
