// Code page 932 conversion held to glibc's iconv "CP932" over every code point, byte and pair,
// and ill-formed UTF-8 held to the maximal-subpart rule wherever it falls in a block.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include "bytes.h"
#include "cp932.h"

namespace {

struct Converted {
    std::string out;
    std::size_t taken;
    int error;  // errno, 0 when iconv took all of the input
};

Converted Iconv(const char* to, const char* from, std::string_view in) {
    const iconv_t cd = iconv_open(to, from);
    std::string out(16 + 4 * in.size(), '\0');
    char* src = const_cast<char*>(in.data());
    char* dst = out.data();
    std::size_t srcLeft = in.size(), dstLeft = out.size();
    const bool failed = iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1);
    const int error = failed ? errno : 0;
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return {out, in.size() - srcLeft, error};
}

std::string Utf8(char32_t c) {
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    const int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    std::string out(length, '\0');
    for (int k = length - 1; k > 0; --k, c >>= 6) out[k] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>(((0xF00 >> length) & 0xFF) | c);
    return out;
}

std::string Repeat(std::string_view unit, std::size_t times) {
    std::string out;
    while (times-- > 0) out += unit;
    return out;
}

// What decoding through iconv gave: U+FFFD for a byte that starts no character (the next byte
// starts anew) and for a lead byte at the end.
std::string DecodedThroughIconv(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        const Converted c = Iconv("UTF-8", "CP932", in);
        out += c.out;
        if (!c.error) break;
        out += "\uFFFD";
        in.remove_prefix(c.taken + 1);
    }
    return out;
}

TEST(Cp932, EncodesEveryCodePointAsIconvDoes) {
    int failures = 0;
    for (char32_t c = 0; c <= 0x10FFFF && failures < 10; c = c == 0xD7FF ? 0xE000 : c + 1) {
        const std::string utf8 = Utf8(c);
        const Converted want = Iconv("CP932", "UTF-8", utf8);
        // iconv drops the tag characters U+E0000-E007F; they are lost like any other.
        const bool lost = want.error || want.out.empty();
        std::vector<LostCharacter> got;
        const std::string bytes = Utf8ToCp932(utf8, &got);
        const bool same = bytes == (lost ? "?" : want.out) && got.size() == (lost ? 1u : 0u) &&
                          (!lost || (got[0].codePoint == c && got[0].position == 1));
        if (!same && ++failures)
            ADD_FAILURE() << "U+" << std::hex << int(c) << ": " << Hex(bytes) << " for "
                          << (lost ? "a lost character" : Hex(want.out));
    }
}

TEST(Cp932, DecodesEveryByteAndPairAsIconvDid) {
    int failures = 0;
    for (int n = 0; n < 256 + 65536 && failures < 10; ++n) {
        const char pair[2] = {static_cast<char>(n >> 8), static_cast<char>(n)};
        const std::string_view text =
            n < 256 ? std::string_view(&pair[1], 1) : std::string_view(pair, 2);
        const std::string want = DecodedThroughIconv(text);
        std::string pieces;  // a piece per byte: a lead byte waits for its trail
        Cp932Decoder decoder;
        for (char b : text) decoder.Feed(std::string_view(&b, 1), pieces);
        decoder.Finish(pieces);
        const std::string whole = Cp932ToUtf8(text);
        if ((whole != want || pieces != want) && ++failures)
            ADD_FAILURE() << Hex(text) << ": " << Hex(whole) << " / " << Hex(pieces) << " for "
                          << Hex(want);
    }
}

