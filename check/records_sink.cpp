// The corrected file of --fix, and its rejects file: records, not reports. What was not
// corrected is written as it was read: a record with no change byte for byte, and in a changed
// one every byte outside its corrected fields.
#include <algorithm>

#include "sink.h"

namespace check {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class CorrectedRecords final : public Sink {
  public:
    CorrectedRecords(Output& fixed, Output* rejects, const RecordFormat& format)
        : fixed_(fixed), rejects_(rejects), format_(format) {
        // The signature stays where the file stays UTF-8; the rejects are the bytes as read.
        if (format_.signature && format_.utf8Input) fixed_.Utf8(kByteOrderMark);
        if (format_.signature && rejects_ != nullptr) rejects_->Raw(kByteOrderMark);
    }

    void Header(const Record& header) override {
        AsRead(fixed_, header.raw);
        AsRead(fixed_, header.end);
        if (rejects_ != nullptr) {
            rejects_->Raw(header.raw);
            rejects_->Raw(header.end);
        }
    }

    void Write(const RecordResult& result) override {
        const Record& record = *result.source;
        if (!result.passed && rejects_ != nullptr) {
            rejects_->Raw(record.raw);
            rejects_->Raw(record.end);
            return;
        }
        if (result.changes.empty()) {
            AsRead(fixed_, record.raw);
        } else {
            Corrected(result, record);
        }
        AsRead(fixed_, record.end);
    }

  private:
    // Bytes as read, in the corrected file's encoding.
    void AsRead(Output& out, std::string_view bytes) {
        format_.utf8Input ? out.Utf8(bytes) : out.Text(bytes);
    }
    void Corrected(const RecordResult& result, const Record& record);
    void Ranges(const RecordResult& result, const Record& record);
    void Field(std::string_view text, bool quoted);

    Output& fixed_;
    Output* rejects_;
    RecordFormat format_;
    std::vector<const ColumnResult*> byField_;
};

// The record with each corrected field in its place, the last column of a field having
// corrected it last.
void CorrectedRecords::Corrected(const RecordResult& result, const Record& record) {
    byField_.assign(record.spans.size() + 1, nullptr);
    for (const Change& change : result.changes) {
        const int field = result.columns[change.column].column->field;
        if (static_cast<std::size_t>(field) < byField_.size()) {
            byField_[field] = &result.columns[change.column];
        }
    }
    for (const ColumnResult& column : result.columns) {
        const auto f = static_cast<std::size_t>(column.column->field);
        if (f < byField_.size() && byField_[f] != nullptr) byField_[f] = &column;
    }
    if (byField_[0] != nullptr) return fixed_.Text(byField_[0]->text);  // the whole record
    if (format_.fixedWidth) return Ranges(result, record);
    std::size_t done = 0;
    for (std::size_t k = 0; k < record.spans.size(); ++k) {
        const ColumnResult* column = byField_[k + 1];
        if (column == nullptr) continue;
        const FieldSpan& span = record.spans[k];
        const std::size_t begin = span.quoted ? span.begin - 1 : span.begin;
        AsRead(fixed_, record.raw.substr(done, begin - done));
        Field(column->text, span.quoted);
        done = span.quoted ? span.end + 1 : span.end;
    }
    AsRead(fixed_, record.raw.substr(done));
}

// Each corrected range of a fixed-width record in its place, padded with spaces to its width,
// so that the record keeps its length.
void CorrectedRecords::Ranges(const RecordResult& result, const Record& record) {
    std::size_t done = 0;
    for (const ColumnResult& column : result.columns) {
        const Column& c = *column.column;
        const auto changed = [&](const Change& change) {
            return result.columns[change.column].column->field == c.field;
        };
        if (std::none_of(result.changes.begin(), result.changes.end(), changed)) continue;
        const std::size_t begin = std::min(c.start - 1, record.raw.size());
        if (begin < done) continue;  // a later column of the same range wrote it
        AsRead(fixed_, record.raw.substr(done, begin - done));
        fixed_.Text(column.text);
        fixed_.Raw(std::string(c.width - std::min(c.width, column.text.size()), ' '));
        done = std::min(begin + c.width, record.raw.size());
    }
    AsRead(fixed_, record.raw.substr(done));
}

// A field is quoted as it was, or where its text now needs it, with each " doubled.
void CorrectedRecords::Field(std::string_view text, bool quoted) {
    quoted = quoted ||
             (format_.csv && text.find_first_of(std::string{format_.delimiter, '"', '\r', '\n'}) !=
                                 std::string_view::npos);
    if (!quoted) return fixed_.Text(text);
    fixed_.Raw("\"");
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
        fixed_.Text(text.substr(0, quote + 1));
        fixed_.Raw("\"");
        text.remove_prefix(quote + 1);
    }
    fixed_.Text(text);
    fixed_.Raw("\"");
}

}  // namespace

std::unique_ptr<Sink> CorrectedRecordsSink(Output& fixed, Output* rejects,
                                           const RecordFormat& format) {
    return std::make_unique<CorrectedRecords>(fixed, rejects, format);
}

}  // namespace check
