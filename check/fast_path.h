// The fast paths of --quiet: runs of whole records that pass are confirmed at once by the
// kernels, without splitting them into records, and UTF-8 records whose characters the
// kernels know are confirmed without converting them. The choice is made once from the plan;
// whatever a fast path does not confirm goes through the record loop as usual, so every
// failure is found and worded there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cp932.h"
#include "kernels.h"
#include "plan.h"
#include "record.h"
#include "source.h"

namespace check {

class FastPath {
  public:
    virtual ~FastPath() = default;
    // How much of what `reader` has read ahead (Ahead() or AheadFields()) passes every rule: the
    // bytes up to just past an LF, and the records in them, for reader.Pass().
    virtual kernels::RecordsPrefix Confirm(RecordReader& reader) = 0;
};

// None when the plan has no fast path. Only failures print, in both. Lines: whole records are
// checked, and every rule is a measurement or an operation with a kernel. CSV (`csv`): any
// plan, its records judged in the reader's runs as the check stage judges them. `maxRecord`:
// records longer than this go record by record, where a record too long to check is refused.
std::unique_ptr<FastPath> ChooseFastPath(bool quiet, bool fields, bool csv, const Plan& plan,
                                         const Decoder& decoder, std::size_t maxRecord);

}  // namespace check

namespace check {

// The verdict of a plan over fixed-width records, compiled into a set of bytes for each byte of
// the record, where every rule of the plan judges its field a byte at a time (a class check of
// single bytes, digits, zero-filled, equals, blank, padded-left, a byte limit): one table
// lookup a byte in place of the rules' layers. It says exactly what RecordJudge::Passes says.
class RecordProgram {
  public:
    // None where a rule of the plan judges more than single bytes.
    static std::optional<RecordProgram> For(const Plan& plan, std::size_t width);
    bool Passes(std::string_view raw) const;

  private:
    // Per byte of the record, where its set starts in accepted_: 256 entries a set, 1 for a
    // byte the set holds.
    std::vector<std::uint32_t> setOf_;
    std::vector<std::uint8_t> accepted_;
    std::vector<std::pair<std::size_t, std::size_t>> leftAligned_;  // padded-left fields
};

}  // namespace check
