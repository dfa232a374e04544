// Result lines, excerpt, numbers and banner, as code page 932 bytes.
#include "wording.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "analysis.h"
#include "kestrune_version.h"

namespace {

constexpr std::string_view kColon = "\x81\x46";                            // ：
constexpr std::string_view kOk = "\x82n\x82j";                             // ＯＫ
constexpr std::string_view kNgOpen = "\x82m\x82\x66 (";                    // ＮＧ (
constexpr std::string_view kBytes = "\x83o\x83\x43\x83g";                  // バイト
constexpr std::string_view kCharacters = "\x95\xB6\x8E\x9A";               // 文字
constexpr std::string_view kNthByteClose = "\x83o\x83\x43\x83g\x96\xDA)";  // バイト目)
constexpr std::string_view kExcerptOpen = "\x81@\x81@\x81@> ";             // 　　　>␠
constexpr std::string_view kMarkOpen = " \x81y";                           // ␠【
constexpr std::string_view kMarkClose = "\x81z ";                          // 】␠

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string line;
    for (std::string_view part : parts) line += part;
    return line;
}

}  // namespace

std::string DecimalText(int n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    return std::string(digits, end);
}

std::array<std::string_view, 6> ExcerptPieces(std::string_view text, int p) {
    if (p < 1 || static_cast<std::size_t>(p) > text.size()) return {kExcerptOpen, text};
    const std::size_t at = static_cast<std::size_t>(p) - 1;
    // A lead byte with a byte after it is marked together with that byte, whatever it is.
    const auto width = static_cast<std::size_t>(CharacterWidth(text, at));
    return {kExcerptOpen,           text.substr(0, at), kMarkOpen,
            text.substr(at, width), kMarkClose,         text.substr(at + width)};
}

std::string MarkCharacterAt(std::string_view text, int p) {
    const auto pieces = ExcerptPieces(text, p);
    std::string excerpt;
    for (auto piece = pieces.begin() + 1; piece != pieces.end(); ++piece) excerpt += *piece;
    return excerpt;
}

std::vector<std::string> BannerLines() {
    return {
        std::string("*** Kestrune Version ") + kestrune_version::kWindow + " ***",
        "",
        // 検査結果をここに表示します。
        "\x8C\x9F\x8D\xB8\x8C\x8B\x89\xCA\x82\xF0\x82\xB1\x82\xB1\x82\xC9\x95\x5C\x8E\xA6\x82\xB5"
        "\x82\xDC\x82\xB7\x81\x42",
        // 画面上部のエディットエリアに文字列を入れ、
        "\x89\xE6\x96\xCA\x8F\xE3\x95\x94\x82\xCC\x83G\x83\x66\x83\x42\x83\x62\x83g\x83G\x83\x8A"
        "\x83\x41\x82\xC9\x95\xB6\x8E\x9A\x97\xF1\x82\xF0\x93\xFC\x82\xEA\x81\x41",
        // 検査したいボタンを押してください。
        "\x8C\x9F\x8D\xB8\x82\xB5\x82\xBD\x82\xA2\x83{\x83^\x83\x93\x82\xF0\x89\x9F\x82\xB5\x82\xC4"
        "\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42",
        std::string(39, '-'),
    };
}

std::string VerdictLine(Operation op, const Outcome& outcome) {
    const OperationRow& row = Row(op);
    if (row.unit != Unit::None) {
        const std::string_view unit = row.unit == Unit::Bytes ? kBytes : kCharacters;
        return Join({row.caption, kColon, DecimalText(outcome.value), unit});
    }
    if (outcome.ok) return Join({row.caption, kColon, kOk});
    return Join({row.caption, kColon, kNgOpen, DecimalText(outcome.position), kNthByteClose});
}

std::vector<std::string> OutcomeLines(Operation op, const Outcome& outcome, std::string_view text) {
    std::vector<std::string> lines = {VerdictLine(op, outcome)};
    if (!outcome.ok) {
        std::string excerpt;
        for (std::string_view piece : ExcerptPieces(text, outcome.position)) excerpt += piece;
        lines.push_back(std::move(excerpt));
    }
    return lines;
}

std::vector<std::string> ResultLines(Operation op, std::string_view text, int symbolsAllowed) {
    return OutcomeLines(op, RunOperation(op, text, symbolsAllowed), text);
}

std::string UnrepresentableLine(char32_t codePoint, int position) {
    // コードページ932にない文字
    constexpr std::string_view kLabel =
        "\x83R\x81[\x83h\x83y\x81[\x83W932\x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A";
    char code[16];
    std::snprintf(code, sizeof code, " U+%04X (", static_cast<unsigned>(codePoint));
    return Join({kLabel, code, DecimalText(position), kNthByteClose});
}

