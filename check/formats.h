// The two output formats of kestrune-check: the window's lines after "FILE:RECORD: ", or one
// JSON object per record and check. Both write through Output, a long text in pieces.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cp932.h"
#include "output.h"
#include "wording.h"

namespace check {

// Everything that is said about one record.
struct RecordReport {
    std::string_view file;
    unsigned long long record;
    std::string_view text;                // the code page 932 bytes that were checked
    std::span<const LostCharacter> lost;  // what converting UTF-8 input lost
    std::span<const Operation> operations;
    std::span<const Outcome> outcomes;  // one per operation
};

// The line that says what converting lost, in code page 932.
std::string LostLine(const LostCharacter& lost);

void WriteText(Output& out, const RecordReport& report);
void WriteJson(Output& out, const RecordReport& report);

}  // namespace check
