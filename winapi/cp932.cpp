// Code page 932 conversion through glibc's iconv "CP932", which also maps the forms Linux input
// methods produce (U+301C WAVE DASH to 0x81 0x60, U+2212 MINUS SIGN to 0x81 0x7C).
#include "cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

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
    // not convert, or empty. Returns false when it stopped at such a byte.
    bool Convert(std::string_view& in, std::string& out) {
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
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
                return false;
            }
        }
        return true;
    }

  private:
    iconv_t cd_;
};

// The code point and length of the UTF-8 sequence at the start of `in`; an invalid or cut
// sequence is its first byte alone, as U+FFFD.
std::pair<char32_t, std::size_t> NextUtf8(std::string_view in) {
    const auto b0 = static_cast<unsigned char>(in[0]);
    const std::size_t length = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 ? 2 : 0;
    if (length == 0 || length > in.size()) return {U'\uFFFD', 1};
    char32_t cp = length == 1 ? b0 : b0 & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(in[k]);
        if ((b & 0xC0) != 0x80) return {U'\uFFFD', 1};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {cp, length};
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8, std::vector<LostCharacter>* lost) {
    thread_local Converter converter("CP932", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    while (!converter.Convert(utf8, out)) {
        const auto [codePoint, length] = NextUtf8(utf8);
        out += '?';
        if (lost) lost->push_back({codePoint, static_cast<int>(out.size())});
        utf8.remove_prefix(length);
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    while (!converter.Convert(cp932, out)) {
        out += "\xEF\xBF\xBD";  // U+FFFD
        cp932.remove_prefix(1);
    }
    return out;
}
