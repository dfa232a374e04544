// Full-width and half-width checks: judged by the lead-byte test alone.
#include "analysis.h"
#include "scan.h"

using analysis_detail::ByteAt;
using analysis_detail::Verdict;

CheckResult CheckFullWidth(std::string_view text) {
    const std::size_t length = text.size();
    std::size_t i = 0;
    // Steps from character start to character start; the trail byte is never examined,
    // so a lone lead byte at the end passes.
    while (i < length && IsLeadByte(ByteAt(text, i))) i += 2;
    return Verdict(i, length);
}

CheckResult CheckHalfWidth(std::string_view text) {
    const std::size_t length = text.size();
    std::size_t i = 0;
    while (i < length && !IsLeadByte(ByteAt(text, i))) ++i;
    return Verdict(i, length);
}
