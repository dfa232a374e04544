#include "zengin.h"

#include <algorithm>
#include <stdexcept>

#include "options.h"

namespace check {

// Written by CMake from layouts/zengin-*.txt.
extern const char* const kZenginLayoutTexts[4];

namespace {

constexpr char kKinds[] = {'1', '2', '8', '9'};

// What may follow each kind: at the start, after a header, a data record, a trailer, the end.
std::string_view Following(char last) {
    switch (last) {
        case 0:
            return "1";
        case '1':
        case '2':
            return "28";
        case '8':
            return "19";
        default:
            return "";
    }
}

// Digits as a number; none for anything else. The fields hold at most 12 digits.
std::optional<unsigned long long> Number(std::string_view digits) {
    unsigned long long n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (digits.empty()) return std::nullopt;
    return n;
}

std::string Decimal(unsigned __int128 n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    return digits;
}

}  // namespace

const ZenginLayouts& TheZenginLayouts() {
    static const ZenginLayouts layouts = [] {
        ZenginLayouts parsed;
        for (int k = 0; k < 4; ++k) {
            std::string error;
            if (!ParseLayoutText(kZenginLayoutTexts[k], "zengin", parsed.kinds[k], error)) {
                throw std::logic_error(error);  // the layouts are ours: a fault of the build
            }
        }
        return parsed;
    }();
    return layouts;
}

std::optional<int> ZenginKind(const Record& record) {
    if (record.raw.empty()) return std::nullopt;
    const char* const kind = std::find(std::begin(kKinds), std::end(kKinds), record.raw[0]);
    if (kind == std::end(kKinds)) return std::nullopt;
    return static_cast<int>(kind - std::begin(kKinds));
}

// A byte that is no データ区分 is out of place wherever it stands, and leaves the order as it
// was for the records after it.
void TransferFile::Order(char kind, std::vector<FileFault>& faults) {
    const std::string_view allowed = Following(last_);
    if (allowed.find(kind) == std::string_view::npos) {
        faults.push_back({FileFault::Kind::Order, std::string(1, kind), std::string(allowed)});
    }
    if (std::find(std::begin(kKinds), std::end(kKinds), kind) != std::end(kKinds)) last_ = kind;
}

void TransferFile::Record(const check::Record& record, std::vector<FileFault>& faults) {
    const char kind = record.raw.empty() ? ' ' : record.raw[0];
    Order(kind, faults);
    if (kind == '1') {
        count_ = 0;
        sum_ = 0;
        summed_ = true;
    } else if (kind == '2') {
        ++count_;
        const std::optional<unsigned long long> amount = Number(record.raw.substr(80, 10));
        summed_ = summed_ && amount.has_value();
        if (amount) sum_ += *amount;
    } else if (kind == '8') {
        Totals(record.raw, faults);
    }
}

// A total that is no number is the digits rule's to report; an unreadable amount leaves no
// sum to compare.
void TransferFile::Totals(std::string_view trailer, std::vector<FileFault>& faults) const {
    const std::optional<unsigned long long> count = Number(trailer.substr(1, 6));
    const std::optional<unsigned long long> amount = Number(trailer.substr(7, 12));
    if (count && *count != count_) {
        faults.push_back({FileFault::Kind::Count, Decimal(*count), Decimal(count_)});
    }
    if (amount && summed_ && *amount != sum_) {
        faults.push_back({FileFault::Kind::Amount, Decimal(*amount), Decimal(sum_)});
    }
}

// The file ends well only after its end record; before it, with what was still to come.
void TransferFile::End(std::vector<FileFault>& faults) {
    if (last_ == '9') return;
    const std::string expected = last_ == 0 ? "1" : last_ == '8' ? "9" : "8";
    faults.push_back({FileFault::Kind::Order, "", expected});
}

}  // namespace check
