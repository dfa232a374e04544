// The operations of the window's buttons and of kestrune-check as one table: everything that
// varies by operation is one row of kOperations, and everything else reads it. The window has
// the first ten; the character-set checks after them are kestrune-check's alone.
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <string_view>

#include "analysis.h"
#include "byte_sets.h"
#include "literal.h"

// The window's ten in the order of their control identifiers 1001 … 1010, then the rest.
enum class Operation {
    ByteSize,
    CharCount,
    FullWidth,
    HalfWidth,
    FullHiragana,
    FullKatakana,
    FullAlnum,
    HalfKatakana,
    HalfDigits,
    HalfAlnum,
    Jis,
    Cp932,
    Zengin,
};

// What an operation found: a measurement's value, or a check's verdict and NG position.
struct Outcome {
    bool ok;       // always true for a measurement
    int position;  // 1-based NG position, 0 when ok
    int value;     // the measured value; 0 for a check
};

// What a measurement counts; a class check counts nothing.
enum class Unit { None, Bytes, Characters };

struct OperationRow {
    Operation operation;
    int id;                    // the button's control identifier, 0 for no button
    std::string_view option;   // kestrune-check's option, without its dashes
    std::string_view caption;  // the button caption in code page 932; it labels result lines
    std::string_view summary;  // in English, for --help
    Unit unit;
    // The literal scan from byte index `from`, a character start (see literal.h): the definition.
    Outcome (*literal)(std::string_view text, int symbolsAllowed, std::size_t from);
    // The public operation: a fast kernel where there is one, then the literal scan.
    Outcome (*run)(std::string_view text, int symbolsAllowed);
    std::optional<kernels::Check> kernel;
    // A check that judges where a character comes from names the kind of each one it rejects.
    bool namesKinds;
    // The first code point of the block of 256 (three bytes each in UTF-8) that holds every
    // character the check accepts, so that UTF-8 text can be judged unconverted; 0: none.
    char32_t utf8Block;
};

namespace operation_detail {

constexpr Outcome Verdict(CheckResult r) {
    return {r.ok, r.position, 0};
}
template <CheckResult (*kScan)(std::string_view, int, std::size_t)>
Outcome Literal(std::string_view text, int symbols, std::size_t from) {
    return Verdict(kScan(text, symbols, from));
}
template <CheckResult (*kScan)(std::string_view, std::size_t)>
Outcome LiteralWidth(std::string_view text, int, std::size_t from) {
    return Verdict(kScan(text, from));
}
template <CheckResult (*kCheck)(std::string_view, int)>
Outcome Run(std::string_view text, int symbols) {
    return Verdict(kCheck(text, symbols));
}
template <CheckResult (*kCheck)(std::string_view)>
Outcome RunWidth(std::string_view text, int) {
    return Verdict(kCheck(text));
}
template <int (*kMeasure)(std::string_view)>
Outcome Measure(std::string_view text, int) {
    return {true, 0, kMeasure(text)};
}
inline Outcome LiteralByteSize(std::string_view text, int, std::size_t from) {
    return {true, 0, static_cast<int>(text.size() - from)};
}
inline Outcome LiteralCharCount(std::string_view text, int, std::size_t from) {
    return {true, 0, literal::CheckCharCount(text, from)};
}

}  // namespace operation_detail

