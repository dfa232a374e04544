// Parsing the command line: GNU-style long options, "--name value" or "--name=value", "--" to
// end them and "-" for standard input. Each option is a row of one table.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "cp932.h"
#include "kestrune_version.h"
#include "platform.h"

namespace check {

namespace {

bool ParseEncoding(std::string_view name, Encoding& encoding, bool input) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "cp932" || lower == "shift_jis" || lower == "sjis") {
        encoding = Encoding::Cp932;
    } else if (lower == "utf-8" || lower == "utf8") {
        encoding = Encoding::Utf8;
    } else if (input && lower == "auto") {
        encoding = Encoding::Auto;
    } else {
        return false;
    }
    return true;
}

// NAME@START-END: a range of bytes in a fixed-width record.
bool ParseRange(std::string_view text, FieldRef& field, std::string& error) {
    const std::size_t at = text.rfind('@'), dash = text.rfind('-');
    int start = 0, end = 0;
    if (at == 0 || dash == std::string_view::npos || dash < at ||
        !ParseCount(text.substr(at + 1, dash - at - 1), start) ||
        !ParseCount(text.substr(dash + 1), end)) {
        error = "a range is NAME@START-END, bytes counted from 1";
        return false;
    }
    if (start > end) {
        error = "the range " + std::string(text.substr(at + 1)) + " is empty";
        return false;
    }
    field.name = text.substr(0, at);
    field.start = static_cast<std::size_t>(start);
    field.end = static_cast<std::size_t>(end);
    return true;
}

// A field is a number when it is all digits, a range when it has an @, and otherwise a header
// name.
bool ParseFieldRef(std::string_view text, FieldRef& field, std::string& error) {
    if (text.empty()) {
        error = "no field given";
        return false;
    }
    if (text.find('@') != std::string_view::npos) return ParseRange(text, field, error);
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
bool ParseColumn(std::string_view spec, ColumnSpec& column, std::string& error) {
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
    if (!ParseRuleList(rules, column.rules, column.symbolsAllowed, error)) return false;
    if (HasRule(column.rules, RuleKind::Truncate) && !HasRule(column.rules, RuleKind::MaxBytes)) {
        error = "truncate needs max-bytes=N in the same column";
        return false;
    }
    return true;
}

}  // namespace

// One FIELD:RULE[,RULE...] a line; blank lines and lines that start with # are skipped.
bool ParseLayoutText(std::string_view text, const std::string& name,
                     std::vector<ColumnSpec>& columns, std::string& error) {
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t lf = text.find('\n');
        const std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        ColumnSpec column;
        if (!ParseColumn(line.substr(first, last + 1 - first), column, error)) {
            error = name + ":" + std::to_string(number) + ": " + error;
            return false;
        }
        columns.push_back(std::move(column));
    }
    return true;
}

