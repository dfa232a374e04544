#include "sink.h"
#include "wording.h"

namespace check {

std::string LostLine(const LostCharacter& lost) {
    if (lost.invalidLength == 0) return UnrepresentableLine(lost.codePoint, lost.position);
    const std::string_view bytes(reinterpret_cast<const char*>(lost.invalid), lost.invalidLength);
    return InvalidUtf8Line(bytes, lost.position);
}

std::string FaultLine(RecordFault fault, int position) {
    constexpr CsvFault kFaults[] = {CsvFault::QuoteInUnquotedField, CsvFault::TextAfterClosingQuote,
                                    CsvFault::UnclosedQuote};
    return CsvFaultLine(kFaults[static_cast<int>(fault)], position);
}

std::string FileFaultLine(const FileFault& fault) {
    switch (fault.kind) {
        case FileFault::Kind::Order:
            return RecordOrderLine(fault.found, fault.expected);
        case FileFault::Kind::Count:
            return TotalCountLine(fault.found, fault.expected);
        case FileFault::Kind::Amount:
            return TotalAmountLine(fault.found, fault.expected);
    }
    return {};
}

void RuleExcerpt(const RuleResult& rule, std::string_view text,
                 std::vector<std::string_view>& pieces) {
    pieces.clear();
    // An empty text has nothing to show.
    if (rule.outcome.ok || !RowOf(*rule.rule).excerpt || rule.positions.empty()) return;
    MarkedExcerptPieces(text, rule.positions, pieces);
}

void NoteLines(std::span<const RejectedNote> notes, std::vector<std::string>& lines) {
    lines.clear();
    for (const RejectedNote& note : notes) {
        if (note.kind) lines.push_back(KindLine(*note.kind, note.character, note.position));
        if (note.fix.size > 0) lines.push_back(SuggestionLine(note.fix.Text(), note.position));
    }
}

namespace {

class Text final : public Sink {
  public:
    explicit Text(Output& out) : out_(out) {}
    void Write(const RecordResult& result) override;

  private:
    void Start(const RecordResult& result, std::string_view label);
    void Line(const RecordResult& result, std::string_view label, std::string_view text) {
        Start(result, label);
        out_.Text(text);
        out_.Raw("\n");
    }

    Output& out_;
    std::vector<std::string_view> pieces_;
    std::vector<std::string> noteLines_;
};

void Text::Start(const RecordResult& result, std::string_view label) {
    out_.Name(result.file);
    out_.Raw(":");
    out_.Raw(std::to_string(result.record));
    out_.Raw(":");
    if (!label.empty()) {
        out_.Text(label);
        out_.Raw(":");
    }
    out_.Raw(" ");
}

void Text::Write(const RecordResult& result) {
    for (const Change& change : result.changes) {
        Line(result, result.columns[change.column].column->label,
             FixLine(change.from, change.to, change.position));
    }
    if (result.onlyChanges) return;
    if (result.fault) {
        Line(result, {}, FaultLine(*result.fault, result.faultPosition));
        return;
    }
    if (result.fields != result.expectedFields) {
        Line(result, {},
             FieldCountLine(static_cast<int>(result.fields),
                            static_cast<int>(result.expectedFields)));
    }
    if (result.length != result.expectedLength) {
        Line(result, {}, RecordLengthLine(result.length, result.expectedLength));
    }
    for (const FileFault& fault : result.fileFaults) Line(result, {}, FileFaultLine(fault));
    for (const ColumnResult& column : result.columns) {
        const std::string_view label = column.column->label;
        for (const LostCharacter& lost : column.lost) Line(result, label, LostLine(lost));
        for (const RuleResult& rule : column.rules) {
            Line(result, label, RowOf(*rule.rule).line(*rule.rule, rule.outcome));
            RuleExcerpt(rule, column.text, pieces_);
            if (pieces_.empty()) continue;
            Start(result, label);
            out_.Text(pieces_);
            out_.Raw("\n");
            NoteLines(rule.notes, noteLines_);
            for (const std::string& note : noteLines_) Line(result, label, note);
        }
    }
}

}  // namespace

std::unique_ptr<Sink> TextSink(Output& out) {
    return std::make_unique<Text>(out);
}

}  // namespace check
