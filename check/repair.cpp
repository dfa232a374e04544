#include "repair.h"

#include <algorithm>

#include "analysis.h"
#include "suggest.h"

namespace check {

namespace {

// Small kana and the full-size kana of each, code page 932: ｧ…ｯ, ぁ…ゎ, ァ…ヶ.
constexpr struct {
    std::string_view small, full;
} kFullSizeKana[] = {
    {"\xA7", "\xB1"},         {"\xA8", "\xB2"},         {"\xA9", "\xB3"},  // ｧｨｩ ｱｲｳ
    {"\xAA", "\xB4"},         {"\xAB", "\xB5"},         {"\xAC", "\xD4"},  // ｪｫｬ ｴｵﾔ
    {"\xAD", "\xD5"},         {"\xAE", "\xD6"},         {"\xAF", "\xC2"},  // ｭｮｯ ﾕﾖﾂ
    {"\x82\x9F", "\x82\xA0"}, {"\x82\xA1", "\x82\xA2"}, {"\x82\xA3", "\x82\xA4"},  // ぁぃぅ
    {"\x82\xA5", "\x82\xA6"}, {"\x82\xA7", "\x82\xA8"}, {"\x82\xC1", "\x82\xC2"},  // ぇぉっ
    {"\x82\xE1", "\x82\xE2"}, {"\x82\xE3", "\x82\xE4"}, {"\x82\xE5", "\x82\xE6"},  // ゃゅょ
    {"\x82\xEC", "\x82\xED"},                                                      // ゎ
    {"\x83\x40", "\x83\x41"}, {"\x83\x42", "\x83\x43"}, {"\x83\x44", "\x83\x45"},  // ァィゥ
    {"\x83\x46", "\x83\x47"}, {"\x83\x48", "\x83\x49"}, {"\x83\x62", "\x83\x63"},  // ェォッ
    {"\x83\x83", "\x83\x84"}, {"\x83\x85", "\x83\x86"}, {"\x83\x87", "\x83\x88"},  // ャュョ
    {"\x83\x8E", "\x83\x8F"}, {"\x83\x95", "\x83\x4A"}, {"\x83\x96", "\x83\x50"},  // ヮヵヶ
};

constexpr std::string_view kLongVowels[] = {"\xB0", "\x81\x5B"};  // ｰ ー
constexpr std::string_view kSpaces[] = {" ", "\x81\x40"};         // the space, 　

bool IsOneOf(std::string_view c, std::span<const std::string_view> set) {
    return std::find(set.begin(), set.end(), c) != set.end();
}

// Whether the space at `at` is in the run of spaces that starts or ends `text`.
bool InSpaceRunAtAnEnd(std::string_view text, std::size_t at) {
    const auto spacesFrom = [&](std::size_t i, std::size_t end) {
        while (i < end) {
            const auto w = static_cast<std::size_t>(CharacterWidth(text, i));
            if (!IsOneOf(text.substr(i, w), kSpaces)) return false;
            i += w;
        }
        return true;
    };
    return spacesFrom(0, at) || spacesFrom(at, text.size());
}

}  // namespace

void Repairer::Repair(const Record& record, const Plan& plan) {
    const std::size_t n = plan.columns.size();
    columns_.resize(n);
    decoded_.resize(n);
    lost_.resize(n);
    texts_.clear();
    changes_.clear();
    for (std::size_t k = 0; k < n; ++k) {
        const Column& column = plan.columns[k];
        Text& text = columns_[k];
        const std::string_view read =
            decoder_.Decode(FieldText(column, record), decoded_[k], lost_[k]);
        // A field that an earlier column corrected is corrected on from there.
        const auto earlier = std::find_if(plan.columns.begin(), plan.columns.begin() + k,
                                          [&](const Column& c) { return c.field == column.field; });
        if (earlier != plan.columns.begin() + k && !record.fault) {
            text = columns_[static_cast<std::size_t>(earlier - plan.columns.begin())];
        } else {
            text.bytes.assign(read);
            text.origin.resize(read.size());
            for (std::size_t i = 0; i < read.size(); ++i) text.origin[i] = static_cast<int>(i);
        }
        // A text that lost characters in decoding is left as read: rewriting it would lose
        // them in the corrected file too.
        const bool keep = record.fault || !lost_[k].empty();
        const std::size_t changes = changes_.size();
        const Text before = column.width > 0 ? text : Text{};
        for (const Rule& rule : keep ? std::span<const Rule>() : column.rules) {
            if (NotesRejected(rule)) Correct(k, column, rule, text);
            if (rule.kind == RuleKind::MaxBytes && HasRule(column.rules, RuleKind::Truncate)) {
                Truncate(k, rule.limit, text);
            }
        }
        // A fixed-width field keeps its width: corrections that would not fit it are not made.
        if (column.width > 0 && text.bytes.size() > column.width) {
            text = before;
            changes_.resize(changes);
        }
    }
    // Columns of one field are judged on what the last of them left: the text written back.
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t last = k;
        for (std::size_t j = k + 1; j < n; ++j) {
            if (plan.columns[j].field == plan.columns[k].field) last = j;
        }
        texts_.push_back(columns_[last].bytes);
    }
}

