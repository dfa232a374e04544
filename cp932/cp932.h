// Code page 932 conversion: the one place where text changes encoding. Tables of our own hold
// the mapping of glibc's iconv "CP932" (cp932-map.txt, written by tools/make-cp932-table), so
// the window layer and kestrune-check convert alike, without iconv and fast.
//
// Encoding maps what code page 932 cannot hold to one "?" (0x3F), as Windows' own conversion
// does with its default character, and can say which characters those were; unlike iconv, that
// includes the tag characters U+E0000-E007F, which iconv drops without a word. Ill-formed UTF-8
// becomes one "?" per maximal subpart, as the Unicode standard recommends. Decoding shows a
// byte sequence that is not valid code page 932 as U+FFFD, one per byte, never dropping it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A character that did not survive encoding: a valid code point that code page 932 lacks, or a
// maximal subpart of ill-formed UTF-8 (then `invalidLength` > 0 and `invalid` holds its bytes).
struct LostCharacter {
    char32_t codePoint;        // 0 for ill-formed UTF-8
    int position;              // 1-based byte position of its "?" in the encoded text
    unsigned char invalid[3];  // a maximal subpart is at most three bytes
    unsigned char invalidLength;
};

std::string Utf8ToCp932(std::string_view utf8, std::vector<LostCharacter>* lost = nullptr);
// The same into `out`, replacing what it held and reusing its buffer.
void Utf8ToCp932(std::string_view utf8, std::string& out, std::vector<LostCharacter>* lost);
std::string Cp932ToUtf8(std::string_view cp932);

// The length of the well-formed UTF-8 prefix of `bytes`.
std::size_t ValidUtf8Prefix(std::string_view bytes);

// The length of the sequence at the start of `bytes` (not empty): a whole well-formed
// character, or the maximal subpart of an ill-formed one, which is at least one byte.
std::size_t Utf8SequenceLength(std::string_view bytes, bool& wellFormed);

// Decodes code page 932 given in pieces, as if joined: a lead byte that ends one piece waits
// for the first byte of the next. Lets a long text be written out without a UTF-8 copy of it.
class Cp932Decoder {
  public:
    // Appends the UTF-8 of `piece` to `out`.
    void Feed(std::string_view piece, std::string& out);
    // Ends the text: a lead byte still waiting becomes U+FFFD.
    void Finish(std::string& out);

  private:
    char waiting_ = 0;
    bool hasWaiting_ = false;
};
