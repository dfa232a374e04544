#include "rules.h"

#include <charconv>

#include "analysis.h"
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

std::string OperationLine(const Rule& rule, const RuleOutcome& outcome) {
    return VerdictLine(rule.operation, {outcome.ok, outcome.position, outcome.measured});
}
std::string MaxBytesRuleLine(const Rule& rule, const RuleOutcome& outcome) {
    return MaxBytesLine(rule.limit, {outcome.ok, outcome.position, 0});
}
std::string RequiredRuleLine(const Rule&, const RuleOutcome& outcome) {
    return RequiredLine(outcome.ok);
}

}  // namespace

constexpr RuleRow kRuleRows[] = {
    {RuleKind::Operation, "", false, EvaluateOperation, OperationLine, true, false},
    {RuleKind::MaxBytes, "max-bytes", true, EvaluateMaxBytes, MaxBytesRuleLine, true, true},
    {RuleKind::Required, "required", false, EvaluateRequired, RequiredRuleLine, false, false},
    {RuleKind::FoldSmallKana, "fold-small-kana", false, nullptr, nullptr, false, false},
    {RuleKind::HyphenForLongVowel, "hyphen-for-long-vowel", false, nullptr, nullptr, false, false},
    {RuleKind::Trim, "trim", false, nullptr, nullptr, false, false},
    {RuleKind::Truncate, "truncate", false, nullptr, nullptr, false, false},
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
    if (const OperationRow* row = RowByOption(name))
        return Rule{RuleKind::Operation, row->operation, 0};
    for (const RuleRow& row : kRuleRows) {
        if (row.name.empty() || !name.starts_with(row.name)) continue;
        const std::string_view rest = name.substr(row.name.size());
        if (!row.takesNumber && rest.empty()) return Rule{row.kind, Operation::ByteSize, 0};
        if (!row.takesNumber || !rest.starts_with('=')) continue;
        Rule rule{row.kind, Operation::ByteSize, 0};
        if (ParseCount(rest.substr(1), rule.limit)) return rule;
        error = std::string(row.name) + " needs a number of bytes from 1 on";
        return std::nullopt;
    }
    error = "unknown rule '" + std::string(name) + "'";
    return std::nullopt;
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
