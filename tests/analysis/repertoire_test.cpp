// Character kinds held to glibc's iconv "CP932" over every byte and pair and at the ends of
// each kind's ranges, and the Zengin set at its edges.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>

#include "bytes.h"
#include "guarded.h"
#include "oracle.h"
#include "repertoire.h"

namespace {

using enum CharacterKind;

// Each kind as its ranges define it, with iconv's verdict on the character alone: exactly one
// holds for the character that starts each pair of bytes and each byte, and it is KindAt's.
TEST(Kinds, EveryPairAndByteAsIconvDecodesIt) {
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    GuardedBuffer guard;
    for (unsigned n = 0; n < 0x10100; ++n) {  // every pair, then every byte alone
        const char pair[] = {static_cast<char>(n >> 8), static_cast<char>(n)};
        const std::string_view text = guard.Place({pair + (n >> 16), 2 - (n >> 16)});
        const unsigned lead = static_cast<unsigned char>(text[0]);
        const std::string_view character = text.substr(0, oracle::IsLead(lead) ? 2 : 1);
        const unsigned trail = character.size() == 2 ? static_cast<unsigned char>(text[1]) : 0;
        const unsigned code = lead << 8 | trail;  // trail 0: one byte, or none after a lead byte
        const bool hasTrail = (0x40 <= trail && trail <= 0x7E) || (0x80 <= trail && trail <= 0xFC);
        char out[16], *in = const_cast<char*>(character.data()), *to = out;
        std::size_t inLeft = character.size(), outLeft = sizeof out;
        const bool decodes = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
        const bool userDefined = 0xF0 <= lead && lead <= 0xF9 && hasTrail;
        const bool defined = decodes && !userDefined;
        const bool never = lead == 0x80 || lead >= 0xFD;  // lead bytes that no trail completes
        const bool is[] = {
            // in CharacterKind order
            defined && (!oracle::IsLead(lead) || (0x81 <= lead && lead <= 0x84) ||
                        (0x88 <= lead && lead <= 0x9F) || (0xE0 <= lead && lead <= 0xEA)),
            defined && 0x8740 <= code && code <= 0x879C,
            defined && 0xED40 <= code && code <= 0xEEFC,
            defined && 0xFA40 <= code && code <= 0xFC4B,
            userDefined,
            !decodes && (!oracle::IsLead(lead) || never || hasTrail),
            oracle::IsLead(lead) && !never && !hasTrail,  // at the end, or before no trail byte
        };
        const int kind = static_cast<int>(KindAt(text, 0));
        ASSERT_TRUE(std::count(is, is + std::size(is), true) == 1 && is[kind])
            << Hex(text) << " " << kind;
    }
    iconv_close(cd);
}

// Each kind with the ends of its ranges and the codes just outside them, characters in hex
// separated by commas; the checks accept a character by its kind alone.
TEST(Kinds, RangeEnds) {
    const std::pair<CharacterKind, const char*> kRows[] = {
        {Jis, "7F, A1, DF, 81 40, 88 9F, 98 72, 98 9F, EA A4"},  // DEL ｡ ﾟ 　 亜 腕 弌 熙
        {NecSpecial, "87 40, 87 9C"},
        {NecSelectedIbm, "ED 40, EE FC"},
        {IbmExtension, "FA 40, FC 4B"},
        {UserDefined, "F0 40, F0 80, F9 FC"},
        // between ASCII and ｡; lead bytes that no trail completes, at the end or not; pairs
        {Undefined, "A0, 80, 80 41, FD 40, FF, 88 9E, 98 73, EA A5, 87 9D, EF 40, FC 4C"},
        // a lead byte that ends the text, or before a byte that is no trail
        {Invalid, "81, EA, 81 7F, 82 20, 81 3F, 81 FD, 87 3F, ED 3F, F0 3F, F0 7F, F9 FD"}};
    GuardedBuffer guard;
    for (const auto& [kind, characters] : kRows)
        for (std::string_view rest = characters; !rest.empty();) {
            const std::string hex(rest.substr(0, rest.find(',')));
            rest.remove_prefix(std::min(hex.size() + 1, rest.size()));
            const std::string_view text = guard.Place(Bytes(hex));
            EXPECT_EQ(KindAt(text, 0), kind) << hex;
            EXPECT_EQ(CheckJis(text).ok, kind == Jis) << hex;
            EXPECT_EQ(CheckCp932(text).ok, kind <= IbmExtension) << hex;
        }
}

TEST(Zengin, TheSetsEdges) {
    GuardedBuffer guard;
    // space ( ) - . / 0 9 A Z ｦ ｱ ﾝ ﾞ ﾟ
    EXPECT_TRUE(CheckZengin(guard.Place(Bytes("20 28 29 2D 2E 2F 30 39 41 5A A6 B1 DD DE DF"))).ok);
    // Beside them: ! ' * + , : @ [ a z ･ ｧ ｯ ｰ; a control byte, DEL, 0xA0, Ａ, a lead at the end.
    for (const char* hex : {"21", "27", "2A", "2B", "2C", "3A", "40", "5B", "61", "7A", "A5", "A7",
                            "AF", "B0", "1F", "7F", "A0", "82 60", "82"})
        EXPECT_EQ(CheckZengin(guard.Place(Bytes(std::string("41 ") + hex))).position, 2) << hex;
}

}  // namespace
