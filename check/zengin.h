// The bank transfer file of 全銀協 (Zengin) 総合振込: 120-byte records of four kinds told by
// their first byte, データ区分 (1 header, 2 data, 8 trailer, 9 end), each with its layout, and
// what only the whole file shows: the order of the records, and each trailer's count and sum.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "plan.h"
#include "record.h"

namespace check {

// The layouts shipped in layouts/zengin-*.txt, in the order header, data, trailer, end.
struct ZenginLayouts {
    std::vector<ColumnSpec> kinds[4];
};
// Parsed once; `error` names a layout that does not parse, which is the build's fault.
const ZenginLayouts& TheZenginLayouts();
// The layout of a record's kind: 0 to 3, or none for a byte that is no データ区分.
std::optional<int> ZenginKind(const Record& record);

// A fault only the file as a whole shows, found at a record.
struct FileFault {
    enum class Kind { Order, Count, Amount } kind;
    std::string found, expected;  // Order: データ区分s, found empty at the file's end, expected
                                  // empty after the end record; Count and Amount: numbers
};

class TransferFile {
  public:
    // What `record` shows of the file, appended to `faults`.
    void Record(const check::Record& record, std::vector<FileFault>& faults);
    // What the end of the file shows.
    void End(std::vector<FileFault>& faults);

  private:
    void Order(char kind, std::vector<FileFault>& faults);
    void Totals(std::string_view trailer, std::vector<FileFault>& faults) const;

    char last_ = 0;  // the データ区分 of the record before; 0 at the start
    unsigned long long count_ = 0;
    unsigned __int128 sum_ = 0;
    bool summed_ = true;  // every amount of the group was a number
};

}  // namespace check
