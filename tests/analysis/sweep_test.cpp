// Properties that must hold for every input of up to three bytes, with symbols allowed and
// not: all 16,843,009 inputs, each ending right before a guard page so that a read past the
// end crashes. Off-by-one bounds, steps and range ends show up here as broken properties.
#include <gtest/gtest.h>

#include <limits>

#include "analysis.h"
#include "bytes.h"
#include "guarded.h"
#include "wording.h"

namespace {

constexpr int kOk = std::numeric_limits<int>::max();  // an OK stops past every position

struct Found {
    const char* check;
    CheckResult result;
};

// The first failed property, with the input that broke it; empty while all hold.
std::string Violation(std::string_view text) {
    const int length = static_cast<int>(text.size());
    bool starts[4] = {};  // character starts, by 1-based position
    for (int i = 0; i < length; ++i) {
        starts[i + 1] = true;
        if (IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
    }
    const auto stop = [](CheckResult r) { return r.ok ? kOk : r.position; };
    const auto fail = [&](const std::string& what) { return what + " for " + Hex(text); };

    if (CheckByteSize(text) != length) return fail("byte size is not the length");
    const int count = CheckCharCount(text);
    if (count < (length + 1) / 2 || count > length) return fail("character count out of range");

    const CheckResult fullWidth = CheckFullWidth(text);
    const CheckResult halfWidth = CheckHalfWidth(text);
    bool marked[4] = {};  // positions whose excerpt has been checked
    for (int symbols = 0; symbols <= 1; ++symbols) {
        const char* flag = symbols ? " with symbols" : " without symbols";
        const Found found[] = {
            {"CheckFullWidth", fullWidth},
            {"CheckHalfWidth", halfWidth},
            {"CheckFullHiragana", CheckFullHiragana(text, symbols)},
            {"CheckFullKatakana", CheckFullKatakana(text, symbols)},
            {"CheckFullAlnum", CheckFullAlnum(text, symbols)},
            {"CheckHalfKatakana", CheckHalfKatakana(text, symbols)},
            {"CheckHalfDigits", CheckHalfDigits(text, symbols)},
            {"CheckHalfAlnum", CheckHalfAlnum(text, symbols)},
        };
        for (int k = 0; k < 8; ++k) {
            const CheckResult r = found[k].result;
            const auto name = [&] { return std::string(found[k].check) + flag; };
            if (r.ok != (r.position == 0)) return fail(name() + ": OK and position disagree");
            if (r.ok) continue;
            if (r.position < 1 || r.position > length) return fail(name() + ": NG outside 1..L");
            if (!starts[r.position]) return fail(name() + ": NG not at a character start");
            // The full-width family steps by two from 1.
            const bool fullWidthFamily = k == 0 || (k >= 2 && k <= 4);
            if (fullWidthFamily && r.position % 2 == 0)
                return fail(name() + ": NG at an even position");
            // Bracketing the NG character keeps every input byte, in order.
            if (marked[r.position]) continue;
            marked[r.position] = true;
            std::string excerpt = MarkCharacterAt(text, r.position);
            const std::size_t open = excerpt.find(" \x81y");             // " 【"
            const std::size_t close = excerpt.find("\x81z ", open + 3);  // "】 "
            const bool pair =
                IsLeadByte(static_cast<unsigned char>(text[r.position - 1])) && r.position < length;
            if (open != static_cast<std::size_t>(r.position - 1) || close == std::string::npos ||
                close - open - 3 != (pair ? 2u : 1u)) {
                return fail(name() + ": brackets misplaced in " + Hex(excerpt));
            }
            if (excerpt.erase(close, 3).erase(open, 3) != text) {
                return fail(name() + ": excerpt without its brackets is not the input");
            }
        }
        // A script check passes no more than its width check does.
        const std::pair<int, int> narrower[] = {{2, 0}, {3, 0}, {4, 0}, {5, 1}, {6, 7}, {7, 1}};
        for (const auto& [script, width] : narrower) {
            if (stop(found[script].result) > stop(found[width].result)) {
                return fail(std::string(found[script].check) + " passes further than " +
                            found[width].check + flag);
            }
        }
    }
    // Allowing symbols never moves an NG position earlier.
    using Check = CheckResult (*)(std::string_view, int);
    for (Check check : {CheckFullHiragana, CheckFullKatakana, CheckFullAlnum, CheckHalfKatakana,
                        CheckHalfDigits, CheckHalfAlnum}) {
        if (stop(check(text, 1)) < stop(check(text, 0))) {
            return fail("allowing symbols moved an NG position earlier");
        }
    }
    return {};
}

// Every input of `length` bytes whose first byte lies in [firstLow, firstHigh].
void Sweep(int length, int firstLow, int firstHigh) {
    GuardedBuffer guard;
    char* bytes = guard.Tail(static_cast<std::size_t>(length));
    const std::string_view text(bytes, static_cast<std::size_t>(length));
    const long long rest = 1LL << (8 * (length - 1 > 0 ? length - 1 : 0));
    for (int first = firstLow; first <= firstHigh; ++first) {
        for (long long tail = 0; tail < (length ? rest : 1); ++tail) {
            if (length > 0) bytes[0] = static_cast<char>(first);
            for (int k = 1; k < length; ++k) bytes[k] = static_cast<char>(tail >> (8 * (k - 1)));
            const std::string violation = Violation(text);
            if (!violation.empty()) {
                ADD_FAILURE() << violation;
                return;
            }
        }
        if (length == 0) return;
    }
}

TEST(Sweep, EmptyAndOneAndTwoBytes) {
    Sweep(0, 0, 0);
    Sweep(1, 0x00, 0xFF);
    Sweep(2, 0x00, 0xFF);
}

// Three bytes, split by the first byte so that ctest can run the quarters side by side.
TEST(Sweep, ThreeBytesFirstQuarter) {
    Sweep(3, 0x00, 0x3F);
}
TEST(Sweep, ThreeBytesSecondQuarter) {
    Sweep(3, 0x40, 0x7F);
}
TEST(Sweep, ThreeBytesThirdQuarter) {
    Sweep(3, 0x80, 0xBF);
}
TEST(Sweep, ThreeBytesFourthQuarter) {
    Sweep(3, 0xC0, 0xFF);
}

}  // namespace
