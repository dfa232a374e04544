// One JSON object a line per record and check, in UTF-8 whatever the output encoding.
#include <string>

#include "formats.h"
#include "options.h"

namespace check {

namespace {

void Open(Output& out, const RecordReport& report, std::string_view operation, bool ok,
          int position) {
    out.Raw("{\"file\":");
    out.JsonName(report.file);
    out.Raw(",\"record\":");
    out.Raw(std::to_string(report.record));
    out.Raw(",\"operation\":\"");
    out.Raw(operation);
    out.Raw(ok ? "\",\"ok\":true" : "\",\"ok\":false");
    out.Raw(",\"position\":");
    out.Raw(std::to_string(position));
    out.Raw(",\"lines\":[");
}

}  // namespace

void WriteJson(Output& out, const RecordReport& report) {
    for (const LostCharacter& lost : report.lost) {
        Open(out, report, lost.invalidLength ? "utf-8-invalid" : "cp932-unrepresentable", false,
             lost.position);
        out.JsonText(LostLine(lost));
        out.Raw("]}\n");
    }
    for (std::size_t k = 0; k < report.outcomes.size(); ++k) {
        const Operation op = report.operations[k];
        const Outcome& outcome = report.outcomes[k];
        Open(out, report, Row(op).option, outcome.ok, outcome.position);
        out.JsonText(VerdictLine(op, outcome));
        if (!outcome.ok) {
            out.Raw(",");
            out.JsonText(ExcerptPieces(report.text, outcome.position));
        }
        out.Raw("]}\n");
    }
}

}  // namespace check
