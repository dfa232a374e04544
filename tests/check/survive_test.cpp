// The fixes suggested for rejected characters: a table of what each check suggests, and sweeps
// that each width and script change goes back to where it came from and that a vendor
// character gets a JIS X 0208 code exactly when converting its character chooses one.
#include <gtest/gtest.h>

#include <string>

#include "bytes.h"
#include "cp932.h"
#include "repertoire.h"
#include "suggest.h"

namespace {

std::string Fix(Operation op, std::string_view text, int symbolsAllowed = 1) {
    const Suggestion s = SuggestFix(op, text, 0, symbolsAllowed);
    // Appended, not "/" + string: GCC 12 at -O3 warns falsely of an overlapping copy there.
    std::string fix(s.Text());
    if (s.size) fix += '/' + std::to_string(s.covers);
    return fix;
}

struct FixCase {
    Operation op;
    std::string text;      // code page 932; its first character is the rejected one
    std::string expected;  // the suggestion and how many bytes it replaces, "" for none
};

TEST(Suggestions, KeepTheMeaningAndPassTheCheck) {
    using enum Operation;
    // clang-format off
    const FixCase cases[] = {
        // Half-width kana take the voiced mark after them into one full-width kana.
        {FullKatakana, Sjis("ｶﾞ"), Sjis("ガ/2")}, {FullKatakana, Sjis("ﾊﾟ"), Sjis("パ/2")},
        {FullKatakana, Sjis("ｳﾞ"), Sjis("ヴ/2")}, {FullKatakana, Sjis("ﾜﾞ"), Sjis("ワ/1")},  // no ヷ
        {FullKatakana, Sjis("ｶﾟ"), Sjis("カ/1")}, {FullKatakana, Sjis("ｰ"), Sjis("ー/1")},
        {FullKatakana, Sjis("｢"), Sjis("「/1")}, {FullKatakana, Sjis("が"), Sjis("ガ/2")},
        {FullHiragana, Sjis("ｶﾞ"), Sjis("が/2")}, {FullHiragana, Sjis("ガ"), Sjis("が/2")},
        {FullHiragana, Sjis("ヽ"), Sjis("ゝ/2")},
        {FullHiragana, Sjis("ヴ"), ""}, {FullHiragana, Sjis("ヵ"), ""},  // no ゔ or ゕ in code page 932
        {HalfKatakana, Sjis("ガ"), Sjis("ｶﾞ/2")}, {HalfKatakana, Sjis("パ"), Sjis("ﾊﾟ/2")},
        {HalfKatakana, Sjis("ヴ"), Sjis("ｳﾞ/2")}, {HalfKatakana, Sjis("。"), Sjis("｡/2")},
        {HalfKatakana, Sjis("ヶ"), ""}, {HalfKatakana, Sjis("が"), ""},  // no script change here
        {FullWidth, Sjis("ｶﾞ"), Sjis("ガ/2")}, {HalfWidth, Sjis("Ａ"), "A/2"},
        {FullAlnum, "A", Sjis("Ａ/1")}, {FullAlnum, "5", Sjis("５/1")},
        {FullAlnum, "(", Sjis("（/1")},
        // ¥ or \, ‾ or ~: systems differ; " and ' have no JIS X 0208 full-width form.
        {FullAlnum, "\\", ""}, {FullAlnum, "~", ""}, {FullAlnum, "\"", ""}, {FullAlnum, "'", ""},
        {HalfAlnum, Sjis("Ｚ"), "Z/2"}, {HalfAlnum, Sjis("あ"), ""}, {HalfDigits, Sjis("９"), "9/2"},
        {HalfDigits, Sjis("ａ"), ""},
        {Zengin, "a", "A/1"}, {Zengin, Sjis("ａ"), "A/2"}, {Zengin, Sjis("Ａ"), "A/2"},
        {Zengin, Sjis("ガ"), Sjis("ｶﾞ/2")}, {Zengin, Sjis("　"), " /2"}, {Zengin, Sjis("－"), "-/2"},
        {Zengin, Sjis("ァ"), ""}, {Zengin, Sjis("ｧ"), ""}, {Zengin, Sjis("ｰ"), ""}, {Zengin, Sjis("が"), ""},
        // NEC row 13 ∵ and the IBM ¬ are JIS X 0208 characters; ①, 髙 and ⅰ are not.
        {Jis, Bytes("87 9A"), Sjis("∵/2")}, {Jis, Bytes("FA 54"), Sjis("¬/2")},
        {Jis, Bytes("87 40"), ""}, {Jis, Bytes("FB FC"), ""}, {Jis, Bytes("FA 40"), ""},
        {Cp932, Bytes("F0 40"), ""},
    };
    // clang-format on
    for (const FixCase& c : cases) {
        EXPECT_EQ(Fix(c.op, c.text), c.expected) << static_cast<int>(c.op) << " " << Hex(c.text);
    }
    // Symbols not allowed: a full-width parenthesis is no fix.
    EXPECT_EQ(Fix(Operation::FullAlnum, "(", 0), "");
}

// Changing width or script and changing back gives the text the first change replaced.
TEST(Suggestions, GoBackWhereTheyCameFrom) {
    const struct {
        Operation there, back;
        unsigned first, last;  // the characters tried: single bytes, or pairs to the kana rows
    } pairs[] = {
        {Operation::FullKatakana, Operation::HalfKatakana, 0x20, 0xFF},
        {Operation::HalfKatakana, Operation::FullKatakana, 0x8140, 0x83FF},
        {Operation::FullWidth, Operation::HalfWidth, 0x20, 0xFF},
        {Operation::HalfWidth, Operation::FullWidth, 0x8140, 0x83FF},
        {Operation::FullHiragana, Operation::FullKatakana, 0x8140, 0x83FF},
    };
    int fixes = 0;
    for (const auto& pair : pairs) {
        // Each alone and before ﾞ and ﾟ.
        for (unsigned code = pair.first; code <= pair.last; ++code) {
            if ((code >= 0x80 && code <= 0x9F) || (code >= 0xE0 && code <= 0xFF))
                continue;  // leads
            std::string text = code > 0xFF ? std::string{static_cast<char>(code >> 8),
                                                         static_cast<char>(code & 0xFF)}
                                           : std::string(1, static_cast<char>(code));
            for (const char* mark : {"", "\xDE", "\xDF"}) {
                const std::string marked = text + mark;
                const Suggestion there = SuggestFix(pair.there, marked, 0, 1);
                if (there.size == 0) continue;
                ++fixes;
                const Suggestion back = SuggestFix(pair.back, there.Text(), 0, 1);
                EXPECT_EQ(Hex(back.Text()), Hex(marked.substr(0, there.covers)))
                    << Hex(marked) << " via " << Hex(there.Text());
            }
        }
    }
    EXPECT_GT(fixes, 400);
}

// A vendor character gets the code that converting its character back to code page 932
// chooses, when that is a JIS X 0208 code, and nothing otherwise.
TEST(Suggestions, VendorCharactersGetTheJisCodeOfTheirCharacter) {
    for (unsigned code = 0x8140; code <= 0xFCFC; ++code) {
        const std::string text{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const CharacterKind kind = KindAt(text, 0);
        if (kind != CharacterKind::NecSpecial && kind != CharacterKind::NecSelectedIbm &&
            kind != CharacterKind::IbmExtension) {
            continue;
        }
        const std::string again = Utf8ToCp932(Cp932ToUtf8(text));
        const bool jis = again != text && KindAt(again, 0) == CharacterKind::Jis;
        EXPECT_EQ(Hex(SuggestFix(Operation::Jis, text, 0, 1).Text()), jis ? Hex(again) : "")
            << Hex(text);
    }
}

}  // namespace
