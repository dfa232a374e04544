#include "suggest.h"

#include <cstdint>

namespace {

// A character as one number: a single byte, or lead << 8 | trail.
using Code = unsigned;

// 0xA1–0xDF, half-width ｡｢｣､･ｦ ｧ…ｯ ｰ ｱ…ﾝ ﾞﾟ: the full-width character of each.
constexpr std::uint16_t kFullOfHalf[0x3F] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392,                  // 。「」、・ヲ
    0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387,  // ァィゥェォャュョ
    0x8362, 0x815B,                                                  // ッー
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349,                          // アイウエオ
    0x834A, 0x834C, 0x834E, 0x8350, 0x8352,                          // カキクケコ
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C,                          // サシスセソ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367,                          // タチツテト
    0x8369, 0x836A, 0x836B, 0x836C, 0x836D,                          // ナニヌネノ
    0x836E, 0x8371, 0x8374, 0x8377, 0x837A,                          // ハヒフヘホ
    0x837D, 0x837E, 0x8380, 0x8381, 0x8382,                          // マミムメモ
    0x8384, 0x8386, 0x8388,                                          // ヤユヨ
    0x8389, 0x838A, 0x838B, 0x838C, 0x838D,                          // ラリルレロ
    0x838F, 0x8393, 0x814A, 0x814B,                                  // ワン゛゜
};

// 0x20–0x7E: the full-width character of each, 0 where there is no exact one in JIS X 0208:
// " and ' have none, and 0x5C and 0x7E are ¥ and ‾ to some systems and \ and ~ to others.
constexpr std::uint16_t kFullOfAscii[0x5F] = {
    0x8140, 0x8149, 0,      0x8194, 0x8190, 0x8193, 0x8195, 0,       //  !"#$%&'
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ()*+,-./
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0-7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 89:;<=>?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @A-G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H-O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P-W
    0x8277, 0x8278, 0x8279, 0x816D, 0,      0x816E, 0x814F, 0x8151,  // XYZ[\]^_
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // `a-g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h-o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p-w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0,               // xyz{|}~
};

// NEC row 13, the NEC-selected IBM extensions and the IBM extensions that are the same
// character as a JIS X 0208 code: ≒≡∫√⊥∠∵∩∪ and ¬.
constexpr struct {
    std::uint16_t vendor, jis;
} kJisOfVendor[] = {
    {0x8790, 0x81E0}, {0x8791, 0x81DF}, {0x8792, 0x81E7}, {0x8795, 0x81E3},
    {0x8796, 0x81DB}, {0x8797, 0x81DA}, {0x879A, 0x81E6}, {0x879B, 0x81BF},
    {0x879C, 0x81BE}, {0xEEF9, 0x81CA}, {0xFA54, 0x81CA}, {0xFA5B, 0x81E6},
};

constexpr Code kVu = 0x8394;  // ヴ, which is ｳ with ﾞ though ウ + 1 is ェ
constexpr Code kVoiced = 0xDE, kSemiVoiced = 0xDF;

// ｶ…ﾄ and ﾊ…ﾎ take ﾞ, each full-width form one code after the plain one; ﾊ…ﾎ take ﾟ, two after.
constexpr bool TakesVoiced(Code half) {
    return (half >= 0xB6 && half <= 0xC4) || (half >= 0xCA && half <= 0xCE);
}
constexpr bool TakesSemiVoiced(Code half) {
    return half >= 0xCA && half <= 0xCE;
}

Suggestion Make(Code code, int covers) {
    Suggestion s;
    s.covers = covers;
    if (code > 0xFF) s.bytes[s.size++] = static_cast<char>(code >> 8);
    s.bytes[s.size++] = static_cast<char>(code & 0xFF);
    return s;
}
Suggestion Make(Code first, Code second, int covers) {
    Suggestion s = Make(first, covers);
    s.bytes[s.size++] = static_cast<char>(second);
    return s;
}

// The character of a suggestion or of the text, as one Code; text's bytes past `at` only
// for a double-byte character.
Code CodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    return CharacterWidth(text, at) == 2 ? byte(at) << 8 | byte(at + 1) : byte(at);
}

