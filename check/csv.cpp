#include "csv.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "analysis.h"

namespace check {

namespace {

// What a byte means outside a quoted field.
enum : unsigned char { kText, kDelimiter, kLineFeed, kQuote, kLeadByte };

}  // namespace

// The delimiters, LFs and quotes of one 64-byte block as bit masks, so that the fields of a
// record are found a bit at a time instead of a byte at a time.
void CsvReader::LoadBlock(const unsigned char* p, std::size_t base, Block& block) const {
#if defined(__SSE2__)
    const __m128i delimiter = _mm_set1_epi8(delimiter_);
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i quote = _mm_set1_epi8('"');
    std::uint64_t delimiters = 0, lineFeeds = 0, quotes = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + base + 16 * k));
        const auto bits = [&](__m128i c) {
            return static_cast<std::uint64_t>(
                       static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))))
                   << (16 * k);
        };
        delimiters |= bits(delimiter);
        lineFeeds |= bits(lineFeed);
        quotes |= bits(quote);
    }
    block = {base, delimiters | lineFeeds | quotes, quotes, lineFeeds};
#else
    block = {base, 0, 0, 0};
    for (std::size_t k = 0; k < 64; ++k) {
        const unsigned char c = p[base + k];
        const std::uint64_t bit = std::uint64_t{1} << k;
        if (c == static_cast<unsigned char>(delimiter_) || c == '\n' || c == '"')
            block.special |= bit;
        if (c == '"') block.quote |= bit;
        if (c == '\n') block.lineFeed |= bit;
    }
#endif
}

// The first delimiter, LF or quote from `i`, or where less than a block is left; the byte loop
// takes it from there.
inline std::size_t CsvReader::NextSpecial(const unsigned char* p, std::size_t i, std::size_t n,
                                          Block& block) const {
    for (;;) {
        if (!block.Holds(i)) {
            if (i + 64 > n) return i;
            LoadBlock(p, i, block);
        }
        const std::uint64_t bits = block.special >> (i - block.base);
        if (bits != 0) return i + static_cast<std::size_t>(__builtin_ctzll(bits));
        i = block.base + 64;
    }
}

// The next quote from `i` in a quoted field, or n; counts the line feeds passed on the way.
inline std::size_t CsvReader::ClosingQuote(const unsigned char* p, std::size_t i, std::size_t n,
                                           Block& block) {
    for (;;) {
        if (!block.Holds(i)) {
            if (i + 64 > n) break;
            LoadBlock(p, i, block);
        }
        const unsigned offset = static_cast<unsigned>(i - block.base);
        const std::uint64_t quotes = block.quote >> offset;
        std::uint64_t lineFeeds = block.lineFeed >> offset;
        if (quotes != 0) {
            const unsigned at = static_cast<unsigned>(__builtin_ctzll(quotes));
            lineFeeds &= (std::uint64_t{1} << at) - 1;
            if (lineFeeds != 0) newlines_ += static_cast<unsigned>(__builtin_popcountll(lineFeeds));
            return i + at;
        }
        if (lineFeeds != 0) newlines_ += static_cast<unsigned>(__builtin_popcountll(lineFeeds));
        i = block.base + 64;
    }
    for (; i < n && p[i] != '"'; ++i) newlines_ += p[i] == '\n';
    return i;
}

CsvReader::CsvReader(int fd, char delimiter, bool cp932, std::size_t maxRecord, std::size_t chunk)
    : input_(fd, chunk), delimiter_(delimiter), maxRecord_(maxRecord) {
    std::fill(std::begin(classes_), std::end(classes_), kText);
    // Trail bytes run from 0x40, so only a delimiter from there on can be taken for one; only
    // then does a lead byte have to carry the byte after it past the delimiter test.
    trackLeadBytes_ = cp932 && static_cast<unsigned char>(delimiter) >= 0x40;
    if (trackLeadBytes_) {
        for (int b = 0x80; b < 0x100; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b))) classes_[b] = kLeadByte;
        }
    }
    classes_[static_cast<unsigned char>(delimiter)] = kDelimiter;
    classes_[static_cast<unsigned char>('\n')] = kLineFeed;
    classes_[static_cast<unsigned char>('"')] = kQuote;
}

std::string_view CsvReader::Start(std::size_t n) {
    while (input_.Pending().size() < n && input_.Fill()) {
    }
    return input_.Pending().substr(0, n);
}

void CsvReader::Fault(CsvFault fault, std::size_t at) {
    fault_ = fault;
    faultAt_ = at;
    state_ = State::Faulty;
}

void CsvReader::Restart() {
    state_ = State::FieldStart;
    pos_ = fieldStart_ = 0;
    doubledQuotes_ = anyDoubledQuotes_ = false;
    spanCount_ = 0;
    fault_.reset();
    tooLong_ = false;
    newlines_ = 0;
}

