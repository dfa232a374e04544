// CSV records as RFC 4180 has them, read in chunks: a field that starts with " runs to the
// next " that is not doubled and may hold delimiters, CR and LF; a record ends at an unquoted
// LF or CR LF. Memory stays at one chunk, or at the longest record.
//
// A record that breaks these rules is handed out with its fault and where it is, never
// repaired: after a fault the record runs to the next LF, and an unclosed quote to the end.
//
// Whole records are split a run at a time (about 64 KiB of them, from what is buffered) by the
// block kernel of csv_blocks.h, which finds the quoted bytes of 64 at once; the records are then
// handed out from the run, or confirmed where they stand by a fast path (AheadFields). What the
// kernel cannot settle (a record with a fault, one over the limit, the last bytes of the buffer
// and of the input) goes through the byte-by-byte scan, which decides every fault and position.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "csv_blocks.h"
#include "kernels.h"
#include "record.h"
#include "source.h"

namespace check {

// Each field's text is a quoted field without its quotes and with each "" made ".
class CsvReader final : public RecordReader {
  public:
    // `pairsLeadBytes`: the input is code page 932, so a delimiter from 0x40 on could be a
    // trail byte.
    // `isa`: the block kernel to find the records' structure with.
    CsvReader(ReadBuffer& input, char delimiter, bool pairsLeadBytes,
              std::size_t maxRecord = INT_MAX, kernels::Isa isa = kernels::Fastest());

    // TooLong: a record longer than the limit was read past; `record.line` says where it
    // started.
    Status Next(Record& record) override;
    int error() const override { return input_.error(); }
    FieldRun AheadFields() override;
    void Pass(std::size_t bytes, unsigned long long records) override;

  private:
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote, Faulty };
    // What a step of the scan came to: go on, wait for more input, or the record is complete.
    enum class Step { Go, NeedMore, Done };
    struct Span {
        std::uint32_t begin, end;
        bool doubledQuotes;
    };

    // The delimiters, LFs and quotes of the 64 bytes from `base`, a bit each.
    struct Block {
        std::size_t base = SIZE_MAX;
        std::uint64_t special = 0, quote = 0, lineFeed = 0;
        bool Holds(std::size_t i) const { return i >= base && i - base < 64; }
    };

    bool Scan(std::string_view pending, bool atEnd);  // true when a record is complete
    Step FieldStart(const unsigned char* p, std::size_t& i, std::size_t n, bool atEnd,
                    Block& block);
    Step Unquoted(const unsigned char* p, std::size_t& i, std::size_t n, bool atEnd, Block& block);
    Step AfterQuote(const unsigned char* p, std::size_t& i, std::size_t n, bool atEnd);
    Step Faulty(const unsigned char* p, std::size_t& i, std::size_t n);
    Step EndRecord(std::size_t textEnd, std::size_t next) {
        recordEnd_ = textEnd;
        consumed_ = pos_ = next;
        return Step::Done;
    }
    void EndOfInput(std::size_t n);
    void LoadBlock(const unsigned char* p, std::size_t base, Block& block) const;
    std::size_t NextSpecial(const unsigned char* p, std::size_t i, std::size_t n,
                            Block& block) const;
    std::size_t ClosingQuote(const unsigned char* p, std::size_t i, std::size_t n, Block& block);
    void EndField(std::size_t end) {
        if (spanCount_ == spans_.size()) spans_.resize(spans_.size() * 2 + 16);
        spans_[spanCount_++] = {static_cast<std::uint32_t>(fieldStart_),
                                static_cast<std::uint32_t>(end), doubledQuotes_};
        anyDoubledQuotes_ |= doubledQuotes_;
    }
    void Fault(RecordFault fault, std::size_t at);
    void Deliver(Record& record, std::string_view raw, std::string_view end);
    void Restart();
    // The run: whole records at the front of the input, split by the block kernel.
    bool Idle() const { return state_ == State::FieldStart && pos_ == 0 && !tooLong_; }
    void SplitRun();
    bool TakeRecords(std::size_t& rare);
    FieldRun Run() const {
        return {run_.data(), {fieldEnds_.entries.get(), split_.fields}, runRecords_};
    }
    void DeliverFromRun(Record& record);

    ReadBuffer& input_;
    char delimiter_;
    std::size_t maxRecord_;
    unsigned char classes_[256];
    bool trackLeadBytes_ = false;

    // The record being read, by offsets from its start.
    State state_ = State::FieldStart;
    std::size_t pos_ = 0;         // the next byte to look at
    std::size_t fieldStart_ = 0;  // the current field's first byte (of its text when quoted)
    bool doubledQuotes_ = false;
    bool anyDoubledQuotes_ = false;
    std::size_t recordEnd_ = 0;  // where the record's text ends, less LF or CR LF
    std::size_t consumed_ = 0;   // bytes the record takes, LF included
    std::vector<Span> spans_;    // the first spanCount_ are this record's fields
    std::size_t spanCount_ = 0;
    std::optional<RecordFault> fault_;
    std::size_t faultAt_ = 0;
    bool tooLong_ = false;
    unsigned long long line_ = 1;
    unsigned long long newlines_ = 0;  // LFs inside quoted fields of this record

    std::size_t deliveredSize_ = 0;  // consumed at the next call
    std::vector<std::string_view> fields_;
    std::vector<FieldSpan> fieldSpans_;
    std::string unquoted_;  // the fields that held ""

    kernels::Isa isa_;
    kernels::CsvSyntax syntax_;
    std::string_view run_;  // consumed from the input: valid until the next Fill()
    // What the block kernel found, written a block at a time, so never initialised.
    struct Found {
        std::unique_ptr<std::uint32_t[]> entries;
        std::size_t capacity = 0;
        void Reserve(std::size_t used, std::size_t more);
    };
    Found fieldEnds_, recordEnds_, rare_;
    kernels::CsvSplit split_{};
    std::vector<FieldRun::Entry> runRecords_;  // and one past the last
    std::size_t runNext_ = 0;                  // the next record of the run to hand out
    FieldRun::Entry walkRecord_{};             // the record the walk of the blocks is in
};

}  // namespace check
