// Running the checks over the records of each file and reporting them in the chosen format.
#include "checker.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "analysis.h"
#include "cp932.h"
#include "fields.h"
#include "formats.h"
#include "kernels.h"
#include "output.h"
#include "records.h"

namespace check {

namespace {

constexpr std::string_view kStandardInputName = "(standard input)";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

class Run {
  public:
    Run(const Options& options, const Environment& env, Output& out)
        : o_(options), env_(env), out_(out) {
        // Whole runs of records are confirmed at once only where nothing but a failure prints,
        // and only by kernels that stand for every check that can fail.
        bulk_ = o_.quiet && o_.input == Encoding::Cp932 && o_.field == 0;
        for (Operation op : o_.operations) {
            const OperationRow& row = Row(op);
            if (row.kernel) bulkChecks_.push_back(*row.kernel);
            if (!row.kernel && row.unit == Unit::None) bulk_ = false;
        }
    }

    void File(const std::string& path);
    int Status() const { return status_; }
    void Trouble(const std::string& message);
    void RefuseLongRecord();

  private:
    void Records(std::string_view records);
    std::size_t ConfirmedRecords(std::string_view records, std::size_t& count) const;
    void Record(std::string_view record);
    void StartOfFile(std::string_view& records);

    const Options& o_;
    const Environment& env_;
    Output& out_;
    std::vector<kernels::Check> bulkChecks_;
    bool bulk_ = false;
    std::string name_;
    unsigned long long recordNumber_ = 0;
    bool fileStart_ = false;
    int status_ = kAllPassed;
    // Reused for every record.
    std::vector<Outcome> outcomes_;
    std::vector<LostCharacter> lost_;
    std::string converted_;
};

void Run::RefuseLongRecord() {
    Trouble(name_ + ":" + std::to_string(recordNumber_) + ": record longer than " +
            std::to_string(env_.maxRecord) + " bytes, not checked");
}

void Run::Trouble(const std::string& message) {
    out_.Flush();
    std::fprintf(env_.err, "kestrune-check: %s\n", message.c_str());
    status_ = kTrouble;
}

void Run::File(const std::string& path) {
    const bool standardInput = path == "-";
    name_ = standardInput ? std::string(kStandardInputName) : path;
    recordNumber_ = 0;
    fileStart_ = true;
    const int fd = standardInput ? env_.standardInput : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Trouble(path + ": " + std::strerror(errno));
        return;
    }
    RecordReader reader(fd, env_.maxRecord, env_.chunk);
    std::string_view records;
    // Reading stops at once when the output fails: nothing more could be reported.
    for (bool more = true; more && !out_.failed();) {
        switch (reader.Next(records)) {
            case RecordReader::Status::Records:
            case RecordReader::Status::Last:
                Records(records);
                break;
            case RecordReader::Status::TooLong:
                ++recordNumber_;
                RefuseLongRecord();
                break;
            case RecordReader::Status::Error:
                Trouble(path + ": " + std::strerror(reader.error()));
                more = false;
                break;
            case RecordReader::Status::End:
                more = false;
                break;
        }
    }
    if (!standardInput) close(fd);
}

// A UTF-8 byte order mark at the very start is an encoding signature, not text: skipped in
// UTF-8 input, and in code page 932 input a sign that the encoding was not given.
void Run::StartOfFile(std::string_view& records) {
    // Records arrive whole (ended by LF, or the last of the input), so the mark is never cut.
    if (!fileStart_) return;
    fileStart_ = false;
    if (!records.starts_with(kByteOrderMark)) return;
    if (o_.input == Encoding::Utf8) {
        records.remove_prefix(kByteOrderMark.size());
    } else {
        std::fprintf(env_.err,
                     "kestrune-check: %s: starts with a UTF-8 byte order mark; if it is UTF-8, "
                     "give --input-encoding utf-8\n",
                     name_.c_str());
    }
}

// How much of `records` passes every check, through the kernels; `count` is the records in it.
std::size_t Run::ConfirmedRecords(std::string_view records, std::size_t& count) const {
    std::size_t end = records.size();
    count = 0;
    if (bulkChecks_.empty()) {  // measurements only: nothing can fail
        const std::size_t lastLf = records.substr(0, end).rfind('\n');
        end = lastLf == std::string_view::npos ? 0 : lastLf + 1;
        count = static_cast<std::size_t>(std::count(records.begin(), records.begin() + end, '\n'));
        return end;
    }
    // Each check looks only as far as the checks before it confirmed.
    bool first = true;
    for (kernels::Check check : bulkChecks_) {
        const kernels::RecordsPrefix prefix = kernels::ConfirmedRecords(
            kernels::Fastest(), check, records.substr(0, end), o_.symbolsAllowed);
        if (prefix.end < end || first) {
            end = prefix.end;
            count = prefix.records;
        }
        first = false;
    }
    return end;
}

void Run::Records(std::string_view records) {
    StartOfFile(records);
    // A run that could hold a record too long to check goes record by record, where such a
    // record is refused; runs are that long only when a record made the buffer grow.
    const bool bulk = bulk_ && records.size() <= env_.maxRecord;
    while (!records.empty() && !out_.failed()) {
        if (bulk) {
            std::size_t count = 0;
            const std::size_t confirmed = ConfirmedRecords(records, count);
            if (confirmed > 0) {
                recordNumber_ += count;
                records.remove_prefix(confirmed);
                continue;
            }
        }
        const std::size_t lf = records.find('\n');
        std::string_view record = records.substr(0, lf);
        records.remove_prefix(lf == std::string_view::npos ? records.size() : lf + 1);
        if (lf != std::string_view::npos && !record.empty() && record.back() == '\r') {
            record.remove_suffix(1);
        }
        ++recordNumber_;
        Record(record);
    }
}

void Run::Record(std::string_view record) {
    if (record.size() > env_.maxRecord) {
        RefuseLongRecord();
        return;
    }
    std::string_view text =
        o_.field > 0 ? Field(record, o_.field, o_.delimiter, o_.input == Encoding::Cp932) : record;
    lost_.clear();
    if (o_.input == Encoding::Utf8) {
        converted_ = Utf8ToCp932(text, &lost_);
        text = converted_;
    }
    bool passed = lost_.empty();
    outcomes_.clear();
    for (Operation op : o_.operations) {
        outcomes_.push_back(RunOperation(op, text, o_.symbolsAllowed));
        passed = passed && outcomes_.back().ok;
    }
    if (!passed) status_ = std::max(status_, kSomeFailed);
    if (o_.quiet && passed) return;
    const RecordReport report{name_, recordNumber_, text, lost_, o_.operations, outcomes_};
    o_.json ? WriteJson(out_, report) : WriteText(out_, report);
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
                Run run(parsed.options, env, out);
                const std::vector<std::string> standardInput = {"-"};
                for (const std::string& file :
                     parsed.options.files.empty() ? standardInput : parsed.options.files) {
                    if (out.failed()) break;
                    run.File(file);
                }
                status = run.Status();
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
