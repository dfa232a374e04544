// The public operations on short texts, each ending right before a guard page so that a read
// past the end crashes: the ends of every byte range and the bytes just outside them, then
// properties that must hold for every input of up to three bytes.
#include <gtest/gtest.h>

#include "bytes.h"
#include "guarded.h"
#include "operations.h"
#include "wording.h"

namespace {

using enum Operation;

// ---------------------------------------------------------------------------------------------
// Range ends: the NG position (0 for OK) with symbols allowed and not. The lead bytes are the
// sweep's to check, over every short input.

const struct EdgeRow {
    Operation op;
    const char* hex;
    int withSymbols, withoutSymbols;
} kEdgeRows[] = {
    // Full-width hiragana 0x82 0x9F ぁ … 0x82 0xF1 ん, and ー 0x81 0x5B with symbols or not.
    {FullHiragana, "82 9F 82 F1 81 5B 82 F2", 7, 7},  // ぁんー, then just above ん
    {FullHiragana, "82 9E", 1, 1},                    // just below ぁ
    {FullHiragana, "82 A0 82", 3, 3},                 // あ, then a lead byte that ends the text
    // Full-width katakana 0x83 0x40 ァ … 0x83 0x96 ヶ, and ー.
    {FullKatakana, "83 40 83 96 81 5B 83 97", 7, 7},  // ァヶー, then just above ヶ
    {FullKatakana, "83 3F", 1, 1},                    // just below ァ
    // Full-width alphanumerics under 0x82: ０ 0x4F … ９ 0x58, Ａ 0x60 … Ｚ 0x79, ａ 0x81 … ｚ 0x9A.
    {FullAlnum, "82 4F 82 58 82 60 82 79 82 81 82 9A 82 9B", 13, 13},  // ０９ＡＺａｚ, above ｚ
    {FullAlnum, "82 4E", 1, 1},                                        // just below ０
    {FullAlnum, "82 59", 1, 1},                                        // just above ９
    {FullAlnum, "82 5F", 1, 1},                                        // just below Ａ
    {FullAlnum, "82 7A", 1, 1},                                        // just above Ｚ
    {FullAlnum, "82 80", 1, 1},                                        // just below ａ
    {FullAlnum, "82 60 81 5B", 0, 3},  // Ａー: ー passes as a symbol only
    // Full-width symbols: lead 0x81 and a trail in one of six ranges; each first row gives the
    // first and the last of a range and the trail just above it, the second the trail below.
    {FullHiragana, "81 40 81 AC 81 AD", 5, 1},  // 　 〓, then unassigned
    {FullHiragana, "81 3F", 1, 1},              // just below 　
    {FullHiragana, "81 B8 81 BF 81 C0", 5, 1},  // ∈ ∩, then unassigned
    {FullHiragana, "81 B7", 1, 1},              // unassigned, just below ∈
    {FullHiragana, "81 C8 81 CE 81 CF", 5, 1},  // ∧ ∃, then unassigned
    {FullHiragana, "81 C7", 1, 1},              // unassigned, just below ∧
    {FullHiragana, "81 DA 81 E8 81 E9", 5, 1},  // ∠ ∬, then unassigned
    {FullHiragana, "81 D9", 1, 1},              // unassigned, just below ∠
    {FullHiragana, "81 F0 81 F7 81 F8", 5, 1},  // Å ¶, then unassigned
    {FullHiragana, "81 EF", 1, 1},              // unassigned, just below Å
    {FullHiragana, "81 FC 81 FD", 3, 1},        // ◯, then past the last symbol
    {FullHiragana, "81 FB", 1, 1},              // unassigned, just below ◯
    // Half-width symbols 0x00-0x2F, 0x3A-0x40, 0x5B-0x60, 0x7B-0x7F, 0xA0-0xA5, 0xB0, 0xDE-0xDF:
    // NUL / : @ [ ` { DEL 0xA0 ･ ｰ ﾞ ﾟ, then rows of a symbol at a range end and the byte beside
    // it that is none.
    {HalfDigits, "00 2F 3A 40 5B 60 7B 7F A0 A5 B0 DE DF", 0, 1},
    {HalfKatakana, "2F 30", 2, 1},  // /, then 0 just above
    {HalfKatakana, "3A 39", 2, 1},  // :, then 9 just below
    {HalfKatakana, "40 41", 2, 1},  // @, then A just above
    {HalfKatakana, "5B 5A", 2, 1},  // [, then Z just below
    {HalfKatakana, "60 61", 2, 1},  // `, then a just above
    {HalfKatakana, "7B 7A", 2, 1},  // {, then z just below
    {HalfDigits, "A5 A6", 2, 1},    // ･, then ｦ just above
    {HalfDigits, "B0 AF", 2, 1},    // ｰ, then ｯ just below
    {HalfDigits, "B0 B1", 2, 1},    // ｰ, then ｱ just above
    {HalfDigits, "DE DD", 2, 1},    // ﾞ, then ﾝ just below
    // Half-width katakana 0xA6 ｦ … 0xDF ﾟ.
    {HalfKatakana, "A6 DF A5", 0, 3},  // ｦﾟ, then ･ just below ｦ, a symbol only
    {HalfKatakana, "A6 E0 41", 2, 2},  // 0xE0 just above ﾟ leads a pair
    // Half-width digits 0x30 … 0x39, and alphanumerics: digits, A 0x41 … Z 0x5A, a 0x61 … z 0x7A.
    {HalfDigits, "30 39 2F", 0, 3},             // 09, then / just below 0, a symbol only
    {HalfDigits, "30 3A", 0, 2},                // : just above 9, a symbol only
    {HalfAlnum, "30 39 41 5A 61 7A 2F", 0, 7},  // 09AZaz, then / just below 0, a symbol only
    {HalfAlnum, "41 3A", 0, 2},                 // : just above 9
    {HalfAlnum, "41 40", 0, 2},                 // @ just below A
    {HalfAlnum, "41 5B", 0, 2},                 // [ just above Z
    {HalfAlnum, "41 60", 0, 2},                 // ` just below a
    {HalfAlnum, "41 7B", 0, 2},                 // { just above z
};

TEST(EdgeBytes, EveryRangeEndAndTheByteOutside) {
    GuardedBuffer guard;
    for (const EdgeRow& row : kEdgeRows) {
        const std::string_view text = guard.Place(Bytes(row.hex));
        for (int symbols : {1, 0}) {
            const Outcome o = RunOperation(row.op, text, symbols);
            EXPECT_EQ(o.position, symbols ? row.withSymbols : row.withoutSymbols)
                << Row(row.op).option << " " << row.hex << " symbols " << symbols;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The sweep: all 16,843,009 inputs of up to three bytes, with symbols allowed and not. Where
// characters start is worked out here from the byte values alone, so that a wrong lead-byte
// class breaks the properties instead of bending them with it.

// The first failed property, with the input that broke it; empty while all hold.
std::string Violation(std::string_view text) {
    const int length = static_cast<int>(text.size());
    // By 1-based position: where characters start, and which of them are pairs. A lead byte
    // (0x80-0x9F, 0xE0-0xFF) takes the next byte, whatever it is, where there is one.
    bool starts[4] = {}, pairs[4] = {};
    int characters = 0, firstSingle = 0, firstLead = 0;
    for (int i = 0; i < length; ++i, ++characters) {
        const auto b = static_cast<unsigned char>(text[i]);
        const bool lead = (0x80 <= b && b <= 0x9F) || 0xE0 <= b;
        starts[i + 1] = true;
        pairs[i + 1] = lead && i + 1 < length;
        int& first = lead ? firstLead : firstSingle;
        if (first == 0) first = i + 1;
        if (lead) ++i;
    }
    const auto fail = [&](const std::string& what) { return what + " for " + Hex(text); };
    const int exact[] = {length, characters, firstSingle, firstLead};  // ByteSize … HalfWidth
    int stop[2][kOperationCount];  // NG positions, past every position for OK
    bool marked[4] = {};           // positions whose excerpt has been checked
    for (int symbols = 0; symbols <= 1; ++symbols) {
        for (const OperationRow& row : kOperations) {
            const int k = static_cast<int>(row.operation);
            const Outcome o = row.run(text, symbols), scan = row.literal(text, symbols, 0);
            const auto name = [&] { return std::string(row.option) + " symbols " + "01"[symbols]; };
            if (o.ok != (o.position == 0)) return fail(name() + ": OK and position disagree");
            if (o.position != scan.position || o.value != scan.value)
                return fail(name() + ": not the literal scan's outcome");
            stop[symbols][k] = o.ok ? length + 1 : o.position;
            if (row.operation <= HalfWidth && (o.ok ? o.value : o.position) != exact[k])
                return fail(name() + " gives " + std::to_string(o.value + o.position) + ", not " +
                            std::to_string(exact[k]));
            if (o.ok) continue;
            if (o.position < 1 || o.position > length || !starts[o.position])
                return fail(name() + ": NG not at a character start");
            if (marked[o.position]) continue;
            marked[o.position] = true;
            // The excerpt brackets the NG character, one or two bytes, with " 【" and "】 ".
            std::string expected(text);
            const int at = o.position - 1, width = pairs[o.position] ? 2 : 1;
            expected.insert(at + width, "\x81z ").insert(at, " \x81y");
            const std::string excerpt = MarkCharacterAt(text, o.position);
            if (excerpt != expected) return fail(name() + ": excerpt " + Hex(excerpt));
        }
        // A script check passes no further than its width check does.
        const std::pair<Operation, Operation> narrower[] = {
            {FullHiragana, FullWidth}, {FullKatakana, FullWidth}, {FullAlnum, FullWidth},
            {HalfKatakana, HalfWidth}, {HalfDigits, HalfAlnum},   {HalfAlnum, HalfWidth}};
        for (const auto& [script, width] : narrower) {
            if (stop[symbols][static_cast<int>(script)] > stop[symbols][static_cast<int>(width)])
                return fail(std::string(Row(script).option) + " passes further than its width");
        }
    }
    // Allowing symbols never moves an NG position earlier.
    for (int op = static_cast<int>(FullHiragana); op < kOperationCount; ++op) {
        if (stop[1][op] < stop[0][op]) return fail("allowing symbols moved an NG earlier");
    }
    return {};
}

// Every input of `length` bytes whose value, read big-endian, lies in [from, to).
void SweepInputs(int length, long from, long to) {
    GuardedBuffer guard;
    char* bytes = guard.Tail(static_cast<std::size_t>(length));
    for (long n = from; n < to; ++n) {
        for (int k = 0; k < length; ++k) bytes[k] = static_cast<char>(n >> 8 * (length - 1 - k));
        const std::string violation = Violation({bytes, static_cast<std::size_t>(length)});
        ASSERT_TRUE(violation.empty()) << violation;
    }
}

// The three-byte inputs in quarters by their first byte, which ctest runs side by side.
class Sweep : public testing::TestWithParam<long> {};

TEST_P(Sweep, EveryInputOfUpToThreeBytes) {
    if (GetParam() == 0) {
        for (int length = 0; length < 3; ++length) SweepInputs(length, 0, 1L << 8 * length);
    }
    SweepInputs(3, GetParam() << 22, (GetParam() + 1) << 22);
}

INSTANTIATE_TEST_SUITE_P(FirstByteQuarter, Sweep, testing::Range(0L, 4L));

}  // namespace
