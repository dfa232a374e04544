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
#include "csv.h"
#include "fields.h"
#include "formats.h"
#include "kernels.h"
#include "output.h"
#include "records.h"
#include "rules.h"
#include "utf8_confirm.h"

namespace check {

namespace {

constexpr std::string_view kStandardInputName = "(standard input)";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where a column's field is in the records of the file at hand, and what it is called there.
struct Target {
    int field = 0;      // 1-based; 0 for the whole record
    std::string label;  // code page 932; empty: lines carry no column
    std::string name;   // the header's name for it, code page 932
};

class Run {
  public:
    Run(const Options& options, const Environment& env, Output& out);

    void File(const std::string& path);
    int Status() const { return status_; }

  private:
    void Trouble(const std::string& message);
    void RefuseLongRecord();
    void LineFile(int fd, const std::string& path);
    void CsvFile(int fd, const std::string& path);
    void WarnOfByteOrderMark();
    void Records(std::string_view records);
    void Utf8Records(std::string_view records);
    void BulkRecords(std::string_view records, bool bulk, bool converting);
    std::size_t ConfirmedRecords(std::string_view records, std::size_t& count) const;
    void Line(std::string_view record);
    void Record(std::string_view raw, std::span<const std::string_view> fields,
                unsigned long long line, std::optional<CsvFault> fault = {}, int faultAt = 0);
    void TakeHeader(std::span<const std::string_view> fields);
    static std::string_view FieldText(int n, std::string_view raw,
                                      std::span<const std::string_view> fields);
    bool Passes(std::string_view raw, std::span<const std::string_view> fields) const;
    // Where the n-th character lost in converting the run became "?", from the run's start.
    std::size_t LostAt(std::size_t n) const {
        return static_cast<std::size_t>(runLost_[n].position) - 1;
    }
    void Targets(std::span<const std::string> header);

    const Options& o_;
    const Environment& env_;
    Output& out_;
    std::vector<kernels::Check> bulkChecks_;
    std::optional<Utf8Confirmer> confirmer_;  // UTF-8 records that need no converting
    bool bulk_ = false;
    bool splitFields_ = false;
    std::string name_;
    unsigned long long recordNumber_ = 0;
    bool fileStart_ = false;
    bool headerPending_ = false;
    bool skipFile_ = false;
    int status_ = kAllPassed;
    std::vector<Target> targets_;  // one per column
    std::vector<std::string> header_;
    // Reused for every record.
    std::vector<std::string_view> fields_;
    std::string convertedRun_;
    std::vector<LostCharacter> runLost_;
    std::vector<std::string> converted_;
    std::vector<std::vector<LostCharacter>> lost_;
    std::vector<RuleReport> rules_;
    std::vector<std::size_t> ruleEnds_;  // per column: the end of its rules in rules_
    std::vector<int> positions_;
    std::vector<std::size_t> positionEnds_;  // per rule: the end of its positions
    std::vector<ColumnReport> columns_;
};

Run::Run(const Options& options, const Environment& env, Output& out)
    : o_(options), env_(env), out_(out) {
    const bool wholeRecordOnly = o_.columns.size() == 1 && o_.columns[0].field.number == 0 &&
                                 o_.columns[0].field.name.empty();
    splitFields_ = !wholeRecordOnly || o_.header;
    // Whole runs of records are confirmed at once only where nothing but a failure prints,
    // and only by kernels that stand for every check that can fail.
    bulk_ = o_.quiet && !o_.csv && !splitFields_;
    for (const Rule& rule : o_.columns[0].rules) {
        const OperationRow& row = Row(rule.operation);
        if (rule.kind != RuleKind::Operation || (!row.kernel && row.unit == Unit::None)) {
            bulk_ = false;
        } else if (row.kernel) {
            bulkChecks_.push_back(*row.kernel);
        }
    }
    if (bulk_ && o_.input == Encoding::Utf8) {
        confirmer_ = Utf8Confirmer::For(bulkChecks_, o_.columns[0].symbolsAllowed);
    }
    converted_.resize(o_.columns.size());
    lost_.resize(o_.columns.size());
}

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
    headerPending_ = o_.header;
    skipFile_ = false;
    Targets({});
    const int fd = standardInput ? env_.standardInput : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Trouble(path + ": " + std::strerror(errno));
        return;
    }
    o_.csv ? CsvFile(fd, path) : LineFile(fd, path);
    if (!standardInput) close(fd);
}

