#include "lines.h"

#include <cstring>

#include "analysis.h"

namespace check {

void LineReader::SkipRestOfRecord() {
    for (;;) {
        const std::string_view pending = input_.Pending();
        const std::size_t lf = pending.find('\n');
        if (lf != std::string_view::npos) {
            input_.Consume(lf + 1);
            break;
        }
        input_.Consume(pending.size());
        if (!input_.Fill()) break;
    }
    scanned_ = 0;
}

// The next run of whole records into run_, taken from the buffer at once: its views stay
// valid until the next Fill(), which comes only once the run is used up.
LineReader::Run LineReader::NextRun() {
    for (;;) {
        const std::string_view pending = input_.Pending();
        if (std::memchr(pending.data() + scanned_, '\n', pending.size() - scanned_) != nullptr) {
            run_ = pending.substr(0, pending.rfind('\n') + 1);
            input_.Consume(run_.size());
            scanned_ = 0;
            return Run::Records;
        }
        scanned_ = pending.size();
        // The record so far, less a CR that may turn out to end it.
        if (pending.size() > settings_.maxRecord + 1) {
            SkipRestOfRecord();
            return Run::TooLong;
        }
        if (!input_.Fill()) {
            if (input_.error() != 0) return Run::Error;
            run_ = input_.Pending();  // Fill() may have moved it
            if (run_.empty()) return Run::End;
            input_.Consume(run_.size());
            scanned_ = 0;
            return Run::Records;
        }
    }
}

RecordReader::Status LineReader::Next(Record& record) {
    if (run_.empty()) {
        switch (NextRun()) {
            case Run::Records:
                break;
            case Run::TooLong:
                ++line_;
                return Status::TooLong;
            case Run::End:
                return Status::End;
            case Run::Error:
                return Status::Error;
        }
    }
    const std::size_t lf = run_.find('\n');
    std::string_view raw = run_.substr(0, lf);
    const std::size_t taken = lf == std::string_view::npos ? run_.size() : lf + 1;
    if (lf != std::string_view::npos && !raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    record.end = run_.substr(raw.size(), taken - raw.size());
    run_.remove_prefix(taken);
    record.line = line_++;
    record.raw = raw;
    record.fault.reset();
    record.faultPosition = 0;
    fields_.clear();
    spans_.clear();
    if (settings_.splitFields) SplitFields(raw);
    record.fields = fields_;
    record.spans = spans_;
    return Status::Record;
}

// Every field, one at least.
void LineReader::SplitFields(std::string_view record) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (record[i] == settings_.delimiter) {
            fields_.push_back(record.substr(start, i - start));
            start = i + 1;
        } else if (settings_.pairsLeadBytes && IsLeadByte(static_cast<unsigned char>(record[i]))) {
            ++i;
        }
    }
    fields_.push_back(record.substr(start));
    for (std::string_view field : fields_) {
        const auto begin = static_cast<std::uint32_t>(field.data() - record.data());
        spans_.push_back({begin, begin + static_cast<std::uint32_t>(field.size()), false});
    }
}

}  // namespace check
