// The public operations: a fast kernel confirms what it can of a long text, and the literal scan
// resumes at the first character it did not confirm, so every verdict, position and count is
// the literal scan's. Short texts are confirmed a character at a time through tables.
#include "analysis.h"
#include "kernels.h"
#include "literal.h"

namespace {

// Below this a kernel has no whole block to confirm.
constexpr std::size_t kFastMinimum = kernels::kBlock;

std::size_t Confirmed(kernels::Check check, std::string_view text, int symbolsAllowed) {
    if (text.size() < kFastMinimum) return kernels::ConfirmedShort(check, text, symbolsAllowed);
    return kernels::ConfirmedPrefix(kernels::Fastest(), check, text, symbolsAllowed);
}

// A script check: the kernel's prefix, then the literal scan from there.
template <CheckResult (*kLiteral)(std::string_view, int, std::size_t)>
CheckResult ScriptCheck(kernels::Check check, std::string_view text, int symbolsAllowed) {
    return kLiteral(text, symbolsAllowed, Confirmed(check, text, symbolsAllowed));
}

}  // namespace

using kernels::Check;

int CheckCharCount(std::string_view text) {
    if (text.size() < kFastMinimum) return literal::CheckCharCount(text);
    const kernels::CountedPrefix prefix = kernels::CountPrefix(kernels::FastestWide(), text);
    return static_cast<int>(prefix.count) + literal::CheckCharCount(text, prefix.resume);
}

CheckResult CheckFullWidth(std::string_view text) {
    return literal::CheckFullWidth(text, Confirmed(Check::FullWidth, text, 1));
}

CheckResult CheckHalfWidth(std::string_view text) {
    return literal::CheckHalfWidth(text, Confirmed(Check::HalfWidth, text, 1));
}

CheckResult CheckFullHiragana(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckFullHiragana>(Check::FullHiragana, text, symbolsAllowed);
}

CheckResult CheckFullKatakana(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckFullKatakana>(Check::FullKatakana, text, symbolsAllowed);
}

CheckResult CheckFullAlnum(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckFullAlnum>(Check::FullAlnum, text, symbolsAllowed);
}

CheckResult CheckHalfKatakana(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckHalfKatakana>(Check::HalfKatakana, text, symbolsAllowed);
}

CheckResult CheckHalfDigits(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckHalfDigits>(Check::HalfDigits, text, symbolsAllowed);
}

CheckResult CheckHalfAlnum(std::string_view text, int symbolsAllowed) {
    return ScriptCheck<literal::CheckHalfAlnum>(Check::HalfAlnum, text, symbolsAllowed);
}

CheckResult CheckZengin(std::string_view text) {
    return literal::CheckZengin(text, Confirmed(Check::Zengin, text, 1));
}
