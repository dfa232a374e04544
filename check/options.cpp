// Parsing the command line: GNU-style long options, "--name value" or "--name=value", "--" to
// end them and "-" for standard input.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

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

// A whole decimal number from 1 to INT_MAX, nothing before or after it.
bool ParseCount(std::string_view text, int& n) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && text[0] != '-' && text[0] != '+' && ec == std::errc() &&
           end == text.data() + text.size() && n >= 1;
}

// A field is a number when it is all digits, and otherwise a header name.
bool ParseFieldRef(std::string_view text, FieldRef& field, std::string& error) {
    if (text.empty()) {
        error = "no field given";
        return false;
    }
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (!ParseCount(text, field.number)) {
            error = "fields count from 1";
            return false;
        }
        return true;
    }
    field.name = text;
    return true;
}

// FIELD:RULE[,RULE...]; the field is everything before the last colon, so that a header name
// may hold one.
bool ParseColumn(std::string_view spec, Column& column, std::string& error) {
    const std::size_t colon = spec.rfind(':');
    if (colon == std::string_view::npos) {
        error = "needs FIELD:RULE[,RULE...]";
        return false;
    }
    if (!ParseFieldRef(spec.substr(0, colon), column.field, error)) return false;
    std::string_view rules = spec.substr(colon + 1);
    if (rules.empty()) {
        error = "no rule given";
        return false;
    }
    for (;;) {
        const std::size_t comma = rules.find(',');
        const std::string_view name = rules.substr(0, comma);
        Rule rule;
        if (const OperationRow* row = RowByOption(name)) {
            rule.operation = row->operation;
        } else if (name == "no-symbols") {
            column.symbolsAllowed = 0;
        } else if (name == "required") {
            rule.kind = RuleKind::Required;
        } else if (name.starts_with("max-bytes=")) {
            rule.kind = RuleKind::MaxBytes;
            if (!ParseCount(name.substr(10), rule.limit)) {
                error = "max-bytes needs a number of bytes from 1 on";
                return false;
            }
        } else {
            error = "unknown rule '" + std::string(name) + "'";
            return false;
        }
        if (name != "no-symbols") column.rules.push_back(rule);
        if (comma == std::string_view::npos) break;
        rules.remove_prefix(comma + 1);
    }
    return true;
}

