// The command line of kestrune-check: how records and fields are read, which rules each field
// must meet, and how the input and the output are encoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"
#include "plan.h"

namespace check {

// How the records of a fixed-width file are separated: found from the first record, or demanded.
enum class RecordEnd { Found, None, CrLf, Lf };

// A file format whose layouts and whole-file checks are built in.
enum class Format { None, Zengin };

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
    // --fixed-width: records of exactly this many bytes; 0 for records ended by line ends.
    std::size_t fixedWidth = 0;
    RecordEnd recordEnd = RecordEnd::Found;
    Format format = Format::None;
    // --summary: a table per file in place of the records' lines; --report: a web page of the
    // same, with the first failing records, besides the usual output.
    bool summary = false;
    std::string reportFile;
    bool noProgress = false;
    std::vector<std::string> arguments;  // the command line as given, which the report shows
};

enum class Action { Check, Help, Version, UsageError };

struct ParsedOptions {
    Action action = Action::Check;
    Options options;
    std::string error;  // for UsageError: what was wrong, one line
};

// `args` without the program name; `localeOutput` is the output encoding unless one is asked for.
ParsedOptions ParseOptions(const std::vector<std::string>& args, Encoding localeOutput);

// The columns of a layout, one FIELD:RULE[,RULE...] a line, as --layout reads them; `name`
// labels the error.
bool ParseLayoutText(std::string_view text, const std::string& name,
                     std::vector<ColumnSpec>& columns, std::string& error);

std::string HelpText();
std::string VersionText();

}  // namespace check
