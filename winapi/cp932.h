// Code page 932 conversion through iconv: the one place where text changes encoding.
//
// Encoding maps what code page 932 cannot hold to one "?" (0x3F), as Windows' own conversion
// does with its default character, and can say which characters those were. Decoding shows a
// byte sequence that is not valid code page 932 as U+FFFD, one per byte, never dropping it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct LostCharacter {
    char32_t codePoint;  // U+FFFD for a byte that was not valid UTF-8
    int position;        // 1-based byte position of its "?" in the encoded text
};

std::string Utf8ToCp932(std::string_view utf8, std::vector<LostCharacter>* lost = nullptr);
std::string Cp932ToUtf8(std::string_view cp932);