void Run::LineFile(int fd, const std::string& path) {
    RecordReader reader(fd, env_.maxRecord, env_.chunk);
    std::string_view records;
    // Reading stops at once when the output fails: nothing more could be reported.
    while (!out_.failed() && !skipFile_) {
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
                return;
            case RecordReader::Status::End:
                return;
        }
    }
}

void Run::CsvFile(int fd, const std::string& path) {
    CsvReader reader(fd, o_.delimiter, o_.input == Encoding::Cp932, env_.maxRecord, env_.chunk);
    if (reader.Start(kByteOrderMark.size()) == kByteOrderMark) {
        if (o_.input == Encoding::Utf8) {
            reader.Skip(kByteOrderMark.size());
        } else {
            WarnOfByteOrderMark();
        }
    }
    CsvRecord record;
    while (!out_.failed() && !skipFile_) {
        switch (reader.Next(record)) {
            case CsvReader::Status::Record:
                ++recordNumber_;
                Record(record.raw, record.fields, record.line, record.fault, record.faultPosition);
                break;
            case CsvReader::Status::TooLong:
                ++recordNumber_;
                RefuseLongRecord();
                break;
            case CsvReader::Status::Error:
                Trouble(path + ": " + std::strerror(reader.error()));
                return;
            case CsvReader::Status::End:
                return;
        }
    }
}

// A UTF-8 byte order mark at the very start is an encoding signature, not text: skipped in
// UTF-8 input, and in code page 932 input a sign that the encoding was not given.
void Run::WarnOfByteOrderMark() {
    std::fprintf(env_.err,
                 "kestrune-check: %s: starts with a UTF-8 byte order mark; if it is UTF-8, "
                 "give --input-encoding utf-8\n",
                 name_.c_str());
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
            kernels::Fastest(), check, records.substr(0, end), o_.columns[0].symbolsAllowed);
        if (prefix.end < end || first) {
            end = prefix.end;
            count = prefix.records;
        }
        first = false;
    }
    return end;
}

void Run::Records(std::string_view records) {
    // Records arrive whole (ended by LF, or the last of the input), so the mark is never cut.
    if (fileStart_ && records.starts_with(kByteOrderMark)) {
        if (o_.input == Encoding::Utf8) {
            records.remove_prefix(kByteOrderMark.size());
        } else {
            WarnOfByteOrderMark();
        }
    }
    fileStart_ = false;
    // A run that could hold a record too long to check goes record by record, where such a
    // record is refused; runs are that long only when a record made the buffer grow.
    const bool bulk = bulk_ && records.size() <= env_.maxRecord;
    if (bulk && o_.input == Encoding::Utf8) {
        Utf8Records(records);
    } else {
        BulkRecords(records, bulk, false);
    }
}

// UTF-8 under --quiet: stretches of records that need no converting are confirmed as they
// are; the rest is converted some records at a time, more each time nothing could be
// confirmed unconverted, and confirmed by the kernels.
void Run::Utf8Records(std::string_view records) {
    constexpr std::size_t kFirstPart = 1024;
    std::size_t part = kFirstPart;
    while (!records.empty() && !out_.failed() && !skipFile_) {
        if (confirmer_) {
            const kernels::RecordsPrefix confirmed = confirmer_->Confirm(records);
            if (confirmed.end > 0) {
                recordNumber_ += confirmed.records;
                records.remove_prefix(confirmed.end);
                part = kFirstPart;
                continue;
            }
        }
        std::size_t take = records.size();
        if (part < take) {
            const std::size_t lf = records.find('\n', part - 1);
            take = lf == std::string_view::npos ? records.size() : lf + 1;
        }
        BulkRecords(records.substr(0, take), true, true);
        records.remove_prefix(take);
        part *= 2;
    }
}

