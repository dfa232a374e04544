// Fields of a record: split at a one-byte delimiter below 0x80, which in code page 932 is never
// a lead byte, so a double-byte character is never split.
#pragma once

#include <string_view>
#include <vector>

namespace check {

// Every field of `record`, one at least. In code page 932 a trail byte is never taken for the
// delimiter.
void SplitFields(std::string_view record, char delimiter, bool cp932,
                 std::vector<std::string_view>& fields);

}  // namespace check
