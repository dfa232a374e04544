// Code page 932 conversion through tables of our own, built from cp932-map.txt: the mapping of
// glibc's iconv "CP932", which also maps the forms Linux input methods produce (U+301C WAVE
// DASH to 0x81 0x60, U+2212 MINUS SIGN to 0x81 0x7C).
#include "cp932.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "cp932_map.h"
#include "kernels.h"
#include "lead_bytes.h"

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace {

// Neither a code point (U+FFFF is a noncharacter) nor bytes (FF is no lead byte) of the mapping.
constexpr std::uint16_t kNone = 0xFFFF;

// Where several pairs decode to one code point, the encoder takes the first of, as iconv does:
// the JIS X 0208 rows and the user-defined area (rank 0), NEC row 13 (lead 87), the IBM
// extensions (FA-FC), the NEC-selected IBM extensions (ED-EE). So U+2252 ≒ encodes to 81 E0,
// not 87 90; U+2160 Ⅰ to 87 54, not FA 4A; U+2170 ⅰ to FA 40, not EE EF.
int EncoderRank(unsigned lead) {
    return lead == 0x87 ? 1 : lead >= 0xFA ? 2 : lead == 0xED || lead == 0xEE ? 3 : 0;
}

// Where the encode table keeps a code point of the BMP: its three fields as a three-byte UTF-8
// sequence holds them (4, 6 and 6 bits, in the low bits of bytes 0, 1 and 2 of `w`), packed
// into 16 bits by one multiplication, found by search to give each code point its own place.
// The fast paths take a place straight from the bytes, without working out the code point.
unsigned Place(std::uint32_t w) {
    // Bits 6-21 of (w & 0x3F3F0F) * 0x4011, moved to the top of 32 bits.
    return (w & 0x3F3F0F) * (0x4011u << 10) >> 16;
}
unsigned PlaceOf(char32_t c) {
    return Place(c >> 12 | (c >> 6 & 0x3F) << 8 | (c & 0x3F) << 16);
}

struct Tables {
    std::uint16_t single[256];    // the code point of each byte
    std::uint16_t pair[0x10000];  // the code point of lead << 8 | trail
    // The bytes of each code point of the BMP, at its Place: the first in the low half, a trail
    // byte (never 00) in the high half.
    std::uint16_t encode[0x10000];

    Tables() {
        std::fill(std::begin(single), std::end(single), kNone);
        std::fill(std::begin(pair), std::end(pair), kNone);
        std::fill(std::begin(encode), std::end(encode), kNone);
        cp932_map::ForEachMapping(
            [&](std::uint32_t bytes, std::uint32_t codePoint) {
                (bytes < 0x100 ? single[bytes] : pair[bytes]) = codePoint;
            },
            [&](std::uint32_t codePoint, std::uint32_t bytes) {
                encode[PlaceOf(codePoint)] =
                    bytes < 0x100 ? bytes : (bytes >> 8) | (bytes & 0xFF) << 8;
            });
        for (unsigned b = 0; b < 256; ++b)
            if (single[b] != kNone) encode[PlaceOf(single[b])] = b;
        for (int rank = 0; rank < 4; ++rank) {
            for (unsigned bytes = 0x8000; bytes < 0x10000; ++bytes) {
                std::uint16_t& slot = encode[PlaceOf(pair[bytes])];
                if (pair[bytes] != kNone && slot == kNone && EncoderRank(bytes >> 8) == rank)
                    slot = (bytes >> 8) | (bytes & 0xFF) << 8;
            }
        }
    }
};

const Tables& Map() {
    static const Tables tables;
    return tables;
}

// Copies the ASCII bytes that start [p, end) to `o`, eight at a time, and says how many there
// were. Writes up to eight bytes past them: callers' output is never ahead of their input.
std::size_t CopyAscii(const unsigned char* p, const unsigned char* end, unsigned char* o) {
    const unsigned char* const start = p;
    for (; end - p >= 8; p += 8, o += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        std::memcpy(o, &word, 8);
        if (const std::uint64_t high = word & 0x8080808080808080u) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(high)
                                                                       : std::countl_zero(high);
            return static_cast<std::size_t>(p - start) + bit / 8;
        }
    }
    while (p < end && *p < 0x80) *o++ = *p++;
    return static_cast<std::size_t>(p - start);
}

