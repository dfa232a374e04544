// What the class checks share: the verdict of a scan that stopped at byte index i.
#pragma once

#include <cstddef>

#include "analysis.h"

namespace analysis_detail {

// Past the end means every character passed; otherwise the 1-based position of the stop.
inline CheckResult Verdict(std::size_t i, std::size_t length) {
    if (i >= length) return {true, 0};
    return {false, static_cast<int>(i + 1)};
}

inline unsigned char ByteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

}  // namespace analysis_detail
