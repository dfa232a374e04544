// Reading records from a file descriptor in chunks: memory stays at one chunk, or at the
// longest record when a record is longer than that.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace check {

class RecordReader {
  public:
    enum class Status {
        Records,  // `records` holds whole records, each ended by LF
        Last,     // `records` holds the final record, which has no LF
        TooLong,  // a record longer than the limit was skipped up to its LF
        End,
        Error,  // reading failed; error() is the errno
    };

    // Throws std::bad_alloc when the buffer cannot grow to hold a record.
    explicit RecordReader(int fd, std::size_t maxRecord = INT_MAX, std::size_t chunk = 1 << 20);

    // The next run of records. The view stays valid until the next call.
    Status Next(std::string_view& records);
    int error() const { return error_; }

  private:
    bool Read();  // appends what one read() gives; false at the end of input or on an error
    void SkipRestOfRecord();
    void Grow(std::size_t capacity);

    int fd_;
    std::size_t maxRecord_;
    // malloc'd so that growing it can move pages instead of copying them (and holding both).
    std::unique_ptr<char, decltype(&std::free)> buffer_{nullptr, &std::free};
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0, end_ = 0;  // the bytes not handed out yet
    std::size_t scanned_ = 0;          // bytes from begin_ known to hold no LF
    bool atEnd_ = false;
    int error_ = 0;
};

}  // namespace check
