#include "fast_path.h"

#include <algorithm>
#include <optional>

#include "analysis.h"

namespace check {

namespace {

// The block of UTF-8 that holds every character the checks accept, with a bit for each code
// point of it whose code page 932 form passes them all; none when the checks do not share one.
// Measurements cannot fail and need none.
std::optional<kernels::Utf8Block> Utf8BlockOf(std::span<const Rule> rules, int symbolsAllowed) {
    char32_t first = 0;
    std::vector<kernels::Check> checks;
    for (const Rule& rule : rules) {
        const OperationRow& row = Row(rule.operation);
        if (!row.kernel) continue;
        if (checks.empty()) first = row.utf8Block;
        if (row.utf8Block == 0 || row.utf8Block != first) return std::nullopt;
        checks.push_back(*row.kernel);
    }
    if (checks.empty()) return std::nullopt;
    kernels::Utf8Block block{static_cast<unsigned char>(0xE0 | first >> 12),
                             static_cast<unsigned char>(0x80 | (first >> 6 & 0x3F)),
                             {}};
    std::vector<LostCharacter> lost;
    for (unsigned index = 0; index < 256; ++index) {
        const char32_t c = first + index;
        const char utf8[3] = {static_cast<char>(0xE0 | c >> 12),
                              static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                              static_cast<char>(0x80 | (c & 0x3F))};
        lost.clear();
        const std::string bytes = Utf8ToCp932(std::string_view(utf8, 3), &lost);
        bool passes = lost.empty() && bytes.size() == 2;
        for (kernels::Check check : checks) {
            passes = passes && kernels::ConfirmedShort(check, bytes, symbolsAllowed) == 2;
        }
        if (passes) block.accepted[index >> 3] |= static_cast<std::uint8_t>(1 << (index & 7));
    }
    return block;
}

// Code page 932 records through the kernels of their checks.
class KernelPath : public FastPath {
  public:
    KernelPath(std::vector<kernels::Check> checks, int symbolsAllowed, std::size_t maxRecord)
        : checks_(std::move(checks)), symbolsAllowed_(symbolsAllowed), maxRecord_(maxRecord) {}

    kernels::RecordsPrefix Confirm(RecordReader& reader) override {
        return Confirm(reader.Ahead());
    }

  protected:
    // How much of `records` (whole records, each ended by LF) passes every rule.
    virtual kernels::RecordsPrefix Confirm(std::string_view records) {
        if (records.empty() || records.size() > maxRecord_) return {0, 0};
        return Confirmed(records);
    }
    kernels::RecordsPrefix Confirmed(std::string_view records) const;
    std::size_t maxRecord() const { return maxRecord_; }

  private:
    std::vector<kernels::Check> checks_;
    int symbolsAllowed_;
    std::size_t maxRecord_;
};

kernels::RecordsPrefix KernelPath::Confirmed(std::string_view records) const {
    if (checks_.empty()) {  // measurements only: nothing can fail
        const std::size_t lastLf = records.rfind('\n');
        const std::size_t end = lastLf == std::string_view::npos ? 0 : lastLf + 1;
        return {end,
                static_cast<std::size_t>(std::count(records.begin(), records.begin() + end, '\n'))};
    }
    // Each check looks only as far as the checks before it confirmed.
    kernels::RecordsPrefix confirmed{records.size(), 0};
    bool first = true;
    for (kernels::Check check : checks_) {
        const kernels::RecordsPrefix prefix = kernels::ConfirmedRecords(
            kernels::Fastest(), check, records.substr(0, confirmed.end), symbolsAllowed_);
        if (prefix.end < confirmed.end || first) confirmed = prefix;
        first = false;
    }
    return confirmed;
}

// UTF-8 records: stretches that need no converting are confirmed as they are; the rest is
// converted some records at a time, more each time that confirmed some, and confirmed by the
// kernels up to the record where converting first lost a character.
class Utf8Path : public KernelPath {
  public:
    Utf8Path(std::vector<kernels::Check> checks, int symbolsAllowed, std::size_t maxRecord,
             std::optional<kernels::Utf8Block> block)
        : KernelPath(std::move(checks), symbolsAllowed, maxRecord), block_(block) {}

  private:
    kernels::RecordsPrefix Confirm(std::string_view records) override;

