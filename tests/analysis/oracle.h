// What the fast kernels must return, worked out from the literal scans alone: shared by the
// differential tests and the fuzz target.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "analysis.h"
#include "kernels.h"
#include "literal.h"
#include "operations.h"

namespace oracle {

using kernels::Check;
using kernels::Isa;
using kernels::kBlock;

// The operation that a kernel check stands for.
inline const OperationRow& RowOf(Check check) {
    for (const OperationRow& row : kOperations) {
        if (row.kernel == check) return row;
    }
    std::abort();
}

inline const std::vector<Check>& Checks() {
    static const std::vector<Check> checks = [] {
        std::vector<Check> all;
        for (const OperationRow& row : kOperations) {
            if (row.kernel) all.push_back(*row.kernel);
        }
        return all;
    }();
    return checks;
}

inline std::string_view Name(Check check) {
    return RowOf(check).option;
}

inline const char* Name(Isa isa) {
    return isa == Isa::Scalar ? "scalar" : isa == Isa::Sse2 ? "sse2" : "avx2";
}

// Every kernel this processor runs, not only the one the operations pick.
inline const std::vector<Isa>& Kernels() {
    static const std::vector<Isa> isas = [] {
        std::vector<Isa> available;
        for (Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2}) {
            if (kernels::Available(isa)) available.push_back(isa);
        }
        return available;
    }();
    return isas;
}

// The literal scan of one check.
inline CheckResult Literal(Check check, std::string_view text, int symbols, std::size_t from = 0) {
    const Outcome o = RowOf(check).literal(text, symbols, from);
    return {o.ok, o.position};
}

// The public operation, which runs the fastest kernel and then the literal scan.
inline CheckResult Public(Check check, std::string_view text, int symbols) {
    const Outcome o = RowOf(check).run(text, symbols);
    return {o.ok, o.position};
}

// Where the literal scan stops: the rejected character's index, or the size when all passed.
inline std::size_t LiteralStop(Check check, std::string_view text, int symbols) {
    const CheckResult r = Literal(check, text, symbols);
    return r.ok ? text.size() : static_cast<std::size_t>(r.position - 1);
}

inline std::size_t RoundDown(std::size_t n) {
    return n / kBlock * kBlock;
}

struct RecordsExpectation {
    std::size_t end, records;
};

inline RecordsExpectation ExpectedRecords(Check check, std::string_view text, int symbols) {
    std::size_t failure = std::string_view::npos;
    for (std::size_t start = 0; start < text.size() && failure == std::string_view::npos;) {
        std::size_t lf = text.find('\n', start);
        const bool ended = lf != std::string_view::npos;
        if (!ended) lf = text.size();
        std::size_t stop = lf;
        if (ended && stop > start && text[stop - 1] == '\r') --stop;
        const CheckResult r = Literal(check, text.substr(start, stop - start), symbols);
        if (!r.ok) failure = start + static_cast<std::size_t>(r.position - 1);
        start = lf + 1;
    }
    // A block is judged only when a byte follows it.
    const std::size_t judged = text.empty() ? 0 : RoundDown(text.size() - 1);
    const std::size_t stopBlock = std::min(judged, RoundDown(failure));
    const std::size_t lastLf = text.substr(0, stopBlock).rfind('\n');
    const std::size_t end = lastLf == std::string_view::npos ? 0 : lastLf + 1;
    return {end, static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'))};
}

}  // namespace oracle
