#include "rules.h"

#include "analysis.h"
#include "kernels.h"

namespace check {

namespace {

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

}  // namespace

RuleReport EvaluateRule(const Rule& rule, std::string_view text, int symbolsAllowed, bool all,
                        std::vector<int>& positions) {
    RuleReport report{rule, {true, 0, 0}, {}};
    switch (rule.kind) {
        case RuleKind::Operation:
            report.outcome = RunOperation(rule.operation, text, symbolsAllowed);
            if (!report.outcome.ok) {
                RejectedPositions(rule.operation, text, symbolsAllowed, report.outcome.position,
                                  all, positions);
            }
            break;
        case RuleKind::MaxBytes: {
            const CheckResult fit = CheckByteLimit(text, rule.limit);
            report.outcome = {fit.ok, fit.position, static_cast<int>(text.size())};
            if (!fit.ok) positions.push_back(fit.position);
            break;
        }
        case RuleKind::Required:
            report.outcome.ok = !text.empty();
            break;
    }
    return report;
}

bool RulePasses(const Rule& rule, std::string_view text, int symbolsAllowed) {
    switch (rule.kind) {
        case RuleKind::Operation: {
            // Most fields pass and are short: a table confirms them whole without the
            // operation's layers; anything it does not confirm gets the operation's verdict.
            const std::optional<kernels::Check> kernel = Row(rule.operation).kernel;
            if (kernel && text.size() < kernels::kBlock &&
                kernels::ConfirmedShort(*kernel, text, symbolsAllowed) == text.size()) {
                return true;
            }
            return RunOperation(rule.operation, text, symbolsAllowed).ok;
        }
        case RuleKind::MaxBytes:
            return text.size() <= static_cast<std::size_t>(rule.limit);
        case RuleKind::Required:
            return !text.empty();
    }
    return false;
}

}  // namespace check
