// The repair stage of --fix: each column's text corrected as its rules allow, before the check
// stage judges it. A check's own suggestion replaces each character it rejects; the
// corrections asked for by name widen that (fold-small-kana, hyphen-for-long-vowel, trim) or
// cut a text over its byte limit (truncate). Nothing else is changed.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plan.h"
#include "record.h"
#include "source.h"

namespace check {

struct Change {
    std::size_t column;     // in the plan
    std::string_view rule;  // the name of the rule that made it
    int position;           // 1-based, in the field as read
    std::string from, to;   // code page 932; `to` empty for a cut
};

class Repairer {
  public:
    // `quotable`: a field can be quoted where a correction brings in the delimiter (CSV).
    Repairer(const Decoder& decoder, char delimiter, bool quotable)
        : decoder_(decoder), delimiter_(delimiter), quotable_(quotable) {}

    // Corrects the plan's columns of `record`; the results stay valid until the next call.
    void Repair(const Record& record, const Plan& plan);
    // Per column: its text as corrected, in code page 932, and what decoding it lost.
    std::span<const std::string_view> texts() const { return texts_; }
    std::span<const std::vector<LostCharacter>> lost() const { return lost_; }
    std::span<const Change> changes() const { return changes_; }

  private:
    // The text of a column and, for each of its bytes, where it stood in the field as read.
    struct Text {
        std::string bytes;
        std::vector<int> origin;
    };
    void Correct(std::size_t k, const Column& column, const Rule& rule, Text& text);
    void Truncate(std::size_t k, int limit, Text& text);
    bool Allowed(std::string_view replacement, int field) const;

    Decoder decoder_;
    char delimiter_;
    bool quotable_;
    std::vector<Text> columns_;
    std::vector<std::string> decoded_;
    std::vector<std::vector<LostCharacter>> lost_;
    std::vector<std::string_view> texts_;
    std::vector<Change> changes_;
    std::vector<int> positions_;
};

}  // namespace check
