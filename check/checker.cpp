// The pipeline: for each file a source, a reader of its records, the plan (settled by the
// header where there is one), the check stage and a sink, with the fast path where the plan
// has one.
#include "checker.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "cp932.h"
#include "csv.h"
#include "fast_path.h"
#include "fixed.h"
#include "judge.h"
#include "lines.h"
#include "options.h"
#include "output.h"
#include "plan.h"
#include "platform.h"
#include "progress.h"
#include "repair.h"
#include "sink.h"
#include "source.h"
#include "summary.h"
#include "zengin.h"

namespace check {

namespace {

// One line on standard error. The names in it are written as the results write them (in the
// output encoding where names are UTF-8), and a console shows its characters.
void Say(const Environment& env, Encoding encoding, const std::string& message) {
    Output err(env.err, encoding);
    err.Name("kestrune-check: " + message + "\n");
}

class Pipeline {
  public:
    // With --fix, `fixed` and `rejects` (when given) take the records; with --summary or
    // --report, `tally` adds them up.
    Pipeline(const Options& options, const Environment& env, Output& out, Output* fixed,
             Output* rejects, Tally* tally, Progress& progress)
        : o_(options),
          env_(env),
          out_(out),
          sink_(o_.summary ? nullptr
                : o_.json  ? JsonSink(out)
                           : TextSink(out)),
          fixed_(fixed),
          rejects_(rejects),
          tally_(tally),
          progress_(progress),
          all_(o_.all || tally != nullptr) {}

    void File(const std::string& path);
    int Status() const { return status_; }

  private:
    void Trouble(const std::string& message) {
        progress_.Erase();
        out_.Flush();
        Say(env_, o_.output, message);
        status_ = kTrouble;
    }
    std::unique_ptr<RecordReader> Reader(Source& source) const;
    RecordReader::Status Next(RecordReader& reader, Record& record);
    bool TakeHeader(RecordReader& reader, RecordJudge& judge, const Decoder& decoder, Plan& plan);
    void Records(RecordReader& reader, RecordJudge& judge, const Plan& plan,
                 const Decoder& decoder);
    void Report(const Record& record, RecordJudge& judge, const Plan& plan);
    void Fix(const Record& record, RecordJudge& judge, const Plan& plan);
    void Emit(const RecordResult& result, bool shown);
    const RecordResult& Shown(const RecordResult& result);
    // Whether the tally wants what the plan's checks measure of every record; asked for each
    // record, so found once a plan.
    bool Measuring(const Plan& plan) {
        if (&plan != measuringPlan_) {
            measuringPlan_ = &plan;
            measuring_ = tally_ != nullptr &&
                         std::any_of(plan.columns.begin(), plan.columns.end(), [](const Column& c) {
                             return std::any_of(c.rules.begin(), c.rules.end(), Measures);
                         });
        }
        return measuring_;
    }
    // The plan of a record, and its compiled verdict where there is one.
    std::pair<const Plan*, const RecordProgram*> PlanFor(const Record& record,
                                                         const Plan& plan) const;
    void EndOfTransferFile();

