#include "records.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace check {

ReadBuffer::ReadBuffer(int fd, std::size_t chunk) : fd_(fd) {
    Grow(chunk);
}

void ReadBuffer::Grow(std::size_t capacity) {
    void* grown = std::realloc(buffer_.get(), capacity);
    if (grown == nullptr) throw std::bad_alloc();
    buffer_.release();
    buffer_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
}

bool ReadBuffer::Fill() {
    if (atEnd_) return false;
    if (end_ == capacity_) {
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
        const std::string_view pending = input_.Pending();
        const std::size_t lf = pending.find('\n');
        if (lf != std::string_view::npos) {
            input_.Consume(lf + 1);
            break;
        }
        input_.Consume(pending.size());
        if (!input_.Fill()) break;
    }
    scanned_ = 0;
}

RecordReader::Status RecordReader::Next(std::string_view& records) {
    for (;;) {
        const std::string_view pending = input_.Pending();
        if (std::memchr(pending.data() + scanned_, '\n', pending.size() - scanned_) != nullptr) {
            records = pending.substr(0, pending.rfind('\n') + 1);
            input_.Consume(records.size());
            scanned_ = 0;
            return Status::Records;
        }
        scanned_ = pending.size();
        // The record so far, less a CR that may turn out to end it.
        if (pending.size() > maxRecord_ + 1) {
            SkipRestOfRecord();
            return Status::TooLong;
        }
        if (!input_.Fill()) {
            if (input_.error() != 0) return Status::Error;
            records = input_.Pending();  // Fill() may have moved it
            if (records.empty()) return Status::End;
            input_.Consume(records.size());
            scanned_ = 0;
            return Status::Last;
        }
    }
}

std::size_t PastLineFeeds(std::string_view records, std::size_t n) {
    std::size_t at = 0;
#if defined(__SSE2__)
    // Whole runs of short records are passed over sixteen bytes at a time, counting their LFs.
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i one = _mm_set1_epi8(1);
    for (; at + 16 <= records.size(); at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(records.data() + at));
        const __m128i sums =
            _mm_sad_epu8(_mm_and_si128(_mm_cmpeq_epi8(v, lineFeed), one), _mm_setzero_si128());
        const auto count =
            static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
        if (count >= n) break;
        n -= count;
    }
#endif
    for (; n > 0; --n) at = records.find('\n', at) + 1;
    return at;
}

}  // namespace check
