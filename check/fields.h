// Fields of a record: split at a one-byte delimiter below 0x80, which in code page 932 is never
// a lead byte, so a double-byte character is never split.
#pragma once

#include <string_view>

namespace check {

// The n-th (1-based) field of `record`, empty when the record has fewer. In code page 932 a
// trail byte is never taken for the delimiter.
std::string_view Field(std::string_view record, int n, char delimiter, bool cp932);

}  // namespace check
