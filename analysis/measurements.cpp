// Byte size and character count.
#include "analysis.h"
#include "literal.h"
#include "scan.h"

int CheckByteSize(std::string_view text) {
    return static_cast<int>(text.size());
}

int literal::CheckCharCount(std::string_view text, std::size_t from) {
    const std::size_t length = text.size();
    int count = 0;
    for (std::size_t i = from; i < length; ++i) {
        // A lead byte takes the next byte as its trail, whatever it is; a lead byte in the
        // last position is a character by itself.
        if (IsLeadByte(analysis_detail::ByteAt(text, i))) ++i;
        ++count;
    }
    return count;
}

CheckResult CheckByteLimit(std::string_view text, int limit) {
    const std::size_t length = text.size();
    if (limit < 0 || length <= static_cast<std::size_t>(limit)) return {true, 0};
    std::size_t i = 0;
    for (;;) {
        const auto width = static_cast<std::size_t>(CharacterWidth(text, i));
        if (i + width > static_cast<std::size_t>(limit)) return {false, static_cast<int>(i) + 1};
        i += width;
    }
}
