#include "guarded.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

GuardedBuffer::GuardedBuffer(std::size_t capacity) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t usable = (capacity + page - 1) / page * page;
    mapped_ = usable + page;
    void* p = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) std::abort();
    base_ = static_cast<char*>(p);
    end_ = base_ + usable;
    if (mprotect(end_, page, PROT_NONE) != 0) std::abort();
}

GuardedBuffer::~GuardedBuffer() {
    munmap(base_, mapped_);
}

std::string_view GuardedBuffer::Place(std::string_view bytes) {
    char* start = end_ - bytes.size();
    if (!bytes.empty()) std::memcpy(start, bytes.data(), bytes.size());
    return {start, bytes.size()};
}
