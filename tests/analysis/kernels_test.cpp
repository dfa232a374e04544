// Every fast kernel held to the literal scans, each instruction set by name: every character at
// every offset of a conforming block, and random texts that end right before a guard page.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bytes.h"
#include "char_starts.h"
#include "guarded.h"
#include "oracle.h"

namespace {

using namespace oracle;

// The characters a check accepts, found by the literal scan on one-character texts.
std::vector<std::string> AlphabetOf(Check check, int symbols) {
    std::vector<std::string> accepted;
    const int width = kernels::IsDoubleByte(check) ? 2 : 1;
    for (int code = 0; code < 1 << 8 * width; ++code) {
        const char bytes[] = {static_cast<char>(code >> 8), static_cast<char>(code)};
        const std::string c(bytes + 2 - width, width);
        if (RowOf(check).literal(c, symbols, 0).ok) accepted.push_back(c);
    }
    return accepted;
}

// `size` bytes of accepted characters; an odd size of a double-byte check ends in a lone lead.
std::string Conforming(const std::vector<std::string>& alphabet, std::size_t size,
                       std::mt19937& random) {
    std::string text;
    while (text.size() < size) text += alphabet[random() % alphabet.size()];
    text.resize(size);
    return text;
}

TEST(Kernels, EveryCharacterAtEveryOffsetOfABlock) {
    std::mt19937 random(7);
    for (int c = 0; c < kernels::kCheckCount; ++c) {
        const auto check = static_cast<Check>(c);
        const std::size_t width = kernels::IsDoubleByte(check) ? 2 : 1;
        for (int symbols : {0, 1}) {
            if (check == Check::FullWidth && symbols == 1) continue;  // judged by lead bytes alone
            const std::string base = Conforming(AlphabetOf(check, symbols), 2 * kBlock, random);
            // Offsets up to kBlock cover every lane of both vector widths and the block edge; at
            // an odd one a pair is the trail of one character and the lead of the next. The
            // literal scan resumes at the character start before it, the base being conforming.
            // The scalar reference, slowest by far and without lanes, takes only the block edges.
            for (std::size_t offset = 0; offset <= kBlock; ++offset) {
                std::string text = base;
                const bool edge = offset < 2 || offset + 2 > kBlock;
                for (unsigned code = 0; code < 1u << 8 * width; ++code) {
                    text[offset] = static_cast<char>(code >> 8 * (width - 1));
                    text[offset + width - 1] = static_cast<char>(code);
                    const std::size_t expected =
                        ExpectedPrefix(check, text, symbols, offset - offset % width);
                    for (Isa isa : kIsas) {
                        if (isa == Isa::Scalar && width == 2 && !edge) continue;
                        ASSERT_EQ(kernels::ConfirmedPrefix(isa, check, text, symbols), expected)
                            << kIsaNames[static_cast<int>(isa)] << " " << RowOf(check).option
                            << " symbols " << symbols << ": " << HexAround(text, offset);
                    }
                }
            }
        }
    }
}

// The jis and cp932 checks and their kernel, every pair of bytes at every offset of a block of
// common characters.
TEST(Kernels, JisEveryPairAtEveryOffsetOfABlock) {
    std::mt19937 random(7);
    // a, space, ｱ, ー, あ, ン, 亜, the last of level 1's full rows, the first of level 2's
    const std::string base = Conforming(
        {"a", " ", "\xB1", "\x81\x5B", "\x82\xA0", "\x83\x93", "\x88\x9F", "\x97\xFC", "\xE0\x40"},
        2 * kBlock + 1, random);
    for (std::size_t offset = 0; offset <= kBlock; ++offset) {
        std::string text = base;
        for (unsigned code = 0; code < 0x10000; ++code) {
            // Two single bytes add nothing to what the others hold: every byte appears in them.
            if (!IsLead(code >> 8) && !IsLead(code & 0xFF)) continue;
            text.replace(offset, 2, {static_cast<char>(code >> 8), static_cast<char>(code)});
            ASSERT_EQ(JisDisagreement(text), "") << HexAround(text, offset);
        }
    }
}

// The block arithmetic of char_starts.h against a walk over a block's bits a character at a
// time, for random lead masks (from no lead bytes to all of them) and both carries in.
TEST(Kernels, BlockStartsAgreeWithAWalkOverTheBits) {
    std::mt19937_64 random(3);
    for (int round = 0; round < 20000; ++round) {
        const unsigned eighths = round % 9;  // the share of lead bytes
        std::uint64_t lead = 0;
        for (unsigned b = 0; b < 64; ++b) lead |= std::uint64_t{random() % 8 < eighths} << b;
        for (const std::uint64_t carry : {0u, 1u}) {
            std::uint64_t starts = 0;
            std::size_t leadStarts = 0;
            unsigned b = static_cast<unsigned>(carry);  // byte 0 a trail when carried into
            while (b < 64) {
                starts |= std::uint64_t{1} << b;
                const bool isLead = lead >> b & 1;
                leadStarts += isLead;
                b += isLead ? 2 : 1;
            }
            const std::uint64_t carriedOut = b == 65;
            const kernels::BlockStarts block = kernels::StartsOf(lead);
            std::uint64_t counted = carry;
            std::size_t countedStarts = 0;
            kernels::CountLeadStarts(lead, counted, countedStarts);
            ASSERT_TRUE(kernels::StartsWith(block, carry) == starts &&
                        kernels::CarryOut(lead, block, carry) == carriedOut &&
                        countedStarts == leadStarts && counted == carriedOut)
                << std::hex << "lead " << lead << " carry " << carry;
        }
    }
}

// Blocks of lead bytes alone that are all common pairs (＝ and kanji of both levels, each with a
// trail byte that is a lead byte too), now and then a single byte that moves the pairs across the
// block edges, and in half the texts one byte that may be rejected: such a block passes the carry
// into it on to the next.
TEST(Kernels, JisBlocksOfLeadBytesAlone) {
    GuardedBuffer guard;
    std::mt19937 random(11);
    const std::vector<std::string> pairs = {"\x89\x80", "\x81\x81", "\x9F\xE0", "\xE0\x9F",
                                            "\x95\xFC"};
    for (std::size_t round = 0; round < 2000; ++round) {
        std::string text = random() % 2 ? "a" : "";
        while (text.size() < kBlock + 1 + round % 400) {
            text += random() % 50 ? pairs[random() % pairs.size()] : "a";
        }
        if (random() % 2) text[random() % text.size()] = static_cast<char>(random());
        ASSERT_EQ(JisDisagreement(guard.Place(text)), "") << Hex(text);
    }
}

// Texts of every size modulo the block, ending right before a guard page, in three kinds by
// turns: records ended by LF or CR LF with up to two faulty bytes; one run of accepted characters
// past the four-block stride with one fault; lead and single bytes mixed at a random share, so that
// runs of lead bytes of every length cross block edges (at 16 in 16, lead bytes alone: whole
// blocks of them pass the carry into them on to the next).
TEST(Kernels, RandomTextsAgreeWithTheLiteralScans) {
    constexpr unsigned char kLeads[] = {0x80, 0x81, 0x9F, 0xE0, 0xFC, 0xFF};
    constexpr unsigned char kSingles[] = {0x00, 0x0A, 0x41, 0x7F, 0xA0, 0xB1, 0xDF};
    GuardedBuffer guard;
    std::mt19937 random(17);
    for (int c = 0; c < kernels::kCheckCount; ++c) {
        const auto check = static_cast<Check>(c);
        for (int symbols : {0, 1}) {
            const std::vector<std::string> alphabet = AlphabetOf(check, symbols);
            for (std::size_t round = 0; round < 450; ++round) {
                const std::size_t kind = round % 3, size = kind == 1 ? 256 + round : round;
                std::string text;
                std::size_t faults = 0;
                if (kind == 0) {
                    while (text.size() < size) {
                        text += Conforming(alphabet, random() % 40, random);
                        text += random() % 3 == 0 ? "\r\n" : "\n";
                    }
                    faults = random() % 3;
                } else if (kind == 1) {
                    text = Conforming(alphabet, size, random);
                    faults = 1;
                } else {
                    const unsigned leadShare = random() % 17;
                    while (text.size() < size) {
                        text += static_cast<char>(random() % 16 < leadShare
                                                      ? kLeads[random() % std::size(kLeads)]
                                                      : kSingles[random() % std::size(kSingles)]);
                    }
                }
                text.resize(size);
                for (; faults > 0 && size > 0; --faults) {
                    text[random() % size] = static_cast<char>(random());
                }
                ASSERT_EQ(Disagreement(check, symbols, guard.Place(text)), "")
                    << RowOf(check).option << " symbols " << symbols << ": " << Hex(text);
            }
        }
    }
}

// UTF-8 records confirmed 64 bytes at a time, and the scalar scan, against the records decoded
// by the oracle, wherever a character, a CR LF or a rejected byte falls against a block's edges.
TEST(Kernels, Utf8RecordsAgreeWithTheDecodedRecords) {
    GuardedBuffer guard;
    std::mt19937 random(7);
    // Mostly each block's own characters and line ends: ア ー 　 ・, and Ａ １ ｚ.
    const std::vector<std::string_view> common[] = {
        {"\xE3\x82\xA2", "\xE3\x83\xBC", "\xE3\x80\x80", "\xE3\x83\xBB", "\n", "\r\n"},
        {"\xEF\xBC\xA1", "\xEF\xBC\x91", "\xEF\xBD\x9A", "\n", "\r\n"}};
    const char* const rare[] = {
        "\xE3\x81\x82",  // あ: in the kana block, not accepted
        "\xEF\xBC\x81",  // ！: in the full-width block, not accepted
        "\xE4\xBA\x9C",  // 亜: another lead byte
        "\xE3\x84\x80",  // U+3100: a second byte past the kana block
        "\xE3\x82\xE2",  // ア with a third byte that is no continuation
        "\xE3\x82",      // a sequence cut short
        "\r",            // a CR without its LF
        "a",
    };
    for (std::size_t k = 0; k < std::size(kUtf8Cases); ++k) {
        for (int round = 0; round < 400; ++round) {
            std::string text;
            for (std::size_t n = random() % 160; n > 0; --n) {
                text += random() % 40 ? common[k][random() % common[k].size()]
                                      : rare[random() % std::size(rare)];
            }
            ASSERT_EQ(Utf8Disagreement(guard.Place(text)), "") << Hex(text);
        }
    }
}

}  // namespace