// Goes on from pos_ over `pending`, the record so far; false when it needs more input.
bool CsvReader::Scan(std::string_view pending, bool atEnd) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending.data());
    const std::size_t n = pending.size();
    std::size_t i = pos_;
    Block block;
    const auto endRecord = [&](std::size_t textEnd, std::size_t next) {
        recordEnd_ = textEnd;
        consumed_ = pos_ = next;
        return true;
    };
    for (;;) {
        switch (state_) {
            case State::FieldStart:
                if (i == n) goto needMore;
                if (p[i] == '"') {
                    state_ = State::Quoted;
                    fieldStart_ = ++i;
                    doubledQuotes_ = false;
                    break;
                }
                state_ = State::Unquoted;
                fieldStart_ = i;
                doubledQuotes_ = false;
                [[fallthrough]];
            case State::Unquoted:
                if (!trackLeadBytes_) i = NextSpecial(p, i, n, block);
                for (; i < n; ++i) {
                    const unsigned char c = classes_[p[i]];
                    if (c == kText) continue;
                    if (c != kLeadByte) break;
                    if (i + 1 == n && !atEnd) goto needMore;
                    if (i + 1 < n && p[i + 1] >= 0x40) ++i;
                }
                if (i == n) goto needMore;
                if (p[i] == '"') {
                    Fault(CsvFault::QuoteInUnquotedField, i);
                } else if (p[i] == '\n') {
                    const std::size_t end = i > fieldStart_ && p[i - 1] == '\r' ? i - 1 : i;
                    EndField(end);
                    return endRecord(end, i + 1);
                } else {
                    EndField(i++);
                    state_ = State::FieldStart;
                }
                break;
            case State::Quoted:
                i = ClosingQuote(p, i, n, block);
                if (i == n) goto needMore;
                state_ = State::AfterQuote;
                ++i;
                break;
            case State::AfterQuote:
                if (i == n) goto needMore;
                if (p[i] == '"') {
                    doubledQuotes_ = true;
                    state_ = State::Quoted;
                    ++i;
                } else if (p[i] == static_cast<unsigned char>(delimiter_)) {
                    EndField(i++ - 1);
                    state_ = State::FieldStart;
                } else if (p[i] == '\n') {
                    EndField(i - 1);
                    return endRecord(i, i + 1);
                } else if (p[i] == '\r' && i + 1 == n && !atEnd) {
                    goto needMore;
                } else if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') {
                    EndField(i - 1);
                    return endRecord(i, i + 2);
                } else {
                    Fault(CsvFault::TextAfterClosingQuote, i);
                }
                break;
            case State::Faulty: {
                const void* lf = std::memchr(p + i, '\n', n - i);
                if (lf == nullptr) {
                    i = n;
                    goto needMore;
                }
                i = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - p);
                return endRecord(i > 0 && p[i - 1] == '\r' ? i - 1 : i, i + 1);
            }
        }
    }
needMore:
    pos_ = i;
    if (!atEnd) return false;
    // The input ends the record.
    switch (state_) {
        case State::Quoted:
            Fault(CsvFault::UnclosedQuote, fieldStart_ - 1);
            break;
        case State::AfterQuote:
            EndField(n - 1);
            break;
        case State::FieldStart:
            // After a delimiter: one more field, empty, not the text of the one before.
            fieldStart_ = n;
            doubledQuotes_ = false;
            EndField(n);
            break;
        case State::Unquoted:
            EndField(n);
            break;
        case State::Faulty:
            break;
    }
    return endRecord(n, n);
}

void CsvReader::Deliver(CsvRecord& record, std::string_view raw) {
    record.raw = raw;
    record.fault = fault_;
    record.faultPosition = fault_ ? static_cast<int>(faultAt_) + 1 : 0;
    fields_.clear();
    if (!fault_) {
        fields_.resize(spanCount_);
        // Reserved whole first, so that views into it stay put while it fills.
        unquoted_.clear();
        if (anyDoubledQuotes_) unquoted_.reserve(raw.size());
        for (std::size_t k = 0; k < spanCount_; ++k) {
            const Span& s = spans_[k];
            const std::string_view text(raw.data() + s.begin, s.end - s.begin);
            if (!s.doubledQuotes) {
                fields_[k] = text;
                continue;
            }
            const std::size_t start = unquoted_.size();
            // Each "" is a pair inside the field: keep its first quote, drop the second.
            for (std::size_t from = 0; from < text.size();) {
                const std::size_t quote = text.find('"', from);
                const std::size_t end = quote == std::string_view::npos ? text.size() : quote + 1;
                unquoted_.append(text.data() + from, end - from);
                from = end + 1;
            }
            fields_[k] = std::string_view(unquoted_).substr(start);
        }
    }
    record.fields = fields_;
}

CsvReader::Status CsvReader::Next(CsvRecord& record) {
    input_.Consume(deliveredSize_);
    deliveredSize_ = 0;
    for (;;) {
        const std::string_view pending = input_.Pending();
        const bool atEnd = input_.atEnd();
        if (atEnd && input_.error() != 0) return Status::Error;
        if (atEnd && pending.empty() && !tooLong_) return Status::End;
        if (Scan(pending, atEnd)) {
            record.line = line_;
            line_ += newlines_ + 1;
            if (tooLong_) {
                input_.Consume(consumed_);
                Restart();
                return Status::TooLong;
            }
            Deliver(record, pending.substr(0, recordEnd_));
            deliveredSize_ = consumed_;
            Restart();
            return Status::Record;
        }
        // A record over the limit is read on to its end, keeping only the state of the scan.
        if (pos_ > maxRecord_ + 1) {
            tooLong_ = true;
            input_.Consume(pos_);
            fieldStart_ = fieldStart_ > pos_ ? fieldStart_ - pos_ : 0;
            pos_ = 0;
            spanCount_ = 0;
        }
        input_.Fill();
    }
}

}  // namespace check
