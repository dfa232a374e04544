// The command line of kestrune-check: how records and fields are read, which rules each field
// must meet, and how the input and the output are encoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"
#include "plan.h"

namespace check {

struct Options {
    std::vector<ColumnSpec> columns;  // checked in the order given
    bool columnsGiven = false;        // --column or --layout: results name their column
    bool csv = false;
    bool header = false;
    bool all = false;
    char delimiter = '\t';
    Encoding input = Encoding::Cp932;
    Encoding output = Encoding::Utf8;  // never Auto
    bool quiet = false;
    bool json = false;
    std::vector<std::string> files;  // none, or "-", for standard input
    // --fix: where the corrected records go ("-": standard output), in which encoding, and
    // where the records that still fail go instead (empty: nowhere but the corrected file).
    std::string fixFile;
    Encoding fixEncoding = Encoding::Cp932;
    std::string rejectsFile;
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
