// Fixed-width records and the bank transfer file: the record forms, fields as byte ranges, the
// file's order and totals, and --fix keeping every record its width. The files are made by a
// small generator here, from the layout the records have.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bytes.h"
#include "fast_path.h"
#include "harness.h"
#include "judge.h"
#include "options.h"
#include "zengin.h"

namespace {

// A field of `width` bytes: text left-aligned and padded with spaces, a number zero-filled.
std::string Text(std::string_view utf8, std::size_t width) {
    std::string bytes = Sjis(utf8);
    bytes.resize(width, ' ');
    return bytes;
}
std::string Number(unsigned long long n, std::size_t width) {
    std::string digits = std::to_string(n);
    return std::string(width - digits.size(), '0') + digits;
}

std::string Header() {
    return "1210" + Number(1234567890, 10) + Text("ｶ)ﾃｽﾄ", 40) + "1207" + "0001" +
           Text("ﾐｽﾞﾎ", 15) + "001" + Text("ﾎﾝﾃﾝ", 15) + "1" + "1234567" + std::string(17, ' ');
}
std::string Data(std::string_view payee, unsigned long long amount) {
    return "2" + Number(5, 4) + Text("ﾐﾂﾋﾞｼ", 15) + "123" + Text("ｼﾌﾞﾔ", 15) + "0000" + "1" +
           "7654321" + Text(payee, 30) + Number(amount, 10) + "0" + std::string(29, ' ');
}
std::string Trailer(unsigned long long count, unsigned long long sum) {
    return "8" + Number(count, 6) + Number(sum, 12) + std::string(101, ' ');
}
std::string End() {
    return "9" + std::string(119, ' ');
}
std::string Joined(const std::vector<std::string>& records, std::string_view end = "\r\n") {
    std::string file;
    for (const std::string& r : records) (file += r) += end;
    return file;
}

struct Case {
    const char* why;
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> lines;  // each in the output, in UTF-8
    int status;
};

TEST(FixedWidth, RecordsFieldsAndTheTransferFile) {
    const std::string in = "(standard input):";
    const std::string n = "n@1-3:half-alnum";
    const std::string good =
        Joined({Header(), Data("ﾔﾏﾀﾞ ﾀﾛｳ", 1000), Data("ｻﾄｳ", 2000), Trailer(2, 3000), End()});
    // clang-format off
    const Case cases[] = {
        // The three forms, found from the first record; the end-of-file mark.
        {"one after another", {"--fixed-width", "3", "--column", n}, "abcde1\x1A", {in + "2:n: 半角英数：ＯＫ"}, 0},
        {"LF", {"--fixed-width=3", "--column", n}, "abc\nde1\n", {in + "2:n: 半角英数：ＯＫ"}, 0},
        {"CR LF demanded", {"--fixed-width=3", "--record-end", "crlf", "--column", n}, "abc\r\nd\r\n",
         {in + "2: レコード長：ＮＧ (1バイト、3バイトのはず)", in + "2:n: 半角英数：ＯＫ"}, 1},
        {"a short last record", {"--fixed-width=3", "--column", n}, "abcde", {in + "2: レコード長：ＮＧ (2バイト、3バイトのはず)"}, 1},
        {"an empty number", {"--fixed-width=2", "--column", "z@1-2:zero-filled"}, "12\n\n",
         {in + "2:z: ゼロ埋め：ＮＧ (空欄)"}, 1},
        {"a long record", {"--fixed-width=3", "--column", n}, "abc\nabcd\n", {in + "2: レコード長：ＮＧ (4バイト、3バイトのはず)"}, 1},
        // ア is 83 41: its trail byte is the next field's first.
        {"a character across a field's end", {"--fixed-width=4", "--column", "a@1-2:zengin", "--column", "b@3-4:digits"},
         Sjis("Aア1\n"), {in + "1:a: 全銀文字：ＮＧ (2バイト目)", in + "1:b: 数字：ＮＧ (1バイト目)"}, 1},
        {"the new rules", {"--fixed-width=8", "--column", "d@1-2:digits", "--column", "p@3-4:padded-left",
                           "--column", "z@5-6:zero-filled", "--column", "e@7-8:equals=21"}, "1x a 9X2\n",
         {in + "1:d: 数字：ＮＧ (2バイト目)", in + "1:p: 左詰め：ＮＧ (1バイト目)", in + "1:z: ゼロ埋め：ＮＧ (1バイト目)",
          in + "1:e: 固定値「21」：ＮＧ (1バイト目)"}, 1},
        {"the JSON gives the field's offset", {"--fixed-width=4", "--json", "--column", "b@3-4:blank"}, "ab x\n",
         {R"j({"file":"(standard input)","record":1,"line":1,"field":1,"column":"b","offset":3,"operation":"blank","ok":false,"position":2,)j"}, 1},
        // The transfer file.
        {"a good file", {"--format", "zengin", "--quiet"}, good, {}, 0},
        {"a wrong count and a wrong sum",  {"--format", "zengin", "--quiet"}, Joined({Header(), Data("ｱ", 5), Trailer(2, 6), End()}),
         {in + "3: 合計件数：ＮＧ (2件、データレコードは1件)", in + "3: 合計金額：ＮＧ (6円、データレコードの合計は5円)"}, 1},
        {"data before a header", {"--format", "zengin", "--quiet"}, Joined({Data("ｱ", 5), Trailer(1, 5), End()}),
         {in + "1: レコード順：ＮＧ (データ区分2、データ区分1のはず)"}, 1},
        {"no trailer, no end", {"--format", "zengin", "--quiet"}, Joined({Header(), Data("ｱ", 5)}),
         {in + "2: レコード順：ＮＧ (ファイルの終わり、データ区分8のはず)"}, 1},
        {"a record after the end", {"--format", "zengin", "--quiet"}, Joined({Header(), Trailer(0, 0), End(), End()}),
         {in + "4: レコード順：ＮＧ (データ区分9、エンドレコードの後)"}, 1},
        {"two groups, and amounts past 32 bits", {"--format", "zengin", "--quiet"},
         Joined({Header(), Data("ｱ", 4000000000), Data("ｲ", 4000000000), Trailer(2, 8000000000), Header(), Trailer(0, 0), End()}), {}, 0},
        {"a bad name, a letter in an amount, lower case", {"--format", "zengin", "--quiet"},
         Joined({Header(), Data("ﾔﾏﾀﾞ①", 1), Data("abc", 1).replace(85, 1, "O"), Trailer(2, 2), End()}),
         {in + "2:受取人名: 全銀文字：ＮＧ (5バイト目)", in + "3:振込金額: ゼロ埋め：ＮＧ (6バイト目)", in + "3:受取人名: 候補「A」 (1バイト目)"}, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        const CheckRun got = RunCheck(c.args, c.input);
        EXPECT_EQ(got.status, c.status) << c.why << "\n" << got.out << got.err;
        for (const std::string& line : c.lines) {
            EXPECT_NE(got.out.find(line), std::string::npos) << c.why << ": no " << line << "\n"
                                                             << got.out;
        }
        if (c.lines.empty()) {
            EXPECT_EQ(got.out, "") << c.why;
        }
    }
}

TEST(FixedWidth, UsageErrors) {
    const std::vector<std::string> wrong[] = {
        {"--fixed-width", "4", "--column", "a@1-5:digits"},  // past the record
        {"--fixed-width", "4", "--column", "a@3-2:digits"},  // empty
        {"--fixed-width", "4", "--column", "a@1-2:digits", "--column",
         "b@2-3:digits"},                                    // overlapping
        {"--column", "a@1-2:digits"},                        // no --fixed-width
        {"--fixed-width", "4", "--column", "2:digits"},      // not a range
        {"--format", "zengin", "--column", "a@1-2:digits"},  // its own layouts
        {"--fixed-width", "4", "--csv", "--column", "a@1-2:digits"},
        {"--fixed-width", "4", "--record-end", "cr", "--column", "a@1-2:digits"},
    };
    for (const auto& args : wrong) {
        const CheckRun got = RunCheck(args, "abcd\n");
        EXPECT_EQ(got.status, 2) << ::testing::PrintToString(args) << got.out;
        EXPECT_NE(got.err.find("(see --help)"), std::string::npos) << got.err;
    }
}

// Random payees, some written as banks do not take them: --fix corrects the names that can be
// corrected, keeps every record 120 bytes, and a second run changes nothing.
TEST(FixedWidth, FixKeepsEveryRecordItsWidth) {
    const char* const units[] = {"ｱ", "ｶﾞ", "A", " ", "ァ", "ガ", "ｯ", "ｰ", "ー", "a", "①", "ア"};
    std::mt19937 random(21);
    const std::string fixed = TempFolder() + "/z.fixed", again = TempFolder() + "/z.again";
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> records = {Header()};
        unsigned long long sum = 0;
        const std::size_t payees = 1 + random() % 6;
        for (std::size_t k = 0; k < payees; ++k) {
            std::string name = "ｱ";
            for (std::size_t u = random() % 12; u > 0; --u)
                name += units[random() % std::size(units)];
            records.push_back(Data(name, k + 1));
            sum += k + 1;
        }
        records.insert(records.end(), {Trailer(payees, sum), End()});
        const std::string_view end = round % 3 == 0 ? "" : round % 3 == 1 ? "\n" : "\r\n";
        const std::string input = TempFile("z.txt", Joined(records, end));
        ASSERT_LE(RunCheck({"--format", "zengin", "--quiet", "--fix", fixed, input}).status, 1);
        const std::string f = ReadFile(fixed);
        ASSERT_EQ(f.size(), records.size() * (120 + end.size())) << Hex(f);
        for (std::size_t at = 0; at < f.size(); at += 120 + end.size()) {
            ASSERT_EQ(f.substr(at + 120, end.size()), end) << "a record of another width at " << at;
        }
        ASSERT_EQ(
            RunCheck({"--format", "zengin", "--quiet", "--fix", again, fixed}).out.find("修正"),
            std::string::npos);
        ASSERT_EQ(ReadFile(again), f);
    }
}

// The compiled verdict of a fixed-width plan says what the check stage says, for the bank file's
// layouts and a layout with every rule it compiles, over random records of every byte kind.
TEST(FixedWidth, CompiledVerdictAgreesWithTheCheckStage) {
    std::vector<std::vector<check::ColumnSpec>> layouts(std::begin(check::TheZenginLayouts().kinds),
                                                        std::end(check::TheZenginLayouts().kinds));
    std::string error;
    layouts.emplace_back();
    ASSERT_TRUE(
        check::ParseLayoutText("a@1-3:half-katakana,no-symbols\nb@4-5:equals=21\n"
                               "c@6-8:max-bytes=3,required,padded-left\nd@9-9:blank\n",
                               "test", layouts.back(), error))
        << error;
    const char pool[] = {'0',    '9',    ' ',    'A',    'a',    '(',    '-',
                         '2',    '1',    '\xA6', '\xB1', '\xDE', '\xA7', '\x82',
                         '\xA0', '\x83', '\x40', '\x7F', '\xFD', '\x80'};
    std::mt19937 random(22);
    const check::Decoder decoder(check::Encoding::Cp932);
    check::RecordJudge judge(decoder);
    // The records each layout is for: a header, data, a trailer, an end record, and ours.
    const std::string goods[] = {Header(), Data("ｱ", 1), Trailer(1, 1), End(), Sjis("ｱｲｳ21 A  ")};
    for (std::size_t l = 0; l < layouts.size(); ++l) {
        const std::size_t width = goods[l].size();
        const check::Plan plan = check::PlanColumns(layouts[l], true, false);
        const std::optional<check::RecordProgram> program = check::RecordProgram::For(plan, width);
        ASSERT_TRUE(program);
        for (int round = 0; round < 3000; ++round) {
            // A good record of the kind with a few bytes changed, so that most fields pass.
            std::string raw = goods[l];
            for (std::size_t k = random() % 3; k > 0; --k)
                raw[random() % raw.size()] = pool[random() % std::size(pool)];
            if (random() % 20 == 0) raw.pop_back();
            check::Record record;
            record.raw = raw;
            record.expectedLength = width;
            ASSERT_EQ(program->Passes(raw), judge.Passes(record, plan)) << Hex(raw);
        }
    }
}

}  // namespace
