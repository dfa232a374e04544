// Running one column rule over one field's text.
#pragma once

#include <string_view>
#include <vector>

#include "formats.h"
#include "options.h"

namespace check {

// The rule's outcome over `text`. The position of a rejected character is appended to
// `positions`, and with `all` every one: after a rejected character the scan goes on at the next
// character start.
RuleReport EvaluateRule(const Rule& rule, std::string_view text, int symbolsAllowed, bool all,
                        std::vector<int>& positions);

// Whether the rule passes over `text`: what EvaluateRule finds, and nothing more.
bool RulePasses(const Rule& rule, std::string_view text, int symbolsAllowed);

}  // namespace check