namespace {

// The columns of a layout file.
bool ReadLayout(const std::string& path, std::vector<ColumnSpec>& columns, std::string& error) {
    std::ifstream file(platform::PathOf(path), std::ios::binary);
    if (!file) {
        error = "--layout " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    if (file.bad()) {
        error = "--layout " + path + ": " + std::strerror(errno);
        return false;
    }
    return ParseLayoutText(text, path, columns, error);
}

// What the options set as they are read, before the forms are reconciled.
struct Parse {
    ParsedOptions& parsed;
    ColumnSpec global;  // the operation options: rules for one field, or the whole record
    bool fieldGiven = false;
    bool symbolsAllowed = true;
    bool delimiterGiven = false;
    bool fixEncodingGiven = false;
    Options& o() { return parsed.options; }
};

using Setter = std::string (*)(Parse& p, const std::string& value);

struct OptionRow {
    std::string_view name;
    // The error when the value is missing; empty for an option that takes none.
    std::string_view needs;
    Setter set;  // returns an error, empty when none
};

template <bool Options::*kFlag>
std::string SetFlag(Parse& p, const std::string&) {
    p.o().*kFlag = true;
    return {};
}

std::string SetField(Parse& p, const std::string& v) {
    std::string error;
    if (!ParseFieldRef(v, p.global.field, error)) {
        return "--field needs a field number from 1 on, or a header name";
    }
    p.fieldGiven = true;
    return {};
}

std::string SetColumn(Parse& p, const std::string& v) {
    ColumnSpec column;
    std::string error;
    if (!ParseColumn(v, column, error)) return "--column '" + v + "': " + error;
    p.o().columns.push_back(std::move(column));
    p.o().columnsGiven = true;
    return {};
}

std::string SetLayout(Parse& p, const std::string& v) {
    std::string error;
    if (!ReadLayout(v, p.o().columns, error)) return error;
    p.o().columnsGiven = true;
    return {};
}

std::string SetDelimiter(Parse& p, const std::string& v) {
    p.delimiterGiven = true;
    if (v == "\\t") {
        p.o().delimiter = '\t';
    } else if (v.size() == 1 && static_cast<unsigned char>(v[0]) < 0x80) {
        p.o().delimiter = v[0];
    } else {
        // A byte from 0x80 on could be a lead or trail byte of a character.
        return "--delimiter needs a single ASCII character";
    }
    return {};
}

std::string SetInputEncoding(Parse& p, const std::string& v) {
    if (ParseEncoding(v, p.o().input, true)) return {};
    return "--input-encoding is cp932, utf-8 or auto";
}

std::string SetOutputEncoding(Parse& p, const std::string& v) {
    if (ParseEncoding(v, p.o().output, false)) return {};
    return "--output-encoding is cp932 or utf-8";
}

std::string SetFix(Parse& p, const std::string& v) {
    if (v.empty()) return "--fix needs a file, or - for standard output";
    p.o().fixFile = v;
    return {};
}

std::string SetFixEncoding(Parse& p, const std::string& v) {
    p.fixEncodingGiven = true;
    if (ParseEncoding(v, p.o().fixEncoding, false)) return {};
    return "--fix-encoding is cp932 or utf-8";
}

std::string SetRejects(Parse& p, const std::string& v) {
    if (v.empty() || v == "-") return "--rejects needs a file";
    p.o().rejectsFile = v;
    return {};
}

std::string SetFixedWidth(Parse& p, const std::string& v) {
    int n = 0;
    if (!ParseCount(v, n)) return "--fixed-width needs a record length in bytes, from 1";
    p.o().fixedWidth = static_cast<std::size_t>(n);
    return {};
}

std::string SetRecordEnd(Parse& p, const std::string& v) {
    constexpr std::pair<std::string_view, RecordEnd> kEnds[] = {
        {"none", RecordEnd::None}, {"crlf", RecordEnd::CrLf}, {"lf", RecordEnd::Lf}};
    for (const auto& [name, end] : kEnds) {
        if (v == name) {
            p.o().recordEnd = end;
            return {};
        }
    }
    return "--record-end is none, crlf or lf";
}

std::string SetFormat(Parse& p, const std::string& v) {
    if (v != "zengin") return "--format is zengin";
    p.o().format = Format::Zengin;
    return {};
}

std::string SetReport(Parse& p, const std::string& v) {
    if (v.empty() || v == "-") return "--report needs a file";
    p.o().reportFile = v;
    return {};
}

std::string SetNoSymbols(Parse& p, const std::string&) {
    p.symbolsAllowed = false;
    return {};
}

// The operations are options too, by their own names (kOperations).
constexpr OptionRow kOptionRows[] = {
    {"--no-symbols", "", SetNoSymbols},
    {"--quiet", "", SetFlag<&Options::quiet>},
    {"--json", "", SetFlag<&Options::json>},
    {"--csv", "", SetFlag<&Options::csv>},
    {"--header", "", SetFlag<&Options::header>},
    {"--all", "", SetFlag<&Options::all>},
    {"--field", "--field needs a field number from 1 on, or a header name", SetField},
    {"--column", "--column needs FIELD:RULE[,RULE...]", SetColumn},
    {"--layout", "--layout needs a file", SetLayout},
    {"--delimiter", "--delimiter needs a character", SetDelimiter},
    {"--input-encoding", "--input-encoding is cp932, utf-8 or auto", SetInputEncoding},
    {"--output-encoding", "--output-encoding is cp932 or utf-8", SetOutputEncoding},
    {"--fix", "--fix needs a file, or - for standard output", SetFix},
    {"--fix-encoding", "--fix-encoding is cp932 or utf-8", SetFixEncoding},
    {"--rejects", "--rejects needs a file", SetRejects},
    {"--fixed-width", "--fixed-width needs a record length in bytes", SetFixedWidth},
    {"--record-end", "--record-end is none, crlf or lf", SetRecordEnd},
    {"--format", "--format is zengin", SetFormat},
    {"--summary", "", SetFlag<&Options::summary>},
    {"--report", "--report needs a file", SetReport},
    {"--no-progress", "", SetFlag<&Options::noProgress>},
};

// One option at args[i], with its value; an error, empty when none.
std::string ParseOption(Parse& p, const std::vector<std::string>& args, std::size_t& i) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name == "--help" || name == "-h" || name == "--version") {
        p.parsed.action = name == "--version" ? Action::Version : Action::Help;
        return {};
    }
    if (const OperationRow* op = name.starts_with("--") ? RowByOption(name.substr(2)) : nullptr;
        op != nullptr && equals == std::string::npos) {
        p.global.rules.push_back({RuleKind::Operation, op->operation, 0});
        return {};
    }
    const auto row = std::find_if(std::begin(kOptionRows), std::end(kOptionRows),
                                  [&](const OptionRow& r) { return r.name == name; });
    if (row == std::end(kOptionRows) || (row->needs.empty() && equals != std::string::npos)) {
        return "unknown option '" + arg + "'";
    }
    std::string value;
    if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
    } else if (!row->needs.empty()) {
        if (i + 1 >= args.size()) return std::string(row->needs);
        value = args[++i];
    }
    return row->set(p, value);
}

