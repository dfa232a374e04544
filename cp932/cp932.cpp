// Code page 932 conversion through glibc's iconv "CP932", which also maps the forms Linux input
// methods produce (U+301C WAVE DASH to 0x81 0x60, U+2212 MINUS SIGN to 0x81 0x7C).
#include "cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

enum class Stop { Done, Invalid, Incomplete };

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can, appending to `out`; leaves `in` at the first byte it could
    // not convert, or empty, and says why it stopped.
    Stop Convert(std::string_view& in, std::string& out) {
        char buffer[4096];
        while (!in.empty()) {
            char* src = const_cast<char*>(in.data());
            std::size_t srcLeft = in.size();
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            in.remove_prefix(in.size() - srcLeft);
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                const Stop stop = errno == EINVAL ? Stop::Incomplete : Stop::Invalid;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
                return stop;
            }
        }
        return Stop::Done;
    }

  private:
    iconv_t cd_;
};

Converter& Decoding() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
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

std::string Utf8ToCp932(std::string_view utf8, std::vector<LostCharacter>* lost) {
    thread_local Converter converter("CP932", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    while (converter.Convert(utf8, out) != Stop::Done) {
        // iconv stopped at a character code page 932 lacks, or at ill-formed UTF-8.
        bool wellFormed = false;
        const std::size_t length = Utf8SequenceLength(utf8, wellFormed);
        out += '?';
        if (lost) {
            LostCharacter l{0, static_cast<int>(out.size()), {0, 0, 0}, 0};
            if (wellFormed) {
                const auto b0 = static_cast<unsigned char>(utf8[0]);
                char32_t cp = length == 1 ? b0 : b0 & (0x7F >> length);
                for (std::size_t k = 1; k < length; ++k) cp = (cp << 6) | (utf8[k] & 0x3F);
                l.codePoint = cp;
            } else {
                for (std::size_t k = 0; k < length; ++k) l.invalid[k] = utf8[k];
                l.invalidLength = static_cast<unsigned char>(length);
            }
            lost->push_back(l);
        }
        utf8.remove_prefix(length);
    }
    return out;
}

void Cp932Decoder::Feed(std::string_view piece, std::string& out) {
    Converter& converter = Decoding();
    if (hasWaiting_ && !piece.empty()) {
        hasWaiting_ = false;
        const char pair[2] = {waiting_, piece[0]};
        std::string_view both(pair, 2);
        if (converter.Convert(both, out) == Stop::Done) {
            piece.remove_prefix(1);
        } else {
            out += kReplacement;  // the lead byte alone; its follower starts anew
        }
    }
    for (;;) {
        switch (converter.Convert(piece, out)) {
            case Stop::Done:
                return;
            case Stop::Incomplete:  // a lead byte at the end of the piece
                waiting_ = piece[0];
                hasWaiting_ = true;
                return;
            case Stop::Invalid:
                out += kReplacement;
                piece.remove_prefix(1);
                break;
        }
    }
}

void Cp932Decoder::Finish(std::string& out) {
    if (hasWaiting_) out += kReplacement;
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