    static constexpr std::size_t kFirstPart = 1024;
    std::optional<kernels::Utf8Block> block_;
    std::size_t part_ = kFirstPart;
    std::string converted_;
    std::vector<LostCharacter> lost_;
};

kernels::RecordsPrefix Utf8Path::Confirm(std::string_view records) {
    if (records.empty() || records.size() > maxRecord()) return {0, 0};
    if (block_) {
        const kernels::RecordsPrefix confirmed =
            kernels::ConfirmedUtf8Records(kernels::Fastest(), *block_, records);
        if (confirmed.end > 0) {
            part_ = kFirstPart;
            return confirmed;
        }
    }
    std::size_t take = records.size();
    if (part_ < take) {
        const std::size_t lf = records.find('\n', part_ - 1);
        take = lf == std::string_view::npos ? records.size() : lf + 1;
    }
    lost_.clear();
    Utf8ToCp932(records.substr(0, take), converted_, &lost_);
    std::string_view window = converted_;
    if (!lost_.empty()) {
        const std::size_t lf = window.rfind('\n', static_cast<std::size_t>(lost_[0].position) - 1);
        window = window.substr(0, lf == std::string_view::npos ? 0 : lf + 1);
    }
    const kernels::RecordsPrefix confirmed = Confirmed(window);
    part_ = confirmed.records > 0 ? part_ * 2 : kFirstPart;
    // Converting keeps every LF, so the records end after as many LFs of the input.
    std::size_t end = 0;
    for (std::size_t n = confirmed.records; n > 0; --n) end = records.find('\n', end) + 1;
    return {end, confirmed.records};
}

// CSV records where the reader's run holds them, judged on their fields as spans of the input
// with no record made for each. A column's rules that judge single bytes are one table, with its
// byte limits and `required` as bounds on the size, so that a field is confirmed in one pass; a
// field they do not confirm, and every other rule, goes as RecordJudge::Passes has it. What is
// not confirmed goes through the record loop, which words it.
class CsvPath : public FastPath {
  public:
    CsvPath(const Plan& plan, const Decoder& decoder, std::size_t maxRecord);

    kernels::RecordsPrefix Confirm(RecordReader& reader) override {
        const FieldRun run = reader.AheadFields();
        std::size_t r = 0;
        for (; r < run.size() && Whole(run, r); ++r) {
            bool passes = true;
            for (const Program& program : programs_) passes = passes && Passes(program, run, r);
            if (!passes) break;
        }
        return {run.size() == 0 ? 0 : run.records[r].start - run.records[0].start, r};
    }

  private:
    struct Program {
        const Column* column;
        std::array<std::uint8_t, 256> bytes;  // 1: every single-byte rule accepts the byte
        bool judgesBytes = false;
        std::size_t minSize = 0, maxSize = SIZE_MAX;
        std::vector<kernels::Check> pairs;  // double-byte checks, by their short-text table
        std::vector<const Rule*> rest;      // rules the program does not settle
    };

    bool Whole(const FieldRun& run, std::size_t r) const;
    bool Passes(const Program& program, const FieldRun& run, std::size_t r);
    static bool Settles(const Program& program, std::string_view text);
    std::string_view Unquoted(std::string_view text);

