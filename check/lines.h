// Records ended by LF or CR LF, each split into fields at a one-byte delimiter below 0x80
// when fields are wanted. Memory stays at one chunk, or at the longest record.
#pragma once

#include <climits>
#include <cstddef>
#include <string_view>
#include <vector>

#include "record.h"
#include "source.h"

namespace check {

struct LineSettings {
    char delimiter = '\t';
    bool splitFields = false;
    // In code page 932 a trail byte is never taken for the delimiter.
    bool pairsLeadBytes = true;
    std::size_t maxRecord = INT_MAX;
};

class LineReader final : public RecordReader {
  public:
    LineReader(ReadBuffer& input, const LineSettings& settings)
        : input_(input), settings_(settings) {}

    Status Next(Record& record) override;
    int error() const override { return input_.error(); }
    std::string_view Ahead() const override { return run_; }
    void Pass(std::size_t bytes, unsigned long long records) override {
        run_.remove_prefix(bytes);
        line_ += records;
    }

  private:
    enum class Run { Records, TooLong, End, Error };
    Run NextRun();
    void SkipRestOfRecord();
    void SplitFields(std::string_view record);

    ReadBuffer& input_;
    LineSettings settings_;
    // Whole records read and not yet handed out: each ended by LF, or the last of the input.
    std::string_view run_;
    std::size_t scanned_ = 0;  // bytes pending known to hold no LF
    unsigned long long line_ = 1;
    std::vector<std::string_view> fields_;
    std::vector<FieldSpan> spans_;
};

}  // namespace check
