// The two output formats of kestrune-check: the window's lines after "FILE:RECORD: ", or one
// JSON object per record and check. Both write through Output, a long text in pieces.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "options.h"
#include "output.h"
#include "repertoire.h"
#include "suggest.h"
#include "wording.h"

namespace check {

// What one rule found in one field. For max-bytes, outcome.value is the size in bytes.
struct RuleReport {
    Rule rule;
    Outcome outcome;
    std::span<const int> positions;  // the rejected positions, in order: with --all every one
};

// Everything said about one field, or about the whole record.
struct ColumnReport {
    int field = 0;                        // 1-based; 0 for the whole record
    std::string_view label;               // code page 932; empty: lines carry no column
    std::string_view name;                // its header name in code page 932, if it has one
    std::string_view text;                // the code page 932 bytes that were checked
    std::span<const LostCharacter> lost;  // what converting UTF-8 input lost
    std::span<const RuleReport> rules;
    int symbolsAllowed = 1;
};

struct RecordReport {
    std::string_view file;
    unsigned long long record = 0;
    unsigned long long line = 0;  // the physical line the record starts on
    bool all = false;             // --all: positions are given
    std::optional<CsvFault> fault;
    int faultPosition = 0;
    int fields = 0, expectedFields = 0;  // a field-count failure when they differ
    std::span<const ColumnReport> columns;
};

// What is said of one rejected character of a failed check besides its position: its kind,
// for the checks that judge where a character comes from, and a fix that keeps its meaning.
struct RejectedNote {
    int position;
    std::optional<CharacterKind> kind;
    Suggestion fix;  // size 0: none
};

// Whether the rule is a check that names the kind of each character it rejects.
bool NamesKinds(const Rule& rule);
// The notes on each of a failed rule's positions. A half-width kana and the voiced mark after
// it get one fix, on the kana.
void RejectedNotes(const RuleReport& rule, const ColumnReport& column,
                   std::vector<RejectedNote>& notes);

// The lines that follow a failed rule's excerpt: each rejected character's kind and fix.
void NoteLines(std::span<const RejectedNote> notes, std::string_view text,
               std::vector<std::string>& lines);

// The line that says what converting lost, in code page 932.
std::string LostLine(const LostCharacter& lost);
// The result line of a rule.
std::string RuleLine(const RuleReport& rule);
// The excerpt of a failed rule in pieces; empty when it has none (an empty required field).
void RuleExcerpt(const RuleReport& rule, std::string_view text,
                 std::vector<std::string_view>& pieces);

void WriteText(Output& out, const RecordReport& report);
void WriteJson(Output& out, const RecordReport& report);

}  // namespace check
