// Every fast kernel held to the literal scans: each instruction set explicitly, on inputs built
// from the bytes at the edges of the byte classes, with single faults injected, every byte and
// every pair at every offset of a conforming block, and texts ending right before a guard page.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "analysis.h"
#include "bytes.h"
#include "guarded.h"
#include "kernels.h"
#include "literal.h"
#include "oracle.h"

namespace {

using kernels::Check;
using kernels::Isa;
using kernels::kBlock;
using namespace oracle;

// What every kernel must return: the start of the block holding the literal stop.
::testing::AssertionResult HoldsToLiteral(Isa isa, Check check, std::string_view text,
                                          int symbols) {
    const std::size_t expected = RoundDown(LiteralStop(check, text, symbols));
    const std::size_t got = kernels::ConfirmedPrefix(isa, check, text, symbols);
    const CheckResult literalResult = Literal(check, text, symbols);
    const CheckResult publicResult = Public(check, text, symbols);
    if (got == expected && publicResult.ok == literalResult.ok &&
        publicResult.position == literalResult.position) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << Name(isa) << " " << Name(check) << " symbols " << symbols << ", size " << text.size()
           << ": kernel confirmed " << got << ", expected " << expected << "; public NG at "
           << publicResult.position << ", literal " << literalResult.position << "; bytes "
           << HexAround(text, std::min(got, expected) + 32, 40);
}

// The characters each check accepts, found by the literal scan on one-character texts.
struct Alphabet {
    std::vector<std::string> accepted;
};

Alphabet AlphabetOf(Check check, int symbols) {
    Alphabet alphabet;
    const bool pairs = kernels::IsDoubleByte(check);
    for (int code = 0; code < (pairs ? 0x10000 : 0x100); ++code) {
        std::string c = pairs ? std::string{static_cast<char>(code >> 8), static_cast<char>(code)}
                              : std::string(1, static_cast<char>(code));
        if (Literal(check, c, symbols).ok) alphabet.accepted.push_back(std::move(c));
    }
    return alphabet;
}

std::string Conforming(const Alphabet& alphabet, std::size_t size, std::mt19937& random) {
    std::string text;
    while (text.size() < size) {
        text += alphabet.accepted[random() % alphabet.accepted.size()];
    }
    text.resize(size);  // an odd size of a double-byte check ends in a lone lead byte
    return text;
}

// The bytes at the edges of the byte classes, of the symbol trail ranges and of the script
// ranges: where a range test is off by one, one of these shows it.
constexpr unsigned char kEdgeBytes[] = {
    0x00, 0x09, 0x0A, 0x0D, 0x20, 0x2F, 0x30, 0x39, 0x3A, 0x3F, 0x40, 0x41, 0x4F, 0x58, 0x5A,
    0x5B, 0x5F, 0x60, 0x61, 0x79, 0x7A, 0x7B, 0x7E, 0x7F, 0x80, 0x81, 0x82, 0x83, 0x84, 0x96,
    0x97, 0x9A, 0x9B, 0x9E, 0x9F, 0xA0, 0xA1, 0xA5, 0xA6, 0xAC, 0xAD, 0xAF, 0xB0, 0xB1, 0xB7,
    0xB8, 0xBF, 0xC0, 0xC7, 0xC8, 0xCE, 0xCF, 0xD9, 0xDA, 0xDD, 0xDE, 0xDF, 0xE0, 0xE8, 0xE9,
    0xEF, 0xF0, 0xF1, 0xF2, 0xF7, 0xF8, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};

// ---------------------------------------------------------------------------------------------
// Hand-picked long texts whose answers are known without any scan.

struct LongCase {
    const char* name;
    Check check;
    int symbols;
    std::string text;
    CheckResult expected;
};

std::string Repeat(std::string_view unit, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += unit;
    return text;
}

TEST(FastPaths, LongTextsGiveTheLiteralPositions) {
    const std::string ka = "\x83\x4A";  // カ
    const LongCase cases[] = {
        // カ x40 then ｱ (0xB1): the ｱ starts at byte 81, in the second block.
        {"katakana then half-width ka",
         Check::FullKatakana,
         1,
         Repeat(ka, 40) + "\xB1",
         {false, 81}},
        // カ x32 fills the first block exactly; ー (0x81 0x5B) passes with symbols off.
        {"katakana, prolonged mark",
         Check::FullKatakana,
         0,
         Repeat(ka, 32) + "\x81\x5B",
         {true, 0}},
        // カ x31 then ・ (0x81 0x45) at byte 63, straddling nothing: NG with symbols off.
        {"middle dot at 63", Check::FullKatakana, 0, Repeat(ka, 31) + "\x81\x45" + ka, {false, 63}},
        // 0x83 0x97 is just past ヶ: rejected at byte 129, the first of the third block.
        {"past ke", Check::FullKatakana, 1, Repeat(ka, 64) + "\x83\x97", {false, 129}},
        // ◯ (0x81 0xFC) is a symbol from the rare list; 0x81 0xFB is not.
        {"large circle", Check::FullHiragana, 1, Repeat("\x82\xA0", 40) + "\x81\xFC", {true, 0}},
        {"unassigned 81 FB",
         Check::FullHiragana,
         1,
         Repeat("\x82\xA0", 40) + "\x81\xFB",
         {false, 81}},
        // 65 bytes of あ… ending in a lone lead byte: rejected there.
        {"lone lead at 65", Check::FullHiragana, 1, Repeat("\x82\xA0", 32) + "\x82", {false, 65}},
        // ...and the same lone lead passes the full-width check.
        {"lone lead passes full-width",
         Check::FullWidth,
         1,
         Repeat("\x82\xA0", 32) + "\x82",
         {true, 0}},
        // a x100 then あ: the half-width check stops at the lead byte 101.
        {"ascii then hiragana", Check::HalfWidth, 1, Repeat("a", 100) + "\x82\xA0", {false, 101}},
        // 1 x70, '-' at 71: NG only with symbols off.
        {"hyphen in digits", Check::HalfDigits, 0, Repeat("1", 70) + "-1", {false, 71}},
        {"hyphen allowed", Check::HalfDigits, 1, Repeat("1", 70) + "-1", {true, 0}},
        // ｱ x64 then ｡ (0xA1): a symbol, allowed or not.
        {"katakana stop", Check::HalfKatakana, 0, Repeat("\xB1", 64) + "\xA1", {false, 65}},
        // z x64, then { (0x7B) just past z.
        {"past z", Check::HalfAlnum, 0, Repeat("z", 64) + "{", {false, 65}},
    };
    for (const LongCase& c : cases) {
        const CheckResult got = Public(c.check, c.text, c.symbols);
        EXPECT_TRUE(got.ok == c.expected.ok && got.position == c.expected.position)
            << c.name << ": got " << got.ok << "/" << got.position << ", expected " << c.expected.ok
            << "/" << c.expected.position << "; " << Hex(c.text);
    }
}

// ---------------------------------------------------------------------------------------------
// Random conforming texts with one fault from the class edges, every kernel against the literal.

TEST(FastPaths, SingleFaultsInConformingTexts) {
    std::mt19937 random(20240601);
    for (Check check : Checks()) {
        for (int symbols : {0, 1}) {
            const Alphabet alphabet = AlphabetOf(check, symbols);
            for (int round = 0; round < 200; ++round) {
                std::string text = Conforming(alphabet, 64 + random() % 400, random);
                if (round % 4 != 0) {
                    text[random() % text.size()] =
                        static_cast<char>(kEdgeBytes[random() % std::size(kEdgeBytes)]);
                }
                for (Isa isa : Kernels()) {
                    ASSERT_TRUE(HoldsToLiteral(isa, check, text, symbols));
                }
            }
        }
    }
}

// Every byte at every offset of a conforming two-block text.
TEST(FastPaths, EveryByteAtEveryOffset) {
    std::mt19937 random(7);
    for (Check check : Checks()) {
        for (int symbols : {0, 1}) {
            const std::string base = Conforming(AlphabetOf(check, symbols), 2 * kBlock, random);
            for (std::size_t offset = 0; offset < base.size(); ++offset) {
                for (int b = 0; b < 256; ++b) {
                    std::string text = base;
                    text[offset] = static_cast<char>(b);
                    for (Isa isa : Kernels())
                        ASSERT_TRUE(HoldsToLiteral(isa, check, text, symbols));
                }
            }
        }
    }
}

// Every pair at every offset of the first block of a conforming text and across its edge.
TEST(FastPaths, EveryPairAtEveryOffset) {
    std::mt19937 random(7);
    for (Check check : Checks()) {
        if (!kernels::IsDoubleByte(check)) continue;
        for (int symbols : {0, 1}) {
            if (check == Check::FullWidth && symbols == 1) continue;  // judged by lead bytes alone
            const std::string base = Conforming(AlphabetOf(check, symbols), 2 * kBlock, random);
            // A pair at an even offset is one character, at an odd one the trail of one and the
            // lead of the next; offsets up to 64 cover every lane of both vector widths and
            // the block edge. The literal scan resumes at the character before the pair, all
            // before it being the conforming base. The scalar reference, slowest by far and
            // without lanes, sweeps only the offsets at the block edges.
            for (std::size_t offset = 0; offset <= kBlock; ++offset) {
                std::string text = base;
                const bool edge = offset < 2 || offset + 2 > kBlock;
                for (int pair = 0; pair < 0x10000; ++pair) {
                    text[offset] = static_cast<char>(pair >> 8);
                    text[offset + 1] = static_cast<char>(pair);
                    const CheckResult r = Literal(check, text, symbols, offset & ~std::size_t{1});
                    const std::size_t expected =
                        r.ok ? text.size() : RoundDown(static_cast<std::size_t>(r.position - 1));
                    for (Isa isa : Kernels()) {
                        if (isa == Isa::Scalar && !edge) continue;
                        const std::size_t got = kernels::ConfirmedPrefix(isa, check, text, symbols);
                        ASSERT_EQ(got, expected)
                            << Name(isa) << " " << Name(check) << " symbols " << symbols
                            << " pair at " << offset << ": " << HexAround(text, offset);
                    }
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The character count.

::testing::AssertionResult CountHoldsToLiteral(Isa isa, std::string_view text) {
    const kernels::CountedPrefix got = kernels::CountPrefix(isa, text);
    const int total = literal::CheckCharCount(text);
    const int before = literal::CheckCharCount(text.substr(0, got.end));
    const int after = literal::CheckCharCount(text, got.resume);
    if (got.end == RoundDown(text.size()) && (got.resume == got.end || got.resume == got.end + 1) &&
        static_cast<int>(got.count) == before && before + after == total &&
        CheckCharCount(text) == total) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << Name(isa) << " size " << text.size() << ": end " << got.end << " resume "
           << got.resume << " count " << got.count << ", literal " << before << " before and "
           << total << " in all; " << Hex(text);
}

TEST(FastPaths, CharacterCountOfLeadByteRuns) {
    // Runs of lead bytes of every length, at every phase, decide where characters start.
    std::mt19937 random(11);
    constexpr unsigned char kLeads[] = {0x80, 0x81, 0x9F, 0xE0, 0xFC, 0xFF};
    constexpr unsigned char kSingles[] = {0x00, 0x0A, 0x41, 0x7F, 0xA0, 0xB1, 0xDF};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t size = random() % 600;
        const unsigned leadShare = random() % 16;  // from no lead bytes to nearly all
        while (text.size() < size) {
            const bool lead = random() % 16 < leadShare;
            text += static_cast<char>(lead ? kLeads[random() % std::size(kLeads)]
                                           : kSingles[random() % std::size(kSingles)]);
        }
        for (Isa isa : Kernels()) ASSERT_TRUE(CountHoldsToLiteral(isa, text));
    }
}

TEST(FastPaths, CharacterCountOfEveryByteAtEveryOffset) {
    std::mt19937 random(13);
    const std::string base = Conforming(AlphabetOf(Check::FullKatakana, 1), 3 * kBlock, random);
    for (std::size_t offset = 0; offset < base.size(); ++offset) {
        for (int b = 0; b < 256; b += 1) {
            std::string text = base;
            text[offset] = static_cast<char>(b);
            for (Isa isa : Kernels()) ASSERT_TRUE(CountHoldsToLiteral(isa, text));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Records: every record the kernel confirms passes the literal scan, and it stops no later than
// the block of the first rejected character.

TEST(FastPaths, RecordsWithFaultsAndBothSeparators) {
    std::mt19937 random(17);
    for (Check check : Checks()) {
        for (int symbols : {0, 1}) {
            const Alphabet alphabet = AlphabetOf(check, symbols);
            for (int round = 0; round < 300; ++round) {
                std::string text;
                const std::size_t size = random() % 700;
                while (text.size() < size) {
                    text += Conforming(alphabet, random() % 40, random);
                    text += random() % 3 == 0 ? "\r\n" : "\n";
                }
                const int faults = random() % 3;
                for (int f = 0; f < faults && !text.empty(); ++f) {
                    text[random() % text.size()] =
                        static_cast<char>(kEdgeBytes[random() % std::size(kEdgeBytes)]);
                }
                const RecordsExpectation expected = ExpectedRecords(check, text, symbols);
                for (Isa isa : Kernels()) {
                    const kernels::RecordsPrefix got =
                        kernels::ConfirmedRecords(isa, check, text, symbols);
                    ASSERT_TRUE(got.end == expected.end && got.records == expected.records)
                        << Name(isa) << " " << Name(check) << " symbols " << symbols << ": end "
                        << got.end << "/" << got.records << ", expected " << expected.end << "/"
                        << expected.records << "; " << Hex(text);
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Texts that end right before a page the process may not read: a load past the end faults.

TEST(FastPaths, NoKernelReadsPastTheEnd) {
    GuardedBuffer guard;
    std::mt19937 random(19);
    for (Check check : Checks()) {
        for (int symbols : {0, 1}) {
            const std::string conforming = Conforming(AlphabetOf(check, symbols), 400, random);
            for (std::size_t size = 0; size <= conforming.size(); ++size) {
                const std::string_view text =
                    guard.Place(std::string_view(conforming).substr(0, size));
                for (Isa isa : Kernels()) {
                    ASSERT_TRUE(HoldsToLiteral(isa, check, text, symbols));
                    ASSERT_TRUE(CountHoldsToLiteral(isa, text));
                    kernels::ConfirmedRecords(isa, check, text, symbols);
                }
            }
        }
    }
}

}  // namespace
