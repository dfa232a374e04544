// What --summary and --report add up: for each file, and each column and rule in it, the
// records checked and failing, the rejected characters by how often they occur, what the
// measurements measured, and for the report the first failing records. The tally is a sink that
// only counts; the summary's table and JSON (summary_sink.cpp) and the report's page
// (report_sink.cpp) are written from what it holds.
#pragma once

#include <climits>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output.h"
#include "repertoire.h"
#include "sink.h"

namespace check {

// One rejected character, by its bytes, over all the records.
struct CharacterCount {
    std::string character;  // code page 932
    unsigned long long count = 0;
    std::optional<CharacterKind> kind;  // for the checks that name kinds
    std::string suggestion;             // code page 932; empty: none
    unsigned long long record = 0;      // where it is first seen
    int position = 0;
};

// A rejected character of a kept record: where it is in the text, and what is said of it.
struct Mark {
    std::size_t at = 0, width = 0;
    std::optional<CharacterKind> kind;
    std::string suggestion;  // empty: none
};

// A failing record, kept for the report: the text as checked and its result line.
struct KeptRecord {
    unsigned long long record = 0, line = 0;
    std::string verdict;  // code page 932
    std::string text;     // code page 932; empty where the failure has no excerpt
    std::vector<Mark> marks;
};

// One column and rule, or one thing the record as a whole can fail (a malformed CSV record, its
// field count, what converting lost); what it names is what the JSON lines give.
struct RuleTally {
    std::string label;      // the column's label in code page 932; empty: the record or --field
    int field = 0;          // 0: the whole record
    std::string name;       // the header's name for the column, code page 932
    std::string operation;  // as JSON names it: full-katakana, max-bytes, csv, field-count, ...
    int limit = 0;          // max-bytes=N
    std::string text;       // equals=TEXT, code page 932
    bool ofRecord = false;  // every record is checked for it, and only a failure is seen
    bool namesKinds = false;
    bool measures = false;
    unsigned long long checked = 0, failing = 0;
    // What was measured, over `checked` records.
    long long smallest = LLONG_MAX, largest = LLONG_MIN, sum = 0;
    std::vector<CharacterCount> characters;                       // in the order first seen
    std::unordered_map<std::string, std::size_t> characterIndex;  // by their bytes
    std::vector<KeptRecord> kept;

    // What the lines and JSON name it by, such as "max-bytes=30", and the column, such as
    // 口座名義 or "(field 2)", in code page 932.
    std::string RuleText() const;
    std::string ColumnText() const;
    double Mean() const { return checked == 0 ? 0.0 : static_cast<double>(sum) / checked; }
};

struct FileTally {
    std::string name;  // as results name it; empty for the total
    std::size_t files = 1;
    unsigned long long records = 0, failing = 0;
    std::vector<RuleTally> rules;  // the columns' rules in the order of the plan, then the rest
};

// The characters of `rule` from the most frequent down, first seen first among equals.
std::vector<const CharacterCount*> Ranked(const RuleTally& rule);

class Tally final : public Sink {
  public:
    // `keep`: the failing records kept for each rule.
    explicit Tally(std::size_t keep) : keep_(keep) {}

    void Begin(std::string_view file) override;
    void Write(const RecordResult& result) override;
    void Passed(const Plan& plan, std::span<const int> measured,
                unsigned long long records) override;

    // Adds the records that passed unjudged to their rules; before files() is read.
    void Settle();
    const std::vector<FileTally>& files() const { return files_; }
    // Every file's figures added up, column and rule by column and rule.
    FileTally Total() const;

  private:
    std::size_t Entry(const Column& column, const Rule& rule);
    std::size_t Entry(const Column* column, std::string_view operation);
    void Count(RuleTally& tally, bool ok, int measured);
    void Characters(RuleTally& tally, const RecordResult& result, const ColumnResult& column,
                    const RuleResult& rule);
    FileTally& file() { return files_.back(); }

    std::size_t keep_;
    std::vector<FileTally> files_;
    // The entries of the file at hand by rule, and those of the last plan in its order, with
    // the records that passed every one of them since the last Settle(); a record that passes
    // costs one addition, and one for each measurement.
    std::unordered_map<const Rule*, std::size_t> byRule_;
    const Plan* plan_ = nullptr;
    std::vector<std::size_t> planEntries_;
    std::vector<std::pair<std::size_t, std::size_t>> planMeasures_;  // the index in `measured`
    unsigned long long passed_ = 0;
    std::vector<std::string_view> pieces_;
};

// The failing share with one decimal, as the table and the page give it ("" of no records).
std::string ShareText(unsigned long long failing, unsigned long long checked);
// A mean with at most two decimals and no trailing zeros, as the table, JSON and the page give
// it.
std::string MeanText(double mean);

// The summary of one file, or of all of them, as a table in the output encoding (the caller
// puts a blank line between two), or as one JSON object.
void WriteSummary(Output& out, const FileTally& file);
void WriteSummaryJson(Output& out, const FileTally& file);

// What the report's page says of the run besides the tallies.
struct ReportRun {
    std::vector<std::string> arguments;  // the command line, without the program's name
};
// The whole page, in UTF-8.
void WriteReport(Output& page, const ReportRun& run, std::span<const FileTally> files,
                 const FileTally* total);

}  // namespace check
