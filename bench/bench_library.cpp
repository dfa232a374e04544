// libkestrune's C interface beside the core called directly: the same check of the same names,
// the interface through libkestrune.so as a C program links it, the core as kestrune-check's
// record loop calls its check stage. Both gather every verdict, the positions, kinds and fixes
// of a failure; the difference is what the interface costs.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"
#include "judge.h"
#include "kestrune.h"
#include "repertoire.h"
#include "suggest.h"

namespace {

// 100,000 names in full-width katakana, 3 to 8 characters with a space between family and
// given name, about one in a hundred with a hiragana or a half-width kana in it.
const std::vector<std::string>& Names(bool utf8) {
    static std::vector<std::string> names[2];
    std::vector<std::string>& out = names[utf8];
    if (!out.empty()) return out;
    std::mt19937 random(23);
    const std::string kana =
        "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワ"
        "ン";
    const std::string wrong[] = {"あ", "ｶ", "ﾀﾞ", "A"};
    for (int k = 0; k < 100000; ++k) {
        std::string name;
        const int length = 3 + static_cast<int>(random() % 6);
        for (int c = 0; c < length; ++c) {
            if (c == 2) name += "　";
            name += kana.substr(3 * (random() % (kana.size() / 3)), 3);
        }
        if (random() % 100 == 0) name += wrong[random() % 4];
        out.push_back(utf8 ? name : Utf8ToCp932(name));
    }
    return out;
}

constexpr const char* kList = "full-katakana,max-bytes=40,required";

// The core as kestrune-check calls it for each record: the check stage, with a plan of one
// column (the whole record) and the rules, gathering the same verdicts, positions, kinds and
// fixes as the interface gives.
struct Core {
    std::vector<check::ColumnSpec> specs{1};
    check::Plan plan;
    check::RecordJudge judge;

    Core(std::string_view list, bool utf8)
        : judge(check::Decoder(utf8 ? check::Encoding::Utf8 : check::Encoding::Cp932)) {
        std::string error;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            specs[0].rules.push_back(*check::ParseRule(list.substr(0, comma), error));
            list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        }
        plan = check::PlanColumns(specs, false, false);
    }
    int Check(std::string_view text) {
        check::Record record;
        record.raw = text;
        const check::RecordResult& result = judge.Judge(record, plan);
        return result.passed ? 0 : 1;
    }
};

// The rule rows alone, as a program of its own might call them: the verdict, and for a rule that
// fails its first position with its kind and fix, but no record of each rule's result.
struct Bare {
    std::vector<check::Rule> rules;
    std::vector<int> positions;
    std::string converted;
    std::vector<LostCharacter> lost;

    explicit Bare(std::string_view list) {
        std::string error;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            rules.push_back(*check::ParseRule(list.substr(0, comma), error));
            list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        }
    }
    int Check(std::string_view text, bool utf8) {
        if (utf8) text = check::Decoder(check::Encoding::Utf8).Decode(text, converted, lost);
        int first = 0;
        for (const check::Rule& rule : rules) {
            const check::RuleRow& row = check::RowOf(rule);
            if (row.evaluate(rule, text, 1, nullptr)) continue;
            positions.clear();
            check::RuleFindings found{positions, false};
            row.evaluate(rule, text, 1, &found);
            if (check::NotesRejected(rule) && !positions.empty()) {
                const auto at = static_cast<std::size_t>(positions[0]) - 1;
                benchmark::DoNotOptimize(KindAt(text, at));
                benchmark::DoNotOptimize(SuggestFix(rule.operation, text, at, 1));
            }
            if (first == 0) first = found.position;
        }
        return first + static_cast<int>(lost.size());
    }
};

void Interface(benchmark::State& state, const char* operation, bool utf8) {
    const std::vector<std::string>& names = Names(utf8);
    kestrune_result* result = kestrune_result_new();
    kestrune_rules* rules = nullptr;
    kestrune_rules_parse(operation == nullptr ? kList : operation, &rules, nullptr, 0);
    const unsigned flags = utf8 ? KESTRUNE_UTF8 : 0;
    for (auto _ : state) {
        long failed = 0;
        for (const std::string& name : names) {
            if (operation != nullptr) {
                kestrune_check(operation, name.data(), name.size(), flags, result);
            } else {
                kestrune_rules_check(rules, name.data(), name.size(), flags, result);
            }
            failed += kestrune_result_position(result);
        }
        benchmark::DoNotOptimize(failed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(names.size()));
    kestrune_rules_free(rules);
    kestrune_result_free(result);
}

void Direct(benchmark::State& state, const char* operation, bool utf8) {
    const std::vector<std::string>& names = Names(utf8);
    Core core(operation == nullptr ? kList : operation, utf8);
    for (auto _ : state) {
        long failed = 0;
        for (const std::string& name : names) failed += core.Check(name);
        benchmark::DoNotOptimize(failed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(names.size()));
}

void RuleRows(benchmark::State& state, const char* operation, bool utf8) {
    const std::vector<std::string>& names = Names(utf8);
    Bare bare(operation == nullptr ? kList : operation);
    for (auto _ : state) {
        long failed = 0;
        for (const std::string& name : names) failed += bare.Check(name, utf8);
        benchmark::DoNotOptimize(failed);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(names.size()));
}

}  // namespace

BENCHMARK_CAPTURE(Interface, operation, "full-katakana", false);
BENCHMARK_CAPTURE(Direct, operation, "full-katakana", false);
BENCHMARK_CAPTURE(RuleRows, operation, "full-katakana", false);
BENCHMARK_CAPTURE(Interface, rules, nullptr, false);
BENCHMARK_CAPTURE(Direct, rules, nullptr, false);
BENCHMARK_CAPTURE(RuleRows, rules, nullptr, false);
BENCHMARK_CAPTURE(Interface, rules_utf8, nullptr, true);
BENCHMARK_CAPTURE(Direct, rules_utf8, nullptr, true);
BENCHMARK_CAPTURE(RuleRows, rules_utf8, nullptr, true);

BENCHMARK_MAIN();