// Whole records, confirmed by the kernels where `bulk`, the rest one by one. UTF-8 input is
// converted first where `converting`; a record that the kernels do not confirm, or that lost
// a character in converting, is taken from the input again, alone.
void Run::BulkRecords(std::string_view records, bool bulk, bool converting) {
    std::string_view checked = records;
    std::size_t base = 0;  // where `checked` starts in the converted run
    std::size_t nextLost = 0;
    runLost_.clear();
    if (converting) {
        Utf8ToCp932(records, convertedRun_, &runLost_);
        checked = convertedRun_;
    }
    while (!records.empty() && !out_.failed() && !skipFile_) {
        if (bulk && !headerPending_) {
            std::string_view window = checked;
            while (nextLost < runLost_.size() && LostAt(nextLost) < base) ++nextLost;
            if (nextLost < runLost_.size()) {
                const std::size_t lf = checked.rfind('\n', LostAt(nextLost) - base);
                window = checked.substr(0, lf == std::string_view::npos ? 0 : lf + 1);
            }
            std::size_t count = 0;
            const std::size_t confirmed = ConfirmedRecords(window, count);
            if (confirmed > 0) {
                recordNumber_ += count;
                checked.remove_prefix(confirmed);
                base += confirmed;
                records.remove_prefix(converting ? PastLineFeeds(records, count) : confirmed);
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
        Line(record);
        if (converting) {
            const std::size_t next = checked.find('\n');
            const std::size_t step = next == std::string_view::npos ? checked.size() : next + 1;
            checked.remove_prefix(step);
            base += step;
        } else {
            checked = records;
        }
    }
}

void Run::Line(std::string_view record) {
    if (splitFields_) SplitFields(record, o_.delimiter, o_.input == Encoding::Cp932, fields_);
    Record(record, fields_, recordNumber_);
}

// The header names the fields; a column given by name takes the first field of that name.
void Run::TakeHeader(std::span<const std::string_view> fields) {
    header_.clear();
    for (std::string_view field : fields) {
        header_.push_back(o_.input == Encoding::Utf8 ? Utf8ToCp932(field) : std::string(field));
    }
    Targets(header_);
    for (std::size_t k = 0; k < o_.columns.size(); ++k) {
        const std::string& wanted = o_.columns[k].field.name;
        if (wanted.empty()) continue;
        // The name as given matches the header's bytes, or, in code page 932 input, the header
        // in UTF-8 as a UTF-8 command line spells it.
        const auto match = std::find_if(fields.begin(), fields.end(), [&](std::string_view f) {
            return f == wanted || (o_.input == Encoding::Cp932 && Cp932ToUtf8(f) == wanted);
        });
        if (match == fields.end()) {
            Trouble(name_ + ": no field named '" + wanted + "' in the header");
            skipFile_ = true;
            return;
        }
        const std::size_t f = static_cast<std::size_t>(match - fields.begin());
        targets_[k] = {static_cast<int>(f) + 1, o_.columnsGiven ? header_[f] : "", header_[f]};
    }
}

// The columns by number, named from `header` where it has them.
void Run::Targets(std::span<const std::string> header) {
    targets_.assign(o_.columns.size(), {});
    for (std::size_t k = 0; k < o_.columns.size(); ++k) {
        const int n = o_.columns[k].field.number;
        if (n == 0) continue;
        Target& t = targets_[k];
        t.field = n;
        if (static_cast<std::size_t>(n) <= header.size()) t.name = header[n - 1];
        if (o_.columnsGiven) t.label = t.name.empty() ? DecimalText(n) : t.name;
    }
}

// The text of field n (1-based), empty when the record has fewer; the whole record for 0.
std::string_view Run::FieldText(int n, std::string_view raw,
                                std::span<const std::string_view> fields) {
    if (n == 0) return raw;
    return static_cast<std::size_t>(n) <= fields.size() ? fields[n - 1] : std::string_view();
}

bool Run::Passes(std::string_view raw, std::span<const std::string_view> fields) const {
    if (o_.header && fields.size() != header_.size()) return false;
    for (std::size_t k = 0; k < o_.columns.size(); ++k) {
        const Column& column = o_.columns[k];
        const std::string_view text = FieldText(targets_[k].field, raw, fields);
        for (const Rule& rule : column.rules) {
            if (!RulePasses(rule, text, column.symbolsAllowed)) return false;
        }
    }
    return true;
}

void Run::Record(std::string_view raw, std::span<const std::string_view> fields,
                 unsigned long long line, std::optional<CsvFault> fault, int faultAt) {
    if (raw.size() > env_.maxRecord) {
        RefuseLongRecord();
        return;
    }
    RecordReport report;
    report.file = name_;
    report.record = recordNumber_;
    report.line = line;
    report.all = o_.all;
    if (headerPending_ && !fault) {
        headerPending_ = false;
        TakeHeader(fields);
        return;
    }
    // Where only failures print, a record that passes is done with before any report is built.
    if (o_.quiet && !fault && o_.input == Encoding::Cp932 && Passes(raw, fields)) return;
    bool passed = !fault;
    if (fault) {
        // A record that cannot be read as fields is not checked, and a header that cannot
        // names nothing.
        if (headerPending_) {
            headerPending_ = false;
            TakeHeader({});
        }
        report.fault = fault;
        report.faultPosition = faultAt;
    } else {
        if (o_.header) {
            report.fields = static_cast<int>(fields.size());
            report.expectedFields = static_cast<int>(header_.size());
            passed = report.fields == report.expectedFields;
        }
        rules_.clear();
        ruleEnds_.clear();
        positions_.clear();
        positionEnds_.clear();
        for (std::size_t k = 0; k < o_.columns.size(); ++k) {
            const Column& column = o_.columns[k];
            const int n = targets_[k].field;
            std::string_view text = FieldText(n, raw, fields);
            lost_[k].clear();
            if (o_.input == Encoding::Utf8) {
                Utf8ToCp932(text, converted_[k], &lost_[k]);
                text = converted_[k];
                passed = passed && lost_[k].empty();
            }
            for (const Rule& rule : column.rules) {
                rules_.push_back(
                    EvaluateRule(rule, text, column.symbolsAllowed, o_.all, positions_));
                positionEnds_.push_back(positions_.size());
                passed = passed && rules_.back().outcome.ok;
            }
            ruleEnds_.push_back(rules_.size());
            columns_.resize(k + 1);
            columns_[k] = {n,  targets_[k].label,    targets_[k].name, text, lost_[k],
                           {}, column.symbolsAllowed};
        }
    }
    if (!passed) status_ = std::max(status_, kSomeFailed);
    if (o_.quiet && passed) return;
    if (!fault) {
        // The spans, now that the vectors behind them are whole.
        std::size_t rule = 0, position = 0;
        for (std::size_t k = 0; k < o_.columns.size(); ++k) {
            columns_[k].rules = std::span(rules_).subspan(rule, ruleEnds_[k] - rule);
            for (; rule < ruleEnds_[k]; ++rule) {
                rules_[rule].positions =
                    std::span(positions_).subspan(position, positionEnds_[rule] - position);
                position = positionEnds_[rule];
            }
        }
        report.columns = std::span(columns_).first(o_.columns.size());
    }
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
