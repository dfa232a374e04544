// Full-width and half-width checks: judged by the lead-byte test alone.
#include "analysis.h"
#include "literal.h"
#include "scan.h"

using analysis_detail::ByteAt;
using analysis_detail::Verdict;

CheckResult literal::CheckFullWidth(std::string_view text, std::size_t from) {
    const std::size_t length = text.size();
    std::size_t i = from;
    // Steps from character start to character start; the trail byte is never examined,
    // so a lone lead byte at the end passes.
    while (i < length && IsLeadByte(ByteAt(text, i))) i += 2;
    return Verdict(i, length);
}

CheckResult literal::CheckHalfWidth(std::string_view text, std::size_t from) {
    const std::size_t length = text.size();
    std::size_t i = from;
    while (i < length && !IsLeadByte(ByteAt(text, i))) ++i;
    return Verdict(i, length);
}
