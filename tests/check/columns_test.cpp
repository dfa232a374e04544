// CSV records at every read-chunk size, and the rules of a column swept over short texts:
// max-bytes names the first character that does not fit, and --all finds every rejected
// character with the window's position first.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bytes.h"
#include "csv.h"
#include "harness.h"
#include "kernels.h"
#include "rules.h"

namespace {

using kernels::Isa;

// What the reader made of the input: each record as L<line> and [field]s, or !<fault>@<byte>,
// or L<line>:long for a record over the limit.
// `pairs`: the input is code page 932; `isa`: the block kernel the reader splits runs with.
std::string ReadAll(const std::string& input, char delimiter, std::size_t chunk,
                    std::size_t maxRecord, bool pairs = true,
                    kernels::Isa isa = kernels::Fastest()) {
    const int fd = memfd_create("csv", 0);
    EXPECT_EQ(write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
    lseek(fd, 0, SEEK_SET);
    check::ReadBuffer bytes(fd, chunk);
    check::CsvReader reader(bytes, delimiter, pairs, maxRecord, isa);
    std::string seen;
    check::Record record;
    for (check::RecordReader::Status status;
         (status = reader.Next(record)) != check::RecordReader::Status::End;) {
        // Appended piece by piece: GCC 12 at -O3 misreads a prepend as an overlapping copy.
        (seen += 'L') += std::to_string(record.line);
        if (status == check::RecordReader::Status::TooLong || record.raw.size() > maxRecord) {
            seen += ":long ";
            continue;
        }
        if (record.fault) {
            (((seen += '!') += std::to_string(static_cast<int>(*record.fault))) += '@') +=
                std::to_string(record.faultPosition);
        }
        for (std::string_view field : record.fields) ((seen += '[') += field) += ']';
        seen += " ";
    }
    close(fd);
    return seen;
}

struct CsvCase {
    const char* why;
    std::string input;
    std::string expected;
    char delimiter = ',';
    std::size_t maxRecord = INT_MAX;
};

TEST(CsvRecords, ReadAsRfc4180HasThemAtEveryChunkSize) {
    // Faults: !0 a quote in an unquoted field, !1 text after a closing quote, !2 unclosed.
    // clang-format off
    const CsvCase cases[] = {
        {"plain fields, CR LF", "a,b\r\nc\r\n", "L1[a][b] L2[c] "},
        {"a quoted delimiter", "\"a,b\",c\n", "L1[a,b][c] "},
        {"a quoted CR LF spans lines", "\"x\r\ny\",z\r\nnext\n", "L1[x\r\ny][z] L3[next] "},
        {"doubled quotes stand for one", "\"say \"\"hi\"\"\"\n", "L1[say \"hi\"] "},
        {"empty quoted and unquoted fields", "\"\",,\"\"\n", "L1[][][] "},
        {"an empty line is one empty field", "\n\n", "L1[] L2[] "},
        {"a lone CR is text", "a\rb\n", "L1[a\rb] "},
        {"no LF at the end", "a,\"b\"", "L1[a][b] "},
        {"a delimiter at the very end starts one more, empty field", "a,", "L1[a][] "},
        {"so does one after a quoted field", "\"a\"\"b\",", "L1[a\"b][] "},
        {"a quote inside an unquoted field", "ab\"c,d\nok\n", "L1!0@3 L2[ok] "},
        {"the fault's record runs to its LF", "a\"\"b\"\nok\n", "L1!0@2 L2[ok] "},
        {"text after a closing quote", "\"a\"b,c\nok\n", "L1!1@4 L2[ok] "},
        {"a CR after a closing quote that no LF follows", "\"a\"\rb\n", "L1!1@4 "},
        {"an unclosed quote runs to the end", "ok\n\"abc\nd,e\n", "L1[ok] L2!2@1 "},
        // ポ is 83 7C: its trail byte is the delimiter |.
        {"a trail byte is not the delimiter", Sjis("ポ|x\n\"ポ\"|ポ\n"), Sjis("L1[ポ][x] L2[ポ][ポ] "), '|'},
        // Fields longer than the 64-byte blocks the scan reads at once.
        {"long fields", std::string(70, 'a') + ",\"" + std::string(60, 'b') + "\n,\"\"" + std::string(60, 'c') + "\"\nz\n",
         "L1[" + std::string(70, 'a') + "][" + std::string(60, 'b') + "\n,\"" + std::string(60, 'c') + "] L3[z] "},
        {"a record over the limit is read past, quotes and all", "ok\n\"aaaa\nbbbb\",c\nok2\n",
         "L1[ok] L2:long L4[ok2] ", ',', 6},
    };
    // clang-format on
    for (const CsvCase& c : cases) {
        for (const std::size_t chunk : {1, 2, 3, 5, 64, 4096}) {
            EXPECT_EQ(ReadAll(c.input, c.delimiter, chunk, c.maxRecord), c.expected)
                << c.why << ", chunk " << chunk << ", input " << Hex(c.input);
        }
    }
}

// The records of `input` by an obvious reading of RFC 4180, a byte at a time, in ReadAll's
// notation. In code page 932 (`cp932`) with a delimiter from 0x40 on, a lead byte outside quotes
// carries a trail byte.
std::string ModelRead(const std::string& in, char delimiter, bool cp932 = true) {
    const auto lead = [](unsigned char c) { return (c >= 0x80 && c <= 0x9F) || c >= 0xE0; };
    const bool pairs = cp932 && static_cast<unsigned char>(delimiter) >= 0x40;
    const std::size_t n = in.size();
    std::string seen;
    unsigned long long line = 1;
    for (std::size_t i = 0; i < n;) {
        const std::size_t start = i;
        std::vector<std::string> fields(1);
        int fault = -1;
        std::size_t faultAt = 0;
        bool ended = false;  // by LF or CR LF
        while (fault < 0 && !ended) {
            std::string& f = fields.back();
            if (i < n && in[i] == '"') {
                const std::size_t quote = i;
                for (++i;; i += 2) {  // i: just past an opening or doubled quote
                    const std::size_t close = in.find('"', i);
                    if (close == std::string::npos) {
                        fault = 2, faultAt = quote, i = n;
                        break;
                    }
                    f.append(in, i, close - i);
                    i = close;
                    if (i + 1 < n && in[i + 1] == '"') {
                        f += '"';
                        continue;
                    }
                    ++i;
                    break;
                }
                if (fault >= 0 || i == n) break;
                if (in[i] == delimiter) {
                    ++i;
                    fields.emplace_back();
                } else if (in[i] == '\n' || (in[i] == '\r' && i + 1 < n && in[i + 1] == '\n')) {
                    i += in[i] == '\r' ? 2 : 1;
                    ended = true;
                } else {
                    fault = 1, faultAt = i;
                }
                continue;
            }
            for (; i < n && in[i] != delimiter && in[i] != '\n' && in[i] != '"'; ++i) {
                f += in[i];
                if (pairs && lead(static_cast<unsigned char>(in[i])) && i + 1 < n &&
                    static_cast<unsigned char>(in[i + 1]) >= 0x40) {
                    f += in[++i];
                }
            }
            if (i == n) break;
            if (in[i] == '"') {
                fault = 0, faultAt = i;
            } else if (in[i] == '\n') {
                if (!f.empty() && f.back() == '\r') f.pop_back();
                ++i;
                ended = true;
            } else {
                ++i;
                fields.emplace_back();
            }
        }
        if (fault >= 0) {  // the record runs on to its LF
            const std::size_t lf = in.find('\n', i);
            i = lf == std::string::npos ? n : lf + 1;
        }
        (seen += 'L') += std::to_string(line);
        line +=
            static_cast<unsigned long long>(std::count(in.begin() + start, in.begin() + i, '\n'));
        if (fault >= 0) {
            (((seen += '!') += std::to_string(fault)) += '@') +=
                std::to_string(faultAt - start + 1);
        } else {
            for (const std::string& f : fields) ((seen += '[') += f) += ']';
        }
        seen += ' ';
    }
    return seen;
}

// Random inputs, long enough to cross the 64-byte blocks the reader scans at once, with and
// without a line end at the end, against the model, at several chunk sizes.
TEST(CsvRecords, AgreeWithAModelOverRandomInputs) {
    std::mt19937 random(26);
    // ポ is 83 7C: its trail byte is |. 82 alone is a lead byte, here and at the very end.
    const char* const units[] = {
        "a",  "bc", "\"",   ",",        ";",    "|",    "\t",
        "\n", "\r", "\r\n", "\x83\x7C", "\x82", "\"\"", "0123456789abcdefghijklmnopqrstu"};
    for (int round = 0; round < 1500; ++round) {
        std::string input;
        for (std::size_t k = random() % 24; k > 0; --k) input += units[random() % std::size(units)];
        const char delimiter = ",;|\t"[round % 4];
        const std::string expected = ModelRead(input, delimiter);
        for (const std::size_t chunk : {1, 3, 64, 4096}) {
            ASSERT_EQ(ReadAll(input, delimiter, chunk, INT_MAX), expected)
                << "delimiter " << Hex(std::string(1, delimiter)) << ", chunk " << chunk
                << ", input " << Hex(input);
        }
    }
}

// The reader splits whole 64-byte blocks at once and leaves the rest to its byte-by-byte scan:
// random records of a few blocks, well-formed but for a fault in some, each behind a first record
// of every length from 0 to 64, so that every block edge falls on every byte of them (inside
// quotes, between a CR and its LF, between a lead byte and its trail, in a doubled quote), with
// every block kernel and in both encodings.
TEST(CsvRecords, AgreeWithAModelWhereverTheBlocksEnd) {
    std::mt19937 random(28);
    // ポ is 83 7C, its trail byte |; 82 and 9F are lead bytes, E0 E0 a run of them.
    const char* const plain[] = {"a", "0123456789abcdef", "\x83\x7C", "\x82", "\xE0\xE0", "\x9F",
                                 "\r"};
    const char* const quoted[] = {"a", "\"\"", ",", "|", "\n", "\r\n", "\r", "\x82", "0123456789"};
    // After a field: text after a closing quote, a CR after one, a quote in an unquoted field.
    const char* const faults[] = {"x", "\r", "\""};
    for (int round = 0; round < 150; ++round) {
        const char delimiter = ",|"[round % 2];
        const bool cp932 = round % 3 != 0;
        // One fault at most: after it the reader's blocks start at the next record, whatever
        // the shift.
        std::size_t faultAt = random() % 24, fields = 0;
        std::string body;
        while (body.size() < 200) {
            for (std::size_t field = random() % 4;; --field) {
                const bool quotes = random() % 3 == 0;
                if (quotes) body += '"';
                for (std::size_t k = random() % 6; k > 0; --k) {
                    body += quotes ? quoted[random() % std::size(quoted)]
                                   : plain[random() % std::size(plain)];
                }
                if (quotes) body += '"';
                if (fields++ == faultAt) body += faults[quotes ? random() % 2 : 2];
                if (field == 0) break;
                body += delimiter;
            }
            body += random() % 2 ? "\n" : "\r\n";
        }
        for (std::size_t shift = 0; shift <= 64; ++shift) {
            // The reader's first record, read before anything is buffered, goes byte by byte.
            const std::string input =
                "x\n" + (shift == 0 ? std::string() : std::string(shift - 1, 'p') + "\n") + body;
            const std::string expected = ModelRead(input, delimiter, cp932);
            for (const Isa isa : {Isa::Scalar, Isa::Sse2, Isa::Avx2}) {
                if (!kernels::Available(isa)) continue;
                for (const std::size_t chunk : {7, 4096}) {
                    ASSERT_EQ(ReadAll(input, delimiter, chunk, INT_MAX, cp932, isa), expected)
                        << "isa " << static_cast<int>(isa) << ", delimiter " << delimiter
                        << (cp932 ? ", code page 932" : ", UTF-8") << ", chunk " << chunk
                        << ", input " << Hex(input);
                }
            }
        }
    }
}

// Under --quiet, CSV records are judged where the reader's run holds them, by compiled column
// rules; the records that prints must be those of which the full output has a failing line,
// with the same lines. Random records, most of which pass, in both encodings and at several
// read sizes: digits, katakana and half-width katakana in the three fields, now and then quoted,
// and now and then another character, one too many, or a field more or less.
TEST(CsvRecords, QuietPrintsTheFailingRecordsOfTheFullOutput) {
    std::mt19937 random(29);
    // 12, ア, ｱ; then, quoted only, a comma, "", CR LF; then 亜, ① (not JIS), a lone lead byte.
    const std::vector<std::string> units[] = {
        {"12", "\x83\x41", "\xB1", ",", "\"\"", "\r\n", "\x88\x9F", "\x87\x40", "\x83"},
        {"12", "\xE3\x82\xA2", "\xEF\xBD\xB1", ",", "\"\"", "\r\n", "\xE4\xBA\x9C", "\xE2\x91\xA0",
         "\xFF"},
    };
    const std::vector<std::vector<std::string>> plans = {
        {"--column", "1:half-digits,required", "--column", "2:full-katakana,max-bytes=8"},
        {"--header", "--column", "c:half-katakana,max-bytes=4", "--column", "a:digits"},
        {"--column", "3:jis,required", "--column", "2:cp932"},
        {"--byte-size"},  // the whole record, which fails only where UTF-8 loses a character
    };
    for (int round = 0; round < 40; ++round) {
        const bool utf8 = round % 2;
        std::string input = "a,b,c\n";
        while (input.size() < 3000) {
            const int fields = random() % 25 ? 3 : 2 + 2 * static_cast<int>(random() % 2);
            for (int field = 0; field < fields; ++field) {
                const bool quoted = random() % 5 == 0;
                if (quoted) input += '"';
                for (std::size_t k = random() % 30 ? 1 + random() % 3 : 5; k > 0; --k) {
                    std::size_t u = random() % 40 ? field % 3 : random() % 9;
                    if (!quoted && u >= 3 && u <= 5) u = 0;
                    input += units[utf8][u];
                }
                if (quoted) input += '"';
                input += field + 1 < fields ? "," : random() % 2 ? "\n" : "\r\n";
            }
        }
        check::Environment env;
        env.chunk = 64 + random() % 2000;
        for (std::vector<std::string> plan : plans) {
            plan.insert(plan.end(), {"--csv", "--json"});
            if (utf8) plan.push_back("--input-encoding=utf-8");
            const CheckRun full = RunCheck(plan, input, env);
            plan.push_back("--quiet");
            const CheckRun quiet = RunCheck(plan, input, env);
            std::string expected, lines, record;
            bool failed = false;
            std::istringstream all(full.out);
            for (std::string line; std::getline(all, line);) {
                const std::string number = line.substr(0, line.find(",\"line\""));
                if (number != record) {
                    if (failed) expected += lines;
                    record = number, lines.clear(), failed = false;
                }
                lines += line + "\n";
                failed = failed || line.find("\"ok\":false") != std::string::npos;
            }
            if (failed) expected += lines;
            ASSERT_EQ(quiet.out, expected) << "chunk " << env.chunk << ", input " << Hex(input);
            ASSERT_EQ(quiet.status, full.status);
        }
    }
}

// Characters to build texts from, each with its width, so that the sweeps know where every
// character starts without asking the code under test.
const char* const kCharacters[] = {
    "a",
    "9",
    "-",
    " ",
    "\xB1" /* ｱ */,
    "\xDE" /* ﾞ */,
    "\x83\x41" /* ア */,
    "\x81\x5B" /* ー */,
    "\x81\x45" /* ・ */,
    "\x82\xA0" /* あ */,
    "\x82\x60" /* Ａ */,
    "\x88\x9F" /* 亜 */,
};

// Every text of up to three characters, and each again with a lead byte that ends it.
template <typename Visit>
void EveryShortText(Visit visit) {
    std::vector<std::size_t> starts;
    std::string text;
    const auto grow = [&](auto& self, int depth) -> void {
        visit(text, starts);
        starts.push_back(text.size());
        text += '\x82';
        visit(text, starts);
        text.pop_back();
        starts.pop_back();
        if (depth == 3) return;
        for (const char* c : kCharacters) {
            starts.push_back(text.size());
            text += c;
            self(self, depth + 1);
            text.resize(starts.back());
            starts.pop_back();
        }
    };
    grow(grow, 0);
}

TEST(ColumnRules, MaxBytesNamesTheFirstCharacterThatDoesNotFit) {
    std::vector<int> positions;
    EveryShortText([&](const std::string& text, const std::vector<std::size_t>& starts) {
        for (int limit = 1; limit <= 7; ++limit) {
            int expected = 0;
            for (std::size_t k = 0; k < starts.size() && expected == 0; ++k) {
                const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
                if (end > static_cast<std::size_t>(limit))
                    expected = static_cast<int>(starts[k]) + 1;
            }
            const check::Rule rule{check::RuleKind::MaxBytes, Operation::ByteSize, limit};
            check::RuleFindings got{positions, false};
            const bool ok = check::RowOf(rule).evaluate(rule, text, 1, &got);
            ASSERT_EQ(got.position, expected) << Hex(text) << " limit " << limit;
            ASSERT_EQ(ok, expected == 0);
            ASSERT_EQ(got.measured, static_cast<int>(text.size()));
        }
    });
}

TEST(ColumnRules, AllFindsEveryRejectedCharacterAndTheWindowsFirst) {
    std::vector<int> positions;
    EveryShortText([&](const std::string& text, const std::vector<std::size_t>& starts) {
        for (const OperationRow& row : kOperations) {
            if (row.unit != Unit::None) continue;
            for (const int symbols : {0, 1}) {
                // A character is rejected in a text when it is rejected alone.
                std::vector<int> expected;
                for (std::size_t k = 0; k < starts.size(); ++k) {
                    const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
                    const std::string_view alone =
                        std::string_view(text).substr(starts[k], end - starts[k]);
                    if (!RunOperation(row.operation, alone, symbols).ok) {
                        expected.push_back(static_cast<int>(starts[k]) + 1);
                    }
                }
                positions.clear();
                const check::Rule rule{check::RuleKind::Operation, row.operation, 0};
                check::RuleFindings got{positions, true};
                check::RowOf(rule).evaluate(rule, text, symbols, &got);
                ASSERT_EQ(positions, expected) << row.option << " " << symbols << " " << Hex(text);
                ASSERT_EQ(got.position, RunOperation(row.operation, text, symbols).position);
            }
        }
    });
}

}  // namespace
