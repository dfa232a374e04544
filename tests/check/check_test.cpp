// kestrune-check run in-process: options, exit statuses, the FILE:RECORD: lines in both output
// encodings and as JSON, fields, both input encodings, CR LF records, unreadable files, long
// records, and the bulk path of --quiet against the record-by-record path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bytes.h"
#include "checker.h"
#include "cp932.h"
#include "harness.h"

namespace {

// ---------------------------------------------------------------------------------------------
// What the program prints: expected lines spelled in UTF-8.

struct OutputCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;  // code page 932 bytes on standard input, unless the args name a file
    std::string expected;
    int status;
};

TEST(CheckProgram, PrintsTheWindowsLinesPerRecord) {
    const std::string in = "(standard input):";
    const std::string layout =
        TempFile("layout.txt", "# comment\n\n 2:full-katakana,no-symbols \r\n");
    const std::string customers = Sjis("ID,氏名カナ\r\n1,ヤマダ\r\n\"2\",\"ス,ズキ\"\r\nx\r\n");
    // clang-format off
    const OutputCase cases[] = {
        // アイウ passes; アaイ stops at the a, byte 3.
        {"katakana per record", {"--full-katakana"}, Sjis("アイウ\nアaイ\n"),
         in + "1: 全角カタカナ：ＯＫ\n" + in + "2: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "2: 　　　> ア 【a】 イ\n", 1},
        // CR LF ends records; the CR is in neither the check nor the excerpt.
        {"CR LF records", {"--half-katakana"}, Sjis("ｱｲ\r\nｱ1\r\n"),
         in + "1: 半角カタカナ：ＯＫ\n" + in + "2: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "2: 　　　> ｱ 【1】 \n", 1},
        // A CR not before an LF stays in the record: ｱ CR fails at byte 2 with symbols off.
        {"lone CR is data", {"--half-katakana", "--no-symbols"}, Sjis("ｱ\rｲ"),
         in + "1: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "1: 　　　> ｱ 【\r】 ｲ\n", 1},
        // Operations in the order given; an empty record and a last record without LF.
        {"several operations", {"--char-count", "--full-width", "--byte-size"}, Sjis("\nあいa"),
         in + "1: 文字数：0文字\n" + in + "1: 全角：ＯＫ\n" + in + "1: 文字サイズ：0バイト\n" +
         in + "2: 文字数：3文字\n" + in + "2: 全角：ＮＧ (5バイト目)\n" + in + "2: 　　　> あい 【a】 \n" + in + "2: 候補「ａ」 (5バイト目)\n" +
         in + "2: 文字サイズ：5バイト\n", 1},
        // ア・イ: the middle dot is a symbol, allowed by default and not with --no-symbols.
        {"symbols allowed by default", {"--full-katakana"}, Sjis("ア・イ\n"), in + "1: 全角カタカナ：ＯＫ\n", 0},
        {"no symbols", {"--full-katakana", "--no-symbols"}, Sjis("ア・イ\n"),
         in + "1: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "1: 　　　> ア 【・】 イ\n", 1},
        // --quiet prints only the failing record, with all its lines.
        {"quiet", {"--quiet", "--half-digits", "--byte-size"}, Sjis("123\n12a\n456\n"),
         in + "2: 半角数値：ＮＧ (3バイト目)\n" + in + "2: 　　　> 12 【a】 \n" + in + "2: 文字サイズ：3バイト\n", 1},
        // The second tab-separated field; positions count from the field's start.
        {"field", {"--field", "2", "--half-alnum"}, Sjis("ｱｲ\tabc1\tｳ\n"), in + "1: 半角英数：ＯＫ\n", 0},
        {"missing field is empty", {"--field", "3", "--full-hiragana"}, Sjis("a\tb\n"), in + "1: 全角ひらがな：ＯＫ\n", 0},
        // ポ is 0x83 0x7C: its trail byte is a |, which must not split the field.
        {"delimiter inside a character", {"--field=1", "--delimiter=|", "--full-katakana"}, Sjis("ポポ|x\n"),
         in + "1: 全角カタカナ：ＯＫ\n", 0},
        // UTF-8 input: 😀 becomes "?" at byte 2 and is reported before the result lines; the
        // record fails even though the operation has nothing to reject.
        {"utf-8 with a character outside code page 932", {"--input-encoding", "utf-8", "--byte-size"},
         "a\xF0\x9F\x98\x80" "b\n", in + "1: コードページ932にない文字 U+1F600 (2バイト目)\n" + in + "1: 文字サイズ：3バイト\n", 1},
        // 〜 (U+301C) is the wave dash of code page 932 on Linux, so nothing is lost.
        {"utf-8 wave dash", {"--input-encoding=utf-8", "--full-hiragana"}, "あ\xE3\x80\x9Cい\n",
         in + "1: 全角ひらがな：ＯＫ\n", 0},
        {"utf-8 failing", {"--input-encoding=utf-8", "--full-hiragana"}, "あア\n",
         in + "1: 全角ひらがな：ＮＧ (3バイト目)\n" + in + "1: 　　　> あ 【ア】 \n" + in + "1: 候補「あ」 (3バイト目)\n", 1},
        // JSON: one object per record and operation, lines in UTF-8.
        {"json", {"--json", "--input-encoding=utf-8", "--full-katakana"}, "ア\"\xF0\x9F\x98\x80\n",
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"cp932-unrepresentable","ok":false,"position":4,"lines":["コードページ932にない文字 U+1F600 (4バイト目)"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"full-katakana","ok":false,"position":3,"suggestion":null,"lines":["全角カタカナ：ＮＧ (3バイト目)","　　　> ア 【\"】 ?"]})j" "\n", 1},
        // Columns by header name, in the order given; a short record fails its field count and
        // its missing field is empty.
        {"csv columns", {"--csv", "--header", "--quiet", "--column", "氏名カナ:full-katakana", "--column", "ID:half-digits,required"},
         customers, in + "3:氏名カナ: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "3:氏名カナ: 　　　> ス 【,】 ズキ\n" + in + "3:氏名カナ: 候補「，」 (3バイト目)\n" +
         in + "3:ID: 半角数値：ＯＫ\n" + in + "3:ID: 必須：ＯＫ\n" + in + "4: フィールド数：ＮＧ (1個、見出しは2個)\n" +
         in + "4:氏名カナ: 全角カタカナ：ＯＫ\n" + in + "4:ID: 半角数値：ＮＧ (1バイト目)\n" + in + "4:ID: 　　　>  【x】 \n" +
         in + "4:ID: 必須：ＯＫ\n", 1},
        {"required and malformed records", {"--csv", "--quiet", "--column", "2:required"}, "a,\"\"\n\"a\"b\n",
         in + "1:2: 必須：ＮＧ (空欄)\n" + in + "2: CSV：ＮＧ (4バイト目) 閉じた \" の後に区切り文字も改行もありません\n", 1},
        {"a layout file", {"--layout", layout}, Sjis("a\tカ・ナ\n"),
         in + "1:2: 全角カタカナ：ＮＧ (3バイト目)\n" + in + "1:2: 　　　> カ 【・】 ナ\n", 1},
        // --all: the NG line keeps the first position; every rejected character is bracketed.
        {"all", {"--all", "--half-katakana"}, Sjis("ｱaｲbー\n"),
         in + "1: 半角カタカナ：ＮＧ (2バイト目)\n" + in + "1: 　　　> ｱ 【a】 ｲ 【b】  【ー】 \n" + in + "1: 候補「ｰ」 (5バイト目)\n", 1},
        // イ straddles the third byte; the record spans two lines.
        {"json of a column", {"--csv", "--all", "--json", "--column", "2:max-bytes=3,half-katakana"}, Sjis("a,\"ア\nイウ\",x\n"),
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"max-bytes","ok":false,"position":4,"positions":[4],"size":7,"limit":3,"lines":["最大3バイト：ＮＧ (4バイト目)","　　　> ア\u000a 【イ】 ウ"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"half-katakana","ok":false,"position":1,"positions":[1,4,6],"suggestion":"ｱ","suggestions":["ｱ","ｲ","ｳ"],"lines":["半角カタカナ：ＮＧ (1バイト目)","　　　>  【ア】 \u000a 【イ】  【ウ】 ","候補「ｱ」 (1バイト目)","候補「ｲ」 (4バイト目)","候補「ｳ」 (6バイト目)"]})j" "\n", 1},
        // Each character --jis rejects is named, with the JIS X 0208 code of the NEC ∵.
        {"jis names kinds", {"--all", "--jis"}, Bytes("61 87 9A ED 40 F0 40 85 40 0A"),
         in + "1: JIS文字：ＮＧ (2バイト目)\n" + in + "1: 　　　> a 【∵】  【纊】  【\xEE\x80\x80】  【\xEF\xBF\xBD@】 \n" +
         in + "1: NEC特殊文字 87 9A (2バイト目)\n" + in + "1: 候補「∵」 (2バイト目)\n" + in + "1: NEC選定IBM拡張文字 ED 40 (4バイト目)\n" +
         in + "1: 外字 F0 40 (6バイト目)\n" + in + "1: 未定義の文字 85 40 (8バイト目)\n", 1},
        // ｶﾞ passes the bank set; a gets its capital, が nothing.
        {"json kinds and suggestions", {"--json", "--all", "--csv", "--column", "1:cp932", "--column", "2:zengin"},
         Bytes("F0 40 85 40 2C B6 DE 61 82 AA 0A"),
         R"j({"file":"(standard input)","record":1,"line":1,"field":1,"operation":"cp932","ok":false,"position":1,"positions":[1,3],"kind":"user-defined","kinds":["user-defined","undefined"],"suggestion":null,"suggestions":[null,null],"lines":["CP932文字：ＮＧ (1バイト目)","　　　>  【)j" "\xEE\x80\x80" R"j(】  【)j" "\xEF\xBF\xBD" R"j(@】 ","外字 F0 40 (1バイト目)","未定義の文字 85 40 (3バイト目)"]})j" "\n"
         R"j({"file":"(standard input)","record":1,"line":1,"field":2,"operation":"zengin","ok":false,"position":3,"positions":[3,4],"suggestion":"A","suggestions":["A",null],"lines":["全銀文字：ＮＧ (3バイト目)","　　　> ｶﾞ 【a】  【が】 ","候補「A」 (3バイト目)"]})j" "\n", 1},
        // The end of the input right after a delimiter: one more, empty field.
        {"a delimiter ends the input", {"--csv", "--column", "2:required"}, "a,", in + "1:2: 必須：ＮＧ (空欄)\n", 1},
        {"after a quoted field", {"--csv", "--column", "2:byte-size"}, "\"a\"\"b\",", in + "1:2: 文字サイズ：0バイト\n", 0},
        {"quiet json after a header", {"--csv", "--header", "--quiet", "--json", "--column", "y:required"}, "x,y\na,",
         R"j({"file":"(standard input)","record":2,"line":2,"field":2,"column":"y","operation":"required","ok":false,"position":0,"lines":["必須：ＮＧ (空欄)"]})j" "\n", 1},
        // A lone lead byte, and 0x80 with the byte after it, are bracketed whole: no byte of
        // them pairs with a mark.
        {"a lone lead byte at the end", {"--all", "--full-hiragana"}, "\x82\xA0\x81\n",
         in + "1: 全角ひらがな：ＮＧ (3バイト目)\n" + in + "1: 　　　> あ 【\uFFFD】 \n", 1},
        {"json of 0x80 and a lone A0", {"--all", "--json", "--full-hiragana"}, "\x82\xA0\x80\x82\xA0\n",
         R"j({"file":"(standard input)","record":1,"line":1,"operation":"full-hiragana","ok":false,"position":3,"positions":[3,5],"suggestion":null,"suggestions":[null,null],"lines":["全角ひらがな：ＮＧ (3バイト目)","　　　> あ 【��】  【�】 "]})j" "\n", 1},
        {"json of a named field", {"--header", "--field", "カナ", "--json", "--half-katakana"}, Sjis("名\tカナ\nb\tｶﾅ\n"),
         R"j({"file":"(standard input)","record":2,"line":2,"field":2,"column":"カナ","operation":"half-katakana","ok":true,"position":0,"lines":["半角カタカナ：ＯＫ"]})j" "\n", 0},
    };
    // clang-format on
    for (const OutputCase& c : cases) {
        const CheckRun got = RunCheck(c.args, c.input);
        EXPECT_EQ(got.out, c.expected)
            << c.name << "\n got: " << Hex(got.out) << "\nwant: " << Hex(c.expected);
        EXPECT_EQ(got.status, c.status) << c.name;
        EXPECT_EQ(got.err, "") << c.name;
    }
}

TEST(CheckProgram, WritesCodePage932WhenAskedOrWhereTheLocaleIsNotUtf8) {
    // 全角カタカナ：ＮＧ (1バイト目), the excerpt with ｱ and 候補「ア」 (1バイト目), byte for byte.
    const std::string expected =
        "(standard input):1: \x91S\x8Ap\x83J\x83^\x83J\x83i\x81\x46\x82m\x82\x66 (1"
        "\x83o\x83\x43\x83g\x96\xDA)\n"
        "(standard input):1: \x81@\x81@\x81@>  \x81y\xB1\x81z \n"
        "(standard input):1: \x8C\xF3\x95\xE2\x81u\x83\x41\x81v (1\x83o\x83\x43\x83g\x96\xDA)\n";
    EXPECT_EQ(RunCheck({"--output-encoding", "cp932", "--full-katakana"}, "\xB1\n").out, expected);
    check::Environment env;
    env.localeOutput = check::Encoding::Cp932;
    EXPECT_EQ(RunCheck({"--full-katakana"}, "\xB1\n", env).out, expected);
}

TEST(CheckProgram, NamesFilesAndKeepsGoingPastAnUnreadableOne) {
    const std::string good = TempFile("good.txt", Sjis("あ\nア\n"));
    const std::string missing = TempFolder() + "/missing.txt";
    const CheckRun got = RunCheck({"--quiet", "--full-hiragana", missing, good});
    EXPECT_EQ(got.out, good + ":2: 全角ひらがな：ＮＧ (1バイト目)\n" + good +
                           ":2: 　　　>  【ア】 \n" + good + ":2: 候補「あ」 (1バイト目)\n");
    EXPECT_EQ(got.err, "kestrune-check: " + missing + ": No such file or directory\n");
    EXPECT_EQ(got.status, 2);
    // A directory opens but cannot be read.
    EXPECT_EQ(RunCheck({"--full-width", TempFolder()}).status, 2);
}

// ---------------------------------------------------------------------------------------------
// Usage.

TEST(CheckProgram, UsageErrorsSayWhatIsWrongOnOneLine) {
    const std::vector<std::string> wrong[] = {
        {},                                     // no operation
        {"--full-width", "--frobnicate"},       // unknown option
        {"--full-width", "--field", "0"},       // fields count from 1
        {"--full-width", "--field", "2x"},      //
        {"--full-width", "--field"},            // value missing
        {"--full-width", "--delimiter", "ab"},  // one byte only
        {"--full-width", "--delimiter=\x81"},   // could split a double-byte character
        {"--full-width", "--input-encoding", "latin1"},
        {"--full-width=yes"},                            // takes no value
        {"--column", "2:frobnicate"},                    // no such rule
        {"--header", "--column", "nope:half-width"},     // no such header name
        {"--column", "name:half-width"},                 // a name needs --header
        {"--column", "2:max-bytes="},                    // no number
        {"--column", "2:max-bytes=0"},                   // nothing fits in no bytes
        {"--column", "2:max-bytes=-3"},                  //
        {"--column", "2:"},                              // no rule
        {"--column", "0:half-width"},                    // fields count from 1
        {"--column", "2:half-width", "--full-width"},    // two forms mixed
        {"--layout", "/nonexistent/layout"},             // unreadable
        {"--csv", "--delimiter", "\"", "--full-width"},  // the quote cannot delimit
    };
    for (const auto& args : wrong) {
        const CheckRun got = RunCheck(args, "x\n");
        EXPECT_EQ(got.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(got.out, "");
        EXPECT_EQ(std::count(got.err.begin(), got.err.end(), '\n'), 1) << got.err;
        EXPECT_EQ(got.err.rfind("kestrune-check: ", 0), 0u) << got.err;
    }
}

// ---------------------------------------------------------------------------------------------
// Faults found by attacking the program: each row failed on a build that had the fault.

// Lets the out-of-memory row ask for an impossible buffer under the address sanitizer too.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

enum class Sink { Memory, DevFull, BrokenPipe };

struct FaultCase {
    const char* why;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string err;  // a fragment of standard error; empty: nothing on it
    std::string out;  // a fragment of standard output
    Sink sink = Sink::Memory;
    std::size_t chunk = 1 << 20;
    std::size_t maxRecord = INT_MAX;
};

TEST(CheckProgram, FaultsFoundByAttackingItStayMended) {
    const std::string badName = TempFile("n\x83\x5c.txt", "abc\n");  // nソ.txt in code page 932
    const std::string jsonName = "{\"file\":\"" + TempFolder() + "/n\uFFFD\\\\.txt\",";
    std::string longRecords = "ok\n" + std::string(300, 'a') + "\n";  // short records after it
    for (int i = 0; i < 80; ++i) longRecords += "fine\n";
    const std::string lost = "(standard input):1: UTF-8として不正なバイト列 ";
    // clang-format off
    const FaultCase cases[] = {
        {"a result that cannot be written is a failure", {"--byte-size"}, "abc\n", 2,
         "kestrune-check: write error: No space left on device\n", "", Sink::DevFull},
        {"so is help that cannot be written", {"--help"}, "", 2, "write error", "", Sink::DevFull},
        {"a closed pipe stops the run", {"--byte-size"}, std::string(200000, '\n'), 2,
         "write error: Broken pipe\n", "", Sink::BrokenPipe, 4096},
        // Overlong A, then an encoded surrogate: each maximal subpart alone.
        {"ill-formed UTF-8 is named as such", {"--input-encoding", "utf-8", "--byte-size"},
         "\xF0\x80\x81\x81\xED\xA0\x80\n", 1, "", lost + "F0 (1バイト目)\n" + lost + "80 (2バイト目)\n" +
         lost + "81 (3バイト目)\n" + lost + "81 (4バイト目)\n" + lost + "ED (5バイト目)\n" + lost + "A0 (6バイト目)\n"},
        {"a cut sequence is one subpart", {"--input-encoding=utf-8", "--byte-size"}, "a\xE3\x81\n", 1, "",
         lost + "E3 81 (2バイト目)\n"},
        {"a UTF-8 byte order mark is a signature", {"--input-encoding=utf-8", "--half-alnum"},
         "\xEF\xBB\xBF" "abc\n", 0, "", "(standard input):1: 半角英数：ＯＫ\n"},
        {"one in code page 932 input is pointed out", {"--half-alnum"}, "\xEF\xBB\xBF" "abc\n", 1,
         "byte order mark; if it is UTF-8, give --input-encoding utf-8\n", "ＮＧ (1バイト目)"},
        {"auto takes UTF-8 for UTF-8", {"--input-encoding", "auto", "--full-katakana"}, "アイ\n", 0, "",
         "全角カタカナ：ＯＫ"},
        {"and code page 932 for the rest", {"--input-encoding=auto", "--full-katakana"}, Sjis("アイ\n"), 0, "", "ＯＫ"},
        {"and a byte order mark for UTF-8", {"--input-encoding=auto", "--half-alnum"}, "\xEF\xBB\xBF" "abc\n", 0, "",
         "半角英数：ＯＫ"},
        // あ is 3 bytes in UTF-8, 2 in code page 932: the sizes say how each file was read.
        {"auto reads the first 64 KiB, however small the reads", {"--input-encoding=auto", "--byte-size"},
         "あ" + std::string(70000, 'a') + "\n", 0, "", "文字サイズ：70002バイト", Sink::Memory, 4},
        {"and no further", {"--input-encoding=auto", "--byte-size"}, std::string(70000, 'a') + "あ\n", 0, "",
         "文字サイズ：70003バイト", Sink::Memory, 4},
        {"a character the 64 KiB cut is not ill-formed", {"--input-encoding=auto", "--byte-size"},
         std::string(65535, 'a') + "あ\n", 0, "", "文字サイズ：65537バイト"},
        {"UTF-8 read as code page 932 gets a hint", {"--full-katakana"}, "アイ\n", 1,
         "kestrune-check: (standard input): looks like UTF-8; if it is, give --input-encoding utf-8 (or auto)\n", "ＮＧ"},
        {"ASCII alone gets none", {"--half-alnum"}, "abc\n", 0, "", "ＯＫ"},
        {"a long record arriving over several reads is refused", {"--half-alnum"}, "ok\n0123456789abc\nfine\n", 2,
         "kestrune-check: (standard input):2: record longer than 8 bytes, not checked\n",
         "(standard input):1: 半角英数：ＯＫ\n(standard input):3: 半角英数：ＯＫ\n", Sink::Memory, 4, 8},
        {"the bulk path refuses long records too", {"--quiet", "--half-alnum"}, longRecords, 2,
         ":2: record longer than 80 bytes, not checked\n", "", Sink::Memory, 4096, 80},
        {"a file name that is not UTF-8 stays valid JSON", {"--json", "--byte-size", badName}, "", 0, "", jsonName},
        {"no memory is reported, not an abort", {"--byte-size"}, "abc\n", 2, "kestrune-check: out of memory\n", "",
         Sink::Memory, std::size_t{1} << 46},
    };
    // clang-format on
    std::signal(SIGPIPE, SIG_IGN);
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.why);
        check::Environment env;
        env.chunk = c.chunk;
        env.maxRecord = c.maxRecord;
        int pipeEnds[2] = {-1, -1};
        if (c.sink == Sink::DevFull) env.out = std::fopen("/dev/full", "w");
        if (c.sink == Sink::BrokenPipe) {
            ASSERT_EQ(pipe(pipeEnds), 0);
            close(pipeEnds[0]);
            env.out = fdopen(pipeEnds[1], "w");
        }
        const std::string in = TempFile("fault_stdin", c.input);
        const int inFd = open(in.c_str(), O_RDONLY);
        env.standardInput = inFd;
        const CheckRun got = c.sink == Sink::Memory ? RunCheck(c.args, c.input, env)
                                                    : RunCheck(c.args, c.input, env, inFd);
        EXPECT_EQ(got.status, c.status);
        if (c.err.empty()) {
            EXPECT_EQ(got.err, "");
        }
        EXPECT_NE(got.err.find(c.err), std::string::npos) << got.err;
        EXPECT_NE(got.out.find(c.out), std::string::npos) << got.out;
        if (c.sink == Sink::BrokenPipe) {
            EXPECT_LT(lseek(inFd, 0, SEEK_CUR), static_cast<off_t>(c.input.size()))
                << "read on after the pipe closed";
        }
        close(inFd);
    }
}

// A closed standard output must not become the first file opened: the results would go into
// that file's descriptor and the run would look like a success.
TEST(CheckProgram, ClosedStandardOutputIsAWriteError) {
    const std::string file = TempFile("closed_out.txt", "abc\n");
    const std::string err = TempFolder() + "/closed_err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string program = KESTRUNE_CHECK_BINARY, option = "--byte-size";
    char* argv[] = {program.data(), option.data(), const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ifstream errFile(err);
    std::string said((std::istreambuf_iterator<char>(errFile)), {});
    EXPECT_EQ(said, "kestrune-check: write error: Bad file descriptor\n");
}

// ---------------------------------------------------------------------------------------------
// Long records, chunk edges and the bulk path.

TEST(CheckProgram, ChecksARecordOfAMegabyte) {
    // カ x 524288 (1 MiB), then ｱ at byte 1048577.
    std::string record;
    for (int i = 0; i < (1 << 19); ++i) record += "\x83\x4A";
    const CheckRun got =
        RunCheck({"--full-katakana", "--char-count"}, "\x83\x41\n" + record + "\xB1\n");
    const std::string second = "(standard input):2: ";
    EXPECT_EQ(got.out.substr(0, got.out.find('\n', got.out.find(second))),
              "(standard input):1: 全角カタカナ：ＯＫ\n(standard input):1: 文字数：1文字\n" +
                  second + "全角カタカナ：ＮＧ (1048577バイト目)");
    EXPECT_NE(got.out.find(second + "文字数：524289文字\n"), std::string::npos);
}

// Long texts are written out in pieces: decoding them piece by piece must give what decoding
// the whole gives, wherever a piece ends (after a lead byte, between a lead and its trail).
TEST(CheckProgram, DecodingInPiecesGivesTheWhole) {
    std::mt19937 random(5);
    const char units[] = {'\x81', '\x82', '\x40', '\xA0', '\x80', '\xFF', 'a', ' ', '\xE0', '\xFC'};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (std::size_t n = random() % 12; n > 0; --n) text += units[random() % std::size(units)];
        std::string pieces;
        Cp932Decoder decoder;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t length = std::min<std::size_t>(random() % 4, text.size() - at);
            decoder.Feed(std::string_view(text).substr(at, length), pieces);
            at += length;
        }
        decoder.Finish(pieces);
        ASSERT_EQ(pieces, Cp932ToUtf8(text)) << Hex(text);
    }
}

// In UTF-8 output every piece of an excerpt is converted on its own: a rejected unit that ends
// in a lead byte (0x80, 0xFD to 0xFF, or a lone lead byte at the end) never swallows a mark.
TEST(CheckProgram, ExcerptMarksStandAroundBytesThatAreNoCharacter) {
    struct Unit {
        const char* bytes;
        const char* utf8;  // as the excerpt shows it
        bool rejected;     // by --full-hiragana --no-symbols
    };
    const Unit units[] = {
        {"\x82\xA0", "あ", false},
        {"\x82\xA2", "い", false},
        {"a", "a", true},
        {"\xB1", "ｱ", true},
        {"\x80\x82", "\uFFFD\uFFFD", true},  // 80 is a lead byte to the checks, 82 no trail
        {"\xFD\x41", "\uFFFDA", true},       // FD pairs for the checks, not for code page 932
        {"\xFF\xA0", "\uFFFD\uFFFD", true},  // so does FF; A0 is undefined
    };
    std::mt19937 random(26);
    for (int round = 0; round < 300; ++round) {
        std::string record, excerpt = "(standard input):1: 　　　> ";
        bool rejected = false;
        for (std::size_t k = random() % 8; k > 0; --k) {
            const Unit& u = units[random() % std::size(units)];
            record += u.bytes;
            rejected |= u.rejected;
            excerpt += u.rejected ? std::string(" 【") + u.utf8 + "】 " : u.utf8;
        }
        if (random() % 3 == 0) {  // a lead byte that ends the record
            record += "\x82";
            excerpt += " 【\uFFFD】 ";
            rejected = true;
        }
        const CheckRun got = RunCheck({"--all", "--full-hiragana", "--no-symbols"}, record + "\n");
        if (!rejected) continue;  // no excerpt
        const std::size_t second = got.out.find('\n') + 1;
        ASSERT_EQ(got.out.substr(second, got.out.find('\n', second) - second), excerpt)
            << Hex(record);
    }
}

// --quiet confirms runs of records through the kernels; with --field 1 (no tab in these
// records, so the whole record) it goes record by record. Both must print the same.
TEST(CheckProgram, QuietBulkPathPrintsWhatTheRecordPathPrints) {
    std::mt19937 random(23);
    // The first four of each are common and pass the katakana checks. In UTF-8: ア ヶ ー 　,
    // then ヷ ｱ a CR, 😀 (not in code page 932), a cut sequence, a byte that starts nothing,
    // あ Ａ ・.
    const std::vector<const char*> units[] = {
        {"\x83\x41", "\x83\x96", "\x81\x5B", "\x81\x40", "\x82\xA0", "\x83\x97", "\xB1", "a", "\r",
         "\x81\xFC", "\x81\xFB", "\x83"},
        {"\xE3\x82\xA2", "\xE3\x83\xB6", "\xE3\x83\xBC", "\xE3\x80\x80", "\xE3\x83\xB7",
         "\xEF\xBD\xB1", "a", "\r", "\xF0\x9F\x98\x80", "\xE3\x82", "\xFF"},
    };
    for (int round = 0; round < 80; ++round) {
        const bool utf8 = round % 2;
        const std::vector<const char*>& unit = units[utf8];
        std::string input;
        const std::size_t size = random() % 20000;
        while (input.size() < size) {
            const int length = static_cast<int>(random() % 30);
            for (int k = 0; k < length; ++k) {
                // Mostly katakana, so that most records pass and a few do not.
                input += random() % 50 ? unit[random() % 4] : unit[random() % unit.size()];
            }
            input += random() % 4 ? "\n" : "\r\n";
        }
        check::Environment env;
        env.chunk = 1 + random() % 5000;
        for (auto ops : std::vector<std::vector<std::string>>{
                 {"--full-katakana"},
                 {"--full-width", "--full-katakana", "--no-symbols"},
                 {"--half-katakana", "--char-count"},
                 {"--full-hiragana", "--no-symbols"},
                 {"--full-alnum"},
                 {"--byte-size"}}) {  // nothing to reject but what converting loses
            if (utf8) ops.push_back("--input-encoding=utf-8");
            std::vector<std::string> bulk = ops, single = ops;
            bulk.push_back("--quiet");
            single.insert(single.end(), {"--quiet", "--field", "1"});
            const CheckRun a = RunCheck(bulk, input, env);
            const CheckRun b = RunCheck(single, input, env);
            ASSERT_EQ(a.out, b.out) << "chunk " << env.chunk << ", input " << Hex(input);
            ASSERT_EQ(a.status, b.status);
        }
    }
}

}  // namespace
