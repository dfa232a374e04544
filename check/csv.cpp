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

// Skips ahead, 16 bytes at a time, to the first delimiter, LF or quote from `i`, or to where
// fewer than 16 bytes are left; the byte loop takes it from there.
std::size_t CsvReader::NextSpecial(const unsigned char* p, std::size_t i, std::size_t n) const {
#if defined(__SSE2__)
    const __m128i delimiter = _mm_set1_epi8(delimiter_);
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i quote = _mm_set1_epi8('"');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, delimiter), _mm_cmpeq_epi8(v, lineFeed)),
                         _mm_cmpeq_epi8(v, quote));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#else
    (void)p;
    (void)n;
#endif
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

void CsvReader::EndField(std::size_t end) {
    spans_.push_back(
        {static_cast<std::uint32_t>(fieldStart_), static_cast<std::uint32_t>(end), doubledQuotes_});
}

void CsvReader::Fault(CsvFault fault, std::size_t at) {
    fault_ = fault;
    faultAt_ = at;
    state_ = State::Faulty;
}

void CsvReader::Restart() {
    state_ = State::FieldStart;
    pos_ = fieldStart_ = 0;
    doubledQuotes_ = false;
    spans_.clear();
    fault_.reset();
    tooLong_ = false;
    newlines_ = 0;
}

// Goes on from pos_ over `pending`, the record so far; false when it needs more input.
bool CsvReader::Scan(std::string_view pending, bool atEnd) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending.data());
    const std::size_t n = pending.size();
    std::size_t i = pos_;
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
                if (!trackLeadBytes_) i = NextSpecial(p, i, n);
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
            case State::Quoted: {
                const void* quote = std::memchr(p + i, '"', n - i);
                const std::size_t stop =
                    quote ? static_cast<std::size_t>(static_cast<const unsigned char*>(quote) - p)
                          : n;
                newlines_ += static_cast<unsigned long long>(std::count(p + i, p + stop, '\n'));
                i = stop;
                if (i == n) goto needMore;
                state_ = State::AfterQuote;
                ++i;
                break;
            }
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
    unquoted_.clear();
    if (!fault_) {
        // Reserved whole first, so that views into it stay put while it fills.
        std::size_t doubled = 0;
        for (const Span& s : spans_) doubled += s.doubledQuotes ? s.end - s.begin : 0;
        unquoted_.reserve(doubled);
        for (const Span& s : spans_) {
            const std::string_view text = raw.substr(s.begin, s.end - s.begin);
            if (!s.doubledQuotes) {
                fields_.push_back(text);
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
            fields_.push_back(std::string_view(unquoted_).substr(start));
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
            spans_.clear();
        }
        input_.Fill();
    }
}

}  // namespace check
