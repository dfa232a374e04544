// Standard output of kestrune-check: buffered, in the output encoding, and honest about
// failure. The first failed write is remembered and everything after it is dropped, so that the
// program can stop and say so instead of reporting success.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "encoding.h"
#include "platform.h"

namespace check {

class Output {
  public:
    Output(std::FILE* file, Encoding encoding)
        : file_(file), encoding_(encoding), writer_(file, encoding) {}
    ~Output() { Flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Bytes written as they are: ASCII punctuation, numbers, file names in text output.
    void Raw(std::string_view bytes);
    // One code page 932 text given in pieces, each converted on its own, in the output encoding.
    void Text(std::span<const std::string_view> cp932);
    void Text(std::string_view cp932) { Text(std::span(&cp932, 1)); }
    // UTF-8 bytes in the output encoding.
    void Utf8(std::string_view utf8);
    // A file's name, or a message holding one: UTF-8 in the output encoding where the
    // platform's names are UTF-8, else the system's bytes as they are.
    void Name(std::string_view name) { platform::NamesAreUtf8() ? Utf8(name) : Raw(name); }
    // One code page 932 text given in pieces, each converted on its own, as a quoted JSON
    // string in UTF-8.
    void JsonText(std::span<const std::string_view> cp932);
    void JsonText(std::string_view cp932) { JsonText(std::span(&cp932, 1)); }
    // A name as a quoted JSON string: UTF-8 as it is, and U+FFFD for each maximal byte sequence
    // that is not UTF-8, so that the line stays valid UTF-8 whatever the name.
    void JsonName(std::string_view bytes);

    // Writes out what is buffered; false once any write has failed.
    bool Flush();
    bool failed() const { return error_ != 0; }
    int error() const { return error_; }  // the errno of the first failed write

  private:
    void Write(std::string_view bytes);
    void Converted(std::span<const std::string_view> cp932, bool json);
    void Escaped(std::string_view utf8);

    std::FILE* file_;
    Encoding encoding_;
    platform::Writer writer_;
    std::string buffer_;
    std::string scratch_;
    int error_ = 0;
};

}  // namespace check
