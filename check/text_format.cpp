// The window's result lines, each after "FILE:RECORD: ".
#include "formats.h"

namespace check {

std::string LostLine(const LostCharacter& lost) {
    if (lost.invalidLength == 0) return UnrepresentableLine(lost.codePoint, lost.position);
    const std::string_view bytes(reinterpret_cast<const char*>(lost.invalid), lost.invalidLength);
    return InvalidUtf8Line(bytes, lost.position);
}

void WriteText(Output& out, const RecordReport& report) {
    // Appended, not prepended: GCC 12 at -O3 misreads a prepend as an overlapping copy.
    std::string prefix = ":";
    prefix += std::to_string(report.record);
    prefix += ": ";
    const auto start = [&] {
        out.Raw(report.file);
        out.Raw(prefix);
    };
    for (const LostCharacter& lost : report.lost) {
        start();
        out.Text(LostLine(lost));
        out.Raw("\n");
    }
    for (std::size_t k = 0; k < report.outcomes.size(); ++k) {
        const Outcome& outcome = report.outcomes[k];
        start();
        out.Text(VerdictLine(report.operations[k], outcome));
        out.Raw("\n");
        if (outcome.ok) continue;
        start();
        out.Text(ExcerptPieces(report.text, outcome.position));
        out.Raw("\n");
    }
}

}  // namespace check
