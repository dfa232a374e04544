// The encodings kestrune-check reads and writes.
#pragma once

namespace check {

// Auto is for input only: decided from the first bytes of each file.
enum class Encoding { Cp932, Utf8, Auto };

}  // namespace check
