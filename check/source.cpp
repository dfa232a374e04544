#include "source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform.h"

namespace check {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// How much of the start of an input decides --input-encoding auto.
constexpr std::size_t kSample = 64 * 1024;

}  // namespace

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
    const long got = platform::ReadSome(fd_, buffer_.get() + end_, capacity_ - end_, error_);
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
        read_ += static_cast<unsigned long long>(got);
        return true;
    }
    atEnd_ = true;
    return false;
}

std::string_view ReadBuffer::Peek(std::size_t n) {
    while (Pending().size() < n && Fill()) {
    }
    return Pending().substr(0, n);
}

bool LooksLikeUtf8(std::string_view sample, bool complete) {
    const std::size_t valid = ValidUtf8Prefix(sample);
    if (valid < sample.size()) {
        // Only a sequence cut at the end of a sample that is not the whole input may remain.
        const std::string_view rest = sample.substr(valid);
        bool wellFormed = false;
        const auto lead = static_cast<unsigned char>(rest[0]);
        if (complete || lead < 0xC2 || lead > 0xF4 ||
            Utf8SequenceLength(rest, wellFormed) != rest.size()) {
            return false;
        }
    }
    return std::any_of(sample.begin(), sample.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

Source::Source(const std::string& path, const SourceSettings& settings)
    : name_(path == "-" ? std::string(kStandardInputName) : path),
      standardInput_(path == "-"),
      encoding_(settings.encoding) {
    fd_ = standardInput_ ? settings.standardInput : platform::OpenForReading(path, openError_);
    if (fd_ < 0) return;
    size_ = platform::RegularFileSize(fd_);
    bytes_ = std::make_unique<ReadBuffer>(fd_, settings.chunk);
}

Source::~Source() {
    if (!standardInput_ && fd_ >= 0) platform::Close(fd_);
}

// A UTF-8 byte order mark at the very start is an encoding signature, not text: skipped in
// UTF-8 input, and in code page 932 input a sign that the encoding was not given.
std::string Source::Start() {
    const Encoding asked = encoding_;
    const std::string_view sample = bytes_->Peek(kSample);
    const bool signature = sample.starts_with(kByteOrderMark);
    const bool utf8 = LooksLikeUtf8(sample, bytes_->atEnd());
    if (asked == Encoding::Auto) encoding_ = signature || utf8 ? Encoding::Utf8 : Encoding::Cp932;
    skippedSignature_ = signature && encoding_ == Encoding::Utf8;
    if (skippedSignature_) bytes_->Consume(kByteOrderMark.size());
    if (asked != Encoding::Cp932) return {};
    if (signature) {
        return name_ +
               ": starts with a UTF-8 byte order mark; if it is UTF-8, give "
               "--input-encoding utf-8";
    }
    if (utf8) {
        return name_ + ": looks like UTF-8; if it is, give --input-encoding utf-8 (or auto)";
    }
    return {};
}

}  // namespace check
