// Which bytes open a double-byte character, in the two senses this project has, each defined once
// here: the analysis and the conversion both include this file.
//
// The window's rule, which every check, measurement and kernel follows: 0x80-0x9F and 0xE0-0xFF
// take the byte after them, whatever it is. Code page 932's own lead bytes are fewer: 0x80 and
// 0xFD-0xFF begin no pair of its mapping, so the conversion reads them as single bytes.
#pragma once

// The window's lead bytes, 0x80-0x9F and 0xE0-0xFF; analysis.h's IsLeadByte is this one.
constexpr bool IsWindowLeadByte(unsigned char b) {
    return (0x80 <= b && b <= 0x9F) || 0xE0 <= b;
}

// The lead bytes of code page 932 (0x81-0x9F, 0xE0-0xFC), and the bytes that can follow one as
// its trail (0x40-0x7E, 0x80-0xFC).
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (0x81 <= b && b <= 0x9F) || (0xE0 <= b && b <= 0xFC);
}
constexpr bool IsCp932TrailByte(unsigned char b) {
    return (0x40 <= b && b <= 0x7E) || (0x80 <= b && b <= 0xFC);
}
