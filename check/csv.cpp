#include "csv.h"

#include <algorithm>
#include <cstring>

#include "analysis.h"
#include "byte_masks.h"

namespace check {

namespace {

// A run is split until it holds about this much, a batch of blocks at a time.
constexpr std::size_t kRunBytes = 64 * 1024;
constexpr std::size_t kMaskBatch = 128;

// What a byte means outside a quoted field.
enum : unsigned char { kText, kDelimiter, kLineFeed, kQuote, kLeadByte };

}  // namespace

// The delimiters, LFs and quotes of one 64-byte block as bit masks, so that the fields of a
// record are found a bit at a time instead of a byte at a time.
void CsvReader::LoadBlock(const unsigned char* p, std::size_t base, Block& block) const {
    const kernels::ByteMasks m =
        kernels::MatchBytes64(p + base, static_cast<unsigned char>(delimiter_), '\n', '"');
    block = {base, m.a | m.b | m.c, m.c, m.b};
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

CsvReader::CsvReader(ReadBuffer& input, char delimiter, bool pairsLeadBytes, std::size_t maxRecord,
                     kernels::Isa isa)
    : input_(input), delimiter_(delimiter), maxRecord_(maxRecord), isa_(isa) {
    std::fill(std::begin(classes_), std::end(classes_), kText);
    // Trail bytes run from 0x40, so only a delimiter from there on can be taken for one; only
    // then does a lead byte have to carry the byte after it past the delimiter test.
    trackLeadBytes_ = pairsLeadBytes && static_cast<unsigned char>(delimiter) >= 0x40;
    if (trackLeadBytes_) {
        for (int b = 0x80; b < 0x100; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b))) classes_[b] = kLeadByte;
        }
    }
    syntax_ = {static_cast<unsigned char>(delimiter), trackLeadBytes_};
    classes_[static_cast<unsigned char>(delimiter)] = kDelimiter;
    classes_[static_cast<unsigned char>('\n')] = kLineFeed;
    classes_[static_cast<unsigned char>('"')] = kQuote;
}

void CsvReader::Fault(RecordFault fault, std::size_t at) {
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

inline CsvReader::Step CsvReader::Unquoted(const unsigned char* p, std::size_t& i, std::size_t n,
                                           bool atEnd, Block& block) {
    if (!trackLeadBytes_) i = NextSpecial(p, i, n, block);
    for (; i < n; ++i) {
        const unsigned char c = classes_[p[i]];
        if (c == kText) continue;
        if (c != kLeadByte) break;
        if (i + 1 == n && !atEnd) return Step::NeedMore;
        if (i + 1 < n && p[i + 1] >= 0x40) ++i;
    }
    if (i == n) return Step::NeedMore;
    if (p[i] == '"') {
        Fault(RecordFault::QuoteInUnquotedField, i);
    } else if (p[i] == '\n') {
        const std::size_t end = i > fieldStart_ && p[i - 1] == '\r' ? i - 1 : i;
        EndField(end);
        return EndRecord(end, i + 1);
    } else {
        EndField(i++);
        state_ = State::FieldStart;
    }
    return Step::Go;
}

inline CsvReader::Step CsvReader::FieldStart(const unsigned char* p, std::size_t& i, std::size_t n,
                                             bool atEnd, Block& block) {
    if (i == n) return Step::NeedMore;
    doubledQuotes_ = false;
    if (p[i] == '"') {
        state_ = State::Quoted;
        fieldStart_ = ++i;
        return Step::Go;
    }
    state_ = State::Unquoted;
    fieldStart_ = i;
    return Unquoted(p, i, n, atEnd, block);  // at once: most fields are unquoted
}

inline CsvReader::Step CsvReader::AfterQuote(const unsigned char* p, std::size_t& i, std::size_t n,
                                             bool atEnd) {
    if (i == n) return Step::NeedMore;
    if (p[i] == '"') {
        doubledQuotes_ = true;
        state_ = State::Quoted;
        ++i;
    } else if (p[i] == static_cast<unsigned char>(delimiter_)) {
        EndField(i++ - 1);
        state_ = State::FieldStart;
    } else if (p[i] == '\n') {
        EndField(i - 1);
        return EndRecord(i, i + 1);
    } else if (p[i] == '\r' && i + 1 == n && !atEnd) {
        return Step::NeedMore;
    } else if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') {
        EndField(i - 1);
        return EndRecord(i, i + 2);
    } else {
        Fault(RecordFault::TextAfterClosingQuote, i);
    }
    return Step::Go;
}

