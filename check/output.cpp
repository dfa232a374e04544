#include "output.h"

#include <cerrno>

#include "cp932.h"

namespace check {

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
// Pieces are converted this much at a time, so that no UTF-8 copy of a long text is built.
constexpr std::size_t kSlice = 1 << 14;

}  // namespace

void Output::Raw(std::string_view bytes) {
    if (failed()) return;
    if (buffer_.size() + bytes.size() > kBufferSize) {
        Flush();
        if (bytes.size() >= kBufferSize) {  // a long text goes out without a copy
            Write(bytes);
            return;
        }
    }
    buffer_ += bytes;
}

void Output::Write(std::string_view bytes) {
    if (failed() || bytes.empty()) return;
    writer_.Write(bytes, error_);
}

bool Output::Flush() {
    Write(buffer_);
    buffer_.clear();
    if (!failed() && std::ferror(file_)) error_ = EIO;
    return !failed();
}

// Each piece on its own: a piece that ends in a lead byte (a lone one, or 0x80, which the
// checks take with the byte after it) must not pair with the first byte of the next piece, a
// mark of the excerpt.
void Output::Converted(std::span<const std::string_view> cp932, bool json) {
    for (std::string_view piece : cp932) {
        Cp932Decoder decoder;
        while (!piece.empty() && !failed()) {
            const std::string_view slice = piece.substr(0, kSlice);
            piece.remove_prefix(slice.size());
            scratch_.clear();
            decoder.Feed(slice, scratch_);
            json ? Escaped(scratch_) : Raw(scratch_);
        }
        scratch_.clear();
        decoder.Finish(scratch_);
        json ? Escaped(scratch_) : Raw(scratch_);
    }
}

void Output::Text(std::span<const std::string_view> cp932) {
    if (encoding_ == Encoding::Utf8) {
        Converted(cp932, false);
        return;
    }
    for (std::string_view piece : cp932) Raw(piece);
}

void Output::Utf8(std::string_view utf8) {
    if (encoding_ == Encoding::Utf8) return Raw(utf8);
    Utf8ToCp932(utf8, scratch_, nullptr);
    Raw(scratch_);
}

void Output::JsonText(std::span<const std::string_view> cp932) {
    Raw("\"");
    Converted(cp932, true);
    Raw("\"");
}

void Output::JsonName(std::string_view bytes) {
    Raw("\"");
    while (!bytes.empty()) {
        const std::size_t valid = ValidUtf8Prefix(bytes);
        Escaped(bytes.substr(0, valid));
        bytes.remove_prefix(valid);
        if (bytes.empty()) break;
        bool wellFormed = false;
        bytes.remove_prefix(Utf8SequenceLength(bytes, wellFormed));
        Raw("\xEF\xBF\xBD");  // U+FFFD
    }
    Raw("\"");
}

void Output::Escaped(std::string_view utf8) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c != '"' && c != '\\' && c >= 0x20) continue;
        Raw(utf8.substr(plain, i - plain));
        char escape[8];
        if (c == '"' || c == '\\') {
            escape[0] = '\\';
            escape[1] = static_cast<char>(c);
            escape[2] = 0;
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
        }
        Raw(escape);
        plain = i + 1;
    }
    Raw(utf8.substr(plain));
}

}  // namespace check
