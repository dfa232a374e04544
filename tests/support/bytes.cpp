#include "bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

std::string Bytes(std::string_view hex) {
    std::string out;
    int nibbles = 0;
    unsigned value = 0;
    for (char c : hex) {
        if (c == ' ') continue;
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * 16 + static_cast<unsigned>(digit);
        if (++nibbles == 2) {
            out += static_cast<char>(value);
            nibbles = 0;
            value = 0;
        }
    }
    return out;
}

std::string Hex(std::string_view bytes) {
    std::string out;
    char byte[4];
    for (unsigned char b : bytes) {
        std::snprintf(byte, sizeof byte, out.empty() ? "%02X" : " %02X", b);
        out += byte;
    }
    return out;
}

std::string HexAround(std::string_view bytes, std::size_t at, std::size_t radius) {
    const std::size_t from = at > radius ? at - radius : 0;
    // Appended, not prepended: GCC 12 at -O3 misreads a prepend as an overlapping copy.
    std::string text = "@";
    text += std::to_string(from);
    text += ": ";
    text += Hex(bytes.substr(from, 2 * radius + 1));
    return text;
}

std::string ByteDiff(std::string_view expected, std::string_view actual) {
    if (expected == actual) return {};
    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const std::size_t at = static_cast<std::size_t>(mismatch.first - expected.begin());
    const std::size_t from = at > 8 ? at - 8 : 0;
    return "first difference at byte " + std::to_string(at) + " (of " +
           std::to_string(expected.size()) + " expected, " + std::to_string(actual.size()) +
           " actual)\n  expected: …" + Hex(expected.substr(from, 24)) + "\n  actual:   …" +
           Hex(actual.substr(from, 24));
}
