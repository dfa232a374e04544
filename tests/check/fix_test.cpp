// --fix: what is corrected and how it is written back, properties over random CSV files, and
// the safety of the files it writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bytes.h"
#include "harness.h"

namespace {

struct FixCase {
    const char* why;
    std::vector<std::string> args;  // --fix and --rejects are added
    std::string input;              // code page 932 unless the args say otherwise
    std::string fixed, rejects;     // what the files hold afterwards
    int status;
    std::string report = {};  // a line the report must hold, in UTF-8
};

TEST(Fix, CorrectsWhatTheChecksSuggestAndNothingElse) {
    const std::string csv = "--csv";
    // clang-format off
    const FixCase cases[] = {
        // Suggestions: the other width with its voiced mark, the other script, the capital,
        // the JIS code of a vendor character.
        {"a width, CR LF kept", {csv, "--column", "2:zengin"}, Sjis("1,ガ\r\nx,ﾀﾞ\r\n"), Sjis("1,ｶﾞ\r\nx,ﾀﾞ\r\n"), "", 0,
         "(standard input):1:2: 修正「ガ」→「ｶﾞ」 (1バイト目)"},
        {"a script, no line end at the end", {"--full-hiragana"}, Sjis("カナ"), Sjis("かな"), "", 0},
        {"a capital", {"--zengin"}, Sjis("abc\n"), Sjis("ABC\n"), "", 0},
        {"a vendor character", {"--jis"}, Bytes("87 9A 0A"), Bytes("81 E6 0A"), "", 0},
        // Corrections by name, where the check rejects the character.
        {"small kana", {"--column", "1:zengin,fold-small-kana"}, Sjis("ｷｬｯｼｭ ァ\n"), Sjis("ｷﾔﾂｼﾕ ｱ\n"), "", 0,
         "修正「ｯ」→「ﾂ」 (3バイト目)"},
        {"a long vowel", {"--column", "1:zengin,hyphen-for-long-vowel"}, Sjis("ｺｰﾋｰ\n"), Sjis("ｺ-ﾋ-\n"), "", 0},
        {"spaces at the ends only", {"--column", "1:full-katakana,no-symbols,trim"}, Sjis("　ア　イ　\n"), Sjis("ア　イ\n"),
         "", 1},
        {"a cut at a character's start", {"--column", "1:max-bytes=3,truncate"}, Sjis("アイ\n"), Sjis("ア\n"), "", 0,
         "修正「イ」→「」 (3バイト目)"},
        // How a changed field is written back.
        {"a field that now needs quotes", {csv, "--column", "2:half-width"}, Sjis("1,ａ，ｂ\n"), "1,\"a,b\"\n", "", 0},
        {"a quoted field stays quoted, its quotes doubled", {csv, "--column", "2:half-katakana"}, Sjis("1,\"ガ\"\"ｱ\",z\n"),
         Sjis("1,\"ｶﾞ\"\"ｱ\",z\n"), "", 0},
        {"unchanged fields as read", {csv, "--column", "2:zengin"}, Sjis("\"a\",ガ,\"\"\n"), Sjis("\"a\",ｶﾞ,\"\"\n"), "", 0},
        {"a delimiter is not brought into a line's field", {"--delimiter", ",", "--field", "2", "--half-width"},
         Sjis("1,ａ，ｂ\n"), Sjis("1,a，b\n"), "", 1},
        {"two columns on one field, one after the other", {"--column", "1:full-width", "--column", "1:half-katakana"},
         Sjis("ｱ\n"), Sjis("ｱ\n"), "", 1},
        // What still fails goes to the rejects file as read; the header to both.
        {"a record that still fails", {csv, "--header", "--column", "名:zengin", "--rejects"}, Sjis("名\nガ\n①\n\"a\"b\n"),
         Sjis("名\nｶﾞ\n"), Sjis("名\n①\n\"a\"b\n"), 1},
        // Encodings: the corrected file in UTF-8; UTF-8 in, a character code page 932 lacks kept.
        {"UTF-8 out", {"--zengin", "--fix-encoding", "utf-8"}, Sjis("ガ\n"), "ｶﾞ\n", "", 0},
        {"UTF-8 in and out", {"--input-encoding", "utf-8", "--fix-encoding", "utf-8", "--zengin"}, "ガ\n😀ガ\n",
         "ｶﾞ\n😀ガ\n", "", 1},
    };
    // clang-format on
    const std::string fixed = TempFolder() + "/fixed", rejects = TempFolder() + "/rejects";
    for (const FixCase& c : cases) {
        std::filesystem::remove(rejects);
        std::vector<std::string> args = c.args;
        if (args.back() == "--rejects") args.push_back(rejects);
        args.insert(args.end(), {"--fix", fixed});
        const CheckRun got = RunCheck(args, c.input);
        EXPECT_EQ(ReadFile(fixed), c.fixed) << c.why << ": " << ByteDiff(c.fixed, ReadFile(fixed));
        EXPECT_EQ(ReadFile(rejects), c.rejects) << c.why;
        EXPECT_EQ(got.status, c.status) << c.why << "\n" << got.out << got.err;
        EXPECT_NE(got.out.find(c.report), std::string::npos) << c.why << "\n" << got.out;
    }
}

// Random CSV records: each unit is one a bank name may hold, its fixed form, or one with no fix.
TEST(Fix, KeepsEveryRecordOnceAndIsItsOwnFixedPoint) {
    const char* const units[] = {"ｱ", "ｶﾞ", "A",  "1", " ",  "(",    "ガ", "ｯ",
                                 "ｰ", "a",  "ア", "①", "漢", "\"\"", ",",  "　"};
    std::mt19937 random(20);
    const std::string fixed = TempFolder() + "/p.fixed", rejects = TempFolder() + "/p.rejects";
    const std::string again = TempFolder() + "/p.again";
    for (int round = 0; round < 60; ++round) {
        std::string input;
        std::vector<std::string> records;
        for (std::size_t n = 1 + random() % 12; n > 0; --n) {
            std::string name;
            for (std::size_t k = random() % 6; k > 0; --k)
                name += units[random() % std::size(units)];
            records.push_back(
                Sjis(std::to_string(n) + ",\"" + name + "\"" + (random() % 2 ? "\r\n" : "\n")));
            input += records.back();
        }
        const std::string in = TempFile("p.csv", input);
        const std::vector<std::string> rules = {
            "--csv", "--quiet", "--column",
            "2:zengin,fold-small-kana,hyphen-for-long-vowel,max-bytes=8,truncate"};
        std::vector<std::string> args = rules;
        args.insert(args.end(), {"--fix", fixed, "--rejects", rejects, in});
        ASSERT_LE(RunCheck(args).status, 1) << Hex(input);
        // Every record, in order, in one file or the other: a rejected one as read.
        const std::string f = ReadFile(fixed), r = ReadFile(rejects);
        std::size_t inF = 0, inR = 0;
        for (const std::string& record : records) {
            if (r.compare(inR, record.size(), record) == 0) {
                inR += record.size();
            } else {
                const std::size_t end = f.find('\n', inF);
                ASSERT_NE(end, std::string::npos) << "a record is missing: " << Hex(input);
                inF = end + 1;
            }
        }
        ASSERT_EQ(inF, f.size()) << Hex(input);
        ASSERT_EQ(inR, r.size()) << Hex(input);
        // The corrected file passes, and fixing it again changes nothing.
        args = rules;
        args.insert(args.end(), {"--fix", again, fixed});
        const CheckRun second = RunCheck(args);
        ASSERT_EQ(second.status, 0) << second.out;
        ASSERT_EQ(second.out, "");
        ASSERT_EQ(ReadFile(again), f);
    }
}

// The real program, where a file system fills or a signal ends it.
pid_t Spawn(std::vector<std::string> args, int in, int out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDERR_FILENO);
    args.insert(args.begin(), KESTRUNE_CHECK_BINARY);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST(Fix, NeverLeavesAHalfFileNorTouchesTheInput) {
    namespace fs = std::filesystem;
    const fs::path folder = TempFolder() + "/safety";
    fs::create_directories(folder);
    const std::string input = (folder / "in.txt").string(), out = (folder / "out.txt").string();
    std::string records;
    for (int k = 0; k < 20000; ++k) records += Sjis("ガギグ\n");
    TempFile("safety/in.txt", records);
    const auto untouched = [&](const char* why) {
        EXPECT_EQ(ReadFile(out), "old") << why;
        EXPECT_EQ(ReadFile(input), records) << why;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"in.txt", "link.txt", "out.txt"})) << why;
    };
    TempFile("safety/out.txt", "old");
    fs::create_hard_link(input, folder / "link.txt");
    // The input under another name is still the input.
    EXPECT_EQ(RunCheck({"--zengin", "--fix", (folder / "link.txt").string(), input}).status, 2);
    untouched("the input as the output");
    // A file system that takes no more than 4 KiB of a file.
    const int null = open("/dev/null", O_RDWR);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the program
    rlimit limit{}, small{4096, 4096};
    getrlimit(RLIMIT_FSIZE, &limit);
    setrlimit(RLIMIT_FSIZE, &small);
    const pid_t full = Spawn({"--zengin", "--quiet", "--fix", out, input}, null, null);
    setrlimit(RLIMIT_FSIZE, &limit);
    int status = 0;
    waitpid(full, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    untouched("a full disk");
    // A run killed while it waits for more input.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t killed = Spawn({"--zengin", "--quiet", "--fix", out}, pipeEnds[0], null);
    ASSERT_EQ(write(pipeEnds[1], records.data(), 4096), 4096);
    usleep(200 * 1000);
    kill(killed, SIGKILL);
    waitpid(killed, &status, 0);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    close(null);
    untouched("a killed run");
}

}  // namespace
