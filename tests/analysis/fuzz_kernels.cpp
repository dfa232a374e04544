// Fuzz target: every kernel against the literal scans on arbitrary bytes (the UTF-8 records
// kernel against the records the oracle decodes). The first byte picks the check (its value
// modulo the checks) and the symbol flag (bit 3); the rest is the text. The CSV block kernel of
// each instruction set splits the same text as the scalar one, with the delimiter | or , (bit
// 4) and trail bytes or none (bit 5). A disagreement aborts, which libFuzzer and the corpus
// replay both report with the input.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "csv_blocks.h"
#include "oracle.h"

namespace {

// Everything a split gives, in one list to compare.
std::vector<std::size_t> Split(kernels::Isa isa, const kernels::CsvSyntax& syntax,
                               std::string_view text) {
    const std::size_t room = text.size() + kernels::kCsvSlack;
    std::vector<std::uint32_t> fields(room), records(room), rare(room);
    kernels::CsvSplit split{fields.data(), records.data(), rare.data()};
    kernels::CsvCarry carry;
    std::size_t stray = 0;
    // In two calls, so that the carry between them counts too.
    std::vector<std::size_t> seen;
    for (std::size_t from = 0, blocks = 1; from + kernels::kBlock <= text.size();
         blocks = SIZE_MAX) {
        from += kernels::kBlock *
                kernels::CsvSplitBlocks(isa, syntax, text, from, blocks, carry, split, stray);
        seen.push_back(stray);
        if (stray != SIZE_MAX) break;
    }
    seen.insert(seen.end(), fields.begin(), fields.begin() + split.fields);
    seen.insert(seen.end(), records.begin(), records.begin() + split.records);
    seen.insert(seen.end(), rare.begin(), rare.begin() + split.rares);
    seen.insert(seen.end(), {split.fields, split.records, split.rares, carry.quoted, carry.closed,
                             carry.closedCr, carry.ended, carry.trail});
    return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto check = static_cast<oracle::Check>(data[0] % kernels::kCheckCount);
    const std::string why = oracle::Disagreement(
        check, data[0] >> 3 & 1, {reinterpret_cast<const char*>(data + 1), size - 1});
    if (!why.empty()) {
        std::fprintf(stderr, "kernel disagrees with the literal scan: %s\n", why.c_str());
        std::abort();
    }
    const kernels::CsvSyntax syntax{static_cast<unsigned char>(data[0] >> 4 & 1 ? '|' : ','),
                                    (data[0] >> 5 & 1) != 0};
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<std::size_t> expected = Split(kernels::Isa::Scalar, syntax, text);
    for (const kernels::Isa isa : oracle::kIsas) {
        if (Split(isa, syntax, text) == expected) continue;
        std::fprintf(stderr, "the %s CSV block kernel disagrees with the scalar one\n",
                     oracle::kIsaNames[static_cast<int>(isa)]);
        std::abort();
    }
    return 0;
}
