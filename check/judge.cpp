#include "judge.h"

#include "analysis.h"

namespace check {

const RecordResult& RecordJudge::Judge(const Record& record, const Plan& plan,
                                       std::span<const std::string_view> texts,
                                       std::span<const std::vector<LostCharacter>> lost) {
    givenTexts_ = texts;
    givenLost_ = lost;
    Judge(record, plan);
    givenTexts_ = {};
    givenLost_ = {};
    return result_;
}

const RecordResult& RecordJudge::Judge(const Record& record, const Plan& plan) {
    result_.passed = Run<true>(record, plan);
    result_.line = record.line;
    result_.all = plan.all;
    result_.fault = record.fault;
    result_.faultPosition = record.faultPosition;
    result_.fields = record.fields.size();
    result_.expectedFields = plan.expectedFields.value_or(record.fields.size());
    result_.length = record.raw.size();
    result_.expectedLength = record.expectedLength == 0 ? record.raw.size() : record.expectedLength;
    if (record.fault) {
        result_.columns = {};
    } else {
        MakeSpans(plan);
    }
    return result_;
}

// A record that cannot be read as fields is not checked.
template <bool kFull>
bool RecordJudge::Run(const Record& record, const Plan& plan) {
    if (record.fault) return false;
    bool passed = (!plan.expectedFields || record.fields.size() == *plan.expectedFields) &&
                  (record.expectedLength == 0 || record.raw.size() == record.expectedLength);
    if (!kFull && !passed) return false;
    if (converted_.size() < plan.columns.size()) {
        converted_.resize(plan.columns.size());
        lost_.resize(plan.columns.size());
    }
    if constexpr (kFull) {
        texts_.clear();
        rules_.clear();
        ruleEnds_.clear();
        positions_.clear();
        positionEnds_.clear();
        notes_.clear();
        noteEnds_.clear();
    }
    for (std::size_t k = 0; k < plan.columns.size(); ++k) {
        const Column& column = plan.columns[k];
        const std::string_view text =
            givenTexts_.empty()
                ? decoder_.Decode(FieldText(column, record), converted_[k], lost_[k])
                : givenTexts_[k];
        if (!givenTexts_.empty()) lost_[k] = givenLost_[k];
        passed = passed && lost_[k].empty();
        if (!kFull && !passed) return false;
        for (const Rule& rule : column.rules) {
            if (Corrects(rule)) continue;
            const std::size_t from = positions_.size();
            RuleFindings findings{positions_, plan.all};
            const bool measure = !kFull && measured_ != nullptr && Measures(rule);
            const bool ok = RowOf(rule).evaluate(rule, text, column.symbolsAllowed,
                                                 kFull || measure ? &findings : nullptr);
            passed = passed && ok;
            if constexpr (!kFull) {
                if (!passed) return false;
                if (measured_ != nullptr) measured_->push_back(findings.measured);
            } else {
                rules_.push_back({&rule, {ok, findings.position, findings.measured}, {}, {}});
                positionEnds_.push_back(positions_.size());
                if (!ok && NotesRejected(rule)) {
                    Notes(rule, text, column.symbolsAllowed, from);
                }
                noteEnds_.push_back(notes_.size());
            }
        }
        if constexpr (kFull) {
            texts_.push_back(text);
            ruleEnds_.push_back(rules_.size());
        }
    }
    return passed;
}

bool RecordJudge::Passes(const Record& record, const Plan& plan) {
    return Run<false>(record, plan);
}

bool RecordJudge::Passes(const Record& record, const Plan& plan, std::vector<int>& measured) {
    measured.clear();
    measured_ = &measured;
    const bool passed = Run<false>(record, plan);
    measured_ = nullptr;
    positions_.clear();  // a failed byte limit left its position
    return passed;
}

// The notes on each of a failed rule's positions from `from`. A half-width kana and the voiced
// mark after it get one fix, on the kana.
void RecordJudge::Notes(const Rule& rule, std::string_view text, int symbolsAllowed,
                        std::size_t from) {
    std::size_t fixed = 0;  // the end of what the last fix replaces
    for (std::size_t k = from; k < positions_.size(); ++k) {
        const int p = positions_[k];
        const std::size_t at = static_cast<std::size_t>(p) - 1;
        RejectedNote& note = notes_.emplace_back(RejectedNote{p, std::nullopt, {}, {}});
        note.character = text.substr(at, static_cast<std::size_t>(CharacterWidth(text, at)));
        if (NamesKinds(rule)) note.kind = KindAt(text, at);
        if (at < fixed) continue;
        note.fix = SuggestFix(rule.operation, text, at, symbolsAllowed);
        fixed = at + static_cast<std::size_t>(note.fix.covers);
    }
}

// The spans, now that the vectors behind them are whole.
void RecordJudge::MakeSpans(const Plan& plan) {
    columns_.clear();
    std::size_t rule = 0, position = 0, note = 0;
    for (std::size_t k = 0; k < plan.columns.size(); ++k) {
        const std::span<RuleResult> rules = std::span(rules_).subspan(rule, ruleEnds_[k] - rule);
        for (RuleResult& r : rules) {
            r.positions = std::span(positions_).subspan(position, positionEnds_[rule] - position);
            r.notes = std::span(notes_).subspan(note, noteEnds_[rule] - note);
            position = positionEnds_[rule];
            note = noteEnds_[rule];
            ++rule;
        }
        columns_.push_back({&plan.columns[k], texts_[k], lost_[k], rules});
    }
    result_.columns = columns_;
}

}  // namespace check
