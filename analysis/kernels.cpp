// Choosing a kernel: the scalar reference everywhere, SSE2 on every x86-64 processor, AVX2 where
// the processor reports it.
#include "kernels.h"

#include "kernel_isas.h"

namespace kernels {

bool Available(Isa isa) {
    switch (isa) {
        case Isa::Scalar:
            return true;
#ifdef KESTRUNE_X86_KERNELS
        case Isa::Sse2:
            return true;
        case Isa::Avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
#endif
        default:
            return false;
    }
}

namespace {
bool Avx2Available() {
    static const bool available = Available(Isa::Avx2);
    return available;
}
}  // namespace

Isa Fastest() {
    static const Isa fastest = Available(Isa::Avx2)   ? Isa::Avx2
                               : Available(Isa::Sse2) ? Isa::Sse2
                                                      : Isa::Scalar;
    return fastest;
}

bool HasCarrylessMultiplyAndBmi() {
#ifdef KESTRUNE_X86_KERNELS
    static const bool available = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("bmi");
    return available;
#else
    return false;
#endif
}

// An instruction set this build or this processor lacks falls back to the scalar reference.
#ifdef KESTRUNE_X86_KERNELS
#define KESTRUNE_DISPATCH(isa, call)     \
    switch (isa) {                       \
        case Isa::Avx2:                  \
            if (!Avx2Available()) break; \
            return avx2::call;           \
        case Isa::Sse2:                  \
            return sse2::call;           \
        case Isa::Scalar:                \
            break;                       \
    }                                    \
    return scalar::call
#else
#define KESTRUNE_DISPATCH(isa, call) return scalar::call
#endif

std::size_t ConfirmedPrefix(Isa isa, Check check, std::string_view text, int symbolsAllowed) {
    KESTRUNE_DISPATCH(isa, ConfirmedPrefix(check, text, symbolsAllowed));
}

CountedPrefix CountPrefix(Isa isa, std::string_view text) {
    KESTRUNE_DISPATCH(isa, CountPrefix(text));
}

RecordsPrefix ConfirmedRecords(Isa isa, Check check, std::string_view text, int symbolsAllowed) {
    KESTRUNE_DISPATCH(isa, ConfirmedRecords(check, text, symbolsAllowed));
}

std::size_t ConfirmedJis(Isa isa, std::string_view text) {
    KESTRUNE_DISPATCH(isa, ConfirmedJis(text));
}

RecordsPrefix ConfirmedUtf8Records(Isa isa, const Utf8Block& block, std::string_view records) {
    KESTRUNE_DISPATCH(isa, ConfirmedUtf8Records(block, records));
}

}  // namespace kernels
