// The tally of --summary and --report: what every record's result adds to its file's figures.
#include "summary.h"

#include <algorithm>
#include <map>

#include "wording.h"

namespace check {

namespace {

// What a whole transfer file can fail, as JSON names it, in the order of FileFault::Kind.
constexpr std::string_view kFileFaults[] = {"record-order", "total-count", "total-amount"};

// Whether a rule's rejected positions are characters worth counting: a class check's, or a
// digit or blank check's; a byte limit's or a fixed text's are places, not characters.
bool CountsCharacters(const Rule& rule) {
    return NotesRejected(rule) || rule.kind == RuleKind::Digits ||
           rule.kind == RuleKind::ZeroFilled || rule.kind == RuleKind::Blank;
}

void AddCharacter(RuleTally& tally, const CharacterCount& seen) {
    const auto [at, added] =
        tally.characterIndex.try_emplace(seen.character, tally.characters.size());
    if (added) {
        tally.characters.push_back(seen);
    } else {
        tally.characters[at->second].count += seen.count;
    }
}

}  // namespace

std::string RuleTally::RuleText() const {
    if (limit > 0) return operation + "=" + std::to_string(limit);
    if (!text.empty()) return operation + "=" + text;
    return operation;
}

std::string RuleTally::ColumnText() const {
    if (!label.empty()) return label;
    return field > 0 ? "(field " + std::to_string(field) + ")" : "(record)";
}

std::vector<const CharacterCount*> Ranked(const RuleTally& rule) {
    std::vector<const CharacterCount*> ranked;
    for (const CharacterCount& c : rule.characters) ranked.push_back(&c);
    std::stable_sort(
        ranked.begin(), ranked.end(),
        [](const CharacterCount* a, const CharacterCount* b) { return a->count > b->count; });
    return ranked;
}

void Tally::Begin(std::string_view file) {
    Settle();
    files_.push_back({std::string(file), 1, 0, 0, {}});
    byRule_.clear();
    plan_ = nullptr;
}

std::size_t Tally::Entry(const Column& column, const Rule& rule) {
    const auto [at, added] = byRule_.try_emplace(&rule, file().rules.size());
    if (!added) return at->second;
    RuleTally& tally = file().rules.emplace_back();
    tally.label = column.label;
    tally.field = column.field;
    tally.name = column.name;
    tally.operation = JsonName(rule);
    if (RowOf(rule).parameter == Parameter::Number) tally.limit = rule.limit;
    if (RowOf(rule).parameter == Parameter::Text) tally.text = rule.text;
    tally.namesKinds = NamesKinds(rule);
    tally.measures = Measures(rule);
    return at->second;
}

// What the record as a whole fails, or a column's converting: found by name, which is rare.
std::size_t Tally::Entry(const Column* column, std::string_view operation) {
    std::vector<RuleTally>& rules = file().rules;
    const std::string_view label = column != nullptr ? std::string_view(column->label) : "";
    for (std::size_t k = 0; k < rules.size(); ++k) {
        if (rules[k].ofRecord && rules[k].operation == operation && rules[k].label == label &&
            rules[k].field == (column != nullptr ? column->field : 0)) {
            return k;
        }
    }
    RuleTally& tally = rules.emplace_back();
    tally.ofRecord = true;
    tally.operation = operation;
    if (column != nullptr) {
        tally.label = column->label;
        tally.field = column->field;
        tally.name = column->name;
    }
    return rules.size() - 1;
}

namespace {

void Measured(RuleTally& tally, long long value) {
    tally.smallest = std::min(tally.smallest, value);
    tally.largest = std::max(tally.largest, value);
    tally.sum += value;
}

}  // namespace

void Tally::Count(RuleTally& tally, bool ok, int measured) {
    if (tally.measures) Measured(tally, measured);
    ++tally.checked;
    if (!ok) ++tally.failing;
}

void Tally::Settle() {
    for (const std::size_t entry : planEntries_) file().rules[entry].checked += passed_;
    passed_ = 0;
}

void Tally::Passed(const Plan& plan, std::span<const int> measured, unsigned long long records) {
    if (&plan != plan_) {
        Settle();
        plan_ = &plan;
        planEntries_.clear();
        planMeasures_.clear();
        for (const Column& column : plan.columns) {
            for (const Rule& rule : column.rules) {
                if (Corrects(rule)) continue;
                if (Measures(rule))
                    planMeasures_.emplace_back(planEntries_.size(), Entry(column, rule));
                planEntries_.push_back(Entry(column, rule));
            }
        }
    }
    file().records += records;
    passed_ += records;
    for (const auto& [k, entry] : planMeasures_) {
        if (k < measured.size()) Measured(file().rules[entry], measured[k]);
    }
}

// The marked characters of a failed rule: counted, and with the record kept while there is room.
void Tally::Characters(RuleTally& tally, const RecordResult& result, const ColumnResult& column,
                       const RuleResult& rule) {
    const bool keep = tally.kept.size() < keep_;
    const bool count = CountsCharacters(*rule.rule);
    if (!keep && !count) return;
    std::vector<Mark> marks;
    if (RowOf(*rule.rule).excerpt && !rule.positions.empty()) {
        // The excerpt's pieces: its opening, then before, mark, character, mark for each one.
        MarkedExcerptPieces(column.text, rule.positions, pieces_);
        std::size_t note = 0;
        for (std::size_t k = 3; k < pieces_.size(); k += 4) {
            Mark& mark = marks.emplace_back();
            mark.at = static_cast<std::size_t>(pieces_[k].data() - column.text.data());
            mark.width = pieces_[k].size();
            while (note < rule.notes.size() &&
                   rule.notes[note].position < static_cast<int>(mark.at) + 1) {
                ++note;
            }
            if (note < rule.notes.size() &&
                rule.notes[note].position == static_cast<int>(mark.at) + 1) {
                mark.kind = rule.notes[note].kind;
                mark.suggestion = rule.notes[note].fix.Text();
            }
        }
    }
    if (count) {
        for (const Mark& mark : marks) {
            AddCharacter(tally, {std::string(column.text.substr(mark.at, mark.width)), 1, mark.kind,
                                 mark.suggestion, result.record, static_cast<int>(mark.at) + 1});
        }
    }
    if (keep) {
        tally.kept.push_back({result.record, result.line,
                              RowOf(*rule.rule).line(*rule.rule, rule.outcome),
                              std::string(column.text), std::move(marks)});
    }
}

void Tally::Write(const RecordResult& result) {
    const auto fails = [&](std::size_t entry, std::string verdict) {
        RuleTally& tally = file().rules[entry];
        ++tally.failing;
        if (tally.kept.size() < keep_ && !result.ofFile) {
            tally.kept.push_back({result.record, result.line, std::move(verdict), {}, {}});
        }
    };
    for (const FileFault& fault : result.fileFaults) {
        fails(Entry(nullptr, kFileFaults[static_cast<int>(fault.kind)]), FileFaultLine(fault));
    }
    if (result.ofFile) return;
    ++file().records;
    if (!result.passed) ++file().failing;
    if (result.fault) {
        fails(Entry(nullptr, "csv"), FaultLine(*result.fault, result.faultPosition));
        return;
    }
    if (result.fields != result.expectedFields) {
        fails(Entry(nullptr, "field-count"),
              FieldCountLine(static_cast<int>(result.fields),
                             static_cast<int>(result.expectedFields)));
    }
    if (result.length != result.expectedLength) {
        fails(Entry(nullptr, "record-length"),
              RecordLengthLine(result.length, result.expectedLength));
    }
    for (const ColumnResult& column : result.columns) {
        if (!column.lost.empty()) {
            const LostCharacter& lost = column.lost.front();
            fails(Entry(column.column,
                        lost.invalidLength ? "utf-8-invalid" : "cp932-unrepresentable"),
                  LostLine(lost));
        }
        for (const RuleResult& rule : column.rules) {
            RuleTally& tally = file().rules[Entry(*column.column, *rule.rule)];
            Count(tally, rule.outcome.ok, rule.outcome.measured);
            if (!rule.outcome.ok) Characters(tally, result, column, rule);
        }
    }
}

FileTally Tally::Total() const {
    FileTally total;
    total.files = files_.size();
    std::map<std::string, std::size_t> byKey;
    for (const FileTally& file : files_) {
        total.records += file.records;
        total.failing += file.failing;
        for (const RuleTally& rule : file.rules) {
            const std::string key = rule.label + '\n' + std::to_string(rule.field) + '\n' +
                                    rule.operation + '\n' + rule.RuleText() +
                                    (rule.ofRecord ? "\n1" : "\n0");
            const auto [at, added] = byKey.try_emplace(key, total.rules.size());
            if (added) {
                RuleTally& sum = total.rules.emplace_back(rule);
                sum.characters.clear();
                sum.characterIndex.clear();
                sum.kept.clear();
            } else {
                RuleTally& sum = total.rules[at->second];
                sum.smallest = std::min(sum.smallest, rule.smallest);
                sum.largest = std::max(sum.largest, rule.largest);
                sum.sum += rule.sum;
                sum.checked += rule.checked;
                sum.failing += rule.failing;
            }
            for (const CharacterCount& c : rule.characters) {
                AddCharacter(total.rules[at->second], c);
            }
        }
    }
    return total;
}

}  // namespace check
