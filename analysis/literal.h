// The literal scans: one character at a time, exactly as the operations are defined. They are
// the definition that every faster path is held to; the public functions of analysis.h resume
// one of them at the first character a fast kernel did not confirm, and tests reach them here.
//
// Each scan starts at byte index `from`, which must be a character start that the scan from 0
// would reach (0 always is) with every character before it accepted. The verdict is then the
// one for the whole text, and CheckCharCount counts the characters from `from` on.
#pragma once

#include <cstddef>
#include <string_view>

#include "analysis.h"

namespace literal {

int CheckCharCount(std::string_view text, std::size_t from = 0);

CheckResult CheckFullWidth(std::string_view text, std::size_t from = 0);
CheckResult CheckHalfWidth(std::string_view text, std::size_t from = 0);

CheckResult CheckFullHiragana(std::string_view text, int symbolsAllowed, std::size_t from = 0);
CheckResult CheckFullKatakana(std::string_view text, int symbolsAllowed, std::size_t from = 0);
CheckResult CheckFullAlnum(std::string_view text, int symbolsAllowed, std::size_t from = 0);

CheckResult CheckHalfKatakana(std::string_view text, int symbolsAllowed, std::size_t from = 0);
CheckResult CheckHalfDigits(std::string_view text, int symbolsAllowed, std::size_t from = 0);
CheckResult CheckHalfAlnum(std::string_view text, int symbolsAllowed, std::size_t from = 0);

CheckResult CheckJis(std::string_view text, std::size_t from = 0);
CheckResult CheckCp932(std::string_view text, std::size_t from = 0);
CheckResult CheckZengin(std::string_view text, std::size_t from = 0);

}  // namespace literal
