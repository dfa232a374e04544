// What the user asked of each record, resolved once per file against its header into the plan
// that the record loop only reads.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record.h"
#include "rules.h"
#include "source.h"

namespace check {

// A field named by its 1-based number or by its name in the header; neither: the whole record.
// In fixed-width records, a field is a range of bytes with a name to label it by.
struct FieldRef {
    int number = 0;
    std::string name;
    std::size_t start = 0, end = 0;  // 1-based, inclusive; 0: no range
};

// The rules for one field as the command line gives them, run in the order given.
struct ColumnSpec {
    FieldRef field;
    std::vector<Rule> rules;
    int symbolsAllowed = 1;  // as the window starts: symbols allowed
};

// One column as it is found in the records of the file at hand.
struct Column {
    int field = 0;                     // 1-based, in the layout for a range; 0 for the whole record
    std::size_t start = 0, width = 0;  // a range of bytes of the record; width 0: none
    std::string label;                 // code page 932; empty: lines carry no column
    std::string name;                  // the header's name for it, code page 932
    std::span<const Rule> rules;
    int symbolsAllowed = 1;
};

struct Plan {
    std::vector<Column> columns;  // in the order given
    // With a header: how many fields every record must have.
    std::optional<std::size_t> expectedFields;
    bool all = false;  // every rejected position, not only the first
};

// The plan for the columns by number, as it stands before a header is read (or without one).
// `labelled`: results name their column.
Plan PlanColumns(std::span<const ColumnSpec> specs, bool labelled, bool all);

// The plan once the header's fields are known; `error` names a column the header lacks.
std::optional<Plan> PlanWithHeader(std::span<const ColumnSpec> specs, bool labelled, bool all,
                                   std::span<const std::string_view> header, const Decoder& decoder,
                                   std::string& error);

// The text of the column in the record: its range, its field (empty when the record has
// fewer), or the whole record.
inline std::string_view FieldText(const Column& column, const Record& record) {
    if (column.width > 0)
        return record.raw.substr(std::min(column.start - 1, record.raw.size()), column.width);
    if (column.field == 0) return record.raw;
    const auto k = static_cast<std::size_t>(column.field);
    return k <= record.fields.size() ? record.fields[k - 1] : std::string_view();
}

// Whether the plan checks fields, not only the whole record.
bool NeedsFields(std::span<const ColumnSpec> specs);

}  // namespace check
