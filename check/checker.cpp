// Running the checks over records and writing the window's result lines, as text or JSON.
#include "checker.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "analysis.h"
#include "cp932.h"
#include "kernels.h"
#include "records.h"

namespace check {

namespace {

constexpr std::string_view kStandardInputName = "(standard input)";

// コードページ932にない文字, and バイト目) as in the NG lines.
constexpr std::string_view kLostLabel =
    "\x83R\x81[\x83h\x83y\x81[\x83W"
    "932\x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A";
constexpr std::string_view kNthByteClose = "\x83o\x83\x43\x83g\x96\xDA)";

std::string LostLine(const LostCharacter& lost) {
    char code[16];
    std::snprintf(code, sizeof code, " U+%04X (", static_cast<unsigned>(lost.codePoint));
    return std::string(kLostLabel) + code + DecimalText(lost.position) + std::string(kNthByteClose);
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The class checks the kernels know, by operation; measurements have none. Both enumerations
// list the class checks in the order of the window's buttons.
static_assert(static_cast<int>(Operation::HalfAlnum) - static_cast<int>(Operation::FullWidth) ==
              static_cast<int>(kernels::Check::HalfAlnum));
bool KernelCheck(Operation op, kernels::Check& check) {
    if (op == Operation::ByteSize || op == Operation::CharCount) return false;
    check =
        static_cast<kernels::Check>(static_cast<int>(op) - static_cast<int>(Operation::FullWidth));
    return true;
}

// The n-th field of a record. In code page 932 a trail byte is never taken for the delimiter.
std::string_view Field(std::string_view record, int n, char delimiter, bool cp932) {
    std::size_t start = 0;
    int index = 1;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == delimiter) {
            if (index == n) return record.substr(start, i - start);
            ++index;
            start = i + 1;
        } else if (cp932 && IsLeadByte(static_cast<unsigned char>(record[i]))) {
            ++i;
        }
    }
    return index == n ? record.substr(start) : std::string_view();
}

class Run {
  public:
    Run(const Options& options, const Environment& env) : o_(options), env_(env) {
        for (Operation op : o_.operations) {
            kernels::Check check;
            if (KernelCheck(op, check)) bulkChecks_.push_back(check);
        }
        // Whole runs of records are confirmed at once only where nothing but a failure prints.
        bulk_ = o_.quiet && o_.input == Encoding::Cp932 && o_.field == 0;
    }

