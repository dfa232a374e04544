// The check stage: one record and the plan in, the record's result out. One path decides
// whether a record passes, whether or not its result is wanted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plan.h"
#include "record.h"
#include "result.h"
#include "source.h"

namespace check {

class RecordJudge {
  public:
    explicit RecordJudge(const Decoder& decoder) : decoder_(decoder) {}

    // Whether the record passes every rule of the plan, found the way Judge finds it but
    // stopping at the first failure, with no positions or notes gathered.
    bool Passes(const Record& record, const Plan& plan);
    // The same, with what each check of the plan measured (0 for what measures nothing), in
    // the order of its columns and rules, in `measured` where the record passes.
    bool Passes(const Record& record, const Plan& plan, std::vector<int>& measured);

    // Everything the plan finds in the record; valid until the next call.
    const RecordResult& Judge(const Record& record, const Plan& plan);
    // The same over the columns' texts as given, one per column in code page 932, with what
    // decoding them lost: the texts as corrected.
    const RecordResult& Judge(const Record& record, const Plan& plan,
                              std::span<const std::string_view> texts,
                              std::span<const std::vector<LostCharacter>> lost);

  private:
    // kFull: gather everything, else stop at the first failure.
    template <bool kFull>
    bool Run(const Record& record, const Plan& plan);
    void Notes(const Rule& rule, std::string_view text, int symbolsAllowed, std::size_t from);
    void MakeSpans(const Plan& plan);

    Decoder decoder_;
    std::span<const std::string_view> givenTexts_;
    std::span<const std::vector<LostCharacter>> givenLost_;
    std::vector<int>* measured_ = nullptr;  // where Passes gives what the checks measured
    RecordResult result_;
    // Reused for every record; the spans of result_ are made once they are whole.
    std::vector<std::string> converted_;
    std::vector<std::vector<LostCharacter>> lost_;
    std::vector<std::string_view> texts_;
    std::vector<RuleResult> rules_;
    std::vector<std::size_t> ruleEnds_;  // per column: the end of its rules in rules_
    std::vector<int> positions_;
    std::vector<std::size_t> positionEnds_;  // per rule: the end of its positions
    std::vector<RejectedNote> notes_;
    std::vector<std::size_t> noteEnds_;  // per rule: the end of its notes
    std::vector<ColumnResult> columns_;
};

}  // namespace check