// The label, then each byte in hex after a space, then the position: "LABEL 87 9A (5バイト目)".
std::string BytesLine(std::string_view label, std::string_view bytes, int position) {
    std::string line(label);
    for (const char b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(b));
        line += hex;
    }
    return Join({line, " (", DecimalText(position), kNthByteClose});
}

std::string InvalidUtf8Line(std::string_view bytes, int position) {
    // UTF-8として不正なバイト列
    constexpr std::string_view kLabel =
        "UTF-8\x82\xC6\x82\xB5\x82\xC4\x95s\x90\xB3\x82\xC8\x83o\x83\x43\x83g\x97\xF1";
    return BytesLine(kLabel, bytes, position);
}

std::string_view KindName(CharacterKind kind) {
    constexpr std::string_view kNames[] = {
        "JIS",                                               // JIS
        "NEC\x93\xC1\x8E\xEA\x95\xB6\x8E\x9A",               // NEC特殊文字
        "NEC\x91I\x92\xE8IBM\x8Ag\x92\xA3\x95\xB6\x8E\x9A",  // NEC選定IBM拡張文字
        "IBM\x8Ag\x92\xA3\x95\xB6\x8E\x9A",                  // IBM拡張文字
        "\x8AO\x8E\x9A",                                     // 外字
        "\x96\xA2\x92\xE8\x8B`\x82\xCC\x95\xB6\x8E\x9A",     // 未定義の文字
        "\x95s\x90\xB3\x82\xC8\x83o\x83\x43\x83g\x97\xF1",   // 不正なバイト列
    };
    return kNames[static_cast<int>(kind)];
}

std::string KindLine(CharacterKind kind, std::string_view character, int position) {
    return BytesLine(KindName(kind), character, position);
}

std::string SuggestionLine(std::string_view replacement, int position) {
    constexpr std::string_view kOpen = "\x8C\xF3\x95\xE2\x81u";  // 候補「
    constexpr std::string_view kClose = "\x81v (";               // 」␠(
    return Join({kOpen, replacement, kClose, DecimalText(position), kNthByteClose});
}

std::string FieldCheckLine(FieldCheck check, std::string_view value, bool ok, int position) {
    constexpr std::string_view kLabels[] = {
        "\x90\x94\x8E\x9A",                  // 数字
        "\x8D\xB6\x8B\x6C\x82\xDF",          // 左詰め
        "\x83\x5B\x83\x8D\x96\x84\x82\xDF",  // ゼロ埋め
        "\x8C\xC5\x92\xE8\x92\x6C",          // 固定値
        "\x8B\xF3\x94\x92",                  // 空白
    };
    std::string line(kLabels[static_cast<int>(check)]);
    if (check == FieldCheck::Equals) line += Join({"\x81u", value, "\x81v"});  // 「…」
    if (ok) return Join({line, kColon, kOk});
    if (position == 0) return Join({line, kColon, kNgOpen, "\x8B\xF3\x97\x93)"});  // 空欄)
    return Join({line, kColon, kNgOpen, DecimalText(position), kNthByteClose});
}

namespace {

constexpr std::string_view kRecordKind = "\x83\x66\x81\x5B\x83\x5E\x8B\xE6\x95\xAA";  // データ区分
constexpr std::string_view kComma = "\x81\x41";                                       // 、
constexpr std::string_view kShouldBe = "\x82\xCC\x82\xCD\x82\xB8)";                   // のはず)
constexpr std::string_view kDataRecords =
    "\x83\x66\x81\x5B\x83\x5E\x83\x8C\x83\x52\x81\x5B\x83\x68";  // データレコード

}  // namespace

std::string RecordLengthLine(std::size_t length, std::size_t expected) {
    constexpr std::string_view kLength = "\x83\x8C\x83\x52\x81\x5B\x83\x68\x92\xB7";  // レコード長
    return Join({kLength, kColon, kNgOpen, std::to_string(length), kBytes, kComma,
                 std::to_string(expected), kBytes, kShouldBe});
}

std::string RecordOrderLine(std::string_view found, std::string_view expected) {
    constexpr std::string_view kOrder = "\x83\x8C\x83\x52\x81\x5B\x83\x68\x8F\x87";  // レコード順
    constexpr std::string_view kEnd =
        "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x8F\x49\x82\xED\x82\xE8";  // ファイルの終わり
    constexpr std::string_view kAfterEnd =
        "\x83\x47\x83\x93\x83\x68\x83\x8C\x83\x52\x81\x5B\x83\x68\x82\xCC\x8C\xE3)";  // エンドレコードの後)
    constexpr std::string_view kOr = "\x82\xA9";                                      // か
    std::string line = Join({kOrder, kColon, kNgOpen});
    line += found.empty() ? std::string(kEnd) : Join({kRecordKind, found});
    line += kComma;
    if (expected.empty()) return line + std::string(kAfterEnd);
    line += kRecordKind;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (k > 0) line += kOr;
        line += expected[k];
    }
    return line + std::string(kShouldBe);
}