// The same character in the other width; a half-width kana with a voiced mark after it
// becomes one full-width kana, and the full-width voiced kana two half-width characters.
Suggestion OtherWidth(std::string_view text, std::size_t at) {
    const Code code = CodeAt(text, at);
    if (code >= 0xA1 && code <= 0xDF) {
        const Code full = kFullOfHalf[code - 0xA1];
        const Code mark = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : Code{0};
        if (mark == kVoiced && code == 0xB3) return Make(kVu, 2);
        if (mark == kVoiced && TakesVoiced(code)) return Make(full + 1, 2);
        if (mark == kSemiVoiced && TakesSemiVoiced(code)) return Make(full + 2, 2);
        return Make(full, 1);
    }
    if (code >= 0x20 && code <= 0x7E) {
        return kFullOfAscii[code - 0x20] ? Make(kFullOfAscii[code - 0x20], 1) : Suggestion{};
    }
    if (code <= 0xFF) return {};
    if (code == kVu) return Make(0xB3, kVoiced, 2);
    for (Code half = 0xA1; half <= 0xDF; ++half) {
        const Code full = kFullOfHalf[half - 0xA1];
        if (full == code) return Make(half, 2);
        if (full + 1 == code && TakesVoiced(half)) return Make(half, kVoiced, 2);
        if (full + 2 == code && TakesSemiVoiced(half)) return Make(half, kSemiVoiced, 2);
    }
    for (Code ascii = 0x20; ascii <= 0x7E; ++ascii) {
        if (kFullOfAscii[ascii - 0x20] == code) return Make(ascii, 2);
    }
    return {};
}

// The same kana in the other script: 0x829F–0x82F1 ぁ…ん and 0x8340–0x8393 ァ…ン, whose
// trails skip 0x7F; ゝゞ and ヽヾ.
Suggestion OtherScript(Code code, int covers) {
    if (code >= 0x829F && code <= 0x82F1) {
        const Code katakana = 0x8340 + (code - 0x829F);
        return Make(katakana >= 0x837F ? katakana + 1 : katakana, covers);
    }
    if (code >= 0x8340 && code <= 0x8393 && code != 0x837F) {
        return Make(0x829F + (code - 0x8340) - (code > 0x837F ? 1 : 0), covers);
    }
    if (code == 0x8152 || code == 0x8153) return Make(code + 2, covers);  // ヽヾ
    if (code == 0x8154 || code == 0x8155) return Make(code - 2, covers);  // ゝゞ
    return {};
}

// An upper-case half-width letter for a lower-case one of either width.
Suggestion UpperCase(Code code, int covers) {
    if (code >= 'a' && code <= 'z') return Make(code - 'a' + 'A', covers);
    if (code >= 0x8281 && code <= 0x829A) return Make(code - 0x8281 + 'A', covers);  // ａ…ｚ
    return {};
}

Suggestion JisOfVendor(Code code) {
    for (const auto& pair : kJisOfVendor) {
        if (pair.vendor == code) return Make(pair.jis, 2);
    }
    return {};
}

Code CodeOf(const Suggestion& s) {
    return CodeAt(s.Text(), 0);
}

}  // namespace

Suggestion SuggestFix(Operation op, std::string_view text, std::size_t at, int symbolsAllowed) {
    const Code code = CodeAt(text, at);
    const int width = CharacterWidth(text, at);
    // Which replacements keep the meaning for this check: width for every class check,
    // script between the two full-width kana checks, case for the bank set, which has only
    // capitals.
    const bool widths =
        Row(op).unit == Unit::None && op != Operation::Jis && op != Operation::Cp932;
    const bool scripts = op == Operation::FullHiragana || op == Operation::FullKatakana;
    const bool upper = op == Operation::Zengin;

    const Suggestion other = widths ? OtherWidth(text, at) : Suggestion{};
    const Suggestion candidates[] = {
        op == Operation::Jis ? JisOfVendor(code) : Suggestion{},
        other,
        scripts ? OtherScript(code, width) : Suggestion{},
        scripts && other.size == 2 ? OtherScript(CodeOf(other), other.covers) : Suggestion{},
        upper ? UpperCase(code, width) : Suggestion{},
    };
    for (const Suggestion& s : candidates) {
        if (s.size > 0 && RunOperation(op, s.Text(), symbolsAllowed).ok) return s;
    }
    return {};
}
