// One JSON object a line per record and check, in UTF-8 whatever the output encoding.
#include <string>

#include "formats.h"

namespace check {

namespace {

// The kinds by the names JSON gives them.
std::string_view KindName(CharacterKind kind) {
    constexpr std::string_view kNames[] = {"jis",           "nec-special",  "nec-selected-ibm",
                                           "ibm-extension", "user-defined", "undefined",
                                           "invalid"};
    return kNames[static_cast<int>(kind)];
}

class JsonWriter {
  public:
    JsonWriter(Output& out, const RecordReport& report) : out_(out), report_(report) {}

    // Opens an object up to its "position"; `column` null for what concerns the whole record.
    void Open(const ColumnReport* column, std::string_view operation, bool ok, int position) {
        out_.Raw("{\"file\":");
        out_.JsonName(report_.file);
        Number(",\"record\":", report_.record);
        Number(",\"line\":", report_.line);
        if (column != nullptr && column->field > 0) {
            Number(",\"field\":", static_cast<unsigned long long>(column->field));
            if (!column->name.empty()) {
                out_.Raw(",\"column\":");
                out_.JsonText(column->name);
            }
        }
        out_.Raw(",\"operation\":\"");
        out_.Raw(operation);
        out_.Raw(ok ? "\",\"ok\":true" : "\",\"ok\":false");
        out_.Raw(",\"position\":");
        out_.Raw(std::to_string(position));
    }
    void Positions(std::span<const int> positions) {
        if (!report_.all) return;
        out_.Raw(",\"positions\":[");
        for (std::size_t k = 0; k < positions.size(); ++k) {
            if (k > 0) out_.Raw(",");
            out_.Raw(std::to_string(positions[k]));
        }
        out_.Raw("]");
    }
    void Number(std::string_view key, unsigned long long n) {
        out_.Raw(key);
        out_.Raw(std::to_string(n));
    }
    // The kind and the fix of the first rejected character, and with --all of every one.
    void Notes(const Rule& rule, std::span<const RejectedNote> notes) {
        if (notes.empty()) return;
        const auto kind = [&](const RejectedNote& note) {
            out_.Raw("\"");
            out_.Raw(KindName(*note.kind));
            out_.Raw("\"");
        };
        const auto fix = [&](const RejectedNote& note) {
            if (note.fix.size == 0) return out_.Raw("null");
            out_.JsonText(note.fix.Text());
        };
        if (NamesKinds(rule)) List("kind", notes, kind);
        List("suggestion", notes, fix);
    }
    template <typename Write>
    void List(std::string_view key, std::span<const RejectedNote> notes, Write write) {
        out_.Raw(",\"");
        out_.Raw(key);
        out_.Raw("\":");
        write(notes.front());
        if (!report_.all) return;
        out_.Raw(",\"");
        out_.Raw(key);
        out_.Raw("s\":[");
        for (std::size_t k = 0; k < notes.size(); ++k) {
            if (k > 0) out_.Raw(",");
            write(notes[k]);
        }
        out_.Raw("]");
    }
    // The lines, and the end of the object.
    void Lines(std::string_view line, std::span<const std::string_view> excerpt = {},
               std::span<const std::string> more = {}) {
        out_.Raw(",\"lines\":[");
        out_.JsonText(line);
        if (!excerpt.empty()) {
            out_.Raw(",");
            out_.JsonText(excerpt);
        }
        for (const std::string& text : more) {
            out_.Raw(",");
            out_.JsonText(text);
        }
        out_.Raw("]}\n");
    }

  private:
    Output& out_;
    const RecordReport& report_;
};

std::string_view OperationName(const Rule& rule) {
    switch (rule.kind) {
        case RuleKind::Operation:
            return Row(rule.operation).option;
        case RuleKind::MaxBytes:
            return "max-bytes";
        case RuleKind::Required:
            return "required";
    }
    return {};
}

}  // namespace

void WriteJson(Output& out, const RecordReport& report) {
    JsonWriter json(out, report);
    if (report.fault) {
        json.Open(nullptr, "csv", false, report.faultPosition);
        const int positions[] = {report.faultPosition};
        json.Positions(positions);
        json.Lines(CsvFaultLine(*report.fault, report.faultPosition));
        return;
    }
    if (report.fields != report.expectedFields) {
        json.Open(nullptr, "field-count", false, 0);
        json.Positions({});
        json.Number(",\"fields\":", static_cast<unsigned long long>(report.fields));
        json.Number(",\"expected\":", static_cast<unsigned long long>(report.expectedFields));
        json.Lines(FieldCountLine(report.fields, report.expectedFields));
    }
    std::vector<std::string_view> pieces;
    std::vector<RejectedNote> notes;
    std::vector<std::string> noteLines;
    for (const ColumnReport& column : report.columns) {
        for (const LostCharacter& lost : column.lost) {
            json.Open(&column, lost.invalidLength ? "utf-8-invalid" : "cp932-unrepresentable",
                      false, lost.position);
            const int positions[] = {lost.position};
            json.Positions(positions);
            json.Lines(LostLine(lost));
        }
        for (const RuleReport& rule : column.rules) {
            json.Open(&column, OperationName(rule.rule), rule.outcome.ok, rule.outcome.position);
            json.Positions(rule.positions);
            if (rule.rule.kind == RuleKind::MaxBytes) {
                json.Number(",\"size\":", static_cast<unsigned long long>(rule.outcome.value));
                json.Number(",\"limit\":", static_cast<unsigned long long>(rule.rule.limit));
            }
            RejectedNotes(rule, column, notes);
            json.Notes(rule.rule, notes);
            RuleExcerpt(rule, column.text, pieces);
            NoteLines(notes, column.text, noteLines);
            json.Lines(RuleLine(rule), pieces, noteLines);
        }
    }
}

}  // namespace check
