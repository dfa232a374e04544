// The command line of kestrune-check: which operations to run on which part of each record,
// and how the input and the output are encoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "operations.h"

namespace check {

enum class Encoding { Cp932, Utf8 };

struct Options {
    std::vector<Operation> operations;  // in the order given
    int symbolsAllowed = 1;             // as the window starts: symbols allowed
    int field = 0;                      // 1-based field to check; 0 checks the whole record
    char delimiter = '\t';
    Encoding input = Encoding::Cp932;
    Encoding output = Encoding::Utf8;
    bool quiet = false;
    bool json = false;
    std::vector<std::string> files;  // none, or "-", for standard input
};

enum class Action { Check, Help, Version, UsageError };

struct ParsedOptions {
    Action action = Action::Check;
    Options options;
    std::string error;  // for UsageError: what was wrong, one line
};

// `args` without the program name; `localeOutput` is the output encoding unless one is asked for.
ParsedOptions ParseOptions(const std::vector<std::string>& args, Encoding localeOutput);

std::string HelpText();
std::string VersionText();

}  // namespace check
