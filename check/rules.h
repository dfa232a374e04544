// The rules a column can be given, as one table: an operation of the window, a byte limit, or
// that the field is not empty. Each row says how its rule is named, evaluated and worded;
// adding a rule is adding a row.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "operations.h"
#include "repertoire.h"

namespace check {

// The checks, then the corrections a user asks for by name, which change text only with --fix.
enum class RuleKind {
    Operation,
    MaxBytes,
    Required,
    FoldSmallKana,
    HyphenForLongVowel,
    Trim,
    Truncate,
    Digits,
    PaddedLeft,
    ZeroFilled,
    Equals,
    Blank,
};

struct Rule {
    RuleKind kind = RuleKind::Operation;
    Operation operation = Operation::ByteSize;  // for RuleKind::Operation
    int limit = 0;                              // for a rule that takes a number
    std::string text = {};                      // for one that takes a text, code page 932
};

// What follows a rule's name after "=".
enum class Parameter { None, Number, Text };

// What a rule found: its verdict, the first rejected position (0 when it passed), and what it
// measured: a measurement's value, or the text's size in bytes for a byte limit.
struct RuleOutcome {
    bool ok;
    int position;
    int measured;
};

// What a rule found besides its verdict, where that is wanted.
struct RuleFindings {
    // The rejected positions are appended: the first, or with `all` every one.
    std::vector<int>& positions;
    bool all;
    int position = 0;  // the first rejected position, 0 when it passed
    int measured = 0;  // a measurement's value, or the text's size in bytes for a byte limit
};

struct RuleRow {
    RuleKind kind;
    // The rule's name in a column's rules and in JSON, before "=" where it takes a parameter;
    // empty for the operations, which go by their own names.
    std::string_view name;
    Parameter parameter;
    // The verdict over `text`; with `findings`, what it found besides. Null for a correction,
    // which checks nothing.
    bool (*evaluate)(const Rule& rule, std::string_view text, int symbolsAllowed,
                     RuleFindings* findings);
    // The result line, in code page 932.
    std::string (*line)(const Rule& rule, const RuleOutcome& outcome);  // null for a correction
    bool excerpt;  // a failure is shown with the excerpt of the text
    bool sized;    // JSON gives the text's size and the rule's limit
};

// In the order of RuleKind.
extern const RuleRow kRuleRows[];

inline const RuleRow& RowOf(const Rule& rule) {
    return kRuleRows[static_cast<int>(rule.kind)];
}

// The rule a column's rule list names, such as "full-katakana" or "max-bytes=30"; none with
// `error` set when it names none. "no-symbols" is not a rule but a setting of the column.
std::optional<Rule> ParseRule(std::string_view name, std::string& error);
// A whole rule list, its names separated by commas, appended to `rules`; "no-symbols" among them
// sets `symbolsAllowed` to 0. False at the first name that is no rule, with `error` set.
bool ParseRuleList(std::string_view list, std::vector<Rule>& rules, int& symbolsAllowed,
                   std::string& error);

// A whole decimal number from 1 to INT_MAX, nothing before or after it.
bool ParseCount(std::string_view text, int& n);

// The name of the rule's operation in JSON.
std::string_view JsonName(const Rule& rule);
// A character's kind as JSON names it: nec-special.
std::string_view JsonKindName(CharacterKind kind);

// Whether one of `rules` is of `kind`.
inline bool HasRule(std::span<const Rule> rules, RuleKind kind) {
    return std::any_of(rules.begin(), rules.end(), [&](const Rule& r) { return r.kind == kind; });
}

// Whether the rule is a correction, not a check.
inline bool Corrects(const Rule& rule) {
    return RowOf(rule).evaluate == nullptr;
}

// Whether a rule's failures say something of each rejected character: a class check does, a
// measurement or a limit does not.
bool NotesRejected(const Rule& rule);
// Whether they name its kind: the checks that judge where a character comes from.
bool NamesKinds(const Rule& rule);

// Whether the rule measures the text (byte-size, char-count, the size max-bytes limits), so that
// a summary has a value from it for every record.
inline bool Measures(const Rule& rule) {
    return rule.kind == RuleKind::MaxBytes ||
           (rule.kind == RuleKind::Operation && Row(rule.operation).unit != Unit::None);
}

}  // namespace check
