#include "plan.h"

#include <algorithm>

#include "cp932.h"
#include "wording.h"

namespace check {

namespace {

// The columns by number, named from `header` where it has them.
Plan Columns(std::span<const ColumnSpec> specs, bool labelled, bool all,
             std::span<const std::string> header) {
    Plan plan;
    plan.all = all;
    for (const ColumnSpec& spec : specs) {
        Column& c = plan.columns.emplace_back();
        c.rules = spec.rules;
        c.symbolsAllowed = spec.symbolsAllowed;
        if (spec.field.start > 0) {  // a range: its place in the layout, and its name
            c.field = static_cast<int>(plan.columns.size());
            c.start = spec.field.start;
            c.width = spec.field.end + 1 - spec.field.start;
            c.name = ValidUtf8Prefix(spec.field.name) == spec.field.name.size()
                         ? Utf8ToCp932(spec.field.name)
                         : spec.field.name;
            if (labelled) c.label = c.name;
            continue;
        }
        const int n = spec.field.number;
        if (n == 0) continue;
        c.field = n;
        if (static_cast<std::size_t>(n) <= header.size()) c.name = header[n - 1];
        if (labelled) c.label = c.name.empty() ? DecimalText(n) : c.name;
    }
    return plan;
}

}  // namespace

Plan PlanColumns(std::span<const ColumnSpec> specs, bool labelled, bool all) {
    return Columns(specs, labelled, all, {});
}

// A column given by name takes the first field of that name.
std::optional<Plan> PlanWithHeader(std::span<const ColumnSpec> specs, bool labelled, bool all,
                                   std::span<const std::string_view> header, const Decoder& decoder,
                                   std::string& error) {
    std::vector<std::string> names;
    for (std::string_view field : header) names.push_back(decoder.Name(field));
    Plan plan = Columns(specs, labelled, all, names);
    plan.expectedFields = header.size();
    for (std::size_t k = 0; k < specs.size(); ++k) {
        const std::string& wanted = specs[k].field.name;
        if (wanted.empty()) continue;
        const auto match = std::find_if(header.begin(), header.end(), [&](std::string_view f) {
            return decoder.Names(f, wanted);
        });
        if (match == header.end()) {
            error = "no field named '" + wanted + "' in the header";
            return std::nullopt;
        }
        const std::size_t f = static_cast<std::size_t>(match - header.begin());
        plan.columns[k].field = static_cast<int>(f) + 1;
        plan.columns[k].name = names[f];
        plan.columns[k].label = labelled ? names[f] : "";
    }
    return plan;
}

bool NeedsFields(std::span<const ColumnSpec> specs) {
    return std::any_of(specs.begin(), specs.end(), [](const ColumnSpec& c) {
        return c.field.start == 0 && (c.field.number != 0 || !c.field.name.empty());
    });
}

}  // namespace check
