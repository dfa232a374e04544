// SPDX-License-Identifier: MIT
// The C interface over the check stage's own parts: the rule table of check/rules.h, the
// decoder kestrune-check converts UTF-8 with, and the kinds and fixes of analysis/. Nothing
// here keeps state between calls; a result's buffers are reused so that checking many texts
// allocates only while they grow.
#include "kestrune.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "operations.h"
#include "repertoire.h"
#include "rules.h"
#include "source.h"
#include "suggest.h"

namespace {

struct Finding {
    int rule;
    int position;
    int kind;
    char32_t codePoint;
    char character[4];
    unsigned char characterSize;
    char suggestion[2];
    unsigned char suggestionSize;
    int covers;
};

struct RuleRecord {
    const char* name;  // the operation row's, or the rule list's
    int ok, position, measured;
};

// kestrune_check gives an operation's name from its row, which holds a literal.
constexpr bool OptionsEndInNul() {
    for (const OperationRow& row : kOperations) {
        if (row.option.data()[row.option.size()] != '\0') return false;
    }
    return true;
}
static_assert(OptionsEndInNul(), "the operations' names are NUL-terminated literals");
static_assert(KESTRUNE_KIND_NOT_IN_CP932 - KESTRUNE_KIND_JIS ==
                  static_cast<int>(CharacterKind::Invalid) + 1,
              "kestrune_kind follows CharacterKind from KESTRUNE_KIND_JIS");

// Copies the character at byte index `at` of the code page 932 text.
void TakeCharacter(Finding& finding, std::string_view text, std::size_t at) {
    const auto width = static_cast<std::size_t>(CharacterWidth(text, at));
    std::memcpy(finding.character, text.data() + at, width);
    finding.characterSize = static_cast<unsigned char>(width);
}

unsigned char EncodeUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

}  // namespace

namespace library_detail {
const char* ProjectVersion();  // version.cpp
}  // namespace library_detail

namespace {

constexpr unsigned kAllFlags = KESTRUNE_UTF8 | KESTRUNE_NO_SYMBOLS | KESTRUNE_ALL;

}  // namespace

struct kestrune_result {
    std::string converted;
    std::vector<LostCharacter> lost;
    std::vector<int> positions;
    std::vector<Finding> findings;
    std::vector<RuleRecord> rules;
    std::size_t ruleCount = 0;  // rules[0, ruleCount) are this check's; the rest kept for reuse
    std::string_view text;
    bool ok = true;
    int position = 0;
    // A text that passed unconverted: its UTF-8, converted only if the text is asked for.
    std::string unconverted;
    bool converting = false;

    void Clear() {
        findings.clear();
        ruleCount = 0;
        text = {};
        ok = true;
        position = 0;
        converting = false;
    }
};

// Where every check of a rule list accepts only characters of one block of 256 code points
// whose UTF-8 is three bytes (U+3000-30FF, U+FF00-FFFF; see analysis/operations.h), a UTF-8 text
// made only of characters they accept passes without being converted, each being two bytes in
// code page 932; anything else is converted and checked as kestrune-check checks it.
struct Utf8Block {
    bool usable = false;
    unsigned char lead = 0, second = 0;       // the first two bytes of the block's first code point
    std::array<std::uint8_t, 32> accepted{};  // a bit per code point of the block, by every check
};

struct kestrune_rules {
    std::vector<check::Rule> rules;  // the checks only
    std::vector<std::string> names;
    std::vector<char> measures;  // per rule: what it measured is given, so it is always run whole
    int symbolsAllowed = 1;
    Utf8Block blocks[2];  // with symbols not allowed, and allowed
};

