// The exact bytes, in code page 932, of everything Kestrune writes to its result log.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "operations.h"
#include "repertoire.h"

// Decimal digits of n, no sign for n >= 0, no padding or grouping.
std::string DecimalText(int n);

// The text with the character starting at p wrapped in " 【" … "】 "; a p outside 1 … size
// gives the text unchanged.
std::string MarkCharacterAt(std::string_view text, int p);

// The excerpt line in pieces that, joined, give the line: a long text is written out without
// a copy of it.
std::array<std::string_view, 6> ExcerptPieces(std::string_view text, int p);

// The six lines that open the log.
std::vector<std::string> BannerLines();

// The line a measurement or an OK check gives, or the NG line of an NG check.
std::string VerdictLine(Operation op, const Outcome& outcome);

// One line for a measurement or an OK check; the NG line and the excerpt for an NG check.
std::vector<std::string> OutcomeLines(Operation op, const Outcome& outcome, std::string_view text);

// RunOperation and OutcomeLines in one call: what a button click appends to the log.
std::vector<std::string> ResultLines(Operation op, std::string_view text, int symbolsAllowed);

// What converting UTF-8 input lost, at the 1-based position of its "?": a character that code
// page 932 cannot hold, or a byte sequence that is not UTF-8 at all.
std::string UnrepresentableLine(char32_t codePoint, int position);
std::string InvalidUtf8Line(std::string_view bytes, int position);

// ---------------------------------------------------------------------------------------------
// Lines that only kestrune-check writes, in the window's style.

// The excerpt line with every character that starts at one of `positions` (1-based, rising)
// bracketed; the pieces, joined, give the line.
void MarkedExcerptPieces(std::string_view text, std::span<const int> positions,
                         std::vector<std::string_view>& pieces);

// 最大Nバイト：ＯＫ, or ＮＧ with the position of the first character that does not fit.
std::string MaxBytesLine(int limit, const Outcome& outcome);

// 必須：ＯＫ, or 必須：ＮＧ (空欄) for an empty field.
std::string RequiredLine(bool ok);

// Why a CSV record could not be read as fields.
enum class CsvFault {
    QuoteInUnquotedField,   // a " inside a field that did not start with one
    TextAfterClosingQuote,  // a closing " followed by neither a delimiter nor a record end
    UnclosedQuote,          // a quoted field still open at the end of the input
};

// CSV：ＮＧ (Pバイト目) and the reason.
std::string CsvFaultLine(CsvFault fault, int position);

// フィールド数：ＮＧ (M個、見出しはN個)
std::string FieldCountLine(int fields, int expected);

// The kind of a character that the JIS or code page 932 check rejects, with its bytes in hex:
// NEC特殊文字 87 9A (5バイト目).
std::string KindLine(CharacterKind kind, std::string_view character, int position);
// The kind's name alone: NEC特殊文字.
std::string_view KindName(CharacterKind kind);

// A replacement that keeps a rejected character's meaning: 候補「ガ」 (1バイト目).
std::string SuggestionLine(std::string_view replacement, int position);

// The checks of a fixed-width field: 数字, 左詰め, ゼロ埋め, 固定値「…」 and 空白, each
// followed by ：ＯＫ, ：ＮＧ (Pバイト目), or for position 0 ：ＮＧ (空欄).
enum class FieldCheck { Digits, PaddedLeft, ZeroFilled, Equals, Blank };
std::string FieldCheckLine(FieldCheck check, std::string_view value, bool ok, int position);

// レコード長：ＮＧ (119バイト、120バイトのはず)
std::string RecordLengthLine(std::size_t length, std::size_t expected);

// What only a bank transfer file as a whole shows: the order of its records (データ区分 `found`
// where one of the データ区分s `expected` belongs: found empty, the file ended; expected empty,
// after the end record), and a trailer's totals.
std::string RecordOrderLine(std::string_view found, std::string_view expected);
std::string TotalCountLine(std::string_view said, std::string_view counted);
std::string TotalAmountLine(std::string_view said, std::string_view summed);

// A correction made: 修正「ｶﾞ」→「ガ」 (5バイト目); a cut has nothing after the arrow.
std::string FixLine(std::string_view from, std::string_view to, int position);
