// What every reader yields: one record, as the file has it, split into fields once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace check {

// Why a record could not be read as fields.
enum class RecordFault {
    QuoteInUnquotedField,   // a " inside a field that did not start with one
    TextAfterClosingQuote,  // a closing " followed by neither a delimiter nor a record end
    UnclosedQuote,          // a quoted field still open at the end of the input
};

// Where a field's text stands in its record's raw bytes: inside the quotes, for a quoted field.
struct FieldSpan {
    std::uint32_t begin, end;
    bool quoted;
};

struct Record {
    std::string_view raw;  // as the file has it, less its LF or CR LF
    std::string_view end;  // the LF or CR LF that ended it; empty for the last without one
    // Each field's text, in the input's encoding; empty when the fields are not wanted or the
    // record is faulty.
    std::span<const std::string_view> fields;
    std::span<const FieldSpan> spans;  // one per field
    unsigned long long line = 0;       // the physical line it starts on, from 1
    std::optional<RecordFault> fault;
    int faultPosition = 0;  // 1-based byte position of the fault in `raw`
    // Fixed-width records: the length each must have, a failure of one of another; 0: none.
    std::size_t expectedLength = 0;
};

// Whole CSV records read ahead and split into fields, none of them faulty, that a fast path may
// judge where they stand, without the reader handing them out one at a time. Offsets are from
// `data`; records[size()] only marks where the last record ends.
struct FieldRun {
    struct Entry {
        std::uint32_t start;     // the record's first byte
        std::uint32_t fields;    // its first field's end in `ends`
        std::uint32_t newlines;  // LFs inside its quoted fields
        bool doubledQuotes;      // a quoted field of it holds ""
    };
    const char* data = nullptr;
    std::span<const std::uint32_t> ends;  // each field's delimiter or LF
    std::span<const Entry> records;

    std::size_t size() const { return records.empty() ? 0 : records.size() - 1; }
    std::size_t Fields(std::size_t r) const { return records[r + 1].fields - records[r].fields; }
    // The record's bytes less its LF or CR LF.
    std::string_view Raw(std::size_t r) const {
        const std::uint32_t start = records[r].start, lf = records[r + 1].start - 1;
        return {data + start, lf - start - (lf > start && data[lf - 1] == '\r' ? 1u : 0u)};
    }
    // Field k's text: inside the quotes of a quoted field, its "" as they stand.
    std::string_view Field(std::size_t r, std::size_t k) const {
        const std::size_t at = records[r].fields + k;
        std::uint32_t begin = k == 0 ? records[r].start : ends[at - 1] + 1;
        std::uint32_t end = ends[at];
        if (data[begin] == '"') {
            ++begin;
            end -= data[end - 1] == '"' ? 1 : 2;  // before the closing quote, or its CR LF
        } else if (end > begin && data[end] == '\n' && data[end - 1] == '\r') {
            --end;
        }
        return {data + begin, end - begin};
    }
};

// A reader of records from a source. Lines, CSV and any later format implement it.
class RecordReader {
  public:
    enum class Status {
        Record,
        TooLong,  // a record longer than the limit was read past and not kept
        End,
        Error,  // reading failed; error() is the errno
    };

    virtual ~RecordReader() = default;
    // The next record; its views stay valid until the next call of any member.
    virtual Status Next(Record& record) = 0;
    virtual int error() const = 0;
    // Whole records already read and not yet handed out, each ended by LF, that a fast path
    // may confirm at once; empty where a reader has no such runs.
    virtual std::string_view Ahead() const { return {}; }
    // The same for CSV: whole records, split; empty where a reader has none.
    virtual FieldRun AheadFields() { return {}; }
    // Passes over the first `bytes` of Ahead() or AheadFields(), which hold `records` records.
    virtual void Pass(std::size_t /*bytes*/, unsigned long long /*records*/) {}
};

}  // namespace check
