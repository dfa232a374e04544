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
#include "repair.h"
#include "sink.h"
#include "source.h"
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
    // With --fix, `fixed` and `rejects` (when given) take the records.
    Pipeline(const Options& options, const Environment& env, Output& out, Output* fixed,
             Output* rejects)
        : o_(options),
          env_(env),
          out_(out),
          sink_(o_.json ? JsonSink(out) : TextSink(out)),
          fixed_(fixed),
          rejects_(rejects) {}

    void File(const std::string& path);
    int Status() const { return status_; }

  private:
    void Trouble(const std::string& message) {
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
    int status_ = kAllPassed;
};

void Pipeline::File(const std::string& path) {
    Source source(path, {o_.input, env_.standardInput, env_.chunk});
    name_ = source.name();
    record_ = 0;
    if (source.openError() != 0) {
        Trouble(path + ": " + std::strerror(source.openError()));
        return;
    }
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
    Plan plan = PlanColumns(o_.columns, o_.columnsGiven, o_.all);
    if (o_.format == Format::Zengin) {
        kindPlans_.clear();
        for (const std::vector<ColumnSpec>& layout : TheZenginLayouts().kinds) {
            kindPlans_.push_back(PlanColumns(layout, true, o_.all));
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
    if (!o_.header || TakeHeader(*reader, judge, decoder, plan)) {
        Records(*reader, judge, plan, decoder);
    }
    if (reader->error() != 0) {
        Trouble(path + ": " + std::strerror(reader->error()));
    } else if (transfer_ && !out_.failed()) {
        EndOfTransferFile();
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
    status_ = std::max(status_, kSomeFailed);
    sink_->Write(result);
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
        o_.columns, o_.columnsGiven, o_.all,
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
    const std::unique_ptr<FastPath> fast =
        ChooseFastPath(o_.quiet && !corrected_, NeedsFields(o_.columns) || o_.header || o_.csv,
                       o_.csv, plan, decoder, env_.maxRecord);
    Record record;
    // Reading stops at once when the output fails: nothing more could be reported.
    while (!out_.failed()) {
        if (fast) {
            const kernels::RecordsPrefix confirmed = fast->Confirm(reader);
            record_ += confirmed.records;
            reader.Pass(confirmed.end, confirmed.records);
        }
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
    // corrections change only what a check rejects, so it is written as read.
    const bool passes = (o_.quiet || corrected_) && faults_.empty() &&
                        (program ? program->Passes(record.raw) : judge.Passes(record, plan));
    if (corrected_ && !passes) return Fix(record, judge, plan);
    if (corrected_) {
        RecordResult asRead;
        asRead.source = &record;
        corrected_->Write(asRead);
    }
    if (o_.quiet && passes) return;
    RecordResult result = judge.Judge(record, plan);
    result.file = name_;
    result.record = record_;
    result.fileFaults = faults_;
    result.passed = result.passed && faults_.empty();
    if (!result.passed) status_ = std::max(status_, kSomeFailed);
    if (!o_.quiet || !result.passed) sink_->Write(result);
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
    if (!result.passed) status_ = std::max(status_, kSomeFailed);
    corrected_->Write(result);
    if (o_.quiet && result.passed && result.changes.empty()) return;
    result.onlyChanges = o_.quiet && result.passed;
    sink_->Write(result);
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
int CheckFiles(const Options& o, const Environment& env, Output& out) {
    FixFiles fix;
    if (!o.fixFile.empty()) {
        if (const std::string error = fix.Open(o, env); !error.empty()) {
            Say(env, o.output, error + " (see --help)");
            return kTrouble;
        }
    }
    // Standard output holds the corrected records; the report goes beside the messages.
    std::optional<Output> toError;
    if (o.fixFile == "-") toError.emplace(env.err, o.json ? Encoding::Utf8 : o.output);
    Output& report = toError ? *toError : out;
    Pipeline pipeline(o, env, report, fix.fixed(), fix.rejects());
    const std::vector<std::string> standardInput = {"-"};
    for (const std::string& file : o.files.empty() ? standardInput : o.files) {
        if (report.failed()) break;
        pipeline.File(file);
    }
    int status = pipeline.Status();
    if (o.fixFile.empty()) return status;
    std::string error;
    if (!report.Flush()) {
        error = std::string("write error: ") + std::strerror(report.error());
    } else if (status != kTrouble) {
        error = fix.Commit(o);
    }
    if (status == kTrouble || !error.empty()) {
        if (!error.empty()) Say(env, o.output, error);
        if (o.fixFile != "-") {
            Say(env, o.output, o.fixFile + " not written");
        }
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
