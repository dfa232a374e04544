// The fast kernels: they confirm that whole 64-byte blocks of a text conform and stop at the
// first block that does not, leaving every verdict, position and count to the literal scans.
//
// Three implementations of each, all callable here by name so that tests can hold each one to
// the literal scans: a portable scalar reference, SSE2 (every x86-64 processor) and AVX2 (chosen
// at run time where the processor has it). The character count and the jis kernel have a fourth,
// AVX-512 with its byte permutes (VBMI) and bit shuffles (BITALG), chosen the same way; for the
// others Isa::Avx512 runs AVX2. No kernel reads at or past text.size().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "byte_sets.h"

namespace kernels {

enum class Isa { Scalar, Sse2, Avx2, Avx512 };

// The unit every kernel confirms: blocks start at multiples of it from the start of the text.
inline constexpr std::size_t kBlock = 64;

// The project's one processor probe: whatever else picks an instruction set at run time (the
// conversion's UTF-8 classifier too) asks these.
bool Available(Isa isa);
// The best kernel this processor runs, chosen once: at most AVX2, which every kernel has.
Isa Fastest();
// The same with AVX-512 where the processor has it, for the character count and the jis
// kernel, the two with an AVX-512 form: Fastest() for the others would run AVX2 under it.
Isa FastestWide();
// Carry-less multiplication (PCLMULQDQ) and BMI1, which the CSV block kernel uses beside AVX2.
bool HasCarrylessMultiplyAndBmi();

// The start of the first whole block holding a character that `check` rejects, or the end of
// the last whole block when there is none. Blocks start at character starts in every check
// (a double-byte check accepts only double-byte characters), so the literal scan resumes there.
std::size_t ConfirmedPrefix(Isa isa, Check check, std::string_view text, int symbolsAllowed);

// For texts shorter than a block: the start of the first character that `check` may reject,
// or the end. Every character before it is accepted, so the literal scan resumes there.
std::size_t ConfirmedShort(Check check, std::string_view text, int symbolsAllowed);

// The characters that start before `end`, the end of the last whole block, and `resume`, the
// first character start at or after it (end + 1 when a character straddles the block edge).
struct CountedPrefix {
    std::size_t end;
    std::size_t resume;
    std::size_t count;
};
CountedPrefix CountPrefix(Isa isa, std::string_view text);

// Records: lines ended by LF or CR LF. `end` is just past the last LF before the first block
// that holds a rejected character of some record (or before the last whole block followed by
// at least one more byte), so that every record in [0, end) passes `check`; `records` counts
// them. The text must start at the start of a record.
struct RecordsPrefix {
    std::size_t end;
    std::size_t records;
};
RecordsPrefix ConfirmedRecords(Isa isa, Check check, std::string_view text, int symbolsAllowed);

// For the jis and cp932 checks, whose characters are one byte or two and cross block edges: the
// first character start at or after the end of the last block confirmed. Blocks are confirmed
// in turn while a byte follows them (a pair is judged with the block it starts in), each when
// every character that starts in it is a single byte other than 0xA0 or a pair of
// kJisCommonPairs. The text must start at a character start. Both checks accept every character
// before the start returned; the table of defined codes judges the ones the kernel did not.
std::size_t ConfirmedJis(Isa isa, std::string_view text);

// For UTF-8 input, whose records are confirmed without converting them when every character a
// check accepts lies in one block of 256 code points of three-byte UTF-8: U+3000-30FF (E3 80-83
// xx: kana and 　 ・ ー) or U+FF00-FFFF (EF BC-BF xx: the full-width letters and digits). The
// caller works out which code points of the block its checks accept.
struct Utf8Block {
    unsigned char lead;    // E3 or EF
    unsigned char second;  // the first of the block's four second bytes, 80 or BC
    // A bit per code point of the block: code point first + k at bit k & 7 of byte k >> 3.
    std::array<std::uint8_t, 32> accepted;
};

// Records ended by LF or CR LF from the start of `records`: `end` is just past the last LF
// before the first byte that is neither a line end nor part of an accepted code point of the
// block (a lone CR, another character, ill-formed UTF-8), and `records` counts the records
// before it; a last record without its line end is not counted. Blocks of 64 bytes are taken
// whole by AVX2 alone, SSE2 having no byte shuffle for the lookup: it runs the scalar scan.
RecordsPrefix ConfirmedUtf8Records(Isa isa, const Utf8Block& block, std::string_view records);

}  // namespace kernels
