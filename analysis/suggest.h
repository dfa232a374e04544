// The fix for a rejected character, where one keeps its meaning exactly: the same kana in the
// other width or script, the same letter, digit or ASCII symbol in the other width, the JIS X
// 0208 code of a vendor character that duplicates one. Nothing where the only replacements
// are near misses: ① is not "(1)", 髙 is not 高.
#pragma once

#include <cstddef>
#include <string_view>

#include "operations.h"

struct Suggestion {
    char bytes[2] = {};  // code page 932
    int size = 0;        // 0: no suggestion
    int covers = 0;      // the bytes it replaces from the character's start: a half-width kana
                         // with the voiced mark after it is replaced as one
    std::string_view Text() const { return {bytes, static_cast<std::size_t>(size)}; }
};

// A replacement that `op` accepts for the character starting at byte index `at` (< size),
// which `op` rejects; size 0 when there is none.
Suggestion SuggestFix(Operation op, std::string_view text, std::size_t at, int symbolsAllowed);
