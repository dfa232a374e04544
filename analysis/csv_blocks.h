// The structure of CSV text found 64 bytes at a time: bit masks of its quotes, delimiters and
// line feeds, and from the quote mask its quoted bytes as a prefix XOR (each bit the parity of
// the quotes up to it), so that the delimiters and line feeds inside quotes drop out without a
// state machine. A carry-less multiplication by all ones is that prefix XOR in one instruction;
// without one, six shifts do it.
//
// This marks bytes only: the reader turns the marks into fields and records, and leaves what
// they cannot settle (a quote out of place, the end of the input) to its byte-by-byte scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "kernels.h"

namespace kernels {

struct CsvSyntax {
    unsigned char delimiter;  // never a quote, a CR or an LF
    // Code page 932 with a delimiter from 0x40 on: outside quotes a lead byte carries the byte
    // after it past the delimiter test, as a trail byte.
    bool trailBytes;
};

// What a block hands the next, a bit each; the defaults are those of a text that starts at the
// start of a record.
struct CsvCarry {
    std::uint64_t quoted = 0;    // all ones when the text so far ends inside quotes
    std::uint64_t closed = 0;    // its last byte is a closing quote
    std::uint64_t closedCr = 0;  // its last two bytes are a closing quote and CR
    std::uint64_t ended = 1;     // its last byte ends a field (or nothing came before)
    std::uint64_t trail = 0;     // its next byte is a trail byte
};

// Where fields and records end, as offsets in the text split, written a block at a time: each
// array needs room for 64 entries a block to split, and kCsvSlack more past them.
struct CsvSplit {
    std::uint32_t* fieldEnds;   // delimiters and LFs outside quotes
    std::uint32_t* recordEnds;  // for each LF outside quotes, the field ends up to it, itself too
    std::uint32_t* rare;        // LFs inside quotes, and the second quote of each ""
    std::size_t fields = 0, records = 0, rares = 0;  // entries written so far
};
inline constexpr std::size_t kCsvSlack = 4;

// Splits up to `blocks` whole blocks of `text` from `from`, a multiple of 64, going on from
// `carry`. Stops after the first block that holds a byte where the quotes break the rules (a
// quote opening elsewhere than at a field's start, a closing quote followed by anything but a
// delimiter, a line end or the quote that doubles it: a fault, in text that starts at a record
// start), `stray` being its offset, and nothing from it on split; SIZE_MAX when there is none.
// Returns the blocks done. The Avx2 kernel also needs carry-less multiplication and BMI1; where
// the processor lacks them, the SSE2 one runs, with shifts for the prefix XOR.
std::size_t CsvSplitBlocks(Isa isa, const CsvSyntax& syntax, std::string_view text,
                           std::size_t from, std::size_t blocks, CsvCarry& carry, CsvSplit& out,
                           std::size_t& stray);

}  // namespace kernels
