// What the check stage found in one record: every verdict, position, kind and suggestion, so
// that the sinks only word and write it.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "plan.h"
#include "record.h"
#include "repair.h"
#include "repertoire.h"
#include "suggest.h"
#include "zengin.h"

namespace check {

// What is said of one rejected character of a failed check besides its position: its kind,
// for the checks that judge where a character comes from, and a fix that keeps its meaning.
struct RejectedNote {
    int position;
    std::optional<CharacterKind> kind;
    std::string_view character;  // its bytes
    Suggestion fix;              // size 0: none
};

// What one rule found in one field.
struct RuleResult {
    const Rule* rule;
    RuleOutcome outcome;
    std::span<const int> positions;       // the rejected positions, in order: with --all every one
    std::span<const RejectedNote> notes;  // one per position, for the class checks
};

// Everything said about one field, or about the whole record.
struct ColumnResult {
    const Column* column;
    std::string_view text;                // the code page 932 bytes that were checked
    std::span<const LostCharacter> lost;  // what converting the input lost
    std::span<const RuleResult> rules;
};

struct RecordResult {
    std::string_view file;
    unsigned long long record = 0;
    unsigned long long line = 0;  // the physical line the record starts on
    bool all = false;             // --all: positions are given
    bool passed = true;
    std::optional<RecordFault> fault;  // set: nothing else was checked
    int faultPosition = 0;
    std::size_t fields = 0, expectedFields = 0;  // a field-count failure when they differ
    std::size_t length = 0, expectedLength = 0;  // a record-length failure when they differ
    std::span<const FileFault> fileFaults;       // what only the file as a whole shows
    bool ofFile = false;  // no record: what the end of the file shows, after its last record
    std::span<const ColumnResult> columns;
    // With --fix: what was corrected before the columns were judged, and the record as read.
    std::span<const Change> changes;
    const Record* source = nullptr;
    bool onlyChanges = false;  // the record passes, and only its changes are to be reported
};

}  // namespace check