    const Options& o_;
    const Environment& env_;
    Output& out_;
    std::unique_ptr<Sink> sink_;
    Output* fixed_;
    Output* rejects_;
    std::unique_ptr<Sink> corrected_;  // with --fix
    std::optional<Repairer> repairer_;
    // A bank transfer file: a plan for each kind of record, one for the rest, and what only the
    // whole file shows.
    std::vector<Plan> kindPlans_;
    std::vector<std::optional<RecordProgram>> kindPrograms_;
    std::optional<RecordProgram> program_;  // for fixed-width records in code page 932
    std::optional<TransferFile> transfer_;
    std::vector<FileFault> faults_;
    std::string name_;
    unsigned long long record_ = 0;
    unsigned long long failing_ = 0;  // records of the file, for the progress line
    int status_ = kAllPassed;
    Tally* tally_;
    Progress& progress_;
    // The tally counts every rejected character, so the checks find them all; the lines show
    // them all only with --all (Shown).
    bool all_;
    std::vector<int> measured_;
    const Plan* measuringPlan_ = nullptr;  // the plan Measuring() last looked at, and its answer
    bool measuring_ = false;
    const ReadBuffer* bytes_ = nullptr;
    RecordResult shown_;
    std::vector<ColumnResult> shownColumns_;
    std::vector<RuleResult> shownRules_;
};

void Pipeline::File(const std::string& path) {
    Source source(path, {o_.input, env_.standardInput, env_.chunk});
    name_ = source.name();
    record_ = 0;
    if (source.openError() != 0) {
        Trouble(path + ": " + std::strerror(source.openError()));
        return;
    }
    if (tally_ != nullptr) tally_->Begin(name_);
    failing_ = 0;
    bytes_ = &source.bytes();
    progress_.Start(source.size());
    const std::string hint = source.Start();
    if (!hint.empty()) Say(env_, o_.output, hint);
    const Decoder decoder = source.decoder();
    const std::unique_ptr<RecordReader> reader = Reader(source);
    if (fixed_ != nullptr) {
        corrected_ = CorrectedRecordsSink(
            *fixed_, rejects_,
            {o_.csv, o_.delimiter, decoder.utf8(), source.skippedSignature(), o_.fixedWidth > 0});
        repairer_.emplace(decoder, o_.delimiter, o_.csv);
    }
    RecordJudge judge(decoder);
    Plan plan = PlanColumns(o_.columns, o_.columnsGiven, all_);
    if (o_.format == Format::Zengin) {
        kindPlans_.clear();
        for (const std::vector<ColumnSpec>& layout : TheZenginLayouts().kinds) {
            kindPlans_.push_back(PlanColumns(layout, true, all_));
        }
        transfer_.emplace();
    }
    // Fixed-width records as read are what the checks see only in code page 932.
    program_.reset();
    kindPrograms_.clear();
    if (o_.fixedWidth > 0 && !decoder.utf8()) {
        program_ = RecordProgram::For(plan, o_.fixedWidth);
        for (const Plan& p : kindPlans_)
            kindPrograms_.push_back(RecordProgram::For(p, o_.fixedWidth));
    }
    measuringPlan_ = nullptr;  // a plan of this file's
    if (!o_.header || TakeHeader(*reader, judge, decoder, plan)) {
        measuringPlan_ = nullptr;
        Records(*reader, judge, plan, decoder);
    }
    if (reader->error() != 0) {
        Trouble(path + ": " + std::strerror(reader->error()));
    } else if (transfer_ && !out_.failed()) {
        EndOfTransferFile();
    }
    progress_.Erase();
    if (tally_ != nullptr) tally_->Settle();
    if (o_.summary && o_.json) {
        WriteSummaryJson(out_, tally_->files().back());
    } else if (o_.summary) {
        if (tally_->files().size() > 1) out_.Raw("\n");
        WriteSummary(out_, tally_->files().back());
    }
}

// A bank transfer file's record is checked by the layout of its kind; one of no kind by the
// plan of no columns, and found out of order.
std::pair<const Plan*, const RecordProgram*> Pipeline::PlanFor(const Record& record,
                                                               const Plan& plan) const {
    const std::optional<int> kind = transfer_ ? ZenginKind(record) : std::nullopt;
    if (!kind) return {&plan, program_ ? &*program_ : nullptr};
    const auto k = static_cast<std::size_t>(*kind);
    const RecordProgram* program =
        k < kindPrograms_.size() && kindPrograms_[k] ? &*kindPrograms_[k] : nullptr;
    return {&kindPlans_[k], program};
}

// What the end of a bank transfer file shows: a trailer or an end record still missing.
void Pipeline::EndOfTransferFile() {
    faults_.clear();
    transfer_->End(faults_);
    if (faults_.empty()) return;
    RecordResult result;
    result.file = name_;
    result.record = record_;
    result.passed = false;
    result.fileFaults = faults_;
    result.ofFile = true;
    status_ = std::max(status_, kSomeFailed);
    Emit(result, true);
}

std::unique_ptr<RecordReader> Pipeline::Reader(Source& source) const {
    const bool pairs = source.decoder().PairsLeadBytes();
    if (o_.csv) {
        return std::make_unique<CsvReader>(source.bytes(), o_.delimiter, pairs, env_.maxRecord);
    }
    if (o_.fixedWidth > 0) {
        return std::make_unique<FixedReader>(source.bytes(), o_.fixedWidth, o_.recordEnd,
                                             env_.maxRecord);
    }
    const bool fields = NeedsFields(o_.columns) || o_.header;
    return std::make_unique<LineReader>(source.bytes(),
                                        LineSettings{o_.delimiter, fields, pairs, env_.maxRecord});
}

// The next record; one longer than the limit is refused (positions are 32-bit) and TooLong.
RecordReader::Status Pipeline::Next(RecordReader& reader, Record& record) {
    RecordReader::Status status = reader.Next(record);
    if (status == RecordReader::Status::Record && record.raw.size() > env_.maxRecord) {
        status = RecordReader::Status::TooLong;
    }
    if (status == RecordReader::Status::Record || status == RecordReader::Status::TooLong) {
        ++record_;
    }
    if (status == RecordReader::Status::TooLong) {
        Trouble(name_ + ":" + std::to_string(record_) + ": record longer than " +
                std::to_string(env_.maxRecord) + " bytes, not checked");
    }
    return status;
}

// The first record names the fields and is not checked; one that cannot be read as fields
// names none, and is reported. False when the rest of the file is not to be checked.
bool Pipeline::TakeHeader(RecordReader& reader, RecordJudge& judge, const Decoder& decoder,
                          Plan& plan) {
    Record record;
    RecordReader::Status status;
    while ((status = Next(reader, record)) == RecordReader::Status::TooLong) {
        if (out_.failed()) return false;
    }
    if (status != RecordReader::Status::Record) return false;
    std::string error;
    std::optional<Plan> named = PlanWithHeader(
        o_.columns, o_.columnsGiven, all_,
        record.fault ? std::span<const std::string_view>() : record.fields, decoder, error);
    if (named) {
        plan = std::move(*named);
    } else {
        Trouble(name_ + ": " + error);
    }
    if (record.fault) {
        Report(record, judge, plan);
    } else if (corrected_) {
        corrected_->Header(record);
    }
    return named.has_value();
}

void Pipeline::Records(RecordReader& reader, RecordJudge& judge, const Plan& plan,
                       const Decoder& decoder) {
    // A fast path measures nothing: not where the tally wants the measurements.
    const std::unique_ptr<FastPath> fast = ChooseFastPath(
        (o_.quiet || o_.summary) && !corrected_ && !Measuring(plan),
        NeedsFields(o_.columns) || o_.header || o_.csv, o_.csv, plan, decoder, env_.maxRecord);
    Record record;
    // Reading stops at once when the output fails: nothing more could be reported.
    while (!out_.failed()) {
        if (fast) {
            const kernels::RecordsPrefix confirmed = fast->Confirm(reader);
            record_ += confirmed.records;
            reader.Pass(confirmed.end, confirmed.records);
            if (tally_ != nullptr && confirmed.records > 0) {
                tally_->Passed(plan, {}, confirmed.records);
            }
        }
        progress_.Update(bytes_->read(), record_, failing_);
        const RecordReader::Status status = Next(reader, record);
        if (status == RecordReader::Status::Record) {
            Report(record, judge, plan);
        } else if (status != RecordReader::Status::TooLong) {
            return;
        }
    }
}

// The record through the check stage and into the sink.
void Pipeline::Report(const Record& record, RecordJudge& judge, const Plan& planOfFile) {
    const auto [chosen, program] = PlanFor(record, planOfFile);
    const Plan& plan = *chosen;
    faults_.clear();
    if (transfer_) transfer_->Record(record, faults_);
    // Where only failures print, a record that passes is done with before its result is built;
    // corrections change only what a check rejects, so it is written as read. The tally still
    // counts it, with what its checks measured where it wants that.
    const bool onlyFailures = o_.quiet || o_.summary;
    bool passes = false;
    std::span<const int> measured;
    if ((onlyFailures || corrected_) && faults_.empty()) {
        if (Measuring(plan)) {
            passes = judge.Passes(record, plan, measured_);
            measured = measured_;
        } else {
            passes = program ? program->Passes(record.raw) : judge.Passes(record, plan);
        }
    }
    if (corrected_ && !passes) return Fix(record, judge, plan);
    if (corrected_) {
        RecordResult asRead;
        asRead.source = &record;
        corrected_->Write(asRead);
    }
    if (onlyFailures && passes) {
        if (tally_ != nullptr) tally_->Passed(plan, measured, 1);
        return;
    }
    RecordResult result = judge.Judge(record, plan);
    result.file = name_;
    result.record = record_;
    result.fileFaults = faults_;
    result.passed = result.passed && faults_.empty();
    if (!result.passed) {
        status_ = std::max(status_, kSomeFailed);
        ++failing_;
    }
    Emit(result, !o_.quiet || !result.passed);
}

// A result to the tally, and where `shown` to the lines.
void Pipeline::Emit(const RecordResult& result, bool shown) {
    if (tally_ != nullptr) tally_->Write(result);
    if (!shown || !sink_) return;
    progress_.Erase();
    sink_->Write(Shown(result));
}

// The result as the lines show it: with the first rejected position of each check only, unless
// --all asked for every one (the tally has them all).
const RecordResult& Pipeline::Shown(const RecordResult& result) {
    if (all_ == o_.all) return result;
    shown_ = result;
    shown_.all = false;
    shownColumns_.clear();
    shownRules_.clear();
    std::size_t rules = 0;
    for (const ColumnResult& column : result.columns) rules += column.rules.size();
    shownRules_.reserve(rules);  // the columns' spans point into it
    for (const ColumnResult& column : result.columns) {
        const std::size_t from = shownRules_.size();
        for (RuleResult rule : column.rules) {
            rule.positions = rule.positions.first(std::min<std::size_t>(1, rule.positions.size()));
            rule.notes = rule.notes.first(std::min<std::size_t>(1, rule.notes.size()));
            shownRules_.push_back(rule);
        }
        ColumnResult& shown = shownColumns_.emplace_back(column);
        shown.rules = std::span(shownRules_).subspan(from, column.rules.size());
    }
    shown_.columns = shownColumns_;
    return shown_;
}

// The record corrected, judged as corrected, written, and its changes and what is still wrong
// reported.
void Pipeline::Fix(const Record& record, RecordJudge& judge, const Plan& plan) {
    repairer_->Repair(record, plan);
    RecordResult result = judge.Judge(record, plan, repairer_->texts(), repairer_->lost());
    result.file = name_;
    result.record = record_;
    result.fileFaults = faults_;
    result.passed = result.passed && faults_.empty();
    result.source = &record;
    if (!record.fault) result.changes = repairer_->changes();
    if (!result.passed) {
        status_ = std::max(status_, kSomeFailed);
        ++failing_;
    }
    corrected_->Write(result);
    if (tally_ != nullptr) tally_->Write(result);
    if (!sink_ || (o_.quiet && result.passed && result.changes.empty())) return;
    result.onlyChanges = o_.quiet && result.passed;
    progress_.Erase();
    sink_->Write(Shown(result));
}

// The files --fix writes, each whole beside its name until the run is over.
class FixFiles {
  public:
    // A usage error, or "" when each is open.
    std::string Open(const Options& o, const Environment& env);
    Output* fixed() { return fixed_ ? &*fixed_ : nullptr; }
    Output* rejects() { return rejects_ ? &*rejects_ : nullptr; }
    // Renames each over its name once all of it is written; what went wrong, or "".
    std::string Commit(const Options& o);