// The four bytes at `p`, the first lowest.
std::uint32_t Load32(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
    return word;
}

// The code point of the three-byte sequence in the low bytes of `w`, the first lowest, if it
// is well formed.
unsigned ThreeByteCodePoint(std::uint32_t w) {
    return (w & 0x0F) << 12 | (w & 0x3F00) >> 2 | (w >> 16 & 0x3F);
}

// Where the 64 bytes at `p` are what: bit i stands for byte i.
struct Classes {
    std::uint64_t nonAscii, lead3, continuation;
    std::uint64_t e0;  // the one lead byte that can start an overlong form
};

#ifdef __SSE2__
// SSE2, which every x86-64 processor has, and AVX2 where the processor has it.
Classes ClassifySse2(const unsigned char* p) {
    Classes k{};
    const auto bytes = [](std::int8_t b) { return _mm_set1_epi8(b); };
    for (int i = 0; i < 64; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const auto bits = [i](__m128i m) {
            return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(m))} << i;
        };
        k.nonAscii |= bits(v);
        k.continuation |= bits(_mm_cmplt_epi8(v, bytes(-64)));  // -128 to -65 as signed bytes
        k.lead3 |= bits(_mm_cmpeq_epi8(_mm_and_si128(v, bytes(-16)), bytes(-32)));
        k.e0 |= bits(_mm_cmpeq_epi8(v, bytes(-32)));
    }
    return k;
}

__attribute__((target("avx2"))) Classes ClassifyAvx2(const unsigned char* p) {
    Classes k{};
    for (int i = 0; i < 64; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i continuation = _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), v);
        const __m256i lead3 =
            _mm256_cmpeq_epi8(_mm256_and_si256(v, _mm256_set1_epi8(-16)), _mm256_set1_epi8(-32));
        const __m256i e0 = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(-32));
        k.nonAscii |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(v))} << i;
        k.continuation |=
            std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(continuation))} << i;
        k.lead3 |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(lead3))} << i;
        k.e0 |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(e0))} << i;
    }
    return k;
}

// The kernels' probe decides, so that the conversion and the checks take AVX2 alike.
Classes Classify(const unsigned char* p) {
    static const auto classify =
        kernels::Fastest() == kernels::Isa::Avx2 ? ClassifyAvx2 : ClassifySse2;
    return classify(p);
}
#else
Classes Classify(const unsigned char* p) {
    Classes k{};
    for (int i = 0; i < 64; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (p[i] >= 0x80) k.nonAscii |= bit;
        if (p[i] >= 0x80 && p[i] <= 0xBF) k.continuation |= bit;
        if ((p[i] & 0xF0) == 0xE0) k.lead3 |= bit;
        if (p[i] == 0xE0) k.e0 |= bit;
    }
    return k;
}
#endif

// Writes `bytes` (from the encode table) at `o`, and says how many there are.
std::size_t PutCp932(unsigned char* o, std::uint16_t bytes) {
    o[0] = static_cast<unsigned char>(bytes);
    o[1] = static_cast<unsigned char>(bytes >> 8);
    return bytes > 0xFF ? 2 : 1;
}

