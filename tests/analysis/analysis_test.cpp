// The byte classes and the ten operations, family by family, on hand-picked inputs at the
// edges of every range. Every input ends right before a guard page.
#include <gtest/gtest.h>

#include "analysis.h"
#include "bytes.h"
#include "guarded.h"

namespace {

GuardedBuffer& Guard() {
    static GuardedBuffer buffer;
    return buffer;
}

// An NG position, or 0 for OK, so that tables can say both in one number.
int Stop(CheckResult r) {
    EXPECT_EQ(r.ok, r.position == 0) << "OK must carry position 0 and NG a position";
    return r.ok ? 0 : r.position;
}

// ---------------------------------------------------------------------------------------------
// Lead bytes

TEST(IsLeadByte, RangeEndsAndTheBytesOutside) {
    const struct {
        unsigned char byte;
        int lead;
    } rows[] = {
        {0x00, 0}, {0x7F, 0}, {0x80, 1}, {0x81, 1}, {0x9F, 1}, {0xA0, 0},
        {0xDF, 0}, {0xE0, 1}, {0xFC, 1}, {0xFD, 1}, {0xFE, 1}, {0xFF, 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsLeadByte(row.byte), row.lead) << Hex(std::string(1, row.byte));
    }
}

// ---------------------------------------------------------------------------------------------
// Symbol classes: each row with symbols allowed; with symbols not allowed every row gives 0.

struct SymbolRow {
    const char* name;
    const char* hex;
    int pos;
    SymbolClass allowed;
};

const SymbolRow kSymbolRows[] = {
    // Full-width: lead byte 0x81 and a trail byte of rows 1 and 2 of JIS X 0208.
    {"ideographic space 　", "81 40", 1, FullWidthSymbol},
    {"trail 0x3F below the first range", "81 3F", 1, NotSymbol},
    {"prolonged sound mark ー", "81 5B", 1, FullWidthSymbol},
    {"unused trail 0x7F inside the first range", "81 7F", 1, FullWidthSymbol},
    {"geta mark 〓 ends the first range", "81 AC", 1, FullWidthSymbol},
    {"unassigned 0x81 0xAD", "81 AD", 1, NotSymbol},
    {"unassigned 0x81 0xB7", "81 B7", 1, NotSymbol},
    {"element of ∈", "81 B8", 1, FullWidthSymbol},
    {"intersection ∩", "81 BF", 1, FullWidthSymbol},
    {"unassigned 0x81 0xC0", "81 C0", 1, NotSymbol},
    {"unassigned 0x81 0xC7", "81 C7", 1, NotSymbol},
    {"logical and ∧", "81 C8", 1, FullWidthSymbol},
    {"there exists ∃", "81 CE", 1, FullWidthSymbol},
    {"unassigned 0x81 0xCF", "81 CF", 1, NotSymbol},
    {"unassigned 0x81 0xD9", "81 D9", 1, NotSymbol},
    {"angle ∠", "81 DA", 1, FullWidthSymbol},
    {"double integral ∬", "81 E8", 1, FullWidthSymbol},
    {"unassigned 0x81 0xE9", "81 E9", 1, NotSymbol},
    {"unassigned 0x81 0xEF", "81 EF", 1, NotSymbol},
    {"angstrom Å", "81 F0", 1, FullWidthSymbol},
    {"pilcrow ¶", "81 F7", 1, FullWidthSymbol},
    {"unassigned 0x81 0xF8", "81 F8", 1, NotSymbol},
    {"unassigned 0x81 0xFB", "81 FB", 1, NotSymbol},
    {"large circle ◯", "81 FC", 1, FullWidthSymbol},
    {"trail 0xFD after the last range", "81 FD", 1, NotSymbol},
    {"lead 0x81 in the last position", "61 81", 2, NotSymbol},
    {"lead 0x81 alone", "81", 1, NotSymbol},
    {"hiragana あ (lead 0x82)", "82 A0", 1, NotSymbol},
    {"full-width digit ０", "82 4F", 1, NotSymbol},
    {"lead 0x80 with a symbol trail", "80 40", 1, NotSymbol},
    {"lead 0xFD with a symbol trail", "FD 40", 1, NotSymbol},
    {"kanji 漢", "8A BF", 1, NotSymbol},
    {"the second character: 　 after a", "61 81 40", 2, FullWidthSymbol},
    // Half-width: single bytes.
    {"NUL", "00", 1, HalfWidthSymbol},
    {"tab", "09", 1, HalfWidthSymbol},
    {"space", "20", 1, HalfWidthSymbol},
    {"solidus /", "2F", 1, HalfWidthSymbol},
    {"digit 0", "30", 1, NotSymbol},
    {"digit 9", "39", 1, NotSymbol},
    {"colon :", "3A", 1, HalfWidthSymbol},
    {"commercial at @", "40", 1, HalfWidthSymbol},
    {"letter A", "41", 1, NotSymbol},
    {"letter Z", "5A", 1, NotSymbol},
    {"left square bracket [", "5B", 1, HalfWidthSymbol},
    {"grave accent `", "60", 1, HalfWidthSymbol},
    {"letter a", "61", 1, NotSymbol},
    {"letter z", "7A", 1, NotSymbol},
    {"left curly bracket {", "7B", 1, HalfWidthSymbol},
    {"delete", "7F", 1, HalfWidthSymbol},
    {"unassigned 0xA0", "A0", 1, HalfWidthSymbol},
    {"half-width middle dot ･", "A5", 1, HalfWidthSymbol},
    {"half-width ｦ", "A6", 1, NotSymbol},
    {"half-width small ｯ", "AF", 1, NotSymbol},
    {"half-width prolonged sound mark ｰ", "B0", 1, HalfWidthSymbol},
    {"half-width ｱ", "B1", 1, NotSymbol},
    {"half-width ﾝ", "DD", 1, NotSymbol},
    {"half-width voiced sound mark ﾞ", "DE", 1, HalfWidthSymbol},
    {"half-width semi-voiced sound mark ﾟ", "DF", 1, HalfWidthSymbol},
    {"the second character: ｡ after あ", "82 A0 A1", 3, HalfWidthSymbol},
};

TEST(ClassifySymbol, EveryRangeEndAndTheBytesOutside) {
    for (const SymbolRow& row : kSymbolRows) {
        const std::string_view text = Guard().Place(Bytes(row.hex));
        SCOPED_TRACE(std::string(row.name) + ": " + row.hex);
        EXPECT_EQ(ClassifySymbol(text, row.pos, 1), row.allowed);
        EXPECT_EQ(ClassifySymbol(text, row.pos, 0), NotSymbol);
    }
}

TEST(ClassifySymbol, PositionsOutsideTheTextAreNotSymbols) {
    const std::string_view text = Guard().Place(Bytes("20 81 40"));
    for (int pos : {-1, 0, 4, 5}) EXPECT_EQ(ClassifySymbol(text, pos, 1), NotSymbol) << pos;
    EXPECT_EQ(ClassifySymbol({}, 1, 1), NotSymbol);
}

// ---------------------------------------------------------------------------------------------
// Measurements

TEST(Measurements, ByteSizeAndCharacterCount) {
    const struct {
        const char* name;
        const char* hex;
        int bytes, characters;
    } rows[] = {
        {"empty", "", 0, 0},
        {"abc", "61 62 63", 3, 3},
        {"あいう", "82 A0 82 A2 82 A4", 6, 3},
        {"aあ", "61 82 A0", 3, 2},
        {"ｱｲ: half-width katakana are single bytes", "B1 B2", 2, 2},
        {"a and a lone lead byte at the end", "61 82", 2, 2},
        {"a lone lead byte", "82", 1, 1},
        {"lead byte then ASCII", "82 61", 2, 1},
        {"lead 0x80 then A", "80 41", 2, 1},
        {"lead 0xFD then A", "FD 41", 2, 1},
        {"lead 0xFF then a lead byte as trail", "FF 82 61", 3, 2},
        {"0x9F is a lead byte, 0xA0 is not", "9F A0 A0", 3, 2},
        {"0xDF is single, 0xE0 leads", "DF E0 40", 3, 2},
    };
    for (const auto& row : rows) {
        const std::string_view text = Guard().Place(Bytes(row.hex));
        SCOPED_TRACE(std::string(row.name) + ": " + row.hex);
        EXPECT_EQ(CheckByteSize(text), row.bytes);
        EXPECT_EQ(CheckCharCount(text), row.characters);
    }
}

// ---------------------------------------------------------------------------------------------
// Width checks: the NG position of each, 0 for OK, the same with symbols on and off.

TEST(WidthChecks, FullWidthAndHalfWidth) {
    const struct {
        const char* name;
        const char* hex;
        int full, half;
    } rows[] = {
        {"empty", "", 0, 0},
        {"あいう", "82 A0 82 A2 82 A4", 0, 1},
        {"abc", "61 62 63", 1, 0},
        {"あaい", "82 A0 61 82 A2", 3, 1},
        {"abあ", "61 62 82 A0", 1, 3},
        {"ｱｲ", "B1 B2", 1, 0},
        {"あ and a lone lead byte", "82 A0 82", 0, 1},
        {"lead byte then ASCII: the trail is not examined", "82 61", 0, 1},
        {"lead 0x80 then A", "80 41", 0, 1},
        {"lead 0xFD, 0xFE, 0xFF", "FD 41 FE 41 FF 41", 0, 1},
        {"ideographic space", "81 40", 0, 1},
        {"space", "20", 1, 0},
        {"0x9F leads, 0xA0 does not", "9F 40 A0", 3, 1},
        {"0xDF is single, 0xE0 leads", "E0 40 DF", 3, 1},
        {"ten hiragana then a: byte 21",
         "82 A0 82 A2 82 A4 82 A6 82 A8 82 A9 82 AB 82 AD 82 AF 82 B1 61", 21, 1},
        {"ten a then あ: byte 11", "61 61 61 61 61 61 61 61 61 61 82 A0", 1, 11},
    };
    for (const auto& row : rows) {
        const std::string_view text = Guard().Place(Bytes(row.hex));
        SCOPED_TRACE(std::string(row.name) + ": " + row.hex);
        EXPECT_EQ(Stop(CheckFullWidth(text)), row.full);
        EXPECT_EQ(Stop(CheckHalfWidth(text)), row.half);
    }
}

// ---------------------------------------------------------------------------------------------
// Script checks: the NG position with symbols allowed and not allowed, 0 for OK.

using ScriptCheck = CheckResult (*)(std::string_view, int);

struct ScriptRow {
    const char* check;
    ScriptCheck run;
    const char* name;
    const char* hex;
    int withSymbols, withoutSymbols;
};

#define CHECK_FN(fn) #fn, fn

const ScriptRow kScriptRows[] = {
    // Full-width hiragana: 0x82 0x9F … 0x82 0xF1.
    {CHECK_FN(CheckFullHiragana), "empty", "", 0, 0},
    {CHECK_FN(CheckFullHiragana), "あいう", "82 A0 82 A2 82 A4", 0, 0},
    {CHECK_FN(CheckFullHiragana), "ぁ and ん, the range ends", "82 9F 82 F1", 0, 0},
    {CHECK_FN(CheckFullHiragana), "0x82 0x9E below ぁ", "82 9E", 1, 1},
    {CHECK_FN(CheckFullHiragana), "0x82 0xF2 above ん", "82 A0 82 F2", 3, 3},
    {CHECK_FN(CheckFullHiragana), "らーめん", "82 E7 81 5B 82 DF 82 F1", 0, 0},
    {CHECK_FN(CheckFullHiragana), "あ・い", "82 A0 81 45 82 A2", 0, 3},
    {CHECK_FN(CheckFullHiragana), "あいｱ", "82 A0 82 A2 B1", 5, 5},
    {CHECK_FN(CheckFullHiragana), "あa", "82 A0 61", 3, 3},
    {CHECK_FN(CheckFullHiragana), "あ and a lone lead byte", "82 A0 82", 3, 3},
    {CHECK_FN(CheckFullHiragana), "lone 0x81 at the end", "82 A0 81", 3, 3},
    {CHECK_FN(CheckFullHiragana), "ア", "83 41", 1, 1},
    {CHECK_FN(CheckFullHiragana), "漢字", "8A BF 8E 9A", 1, 1},
    {CHECK_FN(CheckFullHiragana), "ideographic space", "81 40", 0, 1},
    {CHECK_FN(CheckFullHiragana), "0x81 0xAD is no symbol", "81 AD", 1, 1},
    {CHECK_FN(CheckFullHiragana), "0x82 decides alone: 0x82 0x40", "82 40", 1, 1},
    // Full-width katakana: 0x83 0x40 … 0x83 0x96.
    {CHECK_FN(CheckFullKatakana), "ァ and ヶ, the range ends", "83 40 83 96", 0, 0},
    {CHECK_FN(CheckFullKatakana), "0x83 0x3F below ァ", "83 3F", 1, 1},
    {CHECK_FN(CheckFullKatakana), "Greek Α 0x83 0x9F", "83 9F", 1, 1},
    {CHECK_FN(CheckFullKatakana), "0x83 0x97 above ヶ", "83 41 83 97", 3, 3},
    {CHECK_FN(CheckFullKatakana), "unused trail 0x7F inside the range", "83 7F", 0, 0},
    {CHECK_FN(CheckFullKatakana), "ラーメン", "83 89 81 5B 83 81 83 93", 0, 0},
    {CHECK_FN(CheckFullKatakana), "ア・イ", "83 41 81 45 83 43", 0, 3},
    {CHECK_FN(CheckFullKatakana), "あいう", "82 A0 82 A2 82 A4", 1, 1},
    {CHECK_FN(CheckFullKatakana), "ｱｲｳ", "B1 B2 B3", 1, 1},
    {CHECK_FN(CheckFullKatakana), "ア and a lone 0x83", "83 41 83", 3, 3},
    // Full-width alphanumerics: ０-９, Ａ-Ｚ, ａ-ｚ under 0x82.
    {CHECK_FN(CheckFullAlnum), "０ ９ Ａ Ｚ ａ ｚ, the range ends",
     "82 4F 82 58 82 60 82 79 82 81 82 9A", 0, 0},
    {CHECK_FN(CheckFullAlnum), "0x82 0x4E below ０", "82 4E", 1, 1},
    {CHECK_FN(CheckFullAlnum), "0x82 0x59 above ９", "82 59", 1, 1},
    {CHECK_FN(CheckFullAlnum), "0x82 0x5F below Ａ", "82 5F", 1, 1},
    {CHECK_FN(CheckFullAlnum), "0x82 0x7A above Ｚ", "82 7A", 1, 1},
    {CHECK_FN(CheckFullAlnum), "0x82 0x80 below ａ", "82 80", 1, 1},
    {CHECK_FN(CheckFullAlnum), "0x82 0x9B above ｚ", "82 9B", 1, 1},
    {CHECK_FN(CheckFullAlnum), "ＡＢ！", "82 60 82 61 81 49", 0, 5},
    {CHECK_FN(CheckFullAlnum), "ＡーＢ: ー passes only as a symbol", "82 60 81 5B 82 61", 0, 3},
    {CHECK_FN(CheckFullAlnum), "あ", "82 A0", 1, 1},
    {CHECK_FN(CheckFullAlnum), "Ａ and a lone lead byte", "82 60 82", 3, 3},
    {CHECK_FN(CheckFullAlnum), "ideographic space", "81 40", 0, 1},
    // Half-width digits.
    {CHECK_FN(CheckHalfDigits), "empty", "", 0, 0},
    {CHECK_FN(CheckHalfDigits), "0 and 9, the range ends", "30 39", 0, 0},
    {CHECK_FN(CheckHalfDigits), "123-4", "31 32 33 2D 34", 0, 4},
    {CHECK_FN(CheckHalfDigits), "3.14", "33 2E 31 34", 0, 2},
    {CHECK_FN(CheckHalfDigits), "/ and : outside the digits", "31 2F 3A", 0, 2},
    {CHECK_FN(CheckHalfDigits), "ｰ is a symbol", "B0", 0, 1},
    {CHECK_FN(CheckHalfDigits), "12３", "31 32 82 52", 3, 3},
    {CHECK_FN(CheckHalfDigits), "1, ideographic space, 2", "31 81 40 32", 2, 2},
    {CHECK_FN(CheckHalfDigits), "1 and a lone lead byte", "31 82", 2, 2},
    {CHECK_FN(CheckHalfDigits), "ｱｲｳ", "B1 B2 B3", 1, 1},
    {CHECK_FN(CheckHalfDigits), "a letter", "31 41", 2, 2},
    // Half-width katakana: 0xA6 … 0xDF.
    {CHECK_FN(CheckHalfKatakana), "ｦ and ﾟ, the range ends", "A6 DF", 0, 0},
    {CHECK_FN(CheckHalfKatakana), "･ 0xA5 below ｦ is a symbol", "B1 A5", 0, 2},
    {CHECK_FN(CheckHalfKatakana), "0xE0 above ﾟ is a lead byte", "E0", 1, 1},
    {CHECK_FN(CheckHalfKatakana), "0xE0 at the end after ｱ", "B1 E0", 2, 2},
    {CHECK_FN(CheckHalfKatakana), "ｱｲｳ", "B1 B2 B3", 0, 0},
    {CHECK_FN(CheckHalfKatakana), "ｶﾞ", "B6 DE", 0, 0},
    {CHECK_FN(CheckHalfKatakana), "ｱ｡", "B1 A1", 0, 2},
    {CHECK_FN(CheckHalfKatakana), "ｰ alone", "B0", 0, 0},
    {CHECK_FN(CheckHalfKatakana), "ｱ1", "B1 31", 2, 2},
    {CHECK_FN(CheckHalfKatakana), "123-4", "31 32 33 2D 34", 1, 1},
    {CHECK_FN(CheckHalfKatakana), "ア, full-width", "83 41", 1, 1},
    // Half-width alphanumerics.
    {CHECK_FN(CheckHalfAlnum), "0 9 A Z a z, the range ends", "30 39 41 5A 61 7A", 0, 0},
    {CHECK_FN(CheckHalfAlnum), "/ below 0", "61 2F", 0, 2},
    {CHECK_FN(CheckHalfAlnum), ": above 9", "61 3A", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "@ below A", "61 40", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "[ above Z", "61 5B", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "` below a", "61 60", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "{ above z", "61 7B", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "abc def", "61 62 63 20 64 65 66", 0, 4},
    {CHECK_FN(CheckHalfAlnum), "123-4", "31 32 33 2D 34", 0, 4},
    {CHECK_FN(CheckHalfAlnum), "Aｱ", "41 B1", 2, 2},
    {CHECK_FN(CheckHalfAlnum), "ｰ alone", "B0", 0, 1},
    {CHECK_FN(CheckHalfAlnum), "Ａ, full-width", "82 60", 1, 1},
    {CHECK_FN(CheckHalfAlnum), "a tab", "61 09 62", 0, 2},
    {CHECK_FN(CheckHalfAlnum), "nine letters then a space: byte 10",
     "61 62 63 64 65 66 67 68 69 20", 0, 10},
};

TEST(ScriptChecks, NgPositionWithAndWithoutSymbols) {
    for (const ScriptRow& row : kScriptRows) {
        const std::string_view text = Guard().Place(Bytes(row.hex));
        SCOPED_TRACE(std::string(row.check) + ", " + row.name + ": " + row.hex);
        EXPECT_EQ(Stop(row.run(text, 1)), row.withSymbols) << "symbols allowed";
        EXPECT_EQ(Stop(row.run(text, 0)), row.withoutSymbols) << "symbols not allowed";
    }
}

}  // namespace
