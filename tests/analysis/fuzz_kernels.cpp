// Fuzz target: every kernel against the literal scans on arbitrary bytes (the UTF-8 records
// kernel against the records the oracle decodes). The first byte picks the check (its value
// modulo the checks) and the symbol flag (bit 3); the rest is the text. A disagreement aborts,
// which libFuzzer and the corpus replay both report with the input.
#include <cstdint>
#include <cstdio>

#include "oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto check = static_cast<oracle::Check>(data[0] % kernels::kCheckCount);
    const std::string why = oracle::Disagreement(
        check, data[0] >> 3 & 1, {reinterpret_cast<const char*>(data + 1), size - 1});
    if (why.empty()) return 0;
    std::fprintf(stderr, "kernel disagrees with the literal scan: %s\n", why.c_str());
    std::abort();
}
