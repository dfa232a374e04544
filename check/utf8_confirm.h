// Confirming whole records of UTF-8 input without converting them, for the script checks whose
// characters all lie in one block of 256 code points of three-byte UTF-8: hiragana and
// katakana (U+3000-30FF, with 　 ー ・), or the full-width letters and digits (U+FF00-FFFF).
// Records of such text pass or fail exactly as their code page 932 form does; anything else
// (other characters, a lone CR, ill-formed bytes) ends the confirmed stretch, for the caller to
// convert and check.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "kernels.h"
#include "rules.h"

namespace check {

class Utf8Confirmer {
  public:
    // None when the checks' characters do not share one such block.
    static std::optional<Utf8Confirmer> For(std::span<const Rule> rules, int symbolsAllowed);

    // Records ended by LF or CR LF from the start of `records`: `end` is just past the last LF
    // before the first character that is not an accepted one of the block, and `records`
    // counts the records before it.
    kernels::RecordsPrefix Confirm(std::string_view records) const;

    // The same a character at a time: the definition, and the path without AVX2.
    kernels::RecordsPrefix ConfirmScalar(std::string_view records) const;

  private:
    Utf8Confirmer(unsigned char lead, unsigned char second) : lead_(lead), second_(second) {}
    bool Accepts(unsigned index) const { return accepted_[index >> 3] >> (index & 7) & 1; }

    unsigned char lead_;    // E3 or EF
    unsigned char second_;  // the first of the four second bytes of the block: 80 or BC
    std::array<std::uint8_t, 32> accepted_{};  // a bit per code point of the block
};

}  // namespace check
