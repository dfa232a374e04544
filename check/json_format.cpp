// One JSON object a line per record and check, in UTF-8 whatever the output encoding.
#include <string>

#include "formats.h"

namespace check {

namespace {

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
    // The lines, and the end of the object.
    void Lines(std::string_view line, std::span<const std::string_view> excerpt = {}) {
        out_.Raw(",\"lines\":[");
        out_.JsonText(line);
        if (!excerpt.empty()) {
            out_.Raw(",");
            out_.JsonText(excerpt);
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
            RuleExcerpt(rule, column.text, pieces);
            json.Lines(RuleLine(rule), pieces);
        }
    }
}

}  // namespace check
