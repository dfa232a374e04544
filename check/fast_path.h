// The fast paths of --quiet: runs of whole records that pass are confirmed at once by the
// kernels, without splitting them into records, and UTF-8 records whose characters the
// kernels know are confirmed without converting them. The choice is made once from the plan;
// whatever a fast path does not confirm goes through the record loop as usual, so every
// failure is found and worded there.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "kernels.h"
#include "plan.h"
#include "source.h"

namespace check {

class FastPath {
  public:
    virtual ~FastPath() = default;
    // How much of `records` (whole records, each ended by LF) passes every rule: the bytes up
    // to just past an LF, and the records in them.
    virtual kernels::RecordsPrefix Confirm(std::string_view records) = 0;
};

// None when the plan has no fast path: only failures print, whole records are checked, and
// every rule is a measurement or an operation with a kernel. `maxRecord`: runs longer than
// this go record by record, where a record too long to check is refused.
std::unique_ptr<FastPath> ChooseFastPath(bool quiet, bool fields, const Plan& plan,
                                         const Decoder& decoder, std::size_t maxRecord);

}  // namespace check
