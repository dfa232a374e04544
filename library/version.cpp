// SPDX-License-Identifier: MIT
// The version from kestrune_version.h, apart from kestrune.cpp, where the C function
// kestrune_version would hide the header's namespace of the same name.
#include "kestrune_version.h"

namespace library_detail {
const char* ProjectVersion() {
    return kestrune_version::kProject;
}
}  // namespace library_detail
