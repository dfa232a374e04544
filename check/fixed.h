// Fixed-width records: exactly N bytes each, one after another or each ended by CR LF or LF,
// in one form through the file, found from the first record unless one is demanded. A record of
// another length is handed out as it is, for the check to fail; a single 0x1A at the very end,
// the end-of-file mark some systems add, is no record.
#pragma once

#include <climits>
#include <cstddef>

#include "options.h"
#include "record.h"
#include "source.h"

namespace check {

class FixedReader final : public RecordReader {
  public:
    FixedReader(ReadBuffer& input, std::size_t width, RecordEnd end,
                std::size_t maxRecord = INT_MAX)
        : input_(input), width_(width), end_(end), maxRecord_(maxRecord) {}

    Status Next(Record& record) override;
    int error() const override { return input_.error(); }

  private:
    void FindEnd();
    bool Separated(Record& record, bool& tooLong);

    ReadBuffer& input_;
    std::size_t width_;
    RecordEnd end_;
    std::size_t maxRecord_;
    std::size_t delivered_ = 0;  // consumed at the next call
    unsigned long long line_ = 1;
};

}  // namespace check
