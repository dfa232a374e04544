// The progress line of a long run: one line on standard error, redrawn at most ten times a
// second and erased at the end, for an input larger than 64 MiB, and only where standard error
// is a terminal. Whatever else is written to the terminal goes out while the line is erased.
#pragma once

#include <chrono>
#include <cstdio>
#include <optional>

#include "output.h"

namespace check {

class Progress {
  public:
    static constexpr unsigned long long kLarge = 64ull << 20;

    // `err` gets the line where `shown` (standard error is a terminal and it was not turned off);
    // `out` is flushed before each drawing, so that its lines never land inside the line.
    Progress(std::FILE* err, Output& out, bool shown) : err_(err), out_(out), shown_(shown) {}
    ~Progress() { Erase(); }

    // A file begins; its size, where it is known.
    void Start(std::optional<unsigned long long> size);
    // Cheap to call for every record: it looks at the clock only when more was read.
    void Update(unsigned long long read, unsigned long long records, unsigned long long failing) {
        if (shown_ && read != read_) Tick(read, records, failing);
    }
    // Erases the line, where it is drawn, before something else is written to the terminal.
    void Erase();

  private:
    void Tick(unsigned long long read, unsigned long long records, unsigned long long failing);

    std::FILE* err_;
    Output& out_;
    bool shown_;
    std::optional<unsigned long long> size_;
    unsigned long long read_ = 0;
    std::chrono::steady_clock::time_point start_, drawn_;
    std::size_t width_ = 0;  // of the line drawn; 0: none is
};

}  // namespace check