// The operation options and --field, or the columns, and what goes with each.
// Fixed-width records: fields are ranges within the record, none of them overlapping.
std::string ReconcileFixedWidth(Parse& p) {
    Options& o = p.o();
    if (o.format == Format::Zengin) {
        if (o.columnsGiven || !p.global.rules.empty() || p.fieldGiven) {
            return "--format zengin brings its own layouts: no operations, --field or columns";
        }
        if (o.fixedWidth != 0 && o.fixedWidth != 120)
            return "--format zengin records are 120 bytes";
        o.fixedWidth = 120;
        o.columnsGiven = true;  // its results name their fields
    }
    const bool ranges = std::any_of(o.columns.begin(), o.columns.end(),
                                    [](const ColumnSpec& c) { return c.field.start > 0; });
    if (o.fixedWidth == 0) return ranges ? "a field NAME@START-END needs --fixed-width" : "";
    if (o.csv || o.header) return "--fixed-width reads neither --csv nor --header";
    if (p.fieldGiven) return "--fixed-width fields are NAME@START-END columns, not --field";
    std::vector<std::pair<std::size_t, std::size_t>> taken;
    for (const ColumnSpec& c : o.columns) {
        if (c.field.start == 0 && (c.field.number != 0 || !c.field.name.empty())) {
            return "--fixed-width fields are NAME@START-END, not '" + c.field.name + "'";
        }
        if (c.field.start == 0) continue;  // the whole record
        if (c.field.end > o.fixedWidth) {
            return "the field " + c.field.name + " ends past the record's " +
                   std::to_string(o.fixedWidth) + " bytes";
        }
        for (const auto& [start, end] : taken) {
            if (c.field.start <= end && start <= c.field.end) {
                return "the field " + c.field.name + " overlaps another";
            }
        }
        taken.emplace_back(c.field.start, c.field.end);
    }
    return {};
}

