// The sinks of kestrune-check: they receive record results and write them, and never read
// input or run a check. Text gives the window's lines after "FILE:RECORD: ", or
// "FILE:RECORD:COLUMN: " when columns are checked; JSON one object a line per record and check.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "result.h"

namespace check {

class Sink {
  public:
    virtual ~Sink() = default;
    virtual void Write(const RecordResult& result) = 0;
    // The header record, as read: only the sinks that write records take it.
    virtual void Header(const Record& /*header*/) {}
    // A file begins, by the name results give it: only the sinks that add up take this and
    // Passed.
    virtual void Begin(std::string_view /*file*/) {}
    // `records` records passed every check of `plan` and were not judged: one, with what each
    // check measured in `measured` (as RecordJudge::Passes gives it), or a run a fast path
    // confirmed, which measures nothing (it runs only where nothing is to be measured).
    virtual void Passed(const Plan& /*plan*/, std::span<const int> /*measured*/,
                        unsigned long long /*records*/) {}
};

std::unique_ptr<Sink> TextSink(Output& out);
std::unique_ptr<Sink> JsonSink(Output& out);

// How the corrected records are written.
struct RecordFormat {
    bool csv = false;  // a field that now needs quotes gets them
    char delimiter = ',';
    bool utf8Input = false;   // the records' bytes as read are UTF-8
    bool signature = false;   // the input started with a UTF-8 byte order mark
    bool fixedWidth = false;  // a field is a range of bytes, padded back to its width
};
// The records with --fix: each as read where nothing was corrected, else with its corrected
// fields rewritten, into `fixed` in its encoding; with `rejects`, a record that still fails goes
// there as read instead.
std::unique_ptr<Sink> CorrectedRecordsSink(Output& fixed, Output* rejects,
                                           const RecordFormat& format);

// What both sinks say, in code page 932.
// The line that says what converting lost.
std::string LostLine(const LostCharacter& lost);
// CSV：ＮＧ (Pバイト目) and the reason.
std::string FaultLine(RecordFault fault, int position);
// What only the whole file shows, in the window's style.
std::string FileFaultLine(const FileFault& fault);
// The excerpt of a failed rule in pieces; empty when it has none (an empty required field).
void RuleExcerpt(const RuleResult& rule, std::string_view text,
                 std::vector<std::string_view>& pieces);
// The lines that follow a failed rule's excerpt: each rejected character's kind and fix.
void NoteLines(std::span<const RejectedNote> notes, std::vector<std::string>& lines);

}  // namespace check