// Converts the 64 bytes at `p` (reading 80) where they hold only ASCII and well-formed
// three-byte sequences of characters code page 932 has, without a branch on which comes next:
// a loop over the three-byte sequences, copying the ASCII before each sixteen bytes at a time.
// A sequence that the block cuts waits for the next block. Returns how many bytes it took, or 0
// for a block to go through character by character (having written nothing that counts).
std::size_t EncodeBlock(const unsigned char* p, unsigned char*& o, const Tables& map) {
    const Classes k = Classify(p);
    if (!k.nonAscii) {
        std::memcpy(o, p, 64);
        o += 64;
        return 64;
    }
    if (k.continuation != (k.lead3 << 1 | k.lead3 << 2) ||
        (k.lead3 | k.continuation) != k.nonAscii || k.e0) {
        return 0;
    }
    const std::size_t length = k.lead3 >> 62 & 1 ? 62 : k.lead3 >> 63 ? 63 : 64;
    unsigned char* out = o;
    // The ASCII bytes from `at` to `to`, sixteen at a time.
    const auto ascii = [p, &out](std::size_t at, std::size_t to) {
        std::memcpy(out, p + at, 16);
        if (to - at > 16) [[unlikely]] {
            for (std::size_t copied = 16; copied < to - at; copied += 16)
                std::memcpy(out + copied, p + at + copied, 16);
        }
        out += to - at;
    };
    std::size_t at = 0;  // the end of the last character converted
    unsigned lost = 0;   // bit 16 for a character the table lacks (surrogates too): kNone + 1
    for (std::uint64_t rest = k.lead3 & (~std::uint64_t{0} >> (64 - length)); rest;) {
        const auto next = static_cast<std::size_t>(std::countr_zero(rest));
        rest &= rest - 1;
        ascii(at, next);
        const unsigned bytes = map.encode[Place(Load32(p + next))];
        lost |= bytes + 1;
        out += PutCp932(out, static_cast<std::uint16_t>(bytes));
        at = next + 3;
    }
    ascii(at, length);
    if (lost >> 16) return 0;
    o = out;
    return length;
}

// Writes the UTF-8 of `c`, at least U+0080 and in the BMP, at `o`; returns its end.
unsigned char* PutUtf8(unsigned char* o, unsigned c) {
    if (c < 0x800) {
        o[0] = static_cast<unsigned char>(0xC0 | c >> 6);
        o[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return o + 2;
    }
    o[0] = static_cast<unsigned char>(0xE0 | c >> 12);
    o[1] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return o + 3;
}

bool InRange(unsigned char b, unsigned char first, unsigned char last) {
    return b >= first && b <= last;
}

}  // namespace

// The well-formed byte sequences of UTF-8: after the first byte, every byte is 80-BF except the
// second, whose range the first byte narrows (no overlong forms, no surrogates, nothing past
// U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view bytes, bool& wellFormed) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    wellFormed = b0 < 0x80;
    if (wellFormed) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (InRange(b0, 0xC2, 0xDF)) {
        length = 2;
    } else if (InRange(b0, 0xE0, 0xEF)) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (InRange(b0, 0xF0, 0xF4)) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 1;  // 80-C1, F5-FF start nothing
    }
    std::size_t k = 1;
    for (; k < length && k < bytes.size(); ++k) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        if (!(k == 1 ? InRange(b, low, high) : InRange(b, 0x80, 0xBF))) return k;
    }
    wellFormed = k == length;
    return k;
}

std::size_t ValidUtf8Prefix(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        bool wellFormed = false;
        const std::size_t length = Utf8SequenceLength(bytes.substr(i), wellFormed);
        if (!wellFormed) break;
        i += length;
    }
    return i;
}

namespace {

// Any other character or ill-formed part at p: its code, or "?" and what was lost. Returns
// the bytes it took.
std::size_t EncodeOther(const unsigned char* p, const unsigned char* end, unsigned char*& o,
                        const unsigned char* start, const Tables& map,
                        std::vector<LostCharacter>* lost) {
    bool wellFormed = false;
    const std::size_t length =
        Utf8SequenceLength(std::string_view(reinterpret_cast<const char*>(p), end - p), wellFormed);
    char32_t c = 0;
    if (wellFormed) {
        c = p[0] & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (p[k] & 0x3F);
    }
    if (wellFormed && c < 0x10000 && map.encode[PlaceOf(c)] != kNone) {
        o += PutCp932(o, map.encode[PlaceOf(c)]);
        return length;
    }
    *o++ = '?';
    if (lost) {
        LostCharacter l{c, static_cast<int>(o - start), {0, 0, 0}, 0};
        if (!wellFormed) {
            std::copy(p, p + length, l.invalid);
            l.invalidLength = static_cast<unsigned char>(length);
        }
        lost->push_back(l);
    }
    return length;
}

}  // namespace