// After a fault the record runs to the next LF.
inline CsvReader::Step CsvReader::Faulty(const unsigned char* p, std::size_t& i, std::size_t n) {
    const void* lf = std::memchr(p + i, '\n', n - i);
    if (lf == nullptr) {
        i = n;
        return Step::NeedMore;
    }
    i = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - p);
    return EndRecord(i > 0 && p[i - 1] == '\r' ? i - 1 : i, i + 1);
}

// The input ends the record.
void CsvReader::EndOfInput(std::size_t n) {
    switch (state_) {
        case State::Quoted:
            Fault(RecordFault::UnclosedQuote, fieldStart_ - 1);
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
    EndRecord(n, n);
}

// Goes on from pos_ over `pending`, the record so far; false when it needs more input.
bool CsvReader::Scan(std::string_view pending, bool atEnd) {
    const auto* p = reinterpret_cast<const unsigned char*>(pending.data());
    const std::size_t n = pending.size();
    std::size_t i = pos_;
    Block block;
    for (Step step = Step::Go; step == Step::Go;) {
        switch (state_) {
            case State::FieldStart:
                step = FieldStart(p, i, n, atEnd, block);
                break;
            case State::Unquoted:
                step = Unquoted(p, i, n, atEnd, block);
                break;
            case State::Quoted:
                i = ClosingQuote(p, i, n, block);
                if (i == n) {
                    step = Step::NeedMore;
                    break;
                }
                state_ = State::AfterQuote;
                ++i;
                break;
            case State::AfterQuote:
                step = AfterQuote(p, i, n, atEnd);
                break;
            case State::Faulty:
                step = Faulty(p, i, n);
                break;
        }
        if (step == Step::Done) return true;
    }
    pos_ = i;
    if (!atEnd) return false;
    EndOfInput(n);
    return true;
}

void CsvReader::Deliver(Record& record, std::string_view raw, std::string_view end) {
    record.raw = raw;
    record.end = end;
    record.fault = fault_;
    record.faultPosition = fault_ ? static_cast<int>(faultAt_) + 1 : 0;
    fields_.clear();
    fieldSpans_.clear();
    if (!fault_) {
        fields_.resize(spanCount_);
        for (std::size_t k = 0; k < spanCount_; ++k) {
            // A quoted field's text starts after its quote; an unquoted one after a delimiter.
            const Span& s = spans_[k];
            fieldSpans_.push_back({s.begin, s.end, s.begin > 0 && raw[s.begin - 1] == '"'});
        }
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
    record.spans = fieldSpans_;
}

// The whole records at the front of the input, as far as the first one that the marks of the
// block kernel cannot settle, taken from the input at once. The batches of blocks grow from a
// few, so that a fault close to the start costs little.
void CsvReader::Found::Reserve(std::size_t used, std::size_t more) {
    if (capacity >= used + more + kernels::kCsvSlack) return;
    capacity = std::max(2 * capacity, used + more + kernels::kCsvSlack);
    std::unique_ptr<std::uint32_t[]> grown(new std::uint32_t[capacity]);
    std::copy_n(entries.get(), used, grown.get());
    entries = std::move(grown);
}

void CsvReader::SplitRun() {
    runRecords_.clear();
    runNext_ = 0;
    run_ = {};
    const std::string_view pending = input_.Pending();
    kernels::CsvCarry carry;
    walkRecord_ = {0, 0, 0, false};
    std::size_t rare = 0;  // the first rare byte not yet given to its record
    split_.fields = split_.records = split_.rares = 0;
    for (std::size_t base = 0, batch = 4;
         base + kernels::kBlock <= pending.size() && walkRecord_.start < kRunBytes &&
         base - walkRecord_.start <= maxRecord_;
         batch = std::min(batch * 2, kMaskBatch)) {
        const std::size_t room = batch * kernels::kBlock;
        fieldEnds_.Reserve(split_.fields, room);
        recordEnds_.Reserve(split_.records, room);
        rare_.Reserve(split_.rares, room);
        split_.fieldEnds = fieldEnds_.entries.get();
        split_.recordEnds = recordEnds_.entries.get();
        split_.rare = rare_.entries.get();
        std::size_t stray = 0;
        const std::size_t blocks =
            kernels::CsvSplitBlocks(isa_, syntax_, pending, base, batch, carry, split_, stray);
        if (!TakeRecords(rare) || stray != SIZE_MAX) break;
        base += blocks * kernels::kBlock;
    }
    if (runRecords_.empty()) return;
    // The record the split was in when it stopped marks where the run ends.
    runRecords_.push_back({walkRecord_.start, walkRecord_.fields, 0, false});
    split_.fields = walkRecord_.fields;
    run_ = pending.substr(0, walkRecord_.start);
    input_.Consume(run_.size());
}

// The records the kernel has ended since the last call, each with the rare bytes before its LF;
// false at a record over the limit.
bool CsvReader::TakeRecords(std::size_t& rare) {
    const std::uint32_t* const fieldEnds = fieldEnds_.entries.get();
    const std::uint32_t* const rares = rare_.entries.get();
    for (std::size_t r = runRecords_.size(); r < split_.records; ++r) {
        const std::uint32_t fields = recordEnds_.entries[r];
        const std::uint32_t lf = fieldEnds[fields - 1];
        if (lf - walkRecord_.start > maxRecord_) return false;
        for (; rare < split_.rares && rares[rare] < lf; ++rare) {
            if (input_.Pending()[rares[rare]] == '"') {
                walkRecord_.doubledQuotes = true;
            } else {
                ++walkRecord_.newlines;
            }
        }
        runRecords_.push_back(walkRecord_);
        walkRecord_ = {lf + 1, fields, 0, false};
    }
    return true;
}

void CsvReader::DeliverFromRun(Record& record) {
    const FieldRun run = Run();
    const std::size_t r = runNext_++;
    const FieldRun::Entry& entry = runRecords_[r];
    const std::string_view raw = run.Raw(r);
    const std::size_t fields = run.Fields(r);
    if (spans_.size() < fields) spans_.resize(fields);
    anyDoubledQuotes_ = false;
    for (std::size_t k = 0; k < fields; ++k) {
        const std::string_view text = run.Field(r, k);
        const bool doubled = entry.doubledQuotes && text.find('"') != std::string_view::npos;
        const auto begin = static_cast<std::uint32_t>(text.data() - raw.data());
        spans_[k] = {begin, begin + static_cast<std::uint32_t>(text.size()), doubled};
        anyDoubledQuotes_ |= doubled;
    }
    spanCount_ = fields;
    fault_.reset();
    const std::size_t rawEnd = entry.start + raw.size();
    Deliver(record, raw, run_.substr(rawEnd, runRecords_[r + 1].start - rawEnd));
    record.line = line_;
    line_ += 1 + entry.newlines;
    spanCount_ = 0;
    anyDoubledQuotes_ = false;
}

FieldRun CsvReader::AheadFields() {
    input_.Consume(deliveredSize_);
    deliveredSize_ = 0;
    if (runNext_ + 1 >= runRecords_.size() && Idle() && input_.error() == 0) SplitRun();
    if (runNext_ + 1 >= runRecords_.size()) return {};
    FieldRun run = Run();
    run.records = run.records.subspan(runNext_);
    return run;
}

void CsvReader::Pass(std::size_t /*bytes*/, unsigned long long records) {
    for (; records > 0; --records) line_ += 1 + runRecords_[runNext_++].newlines;
}

RecordReader::Status CsvReader::Next(Record& record) {
    if (AheadFields().size() > 0) {
        DeliverFromRun(record);
        return Status::Record;
    }
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
            Deliver(record, pending.substr(0, recordEnd_),
                    pending.substr(recordEnd_, consumed_ - recordEnd_));
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