namespace {

// A character lost in converting, by the input's bytes.
void DescribeLost(Finding& f, const LostCharacter& c) {
    f.codePoint = c.codePoint;
    if (c.invalidLength > 0) {
        f.kind = KESTRUNE_KIND_ILL_FORMED_UTF8;
        std::memcpy(f.character, c.invalid, c.invalidLength);
        f.characterSize = c.invalidLength;
    } else {
        f.kind = KESTRUNE_KIND_NOT_IN_CP932;
        f.characterSize = EncodeUtf8(c.codePoint, f.character);
    }
}

// The character lost in converting whose "?" is at `position`, if one is.
const LostCharacter* LostAt(const std::vector<LostCharacter>& lost, int position) {
    const auto it = std::lower_bound(lost.begin(), lost.end(), position,
                                     [](const LostCharacter& c, int p) { return c.position < p; });
    return it != lost.end() && it->position == position ? &*it : nullptr;
}

// The findings of a rule that failed, from its positions: each character, its kind where the
// rule names kinds, and a fix, as the check stage notes them. Out of line: most texts pass.
[[gnu::noinline]] void Describe(kestrune_result& r, const check::Rule& rule, int index,
                                int symbolsAllowed) {
    if (r.positions.empty()) {
        r.findings.push_back(Finding{index, 0, KESTRUNE_KIND_NONE, 0, {}, 0, {}, 0, 0});
        return;
    }
    const bool notes = check::NotesRejected(rule);
    const bool kinds = check::NamesKinds(rule);
    std::size_t fixed = 0;  // the end of what the last fix replaces, as the check stage has it
    for (const int p : r.positions) {
        Finding& f =
            r.findings.emplace_back(Finding{index, p, KESTRUNE_KIND_NONE, 0, {}, 0, {}, 0, 0});
        const auto at = static_cast<std::size_t>(p) - 1;
        if (at >= r.text.size()) continue;
        // A "?" that stands for a lost character is that character, and nothing replaces it.
        if (const LostCharacter* c = LostAt(r.lost, p)) {
            DescribeLost(f, *c);
            continue;
        }
        TakeCharacter(f, r.text, at);
        if (kinds) f.kind = static_cast<int>(KindAt(r.text, at)) + KESTRUNE_KIND_JIS;
        if (!notes || at < fixed) continue;
        const Suggestion fix = SuggestFix(rule.operation, r.text, at, symbolsAllowed);
        std::memcpy(f.suggestion, fix.bytes, sizeof fix.bytes);
        f.suggestionSize = static_cast<unsigned char>(fix.size);
        f.covers = fix.covers;
        fixed = at + static_cast<std::size_t>(fix.covers);
    }
}

// Records one rule's verdict and findings, the way the check stage finds them: the verdict
// first, which most texts settle at once, and the positions only for a rule that failed.
// Whether a rule measures something the result gives: a measurement, or a rule of fields,
// which is cheap to run whole.
bool ReportsMeasure(const check::Rule& rule) {
    return rule.kind != check::RuleKind::Operation || Row(rule.operation).unit != Unit::None;
}

inline void RunRule(kestrune_result& r, const check::Rule& rule, const char* name, bool measures,
                    int symbolsAllowed, bool all) {
    const check::RuleRow& row = check::RowOf(rule);
    r.positions.clear();
    check::RuleFindings found{r.positions, all};
    // A measurement and the rules of fields are cheap, and what they measured is wanted.
    bool ok = !measures && row.evaluate(rule, r.text, symbolsAllowed, nullptr);
    if (!ok) ok = row.evaluate(rule, r.text, symbolsAllowed, &found);
    const int index = static_cast<int>(r.ruleCount);
    if (r.rules.size() == r.ruleCount) r.rules.emplace_back();
    r.rules[r.ruleCount++] = {name, ok, ok ? 0 : found.position, found.measured};
    if (ok) return;
    if (r.ok) r.position = found.position;
    r.ok = false;
    Describe(r, rule, index, symbolsAllowed);
}

// What converting lost, after the rules' findings.
void RecordLost(kestrune_result& r) {
    for (const LostCharacter& c : r.lost) {
        Finding& f = r.findings.emplace_back(Finding{-1, c.position, 0, 0, {}, 0, {}, 0, 0});
        DescribeLost(f, c);
    }
    if (!r.lost.empty() && r.ok) r.position = r.lost.front().position;
    if (!r.lost.empty()) r.ok = false;
}

template <typename Rules>
int Check(const char* text, std::size_t size, unsigned flags, kestrune_result* result,
          const Rules& rules, int symbolsAllowed) {
    if (result == nullptr || (text == nullptr && size > 0) || (flags & ~kAllFlags) != 0) {
        return KESTRUNE_ERROR_ARGUMENT;
    }
    if (size > static_cast<std::size_t>(INT_MAX)) return KESTRUNE_ERROR_TOO_LONG;
    kestrune_result& r = *result;
    r.Clear();
    try {
        const std::string_view given(text == nullptr ? "" : text, size);
        const check::Decoder decoder((flags & KESTRUNE_UTF8) != 0 ? check::Encoding::Utf8
                                                                  : check::Encoding::Cp932);
        r.lost.clear();
        r.text = decoder.Decode(given, r.converted, r.lost);
        if (r.text.size() > static_cast<std::size_t>(INT_MAX)) return KESTRUNE_ERROR_TOO_LONG;
        if ((flags & KESTRUNE_NO_SYMBOLS) != 0) symbolsAllowed = 0;
        rules(r, symbolsAllowed, (flags & KESTRUNE_ALL) != 0);
        RecordLost(r);
    } catch (const std::bad_alloc&) {
        r.Clear();
        return KESTRUNE_ERROR_MEMORY;
    }
    return KESTRUNE_OK;
}

// The block a rule list's checks all lie in, and what they accept there.
Utf8Block BlockOf(const kestrune_rules& rules, int symbolsAllowed) {
    Utf8Block block;
    char32_t first = 0;
    for (const check::Rule& rule : rules.rules) {
        if (rule.kind == check::RuleKind::MaxBytes || rule.kind == check::RuleKind::Required) {
            continue;
        }
        const char32_t of =
            rule.kind == check::RuleKind::Operation ? Row(rule.operation).utf8Block : 0;
        if (of == 0 || (first != 0 && of != first)) return block;
        first = of;
    }
    if (first == 0) return block;
    block.lead = static_cast<unsigned char>(0xE0 | first >> 12);
    block.second = static_cast<unsigned char>(0x80 | ((first >> 6) & 0x3F));
    // Each character as the checks themselves judge it alone, converted as any text is.
    std::vector<LostCharacter> lost;
    for (unsigned k = 0; k < 256; ++k) {
        const char utf8[3] = {static_cast<char>(block.lead),
                              static_cast<char>(block.second + (k >> 6)),
                              static_cast<char>(0x80 | (k & 0x3F))};
        lost.clear();
        const std::string cp932 = Utf8ToCp932(std::string_view(utf8, 3), &lost);
        bool accepted = lost.empty() && cp932.size() == 2;
        for (const check::Rule& rule : rules.rules) {
            if (rule.kind != check::RuleKind::Operation) continue;
            accepted =
                accepted && check::RowOf(rule).evaluate(rule, cp932, symbolsAllowed, nullptr);
        }
        if (accepted) block.accepted[k >> 3] |= static_cast<std::uint8_t>(1u << (k & 7));
    }
    block.usable = true;
    return block;
}

// Whether the UTF-8 text passes every rule unconverted, as its characters and its size in code
// page 932 show; if so the result is made.
bool PassesInBlock(const kestrune_rules& rules, std::string_view text, int symbolsAllowed,
                   kestrune_result& r) {
    const Utf8Block& block = rules.blocks[symbolsAllowed];
    if (!block.usable || text.size() % 3 != 0) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size(); i += 3) {
        if (p[i] != block.lead || (p[i + 1] & 0xFC) != block.second || (p[i + 2] & 0xC0) != 0x80) {
            return false;
        }
        const unsigned k = (p[i + 1] & 3u) << 6 | (p[i + 2] & 0x3Fu);
        if ((block.accepted[k >> 3] >> (k & 7) & 1) == 0) return false;
    }
    const auto size = static_cast<int>(text.size() / 3 * 2);  // in code page 932
    for (const check::Rule& rule : rules.rules) {
        if (rule.kind == check::RuleKind::MaxBytes && size > rule.limit) return false;
        if (rule.kind == check::RuleKind::Required && size == 0) return false;
    }
    r.Clear();
    r.lost.clear();
    r.unconverted.assign(text);
    r.converting = true;
    for (std::size_t k = 0; k < rules.rules.size(); ++k) {
        if (r.rules.size() == r.ruleCount) r.rules.emplace_back();
        const bool sized = rules.rules[k].kind == check::RuleKind::MaxBytes;
        r.rules[r.ruleCount++] = {rules.names[k].c_str(), 1, 0, sized ? size : 0};
    }
    return true;
}

