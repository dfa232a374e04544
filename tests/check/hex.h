// Bytes as hex, so that a failing comparison of Shift-JIS text explains itself.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline std::string Hex(std::string_view bytes) {
    std::string out;
    for (unsigned char b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, out.empty() ? "%02X" : " %02X", b);
        out += digits;
    }
    return out;
}

// The bytes around byte index `at`, for texts too long to print whole.
inline std::string HexAround(std::string_view bytes, std::size_t at, std::size_t radius = 8) {
    const std::size_t from = at > radius ? at - radius : 0;
    return "@" + std::to_string(from) + ": " + Hex(bytes.substr(from, 2 * radius + 1));
}