  private:
    platform::ReplacingFile fixedFile_, rejectsFile_;
    std::optional<Output> fixed_, rejects_;
};

std::string FixFiles::Open(const Options& o, const Environment& env) {
    const bool standardInput = o.files.empty() || o.files[0] == "-";
    const std::optional<platform::FileId> input = standardInput
                                                      ? platform::IdOfDescriptor(env.standardInput)
                                                      : platform::IdOfPath(o.files[0]);
    const auto isInput = [&](const std::optional<platform::FileId>& id) {
        return input && id && *id == *input;
    };
    if (o.fixFile == "-" ? isInput(platform::IdOfDescriptor(fileno(env.out)))
                         : isInput(platform::IdOfPath(o.fixFile))) {
        return "--fix " + o.fixFile + " is the input itself";
    }
    if (!o.rejectsFile.empty() && isInput(platform::IdOfPath(o.rejectsFile))) {
        return "--rejects " + o.rejectsFile + " is the input itself";
    }
    int error = 0;
    if (o.fixFile == "-") {
        fixed_.emplace(env.out, o.fixEncoding);
    } else if (fixedFile_.Open(o.fixFile, error)) {
        fixed_.emplace(fixedFile_.stream(), o.fixEncoding);
    } else {
        return "--fix " + o.fixFile + ": " + std::strerror(error);
    }
    if (o.rejectsFile.empty()) return {};
    if (!rejectsFile_.Open(o.rejectsFile, error)) {
        return "--rejects " + o.rejectsFile + ": " + std::strerror(error);
    }
    rejects_.emplace(rejectsFile_.stream(), Encoding::Cp932);  // bytes as read, never converted
    return {};
}

std::string FixFiles::Commit(const Options& o) {
    int error = 0;
    if (!fixed_->Flush()) return o.fixFile + ": " + std::strerror(fixed_->error());
    if (rejects_ && !rejects_->Flush()) {
        return o.rejectsFile + ": " + std::strerror(rejects_->error());
    }
    if (o.fixFile != "-" && !fixedFile_.Commit(error)) {
        return o.fixFile + ": " + std::strerror(error);
    }
    if (rejects_ && !rejectsFile_.Commit(error)) return o.rejectsFile + ": " + std::strerror(error);
    return {};
}

// Every file through the pipeline; with --fix, the corrected file put in place only when the
// whole input was read and all of it written.
// The page --report writes: refused over an input, and written beside its name, which it takes
// only once the whole run is over and all of it is written.
class ReportFile {
  public:
    // A usage error, or "" when it is open.
    std::string Open(const Options& o, const Environment& env) {
        const auto isInput = [&](const std::string& file) {
            const std::optional<platform::FileId> input =
                file == "-" ? platform::IdOfDescriptor(env.standardInput)
                            : platform::IdOfPath(file);
            return input && input == platform::IdOfPath(o.reportFile);
        };
        const std::vector<std::string> standardInput = {"-"};
        const std::vector<std::string>& files = o.files.empty() ? standardInput : o.files;
        if (std::any_of(files.begin(), files.end(), isInput)) {
            return "--report " + o.reportFile + " is an input";
        }
        int error = 0;
        if (!file_.Open(o.reportFile, error))
            return "--report " + o.reportFile + ": " + std::strerror(error);
        return {};
    }
    // The page, written and renamed over its name; what went wrong, or "".
    std::string Commit(const Options& o, const Tally& tally, const FileTally* total) {
        Output page(file_.stream(), Encoding::Utf8);
        WriteReport(page, {o.arguments}, tally.files(), total);
        int error = 0;
        if (!page.Flush()) return o.reportFile + ": " + std::strerror(page.error());
        if (!file_.Commit(error)) return o.reportFile + ": " + std::strerror(error);
        return {};
    }

