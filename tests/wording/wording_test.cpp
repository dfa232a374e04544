// The exact bytes of the result lines, against texts spelled in UTF-8 and converted by iconv,
// so that one wrong byte in a constant cannot pass.
#include <gtest/gtest.h>

#include "bytes.h"
#include "guarded.h"
#include "wording.h"

namespace {

using enum Operation;

// One OK and one NG result of every operation; the lines are joined by LF.
const struct {
    Operation op;
    const char* input;  // UTF-8
    int symbols;
    const char* lines;  // UTF-8
} kResultRows[] = {
    {ByteSize, "あいｱ", 1, "文字サイズ：5バイト"},
    {CharCount, "あいｱ", 0, "文字数：3文字"},
    {FullWidth, "あいう", 1, "全角：ＯＫ"},
    {FullWidth, "abc", 1, "全角：ＮＧ (1バイト目)\n　　　>  【a】 bc"},
    {HalfWidth, "abc", 1, "半角：ＯＫ"},
    {HalfWidth, "abcdefghijあ", 1, "半角：ＮＧ (11バイト目)\n　　　> abcdefghij 【あ】 "},
    {FullHiragana, "あいう", 0, "全角ひらがな：ＯＫ"},
    {FullHiragana, "あいｱ", 1, "全角ひらがな：ＮＧ (5バイト目)\n　　　> あい 【ｱ】 "},
    {FullKatakana, "ラーメン", 0, "全角カタカナ：ＯＫ"},
    {FullKatakana, "ア・イ", 0, "全角カタカナ：ＮＧ (3バイト目)\n　　　> ア 【・】 イ"},
    {FullAlnum, "ＡＢ！", 1, "全角英数：ＯＫ"},
    {FullAlnum, "ＡＢ！", 0, "全角英数：ＮＧ (5バイト目)\n　　　> ＡＢ 【！】 "},
    {HalfKatakana, "ｱｲｳ", 0, "半角カタカナ：ＯＫ"},
    {HalfKatakana, "ｱ1", 1, "半角カタカナ：ＮＧ (2バイト目)\n　　　> ｱ 【1】 "},
    {HalfDigits, "123-4", 1, "半角数値：ＯＫ"},
    {HalfDigits, "123-4", 0, "半角数値：ＮＧ (4バイト目)\n　　　> 123 【-】 4"},
    {HalfAlnum, "abc def", 1, "半角英数：ＯＫ"},
    {HalfAlnum, "abc def", 0, "半角英数：ＮＧ (4バイト目)\n　　　> abc 【 】 def"},
};

TEST(ResultLines, OkAndNgOfEveryOperation) {
    for (const auto& row : kResultRows) {
        std::string actual;
        for (const std::string& line : ResultLines(row.op, Sjis(row.input), row.symbols)) {
            actual += (actual.empty() ? "" : "\n") + line;
        }
        const std::string expected = Sjis(row.lines);
        EXPECT_EQ(actual, expected) << row.input << ": " << ByteDiff(expected, actual);
    }
}

// The excerpt on bytes no typed text gives, each text ending right before a guard page: the
// character at p, of `width` bytes, is bracketed; a width of 0 leaves the text as it is.
TEST(MarkCharacterAt, BracketsTheCharacterAtThePosition) {
    const struct {
        const char* hex;
        int p, width;
    } rows[] = {
        {"82 61 62", 1, 2},  // a lead byte takes the next byte, whatever it is
        {"61 FD", 2, 1},     // a lead byte that ends the text is marked alone
        {"61 62", 0, 0},     // outside the text
        {"61 62", 3, 0},     // outside the text, just past its end
    };
    GuardedBuffer guard;
    for (const auto& row : rows) {
        const std::string text = Bytes(row.hex);
        std::string expected = text;
        if (row.width > 0) {
            expected.insert(row.p - 1 + row.width, Sjis("】 ")).insert(row.p - 1, Sjis(" 【"));
        }
        const std::string actual = MarkCharacterAt(guard.Place(text), row.p);
        EXPECT_EQ(actual, expected)
            << row.hex << " at " << row.p << ": " << ByteDiff(expected, actual);
    }
}

}  // namespace
