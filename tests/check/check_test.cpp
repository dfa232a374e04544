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
#include "output_cases.h"

namespace {

// ---------------------------------------------------------------------------------------------
// What the program prints: the shared table, which kestrune-check.exe runs under Wine too.

TEST(CheckProgram, PrintsTheWindowsLinesPerRecord) {
    const std::string layout =
        TempFile("layout.txt", "# comment\n\n 2:full-katakana,no-symbols \r\n");
    for (const OutputCase& c : OutputCases(layout)) {
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
