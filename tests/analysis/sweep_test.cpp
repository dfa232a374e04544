// Properties that must hold for every input of up to three bytes, with symbols allowed and
// not: all 16,843,009 inputs, each ending right before a guard page so that a read past the
// end crashes. Where characters start is worked out here from the byte values alone, so that a
// wrong lead-byte class breaks the properties instead of bending them with it.
#include <gtest/gtest.h>

#include "bytes.h"
#include "guarded.h"
#include "operations.h"
#include "wording.h"

namespace {

using enum Operation;

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
            const Outcome o = row.run(text, symbols);
            const auto name = [&] { return std::string(row.option) + " symbols " + "01"[symbols]; };
            if (o.ok != (o.position == 0)) return fail(name() + ": OK and position disagree");
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
