// The command line of kestrune-check: how records and fields are read, which rules each field
// must meet, and how the input and the output are encoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "operations.h"

namespace check {

enum class Encoding { Cp932, Utf8 };

// One thing asked of a field: an operation of the window, a byte limit, or that it is not empty.
enum class RuleKind { Operation, MaxBytes, Required };

struct Rule {
    RuleKind kind = RuleKind::Operation;
    Operation operation = Operation::ByteSize;  // for RuleKind::Operation
    int limit = 0;                              // for RuleKind::MaxBytes
};

// A field named by its 1-based number or by its name in the header; neither: the whole record.
struct FieldRef {
    int number = 0;
    std::string name;
};

// The rules for one field, run in the order given.
struct Column {
    FieldRef field;
    std::vector<Rule> rules;
    int symbolsAllowed = 1;  // as the window starts: symbols allowed
};

struct Options {
    std::vector<Column> columns;  // checked in the order given
    bool columnsGiven = false;    // --column or --layout: results name their column
    bool csv = false;
    bool header = false;
    bool all = false;
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
