// Which character set a character of code page 932 belongs to, for the jis and cp932 checks.
//
// Characters are the window's: a lead byte (IsLeadByte) with the byte after it, whatever that
// is, or one other byte; a lead byte that ends the text is a character of one byte. "Defined"
// means decodable by glibc's iconv "CP932", whose mapping cp932/cp932-map.txt holds; the build
// turns that file into the table behind KindAt, so nothing here calls iconv.
#pragma once

#include <cstddef>
#include <string_view>

enum class CharacterKind {
    Jis,             // JIS X 0201 single bytes and the JIS X 0208 rows 1-84 that are defined
    NecSpecial,      // NEC row 13, 0x8740-0x879C: ① Ⅰ ㍉ …
    NecSelectedIbm,  // the NEC-selected IBM extensions, 0xED40-0xEEFC
    IbmExtension,    // the IBM extensions, 0xFA40-0xFC4B
    UserDefined,     // 0xF040-0xF9FC with a trail byte, which iconv maps to private use
    Undefined,       // any other character code page 932 does not define, 0x80 0xA0 0xFD-0xFF
    Invalid,         // a lead byte 0x81-0x9F or 0xE0-0xFC without a trail byte after it
};

// The kind of the character that starts at byte index `at` (< text.size()).
CharacterKind KindAt(std::string_view text, std::size_t at);
