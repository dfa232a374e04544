// CSV records as RFC 4180 has them, read in chunks: a field that starts with " runs to the
// next " that is not doubled and may hold delimiters, CR and LF; a record ends at an unquoted
// LF or CR LF. Memory stays at one chunk, or at the longest record.
//
// A record that breaks these rules is handed out with its fault and where it is, never
// repaired: after a fault the record runs to the next LF, and an unclosed quote to the end.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records.h"
#include "wording.h"

namespace check {

struct CsvRecord {
    std::string_view raw;  // the record as it is in the file, less its LF or CR LF
    // Each field's text: a quoted field without its quotes and with each "" made ".
    std::span<const std::string_view> fields;
    unsigned long long line = 0;    // the physical line it starts on, from 1
    std::optional<CsvFault> fault;  // set: `fields` is empty
    int faultPosition = 0;          // 1-based byte position of the fault in `raw`
};

class CsvReader {
  public:
    enum class Status { Record, TooLong, End, Error };

    // `cp932`: the input is code page 932, so a delimiter from 0x40 on could be a trail byte.
    CsvReader(int fd, char delimiter, bool cp932, std::size_t maxRecord = INT_MAX,
              std::size_t chunk = 1 << 20);

    // The first bytes of the input, for a caller that looks for a signature; `Skip` drops them.
    std::string_view Start(std::size_t n);
    void Skip(std::size_t n) { input_.Consume(n); }

    // The next record; its views stay valid until the next call. TooLong: a record longer than
    // the limit was read past; `record.line` says where it started.
    Status Next(CsvRecord& record);
    int error() const { return input_.error(); }

  private:
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote, Faulty };
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
    void Fault(CsvFault fault, std::size_t at);
    void Deliver(CsvRecord& record, std::string_view raw);
    void Restart();

    ReadBuffer input_;
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
    std::optional<CsvFault> fault_;
    std::size_t faultAt_ = 0;
    bool tooLong_ = false;
    unsigned long long line_ = 1;
    unsigned long long newlines_ = 0;  // LFs inside quoted fields of this record

    std::size_t deliveredSize_ = 0;  // consumed at the next call
    std::vector<std::string_view> fields_;
    std::string unquoted_;  // the fields that held ""
};

}  // namespace check