std::string TotalCountLine(std::string_view said, std::string_view counted) {
    constexpr std::string_view kCount = "\x8D\x87\x8C\x76\x8C\x8F\x90\x94";  // 合計件数
    constexpr std::string_view kItems = "\x8C\x8F";                          // 件
    return Join({kCount, kColon, kNgOpen, said, kItems, kComma, kDataRecords, "\x82\xCD", counted,
                 kItems, ")"});  // は
}

std::string TotalAmountLine(std::string_view said, std::string_view summed) {
    constexpr std::string_view kAmount = "\x8D\x87\x8C\x76\x8B\xE0\x8A\x7A";  // 合計金額
    constexpr std::string_view kYen = "\x89\x7E";                             // 円
    constexpr std::string_view kSumIs = "\x82\xCC\x8D\x87\x8C\x76\x82\xCD";   // の合計は
    return Join(
        {kAmount, kColon, kNgOpen, said, kYen, kComma, kDataRecords, kSumIs, summed, kYen, ")"});
}

std::string FixLine(std::string_view from, std::string_view to, int position) {
    constexpr std::string_view kOpen = "\x8F\x43\x90\xB3\x81u";  // 修正「
    constexpr std::string_view kArrow = "\x81v\x81\xA8\x81u";    // 」→「
    constexpr std::string_view kClose = "\x81v (";               // 」␠(
    return Join({kOpen, from, kArrow, to, kClose, DecimalText(position), kNthByteClose});
}

void MarkedExcerptPieces(std::string_view text, std::span<const int> positions,
                         std::vector<std::string_view>& pieces) {
    pieces.assign({kExcerptOpen});
    std::size_t done = 0;
    for (const int p : positions) {
        if (p < 1 || static_cast<std::size_t>(p) > text.size()) continue;
        const std::size_t at = static_cast<std::size_t>(p) - 1;
        if (at < done) continue;
        const auto width = static_cast<std::size_t>(CharacterWidth(text, at));
        pieces.insert(pieces.end(), {text.substr(done, at - done), kMarkOpen,
                                     text.substr(at, width), kMarkClose});
        done = at + width;
    }
    pieces.push_back(text.substr(done));
}

std::string MaxBytesLine(int limit, const Outcome& outcome) {
    constexpr std::string_view kMost = "\x8D\xC5\x91\xE5";  // 最大
    const std::string label = Join({kMost, DecimalText(limit), kBytes, kColon});
    if (outcome.ok) return label + std::string(kOk);
    return Join({label, kNgOpen, DecimalText(outcome.position), kNthByteClose});
}

std::string RequiredLine(bool ok) {
    constexpr std::string_view kRequired = "\x95K\x90{";      // 必須
    constexpr std::string_view kBlank = "\x8B\xF3\x97\x93)";  // 空欄)
    return Join({kRequired, kColon, ok ? kOk : kNgOpen, ok ? "" : kBlank});
}

std::string CsvFaultLine(CsvFault fault, int position) {
    constexpr std::string_view kReasons[] = {
        // 引用符で囲まれていないフィールドに " があります
        "\x88\xF8\x97p\x95\x84\x82\xC5\x88\xCD\x82\xDC\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2"
        "\x83t\x83\x42\x81[\x83\x8B\x83h\x82\xC9 \" \x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
        // 閉じた " の後に区切り文字も改行もありません
        "\x95\xC2\x82\xB6\x82\xBD \" \x82\xCC\x8C\xE3\x82\xC9\x8B\xE6\x90\xD8\x82\xE8\x95\xB6\x8E"
        "\x9A\x82\xE0\x89\xFC\x8Ds\x82\xE0\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
        // " が閉じられないまま入力が終わりました
        "\" \x82\xAA\x95\xC2\x82\xB6\x82\xE7\x82\xEA\x82\xC8\x82\xA2\x82\xDC\x82\xDC\x93\xFC\x97"
        "\xCD\x82\xAA\x8FI\x82\xED\x82\xE8\x82\xDC\x82\xB5\x82\xBD",
    };
    return Join({"CSV", kColon, kNgOpen, DecimalText(position), kNthByteClose, " ",
                 kReasons[static_cast<int>(fault)]});
}

std::string FieldCountLine(int fields, int expected) {
    constexpr std::string_view kFieldCount =
        "\x83t\x83\x42\x81[\x83\x8B\x83h\x90\x94";  // フィールド数
    constexpr std::string_view kPiecesOfHeader =
        "\x8C\xC2\x81\x41\x8C\xA9\x8Fo\x82\xB5\x82\xCD";    // 個、見出しは
    constexpr std::string_view kPiecesClose = "\x8C\xC2)";  // 個)
    return Join({kFieldCount, kColon, kNgOpen, DecimalText(fields), kPiecesOfHeader,
                 DecimalText(expected), kPiecesClose});
}
