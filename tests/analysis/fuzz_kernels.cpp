// Fuzz target: every kernel against the literal scans on arbitrary bytes. The first byte picks
// the check (low three bits) and the symbol flag (bit 3); the rest is the text. A disagreement
// aborts, which libFuzzer and the corpus replay both report with the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "oracle.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "kernel disagrees with the literal scan: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace oracle;
    if (size == 0) return 0;
    const Check check = Checks()[data[0] % Checks().size()];
    const int symbols = data[0] >> 3 & 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const CheckResult expected = Literal(check, text, symbols);
    const CheckResult got = Public(check, text, symbols);
    Require(got.ok == expected.ok && got.position == expected.position, "public operation");
    const int count = literal::CheckCharCount(text);
    Require(CheckCharCount(text) == count, "public character count");
    const RecordsExpectation records = ExpectedRecords(check, text, symbols);
    for (Isa isa : Kernels()) {
        Require(kernels::ConfirmedPrefix(isa, check, text, symbols) ==
                    RoundDown(LiteralStop(check, text, symbols)),
                Name(isa));
        const kernels::CountedPrefix prefix = kernels::CountPrefix(isa, text);
        Require(
            static_cast<int>(prefix.count) + literal::CheckCharCount(text, prefix.resume) == count,
            "character count");
        const kernels::RecordsPrefix confirmed =
            kernels::ConfirmedRecords(isa, check, text, symbols);
        Require(confirmed.end == records.end && confirmed.records == records.records, "records");
    }
    return 0;
}