// clang-format off
inline constexpr OperationRow kOperations[] = {
    // operation               id    option           caption (code page 932)
    {Operation::ByteSize,      1001, "byte-size",     "\x95\xB6\x8E\x9A\x83T\x83\x43\x83Y",          // 文字サイズ
     "size in bytes", Unit::Bytes,
     operation_detail::LiteralByteSize, operation_detail::Measure<CheckByteSize>, std::nullopt, false, 0},
    {Operation::CharCount,     1002, "char-count",    "\x95\xB6\x8E\x9A\x90\x94",                    // 文字数
     "number of characters", Unit::Characters,
     operation_detail::LiteralCharCount, operation_detail::Measure<CheckCharCount>, std::nullopt, false, 0},
    {Operation::FullWidth,     1003, "full-width",    "\x91S\x8Ap",                                  // 全角
     "only double-byte characters", Unit::None,
     operation_detail::LiteralWidth<literal::CheckFullWidth>,
     operation_detail::RunWidth<CheckFullWidth>, kernels::Check::FullWidth, false, 0},
    {Operation::HalfWidth,     1004, "half-width",    "\x94\xBC\x8Ap",                               // 半角
     "only single bytes", Unit::None,
     operation_detail::LiteralWidth<literal::CheckHalfWidth>,
     operation_detail::RunWidth<CheckHalfWidth>, kernels::Check::HalfWidth, false, 0},
    {Operation::FullHiragana,  1005, "full-hiragana", "\x91S\x8Ap\x82\xD0\x82\xE7\x82\xAA\x82\xC8",  // 全角ひらがな
     "full-width hiragana", Unit::None,
     operation_detail::Literal<literal::CheckFullHiragana>,
     operation_detail::Run<CheckFullHiragana>, kernels::Check::FullHiragana, false, 0x3000},
    {Operation::FullKatakana,  1006, "full-katakana", "\x91S\x8Ap\x83J\x83^\x83J\x83i",              // 全角カタカナ
     "full-width katakana", Unit::None,
     operation_detail::Literal<literal::CheckFullKatakana>,
     operation_detail::Run<CheckFullKatakana>, kernels::Check::FullKatakana, false, 0x3000},
    {Operation::FullAlnum,     1007, "full-alnum",    "\x91S\x8Ap\x89p\x90\x94",                     // 全角英数
     "full-width digits and Latin letters", Unit::None,
     operation_detail::Literal<literal::CheckFullAlnum>,
     operation_detail::Run<CheckFullAlnum>, kernels::Check::FullAlnum, false, 0xFF00},
    {Operation::HalfKatakana,  1008, "half-katakana", "\x94\xBC\x8Ap\x83J\x83^\x83J\x83i",           // 半角カタカナ
     "half-width katakana", Unit::None,
     operation_detail::Literal<literal::CheckHalfKatakana>,
     operation_detail::Run<CheckHalfKatakana>, kernels::Check::HalfKatakana, false, 0},
    {Operation::HalfDigits,    1009, "half-digits",   "\x94\xBC\x8Ap\x90\x94\x92l",                  // 半角数値
     "half-width digits", Unit::None,
     operation_detail::Literal<literal::CheckHalfDigits>,
     operation_detail::Run<CheckHalfDigits>, kernels::Check::HalfDigits, false, 0},
    {Operation::HalfAlnum,     1010, "half-alnum",    "\x94\xBC\x8Ap\x89p\x90\x94",                  // 半角英数
     "half-width digits and Latin letters", Unit::None,
     operation_detail::Literal<literal::CheckHalfAlnum>,
     operation_detail::Run<CheckHalfAlnum>, kernels::Check::HalfAlnum, false, 0},
    {Operation::Jis,           0,    "jis",           "JIS\x95\xB6\x8E\x9A",                         // JIS文字
     "only JIS X 0201 and JIS X 0208 characters", Unit::None,
     operation_detail::LiteralWidth<literal::CheckJis>,
     operation_detail::RunWidth<CheckJis>, std::nullopt, true, 0},
    {Operation::Cp932,         0,    "cp932",         "CP932\x95\xB6\x8E\x9A",                       // CP932文字
     "only characters code page 932 defines", Unit::None,
     operation_detail::LiteralWidth<literal::CheckCp932>,
     operation_detail::RunWidth<CheckCp932>, std::nullopt, true, 0},
    {Operation::Zengin,        0,    "zengin",        "\x91S\x8B\xE2\x95\xB6\x8E\x9A",                  // 全銀文字
     "only the bank-transfer (Zengin) character set", Unit::None,
     operation_detail::LiteralWidth<literal::CheckZengin>,
     operation_detail::RunWidth<CheckZengin>, kernels::Check::Zengin, false, 0},
};
// clang-format on

inline constexpr int kOperationCount = static_cast<int>(std::size(kOperations));
// The window's buttons: the first rows, whose identifiers the window and its tests know.
inline constexpr int kWindowOperationCount = 10;

constexpr bool RowsInOrder() {
    for (int k = 0; k < kOperationCount; ++k) {
        const int id = k < kWindowOperationCount ? 1001 + k : 0;
        if (static_cast<int>(kOperations[k].operation) != k || kOperations[k].id != id) {
            return false;
        }
    }
    return true;
}
static_assert(RowsInOrder(), "rows follow Operation; the window's have the identifiers 1001 on");

constexpr const OperationRow& Row(Operation op) {
    return kOperations[static_cast<int>(op)];
}

// The row of a control identifier or of a command-line name; nullptr when there is none.
constexpr const OperationRow* RowById(int id) {
    return id >= 1001 && id < 1001 + kWindowOperationCount ? &kOperations[id - 1001] : nullptr;
}
constexpr const OperationRow* RowByOption(std::string_view option) {
    for (const OperationRow& row : kOperations) {
        if (row.option == option) return &row;
    }
    return nullptr;
}

inline Outcome RunOperation(Operation op, std::string_view text, int symbolsAllowed) {
    return Row(op).run(text, symbolsAllowed);
}
