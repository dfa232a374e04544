// Sjis() on Windows: the system's own conversion, with no best fit, so that a character
// without an exact form in code page 932 stops the run as iconv's refusal does on Linux.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "bytes.h"

std::string Sjis(std::string_view utf8) {
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), size));
    std::string out(wide.size() * 2, '\0');
    BOOL lossy = FALSE;
    out.resize(WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(),
                                   static_cast<int>(wide.size()), out.data(),
                                   static_cast<int>(out.size()), nullptr, &lossy));
    if (lossy || (out.empty() && !utf8.empty())) {
        std::fprintf(stderr, "no code page 932 form for \"%.*s\"\n", size, utf8.data());
        std::abort();
    }
    return out;
}
