#include "fixed.h"

namespace check {

namespace {

constexpr std::string_view kEndOfFileMark = "\x1A";

}  // namespace

// The form of the first record: what follows its N bytes.
void FixedReader::FindEnd() {
    const std::string_view start = input_.Peek(width_ + 2);
    if (start.size() > width_ && start[width_] == '\n') {
        end_ = RecordEnd::Lf;
    } else if (start.size() > width_ + 1 && start.substr(width_, 2) == "\r\n") {
        end_ = RecordEnd::CrLf;
    } else {
        end_ = RecordEnd::None;
    }
}

// A record up to its line end; false when more input is needed first.
bool FixedReader::Separated(Record& record, bool& tooLong) {
    const std::string_view pending = input_.Pending();
    const std::size_t lf = pending.find('\n');
    if (lf == std::string_view::npos && !input_.atEnd()) {
        // One longer than the limit is read past to its line end.
        tooLong = tooLong || pending.size() > maxRecord_ + 1;
        if (tooLong) input_.Consume(pending.size());
        return false;
    }
    std::string_view raw = pending.substr(0, lf);
    if (lf != std::string_view::npos && end_ == RecordEnd::CrLf && raw.ends_with('\r')) {
        raw.remove_suffix(1);
    }
    delivered_ = lf == std::string_view::npos ? pending.size() : lf + 1;
    record.raw = raw;
    record.end = pending.substr(raw.size(), delivered_ - raw.size());
    return true;
}

RecordReader::Status FixedReader::Next(Record& record) {
    input_.Consume(delivered_);
    delivered_ = 0;
    if (end_ == RecordEnd::Found) FindEnd();
    bool tooLong = false;
    for (;;) {
        const std::string_view pending = input_.Pending();
        if (input_.atEnd() && input_.error() != 0) return Status::Error;
        if (input_.atEnd() && (pending.empty() || pending == kEndOfFileMark)) {
            if (tooLong) return Status::TooLong;
            return Status::End;
        }
        record = {};
        record.line = line_;
        record.expectedLength = width_;
        if (end_ == RecordEnd::None && (pending.size() >= width_ || input_.atEnd())) {
            // The last record takes what is left, but for the end-of-file mark.
            std::string_view raw = pending.substr(0, width_);
            if (raw.size() < width_ && raw.ends_with(kEndOfFileMark)) raw.remove_suffix(1);
            delivered_ = pending.size() < width_ ? pending.size() : width_;
            record.raw = raw;
            ++line_;
            return Status::Record;
        }
        if (end_ != RecordEnd::None && Separated(record, tooLong)) {
            ++line_;
            return tooLong ? Status::TooLong : Status::Record;
        }
        input_.Fill();
    }
}

}  // namespace check