    const Plan& plan_;
    Decoder decoder_;
    std::size_t maxRecord_;
    std::vector<Program> programs_;
    std::string unquoted_, converted_;
    std::vector<LostCharacter> lost_;
};

CsvPath::CsvPath(const Plan& plan, const Decoder& decoder, std::size_t maxRecord)
    : plan_(plan), decoder_(decoder), maxRecord_(maxRecord) {
    for (const Column& column : plan.columns) {
        Program& program = programs_.emplace_back();
        program.column = &column;
        program.bytes.fill(1);
        for (const Rule& rule : column.rules) {
            if (Corrects(rule)) continue;
            const OperationRow& row = Row(rule.operation);
            if (rule.kind == RuleKind::Required) {
                program.minSize = std::max<std::size_t>(program.minSize, 1);
            } else if (rule.kind == RuleKind::MaxBytes) {
                program.maxSize = std::min(program.maxSize, static_cast<std::size_t>(rule.limit));
            } else if (rule.kind == RuleKind::Operation && row.kernel &&
                       !kernels::IsDoubleByte(*row.kernel)) {
                // The bytes the short-text table confirms alone: no lead byte is among them.
                for (unsigned b = 0; b < 256; ++b) {
                    const char c = static_cast<char>(b);
                    if (kernels::ConfirmedShort(*row.kernel, std::string_view(&c, 1),
                                                column.symbolsAllowed) != 1) {
                        program.bytes[b] = 0;
                    }
                }
                program.judgesBytes = true;
            } else if (rule.kind == RuleKind::Operation && row.kernel) {
                program.pairs.push_back(*row.kernel);
            } else {
                program.rest.push_back(&rule);
            }
        }
    }
}

// Whether the table, the bounds and the short-text tables confirm the text; they confirm
// nothing from a block's size on, where the rules go by their kernels.
bool CsvPath::Settles(const Program& program, std::string_view text) {
    if (text.size() < program.minSize || text.size() > program.maxSize) return false;
    if (!program.judgesBytes && program.pairs.empty()) return true;
    if (text.size() >= kernels::kBlock) return false;
    if (program.judgesBytes) {
        for (const char c : text) {
            if (program.bytes[static_cast<unsigned char>(c)] == 0) return false;
        }
    }
    for (const kernels::Check check : program.pairs) {
        if (kernels::ConfirmedShort(check, text, program.column->symbolsAllowed) != text.size())
            return false;
    }
    return true;
}

// What the record as a whole must be: as many fields as the header, and not over the limit.
bool CsvPath::Whole(const FieldRun& run, std::size_t r) const {
    return (!plan_.expectedFields || run.Fields(r) == *plan_.expectedFields) &&
           run.Raw(r).size() <= maxRecord_;
}

bool CsvPath::Passes(const Program& program, const FieldRun& run, std::size_t r) {
    const Column& column = *program.column;
    std::string_view text;
    if (column.field == 0) {
        text = run.Raw(r);
    } else if (const auto k = static_cast<std::size_t>(column.field); k <= run.Fields(r)) {
        text = run.Field(r, k - 1);
        if (run.records[r].doubledQuotes) text = Unquoted(text);
    }
    if (decoder_.utf8()) {
        text = decoder_.Decode(text, converted_, lost_);
        if (!lost_.empty()) return false;
    }
    if (Settles(program, text)) {
        for (const Rule* rule : program.rest) {
            if (!RowOf(*rule).evaluate(*rule, text, column.symbolsAllowed, nullptr)) return false;
        }
        return true;
    }
    for (const Rule& rule : column.rules) {
        if (!Corrects(rule) && !RowOf(rule).evaluate(rule, text, column.symbolsAllowed, nullptr))
            return false;
    }
    return true;
}

// Each "" made ", as the reader makes it.
std::string_view CsvPath::Unquoted(std::string_view text) {
    if (text.find('"') == std::string_view::npos) return text;
    unquoted_.clear();
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t quote = text.find('"', from);
        const std::size_t end = quote == std::string_view::npos ? text.size() : quote + 1;
        unquoted_.append(text.data() + from, end - from);
        from = end + 1;
    }
    return unquoted_;
}

}  // namespace

std::unique_ptr<FastPath> ChooseFastPath(bool quiet, bool fields, bool csv, const Plan& plan,
                                         const Decoder& decoder, std::size_t maxRecord) {
    if (quiet && csv) {
        const bool ranges = std::any_of(plan.columns.begin(), plan.columns.end(),
                                        [](const Column& c) { return c.width > 0; });
        return ranges ? nullptr : std::make_unique<CsvPath>(plan, decoder, maxRecord);
    }
    if (!quiet || fields || plan.columns.size() != 1) return nullptr;
    const Column& column = plan.columns[0];
    std::vector<kernels::Check> checks;
    for (const Rule& rule : column.rules) {
        const OperationRow& row = Row(rule.operation);
        if (rule.kind != RuleKind::Operation || (!row.kernel && row.unit == Unit::None)) {
            return nullptr;
        }
        if (row.kernel) checks.push_back(*row.kernel);
    }
    if (!decoder.utf8()) {
        return std::make_unique<KernelPath>(std::move(checks), column.symbolsAllowed, maxRecord);
    }
    return std::make_unique<Utf8Path>(std::move(checks), column.symbolsAllowed, maxRecord,
                                      Utf8BlockOf(column.rules, column.symbolsAllowed));
}

}  // namespace check

