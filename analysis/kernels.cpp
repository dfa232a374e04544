// Choosing a kernel: the scalar reference everywhere, SSE2 on every x86-64 processor, AVX2 and
// AVX-512 where the processor reports them.
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
            // The bit instructions come with AVX2 on every processor that has it, but are
            // asked for all the same, since the kernels are compiled to use them.
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                   __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
        case Isa::Avx512:
            return Available(Isa::Avx2) && __builtin_cpu_supports("avx512f") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
                   __builtin_cpu_supports("avx512bitalg");
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
bool Avx512Available() {
    static const bool available = Available(Isa::Avx512);
    return available;
}
}  // namespace

Isa Fastest() {
    static const Isa fastest = Available(Isa::Avx2)   ? Isa::Avx2
                               : Available(Isa::Sse2) ? Isa::Sse2
                                                      : Isa::Scalar;
    return fastest;
}

Isa FastestWide() {
    static const Isa fastest = Avx512Available() ? Isa::Avx512 : Fastest();
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

// An instruction set this build or this processor lacks falls back to the scalar reference;
// AVX-512 runs the AVX2 kernels where it has none of its own (KESTRUNE_DISPATCH_512).
#ifdef KESTRUNE_X86_KERNELS
#define KESTRUNE_DISPATCH_FROM_AVX2(isa, call) \
    switch (isa) {                             \
        case Isa::Avx512:                      \
        case Isa::Avx2:                        \
            if (!Avx2Available()) break;       \
            return avx2::call;                 \
        case Isa::Sse2:                        \
            return sse2::call;                 \
        case Isa::Scalar:                      \
            break;                             \
    }                                          \
    return scalar::call
#define KESTRUNE_DISPATCH(isa, call) KESTRUNE_DISPATCH_FROM_AVX2(isa, call)
#define KESTRUNE_DISPATCH_512(isa, call)                              \
    if (isa == Isa::Avx512 && Avx512Available()) return avx512::call; \
    KESTRUNE_DISPATCH_FROM_AVX2(isa == Isa::Avx512 ? Isa::Avx2 : isa, call)
#else
#define KESTRUNE_DISPATCH(isa, call) return scalar::call
#define KESTRUNE_DISPATCH_512(isa, call) return scalar::call
#endif

std::size_t ConfirmedPrefix(Isa isa, Check check, std::string_view text, int symbolsAllowed) {
    KESTRUNE_DISPATCH(isa, ConfirmedPrefix(check, text, symbolsAllowed));
}

CountedPrefix CountPrefix(Isa isa, std::string_view text) {
    KESTRUNE_DISPATCH_512(isa, CountPrefix(text));
}

RecordsPrefix ConfirmedRecords(Isa isa, Check check, std::string_view text, int symbolsAllowed) {
    KESTRUNE_DISPATCH(isa, ConfirmedRecords(check, text, symbolsAllowed));
}

std::size_t ConfirmedJis(Isa isa, std::string_view text) {
    KESTRUNE_DISPATCH_512(isa, ConfirmedJis(text));
}

RecordsPrefix ConfirmedUtf8Records(Isa isa, const Utf8Block& block, std::string_view records) {
    KESTRUNE_DISPATCH(isa, ConfirmedUtf8Records(block, records));
}

}  // namespace kernels