void Utf8ToCp932(std::string_view utf8, std::string& out, std::vector<LostCharacter>* lost) {
    const Tables& map = Map();
    // No character grows: ASCII stays one byte, every other character or ill-formed part
    // becomes at most as many bytes as it had.
    out.resize(utf8.size());
    auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    auto* const start = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = start;
    const unsigned char* blocksAgain = p;  // after a block that goes character by character
    while (p < end) {
        if (p >= blocksAgain && end - p >= 80) {
            if (const std::size_t taken = EncodeBlock(p, o, map)) {
                p += taken;
                continue;
            }
            blocksAgain = p + 64;
        }
        if (end - p >= 3 && (*p & 0xF0) == 0xE0) {
            const std::uint32_t w = p[0] | p[1] << 8 | p[2] << 16;
            const unsigned c = ThreeByteCodePoint(w);
            if ((w & 0xC0C0F0) == 0x8080E0 && c >= 0x800 && map.encode[Place(w)] != kNone) {
                o += PutCp932(o, map.encode[Place(w)]);
                p += 3;
                continue;
            }
        }
        if (*p < 0x80) {
            if (end - p >= 2 && p[1] >= 0x80) {  // a space or a line end between words
                *o++ = *p++;
                continue;
            }
            const std::size_t ascii = CopyAscii(p, end, o);
            p += ascii;
            o += ascii;
            continue;
        }
        p += EncodeOther(p, end, o, start, map, lost);
    }
    out.resize(static_cast<std::size_t>(o - start));
}

std::string Utf8ToCp932(std::string_view utf8, std::vector<LostCharacter>* lost) {
    std::string out;
    Utf8ToCp932(utf8, out, lost);
    return out;
}

void Cp932Decoder::Feed(std::string_view piece, std::string& out) {
    const Tables& map = Map();
    // At most three bytes of UTF-8 for each byte, and for the lead byte that waited.
    const std::size_t before = out.size();
    out.resize(before + 3 * piece.size() + 3);
    auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const auto* const end = p + piece.size();
    auto* const start = reinterpret_cast<unsigned char*>(out.data());
    unsigned char* o = start + before;
    if (hasWaiting_ && p < end) {
        hasWaiting_ = false;
        const std::uint16_t c = map.pair[static_cast<unsigned char>(waiting_) << 8 | *p];
        if (c != kNone) ++p;
        o = PutUtf8(o, c != kNone ? c : 0xFFFD);  // else the lead byte alone; its follower anew
    }
    while (p < end) {
        const unsigned b = *p;
        if (b < 0x80) {
            const std::size_t ascii = CopyAscii(p, end, o);
            p += ascii;
            o += ascii;
        } else if (map.single[b] != kNone) {
            o = PutUtf8(o, map.single[b]);
            ++p;
        } else if (IsCp932LeadByte(b) && end - p == 1) {  // held back, as iconv does
            waiting_ = static_cast<char>(b);
            hasWaiting_ = true;
            ++p;
        } else if (IsCp932LeadByte(b) && map.pair[b << 8 | p[1]] != kNone) {
            o = PutUtf8(o, map.pair[b << 8 | p[1]]);
            p += 2;
        } else {
            o = PutUtf8(o, 0xFFFD);  // a byte that starts no character; the next starts anew
            ++p;
        }
    }
    out.resize(static_cast<std::size_t>(o - start));
}

void Cp932Decoder::Finish(std::string& out) {
    if (hasWaiting_) out += "\uFFFD";
    hasWaiting_ = false;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    Cp932Decoder decoder;
    decoder.Feed(cp932, out);
    decoder.Finish(out);
    return out;
}