namespace check {

namespace {

using ByteSet = std::array<std::uint64_t, 4>;

bool Has(const ByteSet& set, unsigned char b) {
    return set[b >> 6] >> (b & 63) & 1;
}

// The bytes a rule accepts as a field's byte at `at` of `width`, or none where it judges more
// than single bytes. A class check qualifies where it rejects every lead byte, alone or paired.
std::optional<ByteSet> BytesOf(const Rule& rule, int symbols, std::size_t at, std::size_t width) {
    ByteSet set{};
    const auto add = [&](unsigned b) { set[b >> 6] |= std::uint64_t{1} << (b & 63); };
    switch (rule.kind) {
        case RuleKind::Operation: {
            const OperationRow& row = Row(rule.operation);
            if (!row.kernel || kernels::IsDoubleByte(*row.kernel)) return std::nullopt;
            if (row.unit != Unit::None) return std::nullopt;
            for (unsigned b = 0; b < 256; ++b) {
                const char c[2] = {static_cast<char>(b), 'A'};
                const bool alone = row.run(std::string_view(c, 1), symbols).ok;
                if (IsLeadByte(static_cast<unsigned char>(b))) {
                    if (alone || row.run(std::string_view(c, 2), symbols).ok) return std::nullopt;
                } else if (alone) {
                    add(b);
                }
            }
            return set;
        }
        case RuleKind::Digits:
        case RuleKind::ZeroFilled:
            for (unsigned b = '0'; b <= '9'; ++b) add(b);
            return set;
        case RuleKind::Blank:
            add(' ');
            return set;
        case RuleKind::Equals:
            if (rule.text.size() == width) add(static_cast<unsigned char>(rule.text[at]));
            return set;
        case RuleKind::MaxBytes:
            if (width <= static_cast<std::size_t>(rule.limit)) set.fill(~std::uint64_t{0});
            return set;
        case RuleKind::PaddedLeft:
        case RuleKind::Required:  // a field of a full record is never empty
        case RuleKind::FoldSmallKana:
        case RuleKind::HyphenForLongVowel:
        case RuleKind::Trim:
        case RuleKind::Truncate:
            set.fill(~std::uint64_t{0});
            return set;
    }
    return std::nullopt;
}

}  // namespace

std::optional<RecordProgram> RecordProgram::For(const Plan& plan, std::size_t width) {
    RecordProgram program;
    std::vector<ByteSet> perByte(width, ByteSet{~0ull, ~0ull, ~0ull, ~0ull});
    for (const Column& column : plan.columns) {
        if (column.width == 0) return std::nullopt;  // the whole record: a program of its own
        for (const Rule& rule : column.rules) {
            if (rule.kind == RuleKind::PaddedLeft) {
                program.leftAligned_.emplace_back(column.start - 1, column.width);
            }
            for (std::size_t k = 0; k < column.width; ++k) {
                const std::optional<ByteSet> bytes =
                    BytesOf(rule, column.symbolsAllowed, k, column.width);
                if (!bytes) return std::nullopt;
                ByteSet& set = perByte[column.start - 1 + k];
                for (std::size_t w = 0; w < 4; ++w) set[w] &= (*bytes)[w];
            }
        }
    }
    std::vector<ByteSet> sets;
    for (const ByteSet& set : perByte) {
        const auto known = std::find(sets.begin(), sets.end(), set);
        program.setOf_.push_back(static_cast<std::uint32_t>(known - sets.begin()) * 256);
        if (known != sets.end()) continue;
        sets.push_back(set);
        for (unsigned b = 0; b < 256; ++b) {
            program.accepted_.push_back(Has(set, static_cast<unsigned char>(b)) ? 1 : 0);
        }
    }
    return program;
}

bool RecordProgram::Passes(std::string_view raw) const {
    if (raw.size() != setOf_.size()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const std::uint8_t* accepted = accepted_.data();
    const std::uint32_t* setOf = setOf_.data();
    unsigned ok = 1;
    for (std::size_t i = 0; i < raw.size(); ++i) ok &= accepted[setOf[i] + p[i]];
    for (const auto& [start, width] : leftAligned_) {
        const std::string_view field = raw.substr(start, width);
        ok &= field[0] != ' ' || field.find_first_not_of(' ') == std::string_view::npos;
    }
    return ok;
}

}  // namespace check