// Each sequence in its own row, at every offset of the first 130 bytes of a text, after ASCII
// or after kana, and with more text after it or none.
// Every "?" in `out` is a lost character, of the code point or ill-formed part in `lost`.
TEST(Cp932, IllFormedUtf8IsOneQuestionMarkPerMaximalSubpart) {
    const struct {
        const char* in;
        const char* out;
        std::vector<std::string> lost;  // "U+XXXX", or the hex of an ill-formed part
    } kRows[] = {
        {"C0 AF", "3F 3F", {"C0", "AF"}},                          // overlong
        {"E0 9F BF", "3F 3F 3F", {"E0", "9F", "BF"}},              // overlong
        {"F0 8F BF BF", "3F 3F 3F 3F", {"F0", "8F", "BF", "BF"}},  // overlong
        {"ED A0 80", "3F 3F 3F", {"ED", "A0", "80"}},              // encoded surrogate
        {"F4 90 80 80", "3F 3F 3F 3F", {"F4", "90", "80", "80"}},  // beyond U+10FFFF
        {"F5 BF", "3F 3F", {"F5", "BF"}},
        {"FF FE 41", "3F 3F 41", {"FF", "FE"}},
        {"80 BF", "3F 3F", {"80", "BF"}},  // lone continuation bytes
        {"C2", "3F", {"C2"}},              // truncated: at the end, or before ASCII
        {"E3 81", "3F", {"E3 81"}},
        {"F0 9F 98", "3F", {"F0 9F 98"}},
        {"E3 81 E3 81 82", "3F 82 A0", {"E3 81"}},
        {"E3 81 82 F4 8F BF", "82 A0 3F", {"F4 8F BF"}},
        {"E3 81 82 EF BD B1 C2 A5 E2 80 94", "82 A0 B1 5C 81 5C", {}},
        {"F0 9F 98 80 E3 81 82", "3F 82 A0", {"U+1F600"}},
        {"EF BF BF", "3F", {"U+FFFF"}},
    };
    // The fast paths take mixed text too: あ is 82 A0.
    // Appended, not prepended: GCC 12 at -O3 misreads a prepend as an overlapping copy.
    std::string tail = "z", tailCp932 = "z";
    tail += Repeat("あa", 30);
    tailCp932 += Repeat(Bytes("82 A0 61"), 30);
    for (const auto& row : kRows) {
        const std::string in = Bytes(row.in), out = Bytes(row.out);
        for (std::size_t at = 0; at <= 130 * 2; ++at) {
            const bool ascii = at <= 130;  // then kana before it
            const std::size_t n = ascii ? at : at - 131;
            const std::string before =
                ascii ? std::string(n, 'a') : Repeat("あ", n / 3) + std::string(n % 3, 'a');
            const std::string beforeCp932 =
                ascii ? before : Repeat("\x82\xA0", n / 3) + std::string(n % 3, 'a');
            SCOPED_TRACE(std::string(row.in) + " after " + Hex(before));
            std::vector<LostCharacter> lost;
            const std::string got = Utf8ToCp932(before + in + tail, &lost);
            ASSERT_EQ(Hex(got), Hex(beforeCp932 + out + tailCp932));
            EXPECT_EQ(Utf8ToCp932(before + in), beforeCp932 + out);
            ASSERT_EQ(lost.size(), row.lost.size());
            std::size_t question = beforeCp932.size();
            for (std::size_t k = 0; k < lost.size(); ++k) {
                question = got.find('?', question) + 1;
                EXPECT_EQ(lost[k].position, static_cast<int>(question));
                const std::string_view part(reinterpret_cast<const char*>(lost[k].invalid),
                                            lost[k].invalidLength);
                const std::string& want = row.lost[k];
                if (want.starts_with("U+")) {
                    EXPECT_EQ(lost[k].codePoint, std::stoul(want.substr(2), nullptr, 16));
                    EXPECT_EQ(part, "");
                } else {
                    EXPECT_EQ(lost[k].codePoint, 0u);
                    EXPECT_EQ(Hex(part), want);
                }
            }
        }
    }
}

// A text converts as its characters do one by one, joined (the positions of lost characters
// moved along), wherever they fall in the fast paths' blocks; and likewise decodes.
TEST(Cp932, ATextConvertsAsItsCharactersDo) {
    const std::string_view kUtf8[] = {"あ",
                                      "漢",
                                      "a",
                                      "\n",
                                      "ｱ",
                                      "¥",
                                      "α",
                                      "é",
                                      "〜",
                                      "\xE0\xA0\x80",
                                      "😀",
                                      "\xF3\xA0\x80\x81",
                                      "\xE3\x81",
                                      "\xC0",
                                      "\xFF",
                                      "\xED\xA0\x80",
                                      "\xE0\x80\x80",
                                      "\xEF\xBF\xBF"};
    const std::string_view kCp932[] = {"\x82\xA0", "\x8A\xBF", "a",        "\xB1",     "\x80",
                                       "\xFD",     "\x85\x40", "\xF0\x40", "\x87\x90", "\x81\x40"};
    std::mt19937 random(932);
    auto unit = [&](std::size_t count) {  // mostly the first three, which the blocks take
        return random() % 4 ? random() % 3 : random() % count;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text, want, cp932, decoded;
        std::vector<LostCharacter> wantLost;
        for (std::size_t n = random() % 80; n > 0; --n) {
            const std::string_view u = kUtf8[unit(std::size(kUtf8))];
            std::vector<LostCharacter> lost;
            const std::string bytes = Utf8ToCp932(u, &lost);
            for (LostCharacter& l : lost) l.position += static_cast<int>(want.size());
            text += u, want += bytes;
            wantLost.insert(wantLost.end(), lost.begin(), lost.end());
            const std::string_view c = kCp932[unit(std::size(kCp932))];
            cp932 += c, decoded += Cp932ToUtf8(c);
        }
        std::vector<LostCharacter> lost;
        ASSERT_EQ(Hex(Utf8ToCp932(text, &lost)), Hex(want)) << Hex(text);
        ASSERT_EQ(lost.size(), wantLost.size()) << Hex(text);
        for (std::size_t k = 0; k < lost.size(); ++k) {
            EXPECT_EQ(lost[k].position, wantLost[k].position) << Hex(text);
            EXPECT_EQ(lost[k].codePoint, wantLost[k].codePoint) << Hex(text);
        }
        ASSERT_EQ(Cp932ToUtf8(cp932), decoded) << Hex(cp932);
    }
}

}  // namespace