    ~Run() { Flush(); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    void File(const std::string& path);
    int Status() const { return status_; }

  private:
    void Records(std::string_view records);
    std::size_t ConfirmedRecords(std::string_view records, std::size_t& count) const;
    void Record(std::string_view record);
    void Write(std::string_view text);
    void Flush();
    void Trouble(const std::string& message);

    const Options& o_;
    const Environment& env_;
    std::vector<kernels::Check> bulkChecks_;
    bool bulk_ = false;
    std::string name_;
    unsigned long long recordNumber_ = 0;
    int status_ = kAllPassed;
    std::string out_;
    // Reused for every record.
    std::vector<Outcome> outcomes_;
    std::vector<LostCharacter> lost_;
    std::string converted_;
};

void Run::Write(std::string_view text) {
    out_ += text;
    if (out_.size() >= (1 << 16)) Flush();
}

void Run::Flush() {
    std::fwrite(out_.data(), 1, out_.size(), env_.out);
    out_.clear();
}

void Run::Trouble(const std::string& message) {
    Flush();
    std::fprintf(env_.err, "kestrune-check: %s\n", message.c_str());
    status_ = kTrouble;
}

void Run::File(const std::string& path) {
    const bool standardInput = path == "-";
    name_ = standardInput ? std::string(kStandardInputName) : path;
    recordNumber_ = 0;
    const int fd = standardInput ? env_.standardInput : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Trouble(path + ": " + std::strerror(errno));
        return;
    }
    RecordReader reader(fd, env_.maxRecord, env_.chunk);
    std::string_view records;
    for (bool more = true; more;) {
        switch (reader.Next(records)) {
            case RecordReader::Status::Records:
            case RecordReader::Status::Last:
                Records(records);
                break;
            case RecordReader::Status::TooLong:
                ++recordNumber_;
                Trouble(name_ + ":" + std::to_string(recordNumber_) + ": record longer than " +
                        std::to_string(env_.maxRecord) + " bytes, not checked");
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

// How much of `records` passes every check, through the kernels; `count` is the records in it.
std::size_t Run::ConfirmedRecords(std::string_view records, std::size_t& count) const {
    std::size_t end = records.size();
    count = 0;
    if (bulkChecks_.empty()) {          // measurements only: nothing can fail
        end = records.rfind('\n') + 1;  // 0 when there is none
        count = static_cast<std::size_t>(std::count(records.begin(), records.begin() + end, '\n'));
        return end;
    }
    // Each check looks only as far as the checks before it confirmed.
    for (kernels::Check check : bulkChecks_) {
        const kernels::RecordsPrefix prefix = kernels::ConfirmedRecords(
            kernels::Fastest(), check, records.substr(0, end), o_.symbolsAllowed);
        if (prefix.end < end || count == 0) {
            end = prefix.end;
            count = prefix.records;
        }
    }
    return end;
}

void Run::Records(std::string_view records) {
    while (!records.empty()) {
        if (bulk_) {
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
        Trouble(name_ + ":" + std::to_string(recordNumber_) + ": record longer than " +
                std::to_string(env_.maxRecord) + " bytes, not checked");
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

    const std::string number = std::to_string(recordNumber_);
    const auto line = [this](std::string_view cp932) {
        return o_.output == Encoding::Utf8 || o_.json ? Cp932ToUtf8(cp932) : std::string(cp932);
    };
    if (o_.json) {
        const std::string head = "{\"file\":" + JsonString(name_) + ",\"record\":" + number;
        const auto object = [&](std::string_view operation, bool ok, int position,
                                const std::vector<std::string>& lines) {
            std::string json = head + ",\"operation\":" + JsonString(operation) +
                               ",\"ok\":" + (ok ? "true" : "false") +
                               ",\"position\":" + std::to_string(position) + ",\"lines\":[";
            for (std::size_t k = 0; k < lines.size(); ++k) {
                json += (k ? "," : "") + JsonString(line(lines[k]));
            }
            Write(json + "]}\n");
        };
        for (const LostCharacter& lost : lost_) {
            object("cp932-unrepresentable", false, lost.position, {LostLine(lost)});
        }
        for (std::size_t k = 0; k < outcomes_.size(); ++k) {
            const Operation op = o_.operations[k];
            object(OperationOption(op), outcomes_[k].ok, outcomes_[k].position,
                   OutcomeLines(op, outcomes_[k], text));
        }
        return;
    }
    const std::string prefix = name_ + ":" + number + ": ";
    const auto print = [&](std::string_view cp932) {
        Write(prefix);
        Write(line(cp932));
        Write("\n");
    };
    for (const LostCharacter& lost : lost_) print(LostLine(lost));
    for (std::size_t k = 0; k < outcomes_.size(); ++k) {
        for (const std::string& l : OutcomeLines(o_.operations[k], outcomes_[k], text)) print(l);
    }
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, const Environment& env) {
    const ParsedOptions parsed = ParseOptions(args, env.localeOutput);
    const auto text = [&parsed](const std::string& utf8) {
        return parsed.options.output == Encoding::Cp932 ? Utf8ToCp932(utf8) : utf8;
    };
    switch (parsed.action) {
        case Action::Help:
            std::fputs(text(HelpText()).c_str(), env.out);
            return kAllPassed;
        case Action::Version:
            std::fputs(VersionText().c_str(), env.out);
            return kAllPassed;
        case Action::UsageError:
            std::fprintf(env.err, "kestrune-check: %s (see --help)\n", parsed.error.c_str());
            return kTrouble;
        case Action::Check:
            break;
    }
    Run run(parsed.options, env);
    const std::vector<std::string> standardInput = {"-"};
    for (const std::string& file :
         parsed.options.files.empty() ? standardInput : parsed.options.files) {
        run.File(file);
    }
    return run.Status();
}

}  // namespace check
