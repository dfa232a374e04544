// Reading records from a file descriptor in chunks: memory stays at one chunk, or at the
// longest record when a record is longer than that.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace check {

// The bytes read and not yet consumed, kept at the front of one buffer that grows only when
// they alone fill it.
class ReadBuffer {
  public:
    // Throws std::bad_alloc when the buffer cannot grow.
    ReadBuffer(int fd, std::size_t chunk);

    // Valid until the next Fill().
    std::string_view Pending() const { return {buffer_.get() + begin_, end_ - begin_}; }
    void Consume(std::size_t n) { begin_ += n; }
    // Appends what one read() gives; false at the end of the input or on an error.
    bool Fill();
    bool atEnd() const { return atEnd_; }
    int error() const { return error_; }  // the errno of a failed read

  private:
    void Grow(std::size_t capacity);

    int fd_;
    // malloc'd so that growing it can move pages instead of copying them (and holding both).
    std::unique_ptr<char, decltype(&std::free)> buffer_{nullptr, &std::free};
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    bool atEnd_ = false;
    int error_ = 0;
};

// Records ended by LF (a CR before it is the caller's to drop).
class RecordReader {
  public:
    enum class Status {
        Records,  // `records` holds whole records, each ended by LF
        Last,     // `records` holds the final record, which has no LF
        TooLong,  // a record longer than the limit was skipped up to its LF
        End,
        Error,  // reading failed; error() is the errno
    };

    RecordReader(int fd, std::size_t maxRecord = INT_MAX, std::size_t chunk = 1 << 20)
        : input_(fd, chunk), maxRecord_(maxRecord) {}

    // The next run of records. The view stays valid until the next call.
    Status Next(std::string_view& records);
    int error() const { return input_.error(); }

  private:
    void SkipRestOfRecord();

    ReadBuffer input_;
    std::size_t maxRecord_;
    std::size_t scanned_ = 0;  // bytes pending known to hold no LF
};

// Just past the n-th LF of `records`, which holds at least n.
std::size_t PastLineFeeds(std::string_view records, std::size_t n);

}  // namespace check
