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
#include "judge.h"
#include "lines.h"
#include "options.h"
#include "output.h"
#include "plan.h"
#include "sink.h"
#include "source.h"

namespace check {

namespace {

class Pipeline {
  public:
    Pipeline(const Options& options, const Environment& env, Output& out)
        : o_(options), env_(env), out_(out), sink_(o_.json ? JsonSink(out) : TextSink(out)) {}

    void File(const std::string& path);
    int Status() const { return status_; }

  private:
    void Trouble(const std::string& message) {
        out_.Flush();
        std::fprintf(env_.err, "kestrune-check: %s\n", message.c_str());
        status_ = kTrouble;
    }
    std::unique_ptr<RecordReader> Reader(Source& source) const;
    RecordReader::Status Next(RecordReader& reader, Record& record);
    bool TakeHeader(RecordReader& reader, RecordJudge& judge, const Decoder& decoder, Plan& plan);
    void Records(RecordReader& reader, RecordJudge& judge, const Plan& plan,
                 const Decoder& decoder);
    void Report(const Record& record, RecordJudge& judge, const Plan& plan);

    const Options& o_;
    const Environment& env_;
    Output& out_;
    std::unique_ptr<Sink> sink_;
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
    if (!hint.empty()) std::fprintf(env_.err, "kestrune-check: %s\n", hint.c_str());
    const Decoder decoder = source.decoder();
    const std::unique_ptr<RecordReader> reader = Reader(source);
    RecordJudge judge(decoder);
    Plan plan = PlanColumns(o_.columns, o_.columnsGiven, o_.all);
    if (!o_.header || TakeHeader(*reader, judge, decoder, plan)) {
        Records(*reader, judge, plan, decoder);
    }
    if (reader->error() != 0) Trouble(path + ": " + std::strerror(reader->error()));
}

std::unique_ptr<RecordReader> Pipeline::Reader(Source& source) const {
    const bool pairs = source.decoder().PairsLeadBytes();
    if (o_.csv) {
        return std::make_unique<CsvReader>(source.bytes(), o_.delimiter, pairs, env_.maxRecord);
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
    if (record.fault) Report(record, judge, plan);
    return named.has_value();
}

void Pipeline::Records(RecordReader& reader, RecordJudge& judge, const Plan& plan,
                       const Decoder& decoder) {
    const std::unique_ptr<FastPath> fast = ChooseFastPath(
        o_.quiet, NeedsFields(o_.columns) || o_.header || o_.csv, plan, decoder, env_.maxRecord);
    Record record;
    // Reading stops at once when the output fails: nothing more could be reported.
    while (!out_.failed()) {
        if (fast) {
            const kernels::RecordsPrefix confirmed = fast->Confirm(reader.Ahead());
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
void Pipeline::Report(const Record& record, RecordJudge& judge, const Plan& plan) {
    // Where only failures print, a record that passes is done with before its result is built.
    if (o_.quiet && judge.Passes(record, plan)) return;
    RecordResult result = judge.Judge(record, plan);
    result.file = name_;
    result.record = record_;
    if (!result.passed) status_ = std::max(status_, kSomeFailed);
    if (!o_.quiet || !result.passed) sink_->Write(result);
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, const Environment& env) {
    const ParsedOptions parsed = ParseOptions(args, env.localeOutput);
    Output out(env.out, parsed.options.output);
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
                std::fprintf(env.err, "kestrune-check: %s (see --help)\n", parsed.error.c_str());
                return kTrouble;
            case Action::Check: {
                Pipeline pipeline(parsed.options, env, out);
                const std::vector<std::string> standardInput = {"-"};
                for (const std::string& file :
                     parsed.options.files.empty() ? standardInput : parsed.options.files) {
                    if (out.failed()) break;
                    pipeline.File(file);
                }
                status = pipeline.Status();
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        out.Flush();
        std::fprintf(env.err, "kestrune-check: out of memory\n");
        return kTrouble;
    }
    if (!out.Flush()) {
        std::fprintf(env.err, "kestrune-check: write error: %s\n", std::strerror(out.error()));
        return kTrouble;
    }
    return status;
}

}  // namespace check