// The columns of a layout file, one FIELD:RULE[,RULE...] a line; blank lines and lines that
// start with # are skipped.
bool ReadLayout(const std::string& path, std::vector<Column>& columns, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "--layout " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        Column column;
        if (!ParseColumn(std::string_view(line).substr(first, last + 1 - first), column, error)) {
            error = path + ":" + std::to_string(number) + ": " + error;
            return false;
        }
        columns.push_back(std::move(column));
    }
    if (file.bad()) {
        error = "--layout " + path + ": " + std::strerror(errno);
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
    // The global form: operations for one field, or for the whole record.
    Column global;
    bool fieldGiven = false;
    bool symbolsAllowed = true;
    bool delimiterGiven = false;
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
        // Options that take no value.
        const auto flag = [&](const char* option) {
            return name == option && equals == std::string::npos;
        };
        const OperationRow* op =
            name.rfind("--", 0) == 0 ? RowByOption(std::string_view(name).substr(2)) : nullptr;
        std::string v, error;
        if (op != nullptr && equals == std::string::npos) {
            global.rules.push_back({RuleKind::Operation, op->operation, 0});
        } else if (name == "--help" || name == "-h") {
            parsed.action = Action::Help;
            return parsed;
        } else if (name == "--version") {
            parsed.action = Action::Version;
            return parsed;
        } else if (flag("--no-symbols")) {
            symbolsAllowed = false;
        } else if (flag("--quiet")) {
            o.quiet = true;
        } else if (flag("--json")) {
            o.json = true;
        } else if (flag("--csv")) {
            o.csv = true;
        } else if (flag("--header")) {
            o.header = true;
        } else if (flag("--all")) {
            o.all = true;
        } else if (name == "--field") {
            if (!value(v) || !ParseFieldRef(v, global.field, error)) {
                return fail("--field needs a field number from 1 on, or a header name");
            }
            fieldGiven = true;
        } else if (name == "--column") {
            if (!value(v)) return fail("--column needs FIELD:RULE[,RULE...]");
            Column column;
            if (!ParseColumn(v, column, error)) return fail("--column '" + v + "': " + error);
            o.columns.push_back(std::move(column));
            o.columnsGiven = true;
        } else if (name == "--layout") {
            if (!value(v)) return fail("--layout needs a file");
            if (!ReadLayout(v, o.columns, error)) return fail(error);
            o.columnsGiven = true;
        } else if (name == "--delimiter") {
            if (!value(v)) return fail("--delimiter needs a character");
            delimiterGiven = true;
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
    if (o.columnsGiven) {
        if (!global.rules.empty() || fieldGiven) {
            return fail("--column and --layout take the place of operation options and --field");
        }
        if (o.columns.empty()) return fail("the layout names no column");
    } else {
        if (global.rules.empty()) {
            return fail("no operation given: name one or more, such as --full-katakana");
        }
        o.columns.push_back(std::move(global));
    }
    if (o.csv && !delimiterGiven) o.delimiter = ',';
    if (o.csv && (o.delimiter == '"' || o.delimiter == '\n' || o.delimiter == '\r')) {
        return fail("--delimiter cannot be a quote or a line end in --csv");
    }
    for (Column& column : o.columns) {
        if (!symbolsAllowed) column.symbolsAllowed = 0;
        if (!column.field.name.empty() && !o.header) {
            return fail("field '" + column.field.name +
                        "' is not a number; a field is named only with --header");
        }
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
Checks each record of the files, or of standard input when no file or "-" is given, as the
Kestrune window checks its input field, and prints the window's result lines after
"FILE:RECORD: ", or "FILE:RECORD:COLUMN: " when columns are given.

Operations, run in the order given (at least one, unless columns are given):
)" + operations +
           R"(  --no-symbols       symbols not allowed in the script checks (the window's 記号を許可
                     unticked); they are allowed by default

Will it survive? --jis, --cp932 and --zengin judge where each character comes from; the
symbols setting does not apply to them. After the excerpt, a line names the kind of the
rejected character and its bytes, for example  NEC特殊文字 87 9A (5バイト目):
  NEC特殊文字          NEC row 13, 8740-879C
  NEC選定IBM拡張文字   the NEC-selected IBM extensions, ED40-EEFC
  IBM拡張文字          the IBM extensions, FA40-FC4B
  外字                 the user-defined area F040-F9FC, which exists only on the PC that made it
  未定義の文字         a code that code page 932 does not define, and the bytes 80, A0, FD-FF
  不正なバイト列       a lead byte at the end, or before a byte that cannot follow one
  jis rejects all six kinds, cp932 only the last three.
  zengin accepts only the character set of bank transfers (全銀協 format): the digits 0-9,
  the capitals A-Z, the half-width katakana ｦ and ｱ-ﾝ (no small kana, no ｰ), ﾞ and ﾟ, the
  space and ( ) - . /.
Fixes: where a replacement keeps the rejected character's meaning exactly and the check
accepts it, a line 候補「…」 (Pバイト目) follows: the other width of a kana (ｶﾞ and ガ as
one), a digit, a Latin letter or an ASCII symbol, the other script of a kana for the two
full-width kana checks, the capital for --zengin, and for --jis the JIS X 0208 code of a
vendor character that is the same character (∵ ≒ ≡ ∫ √ ⊥ ∠ ∩ ∪ ¬). ① or 髙 get none.

Records and fields:
  (default)          a record is a line, ended by LF or CR LF; fields are split at every
                     delimiter
  --csv              records and fields as RFC 4180 has them: a field that starts with " runs
                     to the next " that is not doubled and may hold delimiters and line ends;
                     "" in it stands for ". The text checked is the field without its quotes.
                     A record that breaks these rules fails with one line,
                       CSV：ＮＧ (Pバイト目) <why>
                     where P is the byte of the fault, counted in the record as the file has it
  --delimiter C      the field delimiter, one ASCII character (default: tab, or "," with --csv;
                     "\t" also means tab)
  --header           the first record names the fields and is not checked; a record with more
                     or fewer fields than it fails with フィールド数：ＮＧ (M個、見出しはN個)
  --field F          check only field F: a number from 1, or a header name with --header (a
                     missing field is empty)
  --input-encoding E  cp932 (default) or utf-8; utf-8 is converted to code page 932 as
                     the window converts its input field, and a character code page 932 cannot
                     hold, or a byte sequence that is not UTF-8, is reported on a line of its
                     own and fails the record; a byte order mark at the start is skipped

Columns (in place of the operations and --field):
  --column F:RULE[,RULE...]  the rules for field F (a number, or a header name), run in the
                     order given; repeatable, columns are checked in the order given
  --layout FILE      one F:RULE[,RULE...] a line; blank lines and lines starting with # skipped
  Rules: an operation's name without the dashes (full-katakana, byte-size, ...), and
    no-symbols       the script checks of this column with symbols not allowed
    max-bytes=N      at most N bytes in code page 932:  最大Nバイト：ＯＫ, or
                     最大Nバイト：ＮＧ (Pバイト目) and the excerpt, where P is the first
                     character that does not fit wholly within N bytes (where a fixed-width
                     system would cut it)
    required         not empty (a missing field is empty):  必須：ＯＫ, or 必須：ＮＧ (空欄)

Output:
  --all              every rejected character, not only the first: the NG line still gives
                     the first position, and the excerpt brackets every one
  --output-encoding E  utf-8 or cp932 (default: utf-8 in a UTF-8 locale, else cp932)
  --quiet            print only the records that fail a check
  --json             one JSON object per record and check, in UTF-8, with the keys file,
                     record, line (where the record starts), field and column (when one is
                     selected), operation, ok, position, positions (with --all), size and
                     limit (max-bytes), fields and expected (field-count), kind (--jis and
                     --cp932) and suggestion (every check; null for none) of the first
                     rejected character, with --all also kinds and suggestions parallel to
                     positions, and lines; the
                     operation "csv" is a malformed record. A file name that is not UTF-8 is
                     written with U+FFFD for each byte sequence that is not
  --help, --version

Exit status: 0 when every check of every record passed, 1 when any failed, 2 for a usage
error, a file that could not be read, a column name not in the header, output that could not
be written, or too little memory.

Examples:
  kestrune-check --quiet --full-katakana --field 2 names.tsv
  kestrune-check --csv --header --column 氏名カナ:full-katakana,max-bytes=40 \
                 --column 郵便番号:half-digits,required customers.csv
)";
}

std::string VersionText() {
    return std::string("kestrune-check ") + KESTRUNE_VERSION + "\n";
}

}  // namespace check