// Copies `text` into `out` where it fits, with the NUL; false where it was cut.
void CopyMessage(const std::string& text, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// RowByOption without measuring the name first: most names differ from a row's in their first
// bytes, and a check of a short text costs little more than finding its operation.
const OperationRow* OperationNamed(const char* name) {
    for (const OperationRow& row : kOperations) {
        std::size_t k = 0;
        while (k < row.option.size() && name[k] == row.option[k]) ++k;
        if (k == row.option.size() && name[k] == '\0') return &row;
    }
    return nullptr;
}

}  // namespace

extern "C" {

const char* kestrune_status_message(int status) {
    switch (status) {
        case KESTRUNE_OK:
            return "success";
        case KESTRUNE_ERROR_ARGUMENT:
            return "a null pointer where one is needed, or an unknown flag";
        case KESTRUNE_ERROR_OPERATION:
            return "no operation has that name";
        case KESTRUNE_ERROR_RULES:
            return "the rule list does not parse";
        case KESTRUNE_ERROR_TOO_LONG:
            return "the text is longer than INT_MAX bytes";
        case KESTRUNE_ERROR_MEMORY:
            return "memory ran out";
        case KESTRUNE_ERROR_BUFFER:
            return "the output buffer is too small";
        case KESTRUNE_ERROR_INDEX:
            return "no finding or rule has that index";
        default:
            return "unknown status";
    }
}

const char* kestrune_version(void) {
    return library_detail::ProjectVersion();
}

const char* kestrune_kind_name(int kind) {
    // The kinds the checks name are kestrune-check's, in CharacterKind's order from
    // KESTRUNE_KIND_JIS; their names end where a string_view of a literal does.
    if (kind >= KESTRUNE_KIND_JIS && kind < KESTRUNE_KIND_NOT_IN_CP932) {
        return check::JsonKindName(static_cast<CharacterKind>(kind - KESTRUNE_KIND_JIS)).data();
    }
    switch (kind) {
        case KESTRUNE_KIND_NONE:
            return "";
        case KESTRUNE_KIND_NOT_IN_CP932:
            return "not-in-cp932";
        case KESTRUNE_KIND_ILL_FORMED_UTF8:
            return "ill-formed-utf-8";
        default:
            return nullptr;
    }
}

kestrune_result* kestrune_result_new(void) {
    return new (std::nothrow) kestrune_result;
}

void kestrune_result_free(kestrune_result* result) {
    delete result;
}

int kestrune_result_ok(const kestrune_result* result) {
    return result != nullptr && result->ok;
}

int kestrune_result_position(const kestrune_result* result) {
    return result == nullptr ? 0 : result->position;
}

const char* kestrune_result_text(const kestrune_result* result, size_t* size) {
    if (result == nullptr) {
        if (size != nullptr) *size = 0;
        return "";
    }
    if (result->converting) {
        // Text that passed unconverted is converted now; it converts without loss.
        auto& r = const_cast<kestrune_result&>(*result);
        try {
            Utf8ToCp932(r.unconverted, r.converted, nullptr);
            r.text = r.converted;
        } catch (const std::bad_alloc&) {
            r.text = {};
        }
        r.converting = false;
    }
    if (size != nullptr) *size = result->text.size();
    return result->text.empty() ? "" : result->text.data();
}

size_t kestrune_result_rule_count(const kestrune_result* result) {
    return result == nullptr ? 0 : result->ruleCount;
}

int kestrune_result_rule(const kestrune_result* result, size_t index, kestrune_rule_result* out) {
    if (result == nullptr || out == nullptr) return KESTRUNE_ERROR_ARGUMENT;
    if (index >= result->ruleCount) return KESTRUNE_ERROR_INDEX;
    const RuleRecord& r = result->rules[index];
    *out = {r.name, r.ok, r.position, r.measured};
    return KESTRUNE_OK;
}

size_t kestrune_result_finding_count(const kestrune_result* result) {
    return result == nullptr ? 0 : result->findings.size();
}

int kestrune_result_finding(const kestrune_result* result, size_t index, kestrune_finding* out) {
    if (result == nullptr || out == nullptr) return KESTRUNE_ERROR_ARGUMENT;
    if (index >= result->findings.size()) return KESTRUNE_ERROR_INDEX;
    const Finding& f = result->findings[index];
    *out = {f.rule,      f.position,      f.kind,       static_cast<unsigned>(f.codePoint),
            f.character, f.characterSize, f.suggestion, f.suggestionSize,
            f.covers};
    return KESTRUNE_OK;
}

int kestrune_check(const char* operation, const char* text, size_t size, unsigned flags,
                   kestrune_result* result) {
    if (operation == nullptr) return KESTRUNE_ERROR_ARGUMENT;
    const OperationRow* row = OperationNamed(operation);
    if (row == nullptr) {
        if (result != nullptr) result->Clear();
        return KESTRUNE_ERROR_OPERATION;
    }
    const check::Rule rule{check::RuleKind::Operation, row->operation};
    return Check(
        text, size, flags, result,
        [&](kestrune_result& r, int symbols, bool all) {
            RunRule(r, rule, row->option.data(), ReportsMeasure(rule), symbols, all);
        },
        1);
}

int kestrune_rules_parse(const char* list, kestrune_rules** rules, char* error, size_t error_size) {
    if (list == nullptr || rules == nullptr) return KESTRUNE_ERROR_ARGUMENT;
    *rules = nullptr;
    try {
        auto parsed = std::make_unique<kestrune_rules>();
        std::string message;
        // As kestrune-check's --column reads its rules; a correction is taken but checks
        // nothing.
        std::vector<check::Rule> all;
        if (!check::ParseRuleList(list, all, parsed->symbolsAllowed, message)) {
            CopyMessage(message, error, error_size);
            return KESTRUNE_ERROR_RULES;
        }
        if (check::HasRule(all, check::RuleKind::Truncate) &&
            !check::HasRule(all, check::RuleKind::MaxBytes)) {
            CopyMessage("truncate needs max-bytes=N in the same list", error, error_size);
            return KESTRUNE_ERROR_RULES;
        }
        for (const check::Rule& rule : all) {
            if (check::Corrects(rule)) continue;
            parsed->rules.push_back(rule);
            parsed->names.emplace_back(check::JsonName(rule));
            parsed->measures.push_back(ReportsMeasure(rule) ? 1 : 0);
        }
        parsed->blocks[0] = BlockOf(*parsed, 0);
        parsed->blocks[1] = BlockOf(*parsed, 1);
        *rules = parsed.release();
    } catch (const std::bad_alloc&) {
        return KESTRUNE_ERROR_MEMORY;
    }
    return KESTRUNE_OK;
}

void kestrune_rules_free(kestrune_rules* rules) {
    delete rules;
}

size_t kestrune_rules_count(const kestrune_rules* rules) {
    return rules == nullptr ? 0 : rules->rules.size();
}

int kestrune_rules_check(const kestrune_rules* rules, const char* text, size_t size, unsigned flags,
                         kestrune_result* result) {
    if (rules == nullptr) return KESTRUNE_ERROR_ARGUMENT;
    const int symbols = (flags & KESTRUNE_NO_SYMBOLS) != 0 ? 0 : rules->symbolsAllowed;
    if (result != nullptr && (flags & ~kAllFlags) == 0 && (flags & KESTRUNE_UTF8) != 0 &&
        text != nullptr && size <= static_cast<std::size_t>(INT_MAX)) {
        try {
            if (PassesInBlock(*rules, std::string_view(text, size), symbols, *result)) {
                return KESTRUNE_OK;
            }
        } catch (const std::bad_alloc&) {
            result->Clear();
            return KESTRUNE_ERROR_MEMORY;
        }
    }
    return Check(
        text, size, flags, result,
        [&](kestrune_result& r, int symbols, bool all) {
            for (std::size_t k = 0; k < rules->rules.size(); ++k) {
                RunRule(r, rules->rules[k], rules->names[k].c_str(), rules->measures[k] != 0,
                        symbols, all);
            }
        },
        rules->symbolsAllowed);
}

int kestrune_utf8_to_cp932(const char* utf8, size_t size, char* out, size_t capacity,
                           size_t* written, size_t* lost) {
    if ((utf8 == nullptr && size > 0) || (out == nullptr && capacity > 0) || written == nullptr) {
        return KESTRUNE_ERROR_ARGUMENT;
    }
    try {
        std::vector<LostCharacter> missing;
        const std::string converted =
            Utf8ToCp932(std::string_view(utf8 == nullptr ? "" : utf8, size), &missing);
        *written = converted.size();
        if (lost != nullptr) *lost = missing.size();
        if (converted.size() > capacity) return KESTRUNE_ERROR_BUFFER;
        if (!converted.empty()) std::memcpy(out, converted.data(), converted.size());
    } catch (const std::bad_alloc&) {
        return KESTRUNE_ERROR_MEMORY;
    }
    return KESTRUNE_OK;
}

int kestrune_cp932_to_utf8(const char* cp932, size_t size, char* out, size_t capacity,
                           size_t* written) {
    if ((cp932 == nullptr && size > 0) || (out == nullptr && capacity > 0) || written == nullptr) {
        return KESTRUNE_ERROR_ARGUMENT;
    }
    try {
        const std::string converted =
            Cp932ToUtf8(std::string_view(cp932 == nullptr ? "" : cp932, size));
        *written = converted.size();
        if (converted.size() > capacity) return KESTRUNE_ERROR_BUFFER;
        if (!converted.empty()) std::memcpy(out, converted.data(), converted.size());
    } catch (const std::bad_alloc&) {
        return KESTRUNE_ERROR_MEMORY;
    }
    return KESTRUNE_OK;
}

}  // extern "C"
