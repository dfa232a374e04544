// The window's result lines, each after "FILE:RECORD: ", or "FILE:RECORD:COLUMN: " when
// columns are checked.
#include "formats.h"

namespace check {

std::string LostLine(const LostCharacter& lost) {
    if (lost.invalidLength == 0) return UnrepresentableLine(lost.codePoint, lost.position);
    const std::string_view bytes(reinterpret_cast<const char*>(lost.invalid), lost.invalidLength);
    return InvalidUtf8Line(bytes, lost.position);
}

namespace {

// The class checks say something of each character they reject; a measurement rejects none.
bool NotesRejected(const Rule& rule) {
    return rule.kind == RuleKind::Operation && Row(rule.operation).unit == Unit::None;
}

}  // namespace

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

bool NamesKinds(const Rule& rule) {
    return rule.kind == RuleKind::Operation &&
           (rule.operation == Operation::Jis || rule.operation == Operation::Cp932);
}

void RejectedNotes(const RuleReport& rule, const ColumnReport& column,
                   std::vector<RejectedNote>& notes) {
    notes.clear();
    if (rule.outcome.ok || !NotesRejected(rule.rule)) return;
    std::size_t fixed = 0;  // the end of what the last fix replaces
    for (const int p : rule.positions) {
        const std::size_t at = static_cast<std::size_t>(p) - 1;
        RejectedNote& note = notes.emplace_back(RejectedNote{p, std::nullopt, {}});
        if (NamesKinds(rule.rule)) note.kind = KindAt(column.text, at);
        if (at < fixed) continue;
        note.fix = SuggestFix(rule.rule.operation, column.text, at, column.symbolsAllowed);
        fixed = at + static_cast<std::size_t>(note.fix.covers);
    }
}

void NoteLines(std::span<const RejectedNote> notes, std::string_view text,
               std::vector<std::string>& lines) {
    lines.clear();
    for (const RejectedNote& note : notes) {
        const std::size_t at = static_cast<std::size_t>(note.position) - 1;
        if (note.kind) {
            const auto width = static_cast<std::size_t>(CharacterWidth(text, at));
            lines.push_back(KindLine(*note.kind, text.substr(at, width), note.position));
        }
        if (note.fix.size > 0) lines.push_back(SuggestionLine(note.fix.Text(), note.position));
    }
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
    std::vector<RejectedNote> notes;
    std::vector<std::string> noteLines;
    for (const ColumnReport& column : report.columns) {
        for (const LostCharacter& lost : column.lost) line(column.label, LostLine(lost));
        for (const RuleReport& rule : column.rules) {
            line(column.label, RuleLine(rule));
            RuleExcerpt(rule, column.text, pieces);
            if (pieces.empty()) continue;
            start(column.label);
            out.Text(pieces);
            out.Raw("\n");
            RejectedNotes(rule, column, notes);
            NoteLines(notes, column.text, noteLines);
            for (const std::string& note : noteLines) line(column.label, note);
        }
    }
}

}  // namespace check
