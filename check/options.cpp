// Parsing the command line: GNU-style long options, "--name value" or "--name=value", "--" to
// end them and "-" for standard input.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "cp932.h"

#ifndef KESTRUNE_VERSION
#define KESTRUNE_VERSION "unknown"
#endif

namespace check {

namespace {

bool ParseEncoding(std::string_view name, Encoding& encoding) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "cp932" || lower == "shift_jis" || lower == "sjis") {
        encoding = Encoding::Cp932;
    } else if (lower == "utf-8" || lower == "utf8") {
        encoding = Encoding::Utf8;
    } else {
        return false;
    }
    return true;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args, Encoding localeOutput) {
    ParsedOptions parsed;
    Options& o = parsed.options;
    o.output = localeOutput;
    const auto fail = [&parsed](std::string error) {
        parsed.action = Action::UsageError;
        parsed.error = std::move(error);
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.rfind("-", 0) != 0) {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        // The value of an option that takes one: after "=", or the next argument.
        const auto value = [&](std::string& v) {
            if (equals != std::string::npos) {
                v = arg.substr(equals + 1);
                return true;
            }
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        const OperationRow* op =
            name.rfind("--", 0) == 0 ? RowByOption(std::string_view(name).substr(2)) : nullptr;
        std::string v;
        if (op != nullptr && equals == std::string::npos) {
            o.operations.push_back(op->operation);
        } else if (name == "--help" || name == "-h") {
            parsed.action = Action::Help;
            return parsed;
        } else if (name == "--version") {
            parsed.action = Action::Version;
            return parsed;
        } else if (name == "--no-symbols" && equals == std::string::npos) {
            o.symbolsAllowed = 0;
        } else if (name == "--quiet" && equals == std::string::npos) {
            o.quiet = true;
        } else if (name == "--json" && equals == std::string::npos) {
            o.json = true;
        } else if (name == "--field") {
            const bool given = value(v);
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), o.field);
            if (!given || ec != std::errc() || end != v.data() + v.size() || o.field < 1) {
                return fail("--field needs a field number from 1 on");
            }
        } else if (name == "--delimiter") {
            if (!value(v)) return fail("--delimiter needs a character");
            if (v == "\\t") {
                o.delimiter = '\t';
            } else if (v.size() == 1 && static_cast<unsigned char>(v[0]) < 0x80) {
                o.delimiter = v[0];
            } else {
                // A byte from 0x80 on could be a lead or trail byte of a character.
                return fail("--delimiter needs a single ASCII character");
            }
        } else if (name == "--input-encoding" || name == "--output-encoding") {
            Encoding& e = name == "--input-encoding" ? o.input : o.output;
            if (!value(v) || !ParseEncoding(v, e)) {
                return fail(name + " is cp932 or utf-8");
            }
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (o.operations.empty()) {
        return fail("no operation given: name one or more, such as --full-katakana");
    }
    return parsed;
}

std::string HelpText() {
    std::string operations;
    for (const OperationRow& row : kOperations) {
        std::string option = "  --" + std::string(row.option);
        option.resize(21, ' ');
        operations += option + Cp932ToUtf8(row.caption) + ": " + std::string(row.summary) + "\n";
    }
    return R"(Usage: kestrune-check [options] [FILE...]
Checks each record (line, ended by LF or CR LF) of the files, or of standard input when no
file or "-" is given, as the Kestrune window checks its input field, and prints the window's
result lines after "FILE:RECORD: ".

Operations, run in the order given (at least one):
)" + operations +
           R"(  --no-symbols       symbols not allowed in the script checks (the window's 記号を許可
                     unticked); they are allowed by default

Input:
  --field N          check only the N-th field of each record (a missing field is empty)
  --delimiter C      the field delimiter, one ASCII character (default: tab; "\t" also
                     means tab)
  --input-encoding E cp932 (default) or utf-8; utf-8 is converted to code page 932 as the
                     window converts its input field, and a character code page 932 cannot
                     hold, or a byte sequence that is not UTF-8, is reported on a line of its
                     own and fails the record; a byte order mark at the start is skipped

Output:
  --output-encoding E  utf-8 or cp932 (default: utf-8 in a UTF-8 locale, else cp932)
  --quiet            print only the records that fail a check
  --json             one JSON object per record and operation, in UTF-8; a file name that
                     is not UTF-8 is written with U+FFFD for each byte sequence that is not
  --help, --version

Exit status: 0 when every check of every record passed, 1 when any failed, 2 for a usage
error, a file that could not be read, output that could not be written, or too little memory.

Example:
  kestrune-check --quiet --full-katakana --field 2 names.tsv
)";
}

std::string VersionText() {
    return std::string("kestrune-check ") + KESTRUNE_VERSION + "\n";
}

}  // namespace check
