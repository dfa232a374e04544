// The exact bytes of every line Kestrune writes, against expectations spelled in UTF-8 and
// converted by iconv, so that one wrong hex byte in the code cannot pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "bytes.h"
#include "wording.h"

namespace {

void ExpectLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    ASSERT_EQ(actual.size(), expected.size()) << "number of lines";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i])
            << "line " << i + 1 << ": " << ByteDiff(expected[i], actual[i]);
    }
}

std::vector<std::string> Sjis(std::initializer_list<const char*> utf8) {
    std::vector<std::string> lines;
    for (const char* line : utf8) lines.push_back(::Sjis(line));
    return lines;
}

// ---------------------------------------------------------------------------------------------
// One OK and one NG result of every operation.

struct ResultRow {
    Operation op;
    const char* input;  // UTF-8
    int symbols;
    std::initializer_list<const char*> lines;  // UTF-8
};

const ResultRow kResultRows[] = {
    {Operation::ByteSize, "", 1, {"文字サイズ：0バイト"}},
    {Operation::ByteSize, "あいｱ", 1, {"文字サイズ：5バイト"}},
    {Operation::CharCount, "", 1, {"文字数：0文字"}},
    {Operation::CharCount, "あいｱ", 0, {"文字数：3文字"}},
    {Operation::FullWidth, "あいう", 1, {"全角：ＯＫ"}},
    {Operation::FullWidth, "abc", 1, {"全角：ＮＧ (1バイト目)", "　　　>  【a】 bc"}},
    {Operation::FullWidth,
     "あいうえおかきくけこa",
     1,
     {"全角：ＮＧ (21バイト目)", "　　　> あいうえおかきくけこ 【a】 "}},
    {Operation::HalfWidth, "abc", 1, {"半角：ＯＫ"}},
    {Operation::HalfWidth, "aあ", 1, {"半角：ＮＧ (2バイト目)", "　　　> a 【あ】 "}},
    {Operation::FullHiragana, "あいう", 0, {"全角ひらがな：ＯＫ"}},
    {Operation::FullHiragana,
     "あいｱ",
     1,
     {"全角ひらがな：ＮＧ (5バイト目)", "　　　> あい 【ｱ】 "}},
    {Operation::FullKatakana, "ラーメン", 0, {"全角カタカナ：ＯＫ"}},
    {Operation::FullKatakana,
     "ア・イ",
     0,
     {"全角カタカナ：ＮＧ (3バイト目)", "　　　> ア 【・】 イ"}},
    {Operation::FullAlnum, "ＡＢ！", 1, {"全角英数：ＯＫ"}},
    {Operation::FullAlnum, "ＡＢ！", 0, {"全角英数：ＮＧ (5バイト目)", "　　　> ＡＢ 【！】 "}},
    {Operation::HalfKatakana, "ｱｲｳ", 0, {"半角カタカナ：ＯＫ"}},
    {Operation::HalfKatakana, "ｱ1", 1, {"半角カタカナ：ＮＧ (2バイト目)", "　　　> ｱ 【1】 "}},
    {Operation::HalfDigits, "123-4", 1, {"半角数値：ＯＫ"}},
    {Operation::HalfDigits, "123-4", 0, {"半角数値：ＮＧ (4バイト目)", "　　　> 123 【-】 4"}},
    {Operation::HalfAlnum, "abc def", 1, {"半角英数：ＯＫ"}},
    {Operation::HalfAlnum, "abc def", 0, {"半角英数：ＮＧ (4バイト目)", "　　　> abc 【 】 def"}},
};

TEST(ResultLines, OkAndNgOfEveryOperation) {
    for (const ResultRow& row : kResultRows) {
        SCOPED_TRACE(std::string(row.input) + " with symbols " + std::to_string(row.symbols));
        ExpectLines(Sjis(row.lines), ResultLines(row.op, ::Sjis(row.input), row.symbols));
    }
}

// ---------------------------------------------------------------------------------------------
// The excerpt, on bytes no typed text produces.

TEST(MarkCharacterAt, BracketsExactlyTheCharacterAtTheGivenPosition) {
    const std::string open = ::Sjis(" 【");
    const std::string close = ::Sjis("】 ");
    const struct {
        const char* name;
        const char* hex;
        int p;
        std::string expected;
    } rows[] = {
        {"lead byte then ASCII: both bytes", "82 61", 1, open + Bytes("82 61") + close},
        {"lead 0xFD in the last position", "61 FD", 2, "a" + open + Bytes("FD") + close},
        {"lone lead byte after あ", "82 A0 82", 3, ::Sjis("あ") + open + Bytes("82") + close},
        {"0x80 leads a pair", "80 41 61", 1, open + Bytes("80 41") + close + "a"},
        {"a trail byte valued as a lead is copied once", "82 82 61", 1,
         open + Bytes("82 82") + close + "a"},
        {"the first of three", "61 62 63", 1, open + "a" + close + "bc"},
        {"position 0 is outside", "61 62", 0, "ab"},
        {"position L + 1 is outside", "61 62", 3, "ab"},
        {"a negative position is outside", "61 62", -1, "ab"},
        {"empty text", "", 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": " + row.hex);
        const std::string actual = MarkCharacterAt(Bytes(row.hex), row.p);
        EXPECT_EQ(actual, row.expected) << ByteDiff(row.expected, actual);
    }
}

// ---------------------------------------------------------------------------------------------
// Numbers

TEST(DecimalText, ShortestDigitsWithoutSignOrPadding) {
    char expected[16];
    for (int n = 0; n < 100000; n += n < 100 ? 1 : 97) {
        std::snprintf(expected, sizeof expected, "%d", n);
        ASSERT_EQ(DecimalText(n), expected);
    }
    EXPECT_EQ(DecimalText(std::numeric_limits<int>::max()), "2147483647");
}

}  // namespace