std::string Reconcile(Parse& p) {
    Options& o = p.o();
    // A format's layouts take the place of the columns.
    if (o.format == Format::None && o.columnsGiven) {
        if (!p.global.rules.empty() || p.fieldGiven) {
            return "--column and --layout take the place of operation options and --field";
        }
        if (o.columns.empty()) return "the layout names no column";
    } else if (o.format == Format::None) {
        if (p.global.rules.empty()) {
            return "no operation given: name one or more, such as --full-katakana";
        }
        o.columns.push_back(std::move(p.global));
    }
    if (o.csv && !p.delimiterGiven) o.delimiter = ',';
    if (o.csv && (o.delimiter == '"' || o.delimiter == '\n' || o.delimiter == '\r')) {
        return "--delimiter cannot be a quote or a line end in --csv";
    }
    if (o.fixFile.empty() && (!o.rejectsFile.empty() || p.fixEncodingGiven)) {
        return "--rejects and --fix-encoding go with --fix";
    }
    if (!o.fixFile.empty() && o.files.size() > 1) {
        return "--fix takes one input, a file or standard input";
    }
    if (!o.rejectsFile.empty() && o.rejectsFile == o.fixFile) {
        return "--fix and --rejects need two files";
    }
    if (const std::string error = ReconcileFixedWidth(p); !error.empty()) return error;
    for (ColumnSpec& column : o.columns) {
        if (!p.symbolsAllowed) column.symbolsAllowed = 0;
        if (!column.field.name.empty() && column.field.start == 0 && !o.header) {
            return "field '" + column.field.name +
                   "' is not a number; a field is named only with --header";
        }
    }
    return {};
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args, Encoding localeOutput) {
    ParsedOptions parsed;
    parsed.options.output = localeOutput;
    parsed.options.arguments = args;
    Parse p{parsed, {}, false, true, false, false};
    std::string error;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
            parsed.options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            error = ParseOption(p, args, i);
            if (parsed.action != Action::Check) return parsed;
        }
    }
    if (error.empty()) error = Reconcile(p);
    if (!error.empty()) {
        parsed.action = Action::UsageError;
        parsed.error = std::move(error);
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
                     CSV：ＮＧ (Pバイト目) and the reason, where P is the byte of the fault,
                     counted in the record as the file has it
  --delimiter C      the field delimiter, one ASCII character (default: tab, or "," with --csv;
                     "\t" also means tab)
  --header           the first record names the fields and is not checked; a record with more
                     or fewer fields than it fails with フィールド数：ＮＧ (M個、見出しはN個)
  --field F          check only field F: a number from 1, or a header name with --header (a
                     missing field is empty)
  --fixed-width N    records of exactly N bytes, one after another or each ended by CR LF or
                     LF as the first record shows; a field of them is NAME@START-END in the
                     columns and layouts, bytes counted from 1 within the record. A record of
                     another length fails with レコード長：ＮＧ (Mバイト、Nバイトのはず) and is
                     checked as it stands; a single 0x1A at the end of the file is no record
  --record-end E     none, crlf or lf: the one form fixed-width records must have
  --format zengin    a bank transfer file (全銀協 総合振込): 120-byte records checked by the
                     layouts in the folder )" KESTRUNE_LAYOUTS_DIR R"(,
                     layout files to copy and adjust, and what only the whole file shows: the
                     order of the records (レコード順), each trailer's count (合計件数) and sum
                     (合計金額)
  --input-encoding E  cp932 (default), utf-8 or auto; utf-8 is converted to code page 932 as
                     the window converts its input field, and a character code page 932 cannot
                     hold, or a byte sequence that is not UTF-8, is reported on a line of its
                     own and fails the record; a byte order mark at the start is skipped. auto
                     reads each file as UTF-8 when its first 64 KiB are well-formed UTF-8 with
                     at least one multi-byte character (or it starts with a byte order mark),
                     and as cp932 otherwise; read as cp932 by default, such a file gets a hint
                     on standard error

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
    digits           only 0-9:  数字：ＯＫ, or 数字：ＮＧ (Pバイト目)
    padded-left      no space before the text, unless it is all spaces:  左詰め：…
    zero-filled      digits all through, never empty:  ゼロ埋め：…
    equals=TEXT      exactly TEXT:  固定値「TEXT」：…
    blank            spaces only:  空白：…
  Corrections, which change text only with --fix, and only where a check of the column
  rejects it (truncate: where the limit is passed):
    fold-small-kana  small kana to full size, as banks write names (ｯ to ﾂ, ぁ to あ, ァ to ア)
    hyphen-for-long-vowel  the long vowel mark ｰ or ー to -
    trim             spaces at the start or the end removed, half- and full-width
    truncate         with max-bytes=N, the text cut before the first character that does not
                     fit wholly within N bytes; every cut is reported with what it removed

Repair:
  --fix FILE         write the records to FILE corrected (- for standard output; the report
                     then goes to standard error): each character a check rejects is replaced
                     by the check's own suggestion (候補), or by a correction the column asks
                     for; a column's rules run in the order given, each on the text as the
                     rules before it left it. Everything else is written as read: a record
                     with no change byte for byte, a changed CSV field quoted as it was or
                     where it now needs quotes. Each change is reported as
                     修正「ｶﾞ」→「ガ」 (Pバイト目), P the byte in the field as read, and then
                     what is still wrong as the checks judge the corrected text. FILE takes
                     its name only once the whole input was read and written; one input only,
                     and never FILE itself
  --fix-encoding E   cp932 (default) or utf-8, the encoding of the corrected file
  --rejects FILE     with --fix, a record that still fails goes to FILE as read instead of the
                     corrected file (with --header, the header goes to both)

Output:
  --all              every rejected character, not only the first: the NG line still gives
                     the first position, and the excerpt brackets every one
  --output-encoding E  utf-8 or cp932 (default: utf-8 in a UTF-8 locale, else cp932)
  --quiet            print only the records that fail a check, and with --fix the changes
  --json             one JSON object per record and check, in UTF-8, with the keys file,
                     record, line (where the record starts), field and column (when one is
                     selected), operation, ok, position, positions (with --all), value
                     (byte-size and char-count: the number measured), size and limit
                     (max-bytes), fields and expected (field-count), kind (--jis and
                     --cp932) and suggestion (every check; null for none) of the first
                     rejected character, with --all also kinds and suggestions parallel to
                     positions, and lines; the operation "csv" is a malformed record, "fix"
                     a correction, with rule, position, from and to, "record-length" a
                     fixed-width record of another length, with length and expected, and
                     "record-order", "total-count" and "total-amount" what only a whole bank
                     transfer file shows, with found and expected; a fixed-width field has its
                     offset in the record. A file name that is
                     not UTF-8 is written with U+FFFD for each byte sequence that is not UTF-8
  --summary          in place of the records' lines, a table for each file (and a total for
                     several): for each column and rule the records checked and failing and
                     the share failing, smallest, largest and mean size for byte-size,
                     char-count and max-bytes, and the rejected characters from the most
                     frequent down, each with its count, kind (jis, cp932), suggestion and
                     the record and byte where it is first seen. With --json, one object for
                     each file with "operation":"summary", records, failing and rules, each
                     rule with field, column, operation, limit, checked, failing, smallest,
                     largest, mean and characters (character, count, kind, suggestion,
                     record, position); the total has "file":null and files
  --report FILE      besides the usual output, a web page (HTML in UTF-8, nothing external,
                     no script): the files and options, the summary with a bar for the share
                     failing, the ranked characters, and the first 100 failing records of
                     each column and rule with every rejected character marked (its kind,
                     bytes and suggestion beside it and on hover). FILE takes its name only
                     once the whole run is over, and never an input's
  --no-progress      no progress line: by default, where standard error is a terminal and an
                     input is larger than 64 MiB, one line there shows the bytes read (of
                     how many), records, failing records and MB/s, and is erased at the end
  --help, --version

Exit status:
  0  every check of every record passed
  1  a check of a record failed
  2  a usage error, a file that could not be read, a column name not in the header, output
     that could not be written, or too little memory

Examples:
  kestrune-check --quiet --full-katakana --field 2 names.tsv
  kestrune-check --csv --header --column 氏名カナ:full-katakana,max-bytes=40 \
                 --column 郵便番号:half-digits,required customers.csv
  kestrune-check --csv --header --summary --report customers.html \
                 --column 氏名カナ:full-katakana customers.csv
)";
}

std::string VersionText() {
    return std::string("kestrune-check ") + std::string(kestrune_version::kProject) + "\n";
}

}  // namespace check
