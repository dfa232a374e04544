// Where records come from: a file or standard input, read in chunks, its encoding settled
// once at its start, and the decoding of what the checks see into code page 932. This is the
// only unit that knows which encoding the input had.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "encoding.h"

namespace check {

// The bytes read and not yet consumed, kept at the front of one buffer that grows only when
// they alone fill it: memory stays at one chunk, or at the longest record.
class ReadBuffer {
  public:
    // Throws std::bad_alloc when the buffer cannot grow.
    ReadBuffer(int fd, std::size_t chunk);

    // Valid until the next Fill().
    std::string_view Pending() const { return {buffer_.get() + begin_, end_ - begin_}; }
    void Consume(std::size_t n) { begin_ += n; }
    // Appends what one read gives; false at the end of the input or on an error.
    bool Fill();
    // Reads until at least n bytes are pending or the input ends; the first n of them.
    std::string_view Peek(std::size_t n);
    bool atEnd() const { return atEnd_; }
    int error() const { return error_; }               // the errno of a failed read
    unsigned long long read() const { return read_; }  // bytes read so far, for the progress line

  private:
    void Grow(std::size_t capacity);

    int fd_;
    // malloc'd so that growing it can move pages instead of copying them (and holding both).
    std::unique_ptr<char, decltype(&std::free)> buffer_{nullptr, &std::free};
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0, end_ = 0;
    bool atEnd_ = false;
    int error_ = 0;
    unsigned long long read_ = 0;
};

// Turns the texts the checks see into code page 932, keeping what converting lost.
class Decoder {
  public:
    explicit Decoder(Encoding encoding) : utf8_(encoding == Encoding::Utf8) {}

    // `text` in code page 932: itself, or converted into `storage`; `lost` is replaced with
    // what converting lost.
    std::string_view Decode(std::string_view text, std::string& storage,
                            std::vector<LostCharacter>& lost) const {
        return utf8_ ? Converted(text, storage, lost) : text;  // nothing is lost in code page 932
    }
    // A header field's name in code page 932.
    std::string Name(std::string_view field) const;
    // Whether a header field is the one named on the command line: the same bytes, or, in code
    // page 932 input, the field in UTF-8 as a UTF-8 command line spells it.
    bool Names(std::string_view field, std::string_view wanted) const;
    // Whether a lead byte carries the byte after it past a delimiter.
    bool PairsLeadBytes() const { return !utf8_; }
    bool utf8() const { return utf8_; }

  private:
    static std::string_view Converted(std::string_view text, std::string& storage,
                                      std::vector<LostCharacter>& lost);

    bool utf8_;
};

struct SourceSettings {
    Encoding encoding = Encoding::Cp932;
    int standardInput = 0;
    std::size_t chunk = 1 << 20;  // bytes read at a time
};

// One input, open for reading. Start() reads its first bytes and settles its encoding.
class Source {
  public:
    static constexpr std::string_view kStandardInputName = "(standard input)";

    // "-" is standard input. Throws std::bad_alloc when no buffer can be had.
    Source(const std::string& path, const SourceSettings& settings);
    ~Source();
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // The errno of a failed open; 0 when open.
    int openError() const { return openError_; }
    const std::string& name() const { return name_; }

    // Settles the encoding from the first bytes and skips a UTF-8 byte order mark in UTF-8
    // input. Returns a one-line hint for the user, or "": the input looks like UTF-8 (or starts
    // with its byte order mark) but is read as code page 932.
    std::string Start();
    Decoder decoder() const { return Decoder(encoding_); }
    // Whether Start() skipped a UTF-8 byte order mark.
    bool skippedSignature() const { return skippedSignature_; }
    ReadBuffer& bytes() { return *bytes_; }
    // The input's size where it is a regular file; none for a pipe or a terminal.
    std::optional<unsigned long long> size() const { return size_; }

  private:
    std::string name_;
    int fd_ = -1;
    bool standardInput_;
    int openError_ = 0;
    Encoding encoding_;
    bool skippedSignature_ = false;
    std::optional<unsigned long long> size_;
    std::unique_ptr<ReadBuffer> bytes_;
};

// What --input-encoding auto decides from a sample of the input's first bytes: well-formed
// UTF-8 with at least one multi-byte sequence, where `complete` says whether the sample is the
// whole input (else a sequence it cuts at its end counts as well-formed).
bool LooksLikeUtf8(std::string_view sample, bool complete);

}  // namespace check
