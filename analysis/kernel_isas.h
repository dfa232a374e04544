// The per-instruction-set entry points behind kernels.h, one namespace each.
#pragma once

#include "kernels.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KESTRUNE_X86_KERNELS 1
#endif

#define KESTRUNE_DECLARE_KERNELS(isa)                                                       \
    namespace isa {                                                                         \
    std::size_t ConfirmedPrefix(Check check, std::string_view text, int symbolsAllowed);    \
    CountedPrefix CountPrefix(std::string_view text);                                       \
    RecordsPrefix ConfirmedRecords(Check check, std::string_view text, int symbolsAllowed); \
    std::size_t ConfirmedJis(std::string_view text);                                        \
    RecordsPrefix ConfirmedUtf8Records(const Utf8Block& block, std::string_view records);   \
    }

namespace kernels {
KESTRUNE_DECLARE_KERNELS(scalar)
#ifdef KESTRUNE_X86_KERNELS
KESTRUNE_DECLARE_KERNELS(sse2)
KESTRUNE_DECLARE_KERNELS(avx2)
namespace avx512 {
CountedPrefix CountPrefix(std::string_view text);
std::size_t ConfirmedJis(std::string_view text);
}  // namespace avx512
#endif
}  // namespace kernels

#undef KESTRUNE_DECLARE_KERNELS
