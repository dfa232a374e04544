// One JSON object a line per record and check, in UTF-8 whatever the output encoding.
#include <string>

#include "sink.h"
#include "wording.h"

namespace check {

namespace {

class Json final : public Sink {
  public:
    explicit Json(Output& out) : out_(out) {}
    void Write(const RecordResult& result) override;

  private:
    void Place(const ColumnResult* column);
    void Open(const ColumnResult* column, std::string_view operation, bool ok, int position);
    void Positions(std::span<const int> positions);
    void Number(std::string_view key, unsigned long long n) {
        out_.Raw(key);
        out_.Raw(std::to_string(n));
    }
    void Notes(const Rule& rule, std::span<const RejectedNote> notes);
    template <typename Item>
    void List(std::string_view key, std::span<const RejectedNote> notes, Item write);
    void Lines(std::string_view line, std::span<const std::string_view> excerpt = {},
               std::span<const std::string> more = {});
    void Column(const ColumnResult& column);
    void Fix(const Change& change);
    void WholeFile(const check::FileFault& fault);

    Output& out_;
    const RecordResult* result_ = nullptr;
    std::vector<std::string_view> pieces_;
    std::vector<std::string> noteLines_;
};

// Opens an object with where it is: the file, the record and the column; `column` null for
// what concerns the whole record.
void Json::Place(const ColumnResult* column) {
    out_.Raw("{\"file\":");
    out_.JsonName(result_->file);
    Number(",\"record\":", result_->record);
    Number(",\"line\":", result_->line);
    if (column != nullptr && column->column->field > 0) {
        Number(",\"field\":", static_cast<unsigned long long>(column->column->field));
        if (!column->column->name.empty()) {
            out_.Raw(",\"column\":");
            out_.JsonText(column->column->name);
        }
        // Where a fixed-width field starts in its record, so that it can be found in the file.
        if (column->column->width > 0) Number(",\"offset\":", column->column->start);
    }
}

// Opens an object up to its "position".
void Json::Open(const ColumnResult* column, std::string_view operation, bool ok, int position) {
    Place(column);
    out_.Raw(",\"operation\":\"");
    out_.Raw(operation);
    out_.Raw(ok ? "\",\"ok\":true" : "\",\"ok\":false");
    out_.Raw(",\"position\":");
    out_.Raw(std::to_string(position));
}

void Json::Positions(std::span<const int> positions) {
    if (!result_->all) return;
    out_.Raw(",\"positions\":[");
    for (std::size_t k = 0; k < positions.size(); ++k) {
        if (k > 0) out_.Raw(",");
        out_.Raw(std::to_string(positions[k]));
    }
    out_.Raw("]");
}

// The kind and the fix of the first rejected character, and with --all of every one.
void Json::Notes(const Rule& rule, std::span<const RejectedNote> notes) {
    if (notes.empty()) return;
    const auto kind = [&](const RejectedNote& note) {
        out_.Raw("\"");
        out_.Raw(JsonKindName(*note.kind));
        out_.Raw("\"");
    };
    const auto fix = [&](const RejectedNote& note) {
        if (note.fix.size == 0) return out_.Raw("null");
        out_.JsonText(note.fix.Text());
    };
    if (NamesKinds(rule)) List("kind", notes, kind);
    List("suggestion", notes, fix);
}

template <typename Item>
void Json::List(std::string_view key, std::span<const RejectedNote> notes, Item write) {
    out_.Raw(",\"");
    out_.Raw(key);
    out_.Raw("\":");
    write(notes.front());
    if (!result_->all) return;
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
void Json::Lines(std::string_view line, std::span<const std::string_view> excerpt,
                 std::span<const std::string> more) {
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

void Json::Column(const ColumnResult& column) {
    for (const LostCharacter& lost : column.lost) {
        Open(&column, lost.invalidLength ? "utf-8-invalid" : "cp932-unrepresentable", false,
             lost.position);
        const int positions[] = {lost.position};
        Positions(positions);
        Lines(LostLine(lost));
    }
    for (const RuleResult& rule : column.rules) {
        const RuleRow& row = RowOf(*rule.rule);
        Open(&column, JsonName(*rule.rule), rule.outcome.ok, rule.outcome.position);
        Positions(rule.positions);
        // A measurement's number, which its line words.
        if (rule.rule->kind == RuleKind::Operation && Measures(*rule.rule)) {
            Number(",\"value\":", static_cast<unsigned long long>(rule.outcome.measured));
        }
        if (row.sized) {
            Number(",\"size\":", static_cast<unsigned long long>(rule.outcome.measured));
            Number(",\"limit\":", static_cast<unsigned long long>(rule.rule->limit));
        }
        Notes(*rule.rule, rule.notes);
        RuleExcerpt(rule, column.text, pieces_);
        NoteLines(rule.notes, noteLines_);
        Lines(row.line(*rule.rule, rule.outcome), pieces_, noteLines_);
    }
}

// A correction: what it replaced and with what, where, by which rule.
void Json::Fix(const Change& change) {
    Place(&result_->columns[change.column]);
    out_.Raw(",\"operation\":\"fix\",\"rule\":\"");
    out_.Raw(change.rule);
    out_.Raw("\",\"position\":");
    out_.Raw(std::to_string(change.position));
    out_.Raw(",\"from\":");
    out_.JsonText(change.from);
    out_.Raw(",\"to\":");
    out_.JsonText(change.to);
    out_.Raw("}\n");
}

// The order of the records as データ区分s, the totals as numbers.
void Json::WholeFile(const check::FileFault& fault) {
    constexpr std::string_view kNames[] = {"record-order", "total-count", "total-amount"};
    Open(nullptr, kNames[static_cast<int>(fault.kind)], false, 0);
    Positions({});
    if (fault.kind == FileFault::Kind::Order) {
        out_.Raw(",\"found\":");
        fault.found.empty() ? out_.Raw("null") : out_.JsonText(fault.found);
        out_.Raw(",\"expected\":[");
        for (std::size_t k = 0; k < fault.expected.size(); ++k) {
            out_.Raw(k > 0 ? ",\"" : "\"");
            out_.Raw(fault.expected.substr(k, 1));
            out_.Raw("\"");
        }
        out_.Raw("]");
    } else {
        out_.Raw(",\"found\":" + fault.found + ",\"expected\":" + fault.expected);
    }
    Lines(FileFaultLine(fault));
}

void Json::Write(const RecordResult& result) {
    result_ = &result;
    for (const Change& change : result.changes) Fix(change);
    if (result.onlyChanges) return;
    if (result.fault) {
        Open(nullptr, "csv", false, result.faultPosition);
        const int positions[] = {result.faultPosition};
        Positions(positions);
        Lines(FaultLine(*result.fault, result.faultPosition));
        return;
    }
    if (result.fields != result.expectedFields) {
        Open(nullptr, "field-count", false, 0);
        Positions({});
        Number(",\"fields\":", result.fields);
        Number(",\"expected\":", result.expectedFields);
        Lines(FieldCountLine(static_cast<int>(result.fields),
                             static_cast<int>(result.expectedFields)));
    }
    if (result.length != result.expectedLength) {
        Open(nullptr, "record-length", false, 0);
        Positions({});
        Number(",\"length\":", result.length);
        Number(",\"expected\":", result.expectedLength);
        Lines(RecordLengthLine(result.length, result.expectedLength));
    }
    for (const FileFault& fault : result.fileFaults) WholeFile(fault);
    for (const ColumnResult& column : result.columns) Column(column);
}

}  // namespace

std::unique_ptr<Sink> JsonSink(Output& out) {
    return std::make_unique<Json>(out);
}

}  // namespace check
