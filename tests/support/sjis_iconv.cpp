// Sjis() on Linux: glibc's iconv, which the conversion under test was made to agree with but does
// not call.
#include <iconv.h>

#include <cstdio>
#include <cstdlib>

#include "bytes.h"

std::string Sjis(std::string_view utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) std::abort();
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) {
        std::fprintf(stderr, "no code page 932 form for \"%.*s\"\n", static_cast<int>(utf8.size()),
                     utf8.data());
        std::abort();
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}