// Each character the check rejects, replaced where a replacement keeps its meaning and the
// check accepts it: the check's own suggestion, or one the column asks for by name.
void Repairer::Correct(std::size_t k, const Column& column, const Rule& rule, Text& text) {
    const std::string_view bytes = text.bytes;
    positions_.clear();
    RuleFindings findings{positions_, true};
    if (RowOf(rule).evaluate(rule, bytes, column.symbolsAllowed, &findings)) return;
    const auto accepts = [&](std::string_view c) {
        return !c.empty() && Row(rule.operation).run(c, column.symbolsAllowed).ok;
    };
    Text fixed;
    std::size_t done = 0;
    for (const int p : positions_) {
        const std::size_t at = static_cast<std::size_t>(p) - 1;
        if (at < done) continue;  // covered by the fix before it
        const auto width = static_cast<std::size_t>(CharacterWidth(bytes, at));
        const std::string_view c = bytes.substr(at, width);
        std::string to;
        std::size_t covers = width;
        std::string_view name = JsonName(rule);
        const Suggestion fix = SuggestFix(rule.operation, bytes, at, column.symbolsAllowed);
        const auto small = std::find_if(std::begin(kFullSizeKana), std::end(kFullSizeKana),
                                        [&](const auto& kana) { return kana.small == c; });
        if (HasRule(column.rules, RuleKind::Trim) && IsOneOf(c, kSpaces) &&
            InSpaceRunAtAnEnd(bytes, at)) {
            name = "trim";
        } else if (fix.size > 0) {
            to = fix.Text();
            covers = static_cast<std::size_t>(fix.covers);
        } else if (HasRule(column.rules, RuleKind::FoldSmallKana) &&
                   small != std::end(kFullSizeKana)) {
            // The full-size kana, or the check's suggestion for it (ァ to ｱ for zengin).
            const Suggestion other =
                SuggestFix(rule.operation, small->full, 0, column.symbolsAllowed);
            to = accepts(small->full) ? std::string(small->full) : std::string(other.Text());
            name = "fold-small-kana";
        } else if (HasRule(column.rules, RuleKind::HyphenForLongVowel) && IsOneOf(c, kLongVowels) &&
                   accepts("-")) {
            to = "-";
            name = "hyphen-for-long-vowel";
        }
        if ((to.empty() && name != "trim") || !Allowed(to, column.field)) continue;
        fixed.bytes.append(bytes, done, at - done);
        fixed.origin.insert(fixed.origin.end(), text.origin.begin() + done,
                            text.origin.begin() + at);
        fixed.bytes += to;
        fixed.origin.insert(fixed.origin.end(), to.size(), text.origin[at]);
        changes_.push_back(
            {k, name, text.origin[at] + 1, std::string(bytes.substr(at, covers)), to});
        done = at + covers;
    }
    if (done == 0) return;  // nothing replaced
    fixed.bytes.append(bytes, done);
    fixed.origin.insert(fixed.origin.end(), text.origin.begin() + done, text.origin.end());
    text = std::move(fixed);
}

// Cut at the first character that does not lie wholly within the limit.
void Repairer::Truncate(std::size_t k, int limit, Text& text) {
    if (text.bytes.size() <= static_cast<std::size_t>(limit)) return;
    const auto cut = static_cast<std::size_t>(CheckByteLimit(text.bytes, limit).position) - 1;
    changes_.push_back({k, "truncate", text.origin[cut] + 1, text.bytes.substr(cut), ""});
    text.bytes.resize(cut);
    text.origin.resize(cut);
}

// A replacement may not bring a delimiter into a text that cannot be quoted, nor a quote or a
// line end into one that is not a field of its own.
bool Repairer::Allowed(std::string_view replacement, int field) const {
    const bool quoted = quotable_ && field != 0;
    for (const char c : replacement) {
        if (c == '\n' || c == '\r' || (!quoted && (c == delimiter_ || (quotable_ && c == '"')))) {
            return false;
        }
    }
    return true;
}

}  // namespace check
