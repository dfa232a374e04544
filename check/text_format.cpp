// The window's result lines, each after "FILE:RECORD: ", or "FILE:RECORD:COLUMN: " when
// columns are checked.
#include "formats.h"

namespace check {

std::string LostLine(const LostCharacter& lost) {
    if (lost.invalidLength == 0) return UnrepresentableLine(lost.codePoint, lost.position);
    const std::string_view bytes(reinterpret_cast<const char*>(lost.invalid), lost.invalidLength);
    return InvalidUtf8Line(bytes, lost.position);
}

std::string RuleLine(const RuleReport& rule) {
    switch (rule.rule.kind) {
        case RuleKind::Operation:
            return VerdictLine(rule.rule.operation, rule.outcome);
        case RuleKind::MaxBytes:
            return MaxBytesLine(rule.rule.limit, rule.outcome);
        case RuleKind::Required:
            return RequiredLine(rule.outcome.ok);
    }
    return {};
}

void RuleExcerpt(const RuleReport& rule, std::string_view text,
                 std::vector<std::string_view>& pieces) {
    pieces.clear();
    if (rule.outcome.ok || rule.rule.kind == RuleKind::Required) return;
    MarkedExcerptPieces(text, rule.positions, pieces);
}

void WriteText(Output& out, const RecordReport& report) {
    // Appended, not prepended: GCC 12 at -O3 misreads a prepend as an overlapping copy.
    std::string prefix = ":";
    prefix += std::to_string(report.record);
    prefix += ":";
    const auto start = [&](std::string_view label) {
        out.Raw(report.file);
        out.Raw(prefix);
        if (!label.empty()) {
            out.Text(label);
            out.Raw(":");
        }
        out.Raw(" ");
    };
    const auto line = [&](std::string_view label, std::string_view text) {
        start(label);
        out.Text(text);
        out.Raw("\n");
    };
    if (report.fault) {
        line({}, CsvFaultLine(*report.fault, report.faultPosition));
        return;
    }
    if (report.fields != report.expectedFields) {
        line({}, FieldCountLine(report.fields, report.expectedFields));
    }
    std::vector<std::string_view> pieces;
    for (const ColumnReport& column : report.columns) {
        for (const LostCharacter& lost : column.lost) line(column.label, LostLine(lost));
        for (const RuleReport& rule : column.rules) {
            line(column.label, RuleLine(rule));
            RuleExcerpt(rule, column.text, pieces);
            if (pieces.empty()) continue;
            start(column.label);
            out.Text(pieces);
            out.Raw("\n");
        }
    }
}

}  // namespace check
