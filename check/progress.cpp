#include "progress.h"

#include <algorithm>
#include <string>

namespace check {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(100);

std::string Megabytes(unsigned long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    return text;
}

}  // namespace

void Progress::Start(std::optional<unsigned long long> size) {
    Erase();
    size_ = size;
    read_ = 0;
    start_ = std::chrono::steady_clock::now();
    drawn_ = {};
}

void Progress::Tick(unsigned long long read, unsigned long long records,
                    unsigned long long failing) {
    read_ = read;
    // A file of known size is large or not from the start; a pipe once it has given that much.
    if ((size_ ? *size_ : read) <= kLarge) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - drawn_ < kInterval) return;
    drawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = "kestrune-check: " + Megabytes(read) +
                       (size_ ? " of " + Megabytes(*size_) : std::string()) + " MB, " +
                       std::to_string(records) + " records, " + std::to_string(failing) +
                       " failing";
    if (seconds > 0)
        line += ", " + Megabytes(static_cast<unsigned long long>(read / seconds)) + " MB/s";
    out_.Flush();
    // Spaces over what a longer line left, and the cursor back at the start of the line.
    const std::size_t width = line.size();
    if (width < width_) line.append(width_ - width, ' ');
    width_ = std::max(width_, width);
    line += '\r';
    std::fputc('\r', err_);
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
}

void Progress::Erase() {
    if (width_ == 0) return;
    std::string blank(width_ + 2, ' ');
    blank.front() = blank.back() = '\r';
    std::fwrite(blank.data(), 1, blank.size(), err_);
    std::fflush(err_);
    width_ = 0;
}

}  // namespace check
