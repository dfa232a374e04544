#include "records.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace check {

RecordReader::RecordReader(int fd, std::size_t maxRecord, std::size_t chunk)
    : fd_(fd), maxRecord_(maxRecord) {
    Grow(chunk);
}

void RecordReader::Grow(std::size_t capacity) {
    void* grown = std::realloc(buffer_.get(), capacity);
    if (grown == nullptr) throw std::bad_alloc();
    buffer_.release();
    buffer_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

bool RecordReader::Read() {
    if (atEnd_) return false;
    if (end_ == capacity_) {
        // Keep the unfinished record at the front; grow only when it alone fills the buffer.
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        if (end_ == capacity_) Grow(capacity_ * 2);
    }
    for (;;) {
        const ssize_t got = read(fd_, buffer_.get() + end_, capacity_ - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error_ = errno;
        atEnd_ = true;
        return false;
    }
}

void RecordReader::SkipRestOfRecord() {
    for (;;) {
        const void* lf = std::memchr(buffer_.get() + begin_, '\n', end_ - begin_);
        if (lf != nullptr) {
            begin_ = static_cast<const char*>(lf) - buffer_.get() + 1;
            break;
        }
        begin_ = end_ = 0;
        if (!Read()) break;
    }
    scanned_ = 0;
}

RecordReader::Status RecordReader::Next(std::string_view& records) {
    for (;;) {
        const char* data = buffer_.get() + begin_;
        const std::size_t pending = end_ - begin_;
        if (std::memchr(data + scanned_, '\n', pending - scanned_) != nullptr) {
            const char* last = static_cast<const char*>(memrchr(data, '\n', pending));
            records = std::string_view(data, static_cast<std::size_t>(last - data) + 1);
            begin_ += records.size();
            scanned_ = 0;
            return Status::Records;
        }
        scanned_ = pending;
        // The record so far, less a CR that may turn out to end it.
        if (pending > maxRecord_ + 1) {
            SkipRestOfRecord();
            return Status::TooLong;
        }
        if (!Read()) {
            if (error_ != 0) return Status::Error;
            if (end_ == begin_) return Status::End;
            records = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            scanned_ = 0;
            return Status::Last;
        }
    }
}

}  // namespace check
