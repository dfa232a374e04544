#include "rules.h"

#include <algorithm>
#include <charconv>

#include "analysis.h"
#include "cp932.h"
#include "kernels.h"
#include "wording.h"

namespace check {

namespace {

// After a rejected character the scan goes on at the next character start.
void RejectedPositions(Operation op, std::string_view text, int symbolsAllowed, int first, bool all,
                       std::vector<int>& positions) {
    for (int p = first; p != 0;) {
        positions.push_back(p);
        if (!all) break;
        const std::size_t at = static_cast<std::size_t>(p) - 1;
        const std::size_t next = at + static_cast<std::size_t>(CharacterWidth(text, at));
        if (next >= text.size()) break;
        const Outcome more = Row(op).literal(text, symbolsAllowed, next);
        p = more.ok ? 0 : more.position;
    }
}

bool EvaluateOperation(const Rule& rule, std::string_view text, int symbolsAllowed,
                       RuleFindings* findings) {
    const OperationRow& row = Row(rule.operation);
    // Most fields pass and are short: where only the verdict is wanted, a table confirms them
    // whole without the operation's layers; anything it does not confirm gets the operation's.
    if (findings == nullptr && row.kernel && text.size() < kernels::kBlock &&
        kernels::ConfirmedShort(*row.kernel, text, symbolsAllowed) == text.size()) {
        return true;
    }
    const Outcome outcome = row.run(text, symbolsAllowed);
    if (findings != nullptr) {
        findings->position = outcome.position;
        findings->measured = outcome.value;
        if (!outcome.ok) {
            RejectedPositions(rule.operation, text, symbolsAllowed, outcome.position, findings->all,
                              findings->positions);
        }
    }
    return outcome.ok;
}

bool EvaluateMaxBytes(const Rule& rule, std::string_view text, int, RuleFindings* findings) {
    if (findings != nullptr) findings->measured = static_cast<int>(text.size());
    if (text.size() <= static_cast<std::size_t>(rule.limit)) return true;
    if (findings != nullptr) {
        findings->position = CheckByteLimit(text, rule.limit).position;
        findings->positions.push_back(findings->position);
    }
    return false;
}

bool EvaluateRequired(const Rule&, std::string_view text, int, RuleFindings*) {
    return !text.empty();
}

// Every character from `from` that `rejected` says no to, as a check rejects them: the first,
// or with `all` every one.
template <typename Rejects>
bool Characters(std::string_view text, std::size_t from, RuleFindings* findings, Rejects rejected) {
    bool ok = true;
    for (std::size_t i = from; i < text.size();) {
        const auto width = static_cast<std::size_t>(CharacterWidth(text, i));
        if (rejected(text, i)) {
            if (findings == nullptr) return false;
            if (ok) findings->position = static_cast<int>(i) + 1;
            findings->positions.push_back(static_cast<int>(i) + 1);
            ok = false;
            if (!findings->all) break;
        }
        i += width;
    }
    return ok;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where only the verdict is wanted, bytes will do: a double-byte character starts with a byte
// that is neither a digit nor a space.
bool EvaluateDigits(const Rule&, std::string_view text, int, RuleFindings* findings) {
    if (findings == nullptr) return std::all_of(text.begin(), text.end(), IsDigit);
    return Characters(text, 0, findings,
                      [](std::string_view t, std::size_t i) { return !IsDigit(t[i]); });
}

// Digits all through: a field that holds a number is never empty.
bool EvaluateZeroFilled(const Rule& rule, std::string_view text, int symbols,
                        RuleFindings* findings) {
    if (text.empty()) return false;
    return EvaluateDigits(rule, text, symbols, findings);
}

bool EvaluateBlank(const Rule&, std::string_view text, int, RuleFindings* findings) {
    if (findings == nullptr) return text.find_first_not_of(' ') == std::string_view::npos;
    return Characters(text, 0, findings,
                      [](std::string_view t, std::size_t i) { return t[i] != ' '; });
}

// Left-aligned: no space before the text, unless there is no text at all.
bool EvaluatePaddedLeft(const Rule&, std::string_view text, int, RuleFindings* findings) {
    if (text.empty() || text[0] != ' ' || text.find_first_not_of(' ') == std::string_view::npos) {
        return true;
    }
    if (findings != nullptr) {
        findings->position = 1;
        findings->positions.push_back(1);
    }
    return false;
}

// Exactly the text: the first byte that differs, or the one past the end of the shorter.
bool EvaluateEquals(const Rule& rule, std::string_view text, int, RuleFindings* findings) {
    if (text == rule.text) return true;
    if (findings != nullptr) {
        const auto differs =
            std::mismatch(text.begin(), text.end(), rule.text.begin(), rule.text.end());
        findings->position = static_cast<int>(differs.first - text.begin()) + 1;
        findings->positions.push_back(findings->position);
    }
    return false;
}

std::string OperationLine(const Rule& rule, const RuleOutcome& outcome) {
    return VerdictLine(rule.operation, {outcome.ok, outcome.position, outcome.measured});
}
std::string MaxBytesRuleLine(const Rule& rule, const RuleOutcome& outcome) {
    return MaxBytesLine(rule.limit, {outcome.ok, outcome.position, 0});
}
std::string RequiredRuleLine(const Rule&, const RuleOutcome& outcome) {
    return RequiredLine(outcome.ok);
}
template <FieldCheck kCheck>
std::string FieldRuleLine(const Rule& rule, const RuleOutcome& outcome) {
    return FieldCheckLine(kCheck, rule.text, outcome.ok, outcome.position);
}

}  // namespace

constexpr RuleRow kRuleRows[] = {
    {RuleKind::Operation, "", Parameter::None, EvaluateOperation, OperationLine, true, false},
    {RuleKind::MaxBytes, "max-bytes", Parameter::Number, EvaluateMaxBytes, MaxBytesRuleLine, true,
     true},
    {RuleKind::Required, "required", Parameter::None, EvaluateRequired, RequiredRuleLine, false,
     false},
    {RuleKind::FoldSmallKana, "fold-small-kana", Parameter::None, nullptr, nullptr, false, false},
    {RuleKind::HyphenForLongVowel, "hyphen-for-long-vowel", Parameter::None, nullptr, nullptr,
     false, false},
    {RuleKind::Trim, "trim", Parameter::None, nullptr, nullptr, false, false},
    {RuleKind::Truncate, "truncate", Parameter::None, nullptr, nullptr, false, false},
    {RuleKind::Digits, "digits", Parameter::None, EvaluateDigits, FieldRuleLine<FieldCheck::Digits>,
     true, false},
    {RuleKind::PaddedLeft, "padded-left", Parameter::None, EvaluatePaddedLeft,
     FieldRuleLine<FieldCheck::PaddedLeft>, true, false},
    {RuleKind::ZeroFilled, "zero-filled", Parameter::None, EvaluateZeroFilled,
     FieldRuleLine<FieldCheck::ZeroFilled>, true, false},
    {RuleKind::Equals, "equals", Parameter::Text, EvaluateEquals, FieldRuleLine<FieldCheck::Equals>,
     true, false},
    {RuleKind::Blank, "blank", Parameter::None, EvaluateBlank, FieldRuleLine<FieldCheck::Blank>,
     true, false},
};

// A whole decimal number from 1 to INT_MAX, nothing before or after it.
bool ParseCount(std::string_view text, int& n) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return !text.empty() && text[0] != '-' && text[0] != '+' && ec == std::errc() &&
           end == text.data() + text.size() && n >= 1;
}

constexpr bool RowsInOrder() {
    for (std::size_t k = 0; k < std::size(kRuleRows); ++k) {
        if (static_cast<std::size_t>(kRuleRows[k].kind) != k) return false;
    }
    return true;
}
static_assert(RowsInOrder(), "kRuleRows follows RuleKind");

std::optional<Rule> ParseRule(std::string_view name, std::string& error) {
    if (const OperationRow* row = RowByOption(name)) {
        return Rule{RuleKind::Operation, row->operation, 0};
    }
    for (const RuleRow& row : kRuleRows) {
        if (row.name.empty() || !name.starts_with(row.name)) continue;
        const std::string_view rest = name.substr(row.name.size());
        Rule rule{row.kind, Operation::ByteSize, 0};
        if (row.parameter == Parameter::None && rest.empty()) return rule;
        if (row.parameter == Parameter::None || !rest.starts_with('=')) continue;
        const std::string_view value = rest.substr(1);
        if (row.parameter == Parameter::Number && ParseCount(value, rule.limit)) return rule;
        if (row.parameter == Parameter::Text && !value.empty()) {
            // As a UTF-8 command line or layout file spells it; other bytes as they stand.
            rule.text =
                ValidUtf8Prefix(value) == value.size() ? Utf8ToCp932(value) : std::string(value);
            return rule;
        }
        error = std::string(row.name) + (row.parameter == Parameter::Number
                                             ? " needs a number of bytes from 1 on"
                                             : " needs a text after =");
        return std::nullopt;
    }
    error = "unknown rule '" + std::string(name) + "'";
    return std::nullopt;
}

bool ParseRuleList(std::string_view list, std::vector<Rule>& rules, int& symbolsAllowed,
                   std::string& error) {
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == "no-symbols") {  // a setting of the column, not a rule
            symbolsAllowed = 0;
        } else if (const std::optional<Rule> rule = ParseRule(name, error)) {
            rules.push_back(*rule);
        } else {
            return false;
        }
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

std::string_view JsonKindName(CharacterKind kind) {
    constexpr std::string_view kNames[] = {"jis",           "nec-special",  "nec-selected-ibm",
                                           "ibm-extension", "user-defined", "undefined",
                                           "invalid"};
    return kNames[static_cast<int>(kind)];
}

std::string_view JsonName(const Rule& rule) {
    return rule.kind == RuleKind::Operation ? Row(rule.operation).option : RowOf(rule).name;
}

bool NotesRejected(const Rule& rule) {
    return rule.kind == RuleKind::Operation && Row(rule.operation).unit == Unit::None;
}

bool NamesKinds(const Rule& rule) {
    return rule.kind == RuleKind::Operation && Row(rule.operation).namesKinds;
}

}  // namespace check