  private:
    platform::ReplacingFile file_;
};

// Every file through the pipeline; with --fix, the corrected file put in place only when the
// whole input was read and all of it written, and so the page of --report.
int CheckFiles(const Options& o, const Environment& env, Output& out) {
    FixFiles fix;
    if (!o.fixFile.empty()) {
        if (const std::string error = fix.Open(o, env); !error.empty()) {
            Say(env, o.output, error + " (see --help)");
            return kTrouble;
        }
    }
    ReportFile page;
    if (!o.reportFile.empty()) {
        if (const std::string error = page.Open(o, env); !error.empty()) {
            Say(env, o.output, error + " (see --help)");
            return kTrouble;
        }
    }
    // Standard output holds the corrected records; the report goes beside the messages.
    std::optional<Output> toError;
    if (o.fixFile == "-") toError.emplace(env.err, o.json ? Encoding::Utf8 : o.output);
    Output& report = toError ? *toError : out;
    // The page keeps the first failing records of each rule; the summary none.
    std::optional<Tally> tally;
    if (o.summary || !o.reportFile.empty()) tally.emplace(o.reportFile.empty() ? 0 : 100);
    Progress progress(env.err, report, !o.noProgress && platform::IsTerminal(env.err));
    Pipeline pipeline(o, env, report, fix.fixed(), fix.rejects(), tally ? &*tally : nullptr,
                      progress);
    const std::vector<std::string> standardInput = {"-"};
    for (const std::string& file : o.files.empty() ? standardInput : o.files) {
        if (report.failed()) break;
        pipeline.File(file);
    }
    int status = pipeline.Status();
    std::optional<FileTally> total;
    if (tally && tally->files().size() > 1) total = tally->Total();
    if (o.summary && total && o.json) {
        WriteSummaryJson(report, *total);
    } else if (o.summary && total) {
        report.Raw("\n");
        WriteSummary(report, *total);
    }
    if (o.fixFile.empty() && o.reportFile.empty()) return status;
    std::string error;
    if (!report.Flush()) {
        error = std::string("write error: ") + std::strerror(report.error());
    } else if (status != kTrouble && !o.fixFile.empty()) {
        error = fix.Commit(o);
    }
    if (error.empty() && status != kTrouble && !o.reportFile.empty()) {
        error = page.Commit(o, *tally, total ? &*total : nullptr);
    }
    if (status == kTrouble || !error.empty()) {
        if (!error.empty()) Say(env, o.output, error);
        if (!o.fixFile.empty() && o.fixFile != "-") Say(env, o.output, o.fixFile + " not written");
        if (!o.reportFile.empty()) Say(env, o.output, o.reportFile + " not written");
        status = kTrouble;
    }
    return status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, const Environment& env) {
    const ParsedOptions parsed = ParseOptions(args, env.localeOutput);
    // The results in JSON are UTF-8 whatever the output encoding; a console is told so.
    const bool json = parsed.action == Action::Check && parsed.options.json;
    Output out(env.out, json ? Encoding::Utf8 : parsed.options.output);
    int status = kAllPassed;
    try {
        switch (parsed.action) {
            case Action::Help:
                out.Raw(parsed.options.output == Encoding::Cp932 ? Utf8ToCp932(HelpText())
                                                                 : HelpText());
                break;
            case Action::Version:
                out.Raw(VersionText());
                break;
            case Action::UsageError:
                Say(env, parsed.options.output, parsed.error + " (see --help)");
                return kTrouble;
            case Action::Check:
                status = CheckFiles(parsed.options, env, out);
                break;
        }
    } catch (const std::bad_alloc&) {
        out.Flush();
        std::fprintf(env.err, "kestrune-check: out of memory\n");
        return kTrouble;
    }
    if (!out.Flush()) {
        Say(env, parsed.options.output, std::string("write error: ") + std::strerror(out.error()));
        return kTrouble;
    }
    return status;
}

}  // namespace check
