// Texts that end right before an inaccessible page, so that a read past the end crashes the
// test instead of passing unnoticed.
#pragma once

#include <cstddef>
#include <string_view>

class GuardedBuffer {
  public:
    explicit GuardedBuffer(std::size_t capacity = 4096);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // Copies `bytes` so that their last byte is the last accessible one.
    std::string_view Place(std::string_view bytes);

    // Room for `size` bytes ending at the guard, for filling in place.
    char* Tail(std::size_t size) { return end_ - size; }

  private:
    char* base_;
    std::size_t mapped_;
    char* end_;
};
