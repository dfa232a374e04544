// kestrune-check.exe under Wine: every row of the output table the Linux tests run in-process,
// run here as a process with standard input from a file and its output redirected to files,
// compared byte for byte with the exit status; then what only Windows shows: names that reach
// the program in UTF-16, code page 932 by default in a redirected output, the same results on a
// console, a closed pipe, a closed standard output, and --fix replacing a file whole.
//
//   kestrune-check-driver KESTRUNE_CHECK_EXE
//
// It prints one line per check and a closing count, and exits 1 if any check failed.
#include <cpuid.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "kernels.h"
#include "output_cases.h"
#include "tally.h"

namespace {

constexpr DWORD kRunMs = 30000;  // for one run of the program

std::wstring Wide(std::string_view utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

// One argument as CommandLineToArgvW reads it back: quoted where it holds a space, a tab or a
// quote, a quote escaped, and the backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

std::wstring program;  // kestrune-check.exe
std::wstring folder;   // the run's working folder, where its files are

void WriteFile(const std::wstring& path, std::string_view bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    std::string bytes;
    char buffer[1 << 16];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ::ReadFile(file, buffer, sizeof buffer, &got, nullptr) &&
           got > 0) {
        bytes.append(buffer, got);
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return bytes;
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Where the program's standard output goes.
enum class Out { File, Console, ClosedPipe, None };

struct Ran {
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
    std::wstring console;  // with Out::Console, what the console shows, a row a line
};

// The lines a console shows: each row without the spaces that pad it, up to the cursor.
std::wstring Shown(HANDLE console) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info)) return L"(no console)";
    std::wstring shown;
    std::wstring row(info.dwSize.X, L' ');
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        DWORD got = 0;
        ReadConsoleOutputCharacterW(console, row.data(), info.dwSize.X, {0, y}, &got);
        const std::size_t end = row.find_last_not_of(L' ', got == 0 ? 0 : got - 1);
        shown += row.substr(0, end == std::wstring::npos ? 0 : end + 1);
        if (y < info.dwCursorPosition.Y) shown += L'\n';
    }
    return shown;
}

// Runs the program in `folder` with `args` (UTF-8), `input` on standard input.
Ran Run(const std::vector<std::string>& args, std::string_view input, Out out = Out::File) {
    std::wstring line = Quoted(program);
    for (const std::string& arg : args) line += L" " + Quoted(Wide(arg));
    WriteFile(folder + L"\\stdin", input);
    const HANDLE in = Inheritable(folder + L"\\stdin", GENERIC_READ, OPEN_EXISTING);
    const HANDLE err = Inheritable(folder + L"\\stderr", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE stdOut = INVALID_HANDLE_VALUE, pipeRead = nullptr;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    switch (out) {
        case Out::File:
            stdOut = Inheritable(folder + L"\\stdout", GENERIC_WRITE, CREATE_ALWAYS);
            break;
        case Out::Console:  // a screen buffer of its own, so that it shows this run alone
            stdOut = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                               CONSOLE_TEXTMODE_BUFFER, nullptr);
            SetConsoleScreenBufferSize(stdOut, {256, 100});  // no JSON line wraps
            break;
        case Out::ClosedPipe:
            CreatePipe(&pipeRead, &stdOut, &inherit, 0);
            CloseHandle(pipeRead);
            break;
        case Out::None:
            break;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = stdOut;
    startup.hStdError = out == Out::Console ? stdOut : err;  // as in a console window
    PROCESS_INFORMATION process{};
    Ran ran;
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.c_str(), &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, kRunMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 0xDEAD);
        }
        GetExitCodeProcess(process.hProcess, &ran.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(err);
    if (out == Out::Console) ran.console = Shown(stdOut);
    if (stdOut != INVALID_HANDLE_VALUE) CloseHandle(stdOut);
    if (out == Out::File) ran.out = ReadFile(folder + L"\\stdout");
    ran.err = ReadFile(folder + L"\\stderr");
    return ran;
}

// Checks the standard output, the status and the standard error of a run.
void Expect(const std::string& name, const Ran& ran, const std::string& out, DWORD status,
            const std::string& err = {}) {
    Check(ran.out == out, name + ": standard output",
          "\n      got: " + Hex(ran.out) + "\n     want: " + Hex(out));
    Check(ran.status == status, name + ": exit status",
          std::to_string(ran.status) + ", not " + std::to_string(status));
    Check(ran.err == err, name + ": standard error", "\"" + ran.err + "\", not \"" + err + "\"");
}

// The shared table. Its expected lines are UTF-8, which Windows writes only when asked.
void TheOutputTable() {
    WriteFile(folder + L"\\layout.txt", "# comment\n\n 2:full-katakana,no-symbols \r\n");
    for (const OutputCase& c : OutputCases("layout.txt")) {
        std::vector<std::string> args = {"--output-encoding=utf-8"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Expect(c.name, Run(args, c.input), c.expected, c.status);
    }
}

void WhatOnlyWindowsShows() {
    const std::string in = "(standard input):";
    const std::string katakana = Sjis(in + "1: 全角カタカナ：ＮＧ (1バイト目)\n" + in +
                                      "1: 　　　>  【ｱ】 \n" + in + "1: 候補「ア」 (1バイト目)\n");
    Expect("code page 932 by default", Run({"--full-katakana"}, "\xB1\n"), katakana, 1);

    // 顧客 is in code page 932; 한 (Hangul) is not, so only the wide API can open the file.
    const std::string hiragana = ":1: 全角ひらがな：ＮＧ (1バイト目)\n";
    WriteFile(folder + Wide("\\顧客.txt"), Sjis("ア\n"));
    WriteFile(folder + Wide("\\한.txt"), Sjis("ア\n"));
    Expect("a Japanese file name, in code page 932",
           Run({"--quiet", "--full-hiragana", "--all", "顧客.txt"}, ""),
           Sjis("顧客.txt" + hiragana + "顧客.txt:1: 　　　>  【ア】 \n" +
                "顧客.txt:1: 候補「あ」 (1バイト目)\n"),
           1);
    Expect("a name code page 932 cannot hold, in UTF-8",
           Run({"--output-encoding", "utf-8", "--byte-size", "한.txt"}, ""),
           "한.txt:1: 文字サイズ：2バイト\n", 0);
    Expect("and in JSON", Run({"--json", "--byte-size", "한.txt"}, ""),
           R"j({"file":"한.txt","record":1,"line":1,"operation":"byte-size","ok":true,)j"
           R"j("position":0,"value":2,"lines":["文字サイズ：2バイト"]})j"
           "\n",
           0);
    WriteFile(folder + Wide("\\様式.txt"), "1:half-katakana\n");
    Expect("a layout file of a Japanese name", Run({"--layout", "様式.txt"}, Sjis("ｱ\n")),
           Sjis(in + "1:1: 半角カタカナ：ＯＫ\n"), 0);
    Expect("a message names a file as the results do", Run({"--byte-size", "ない.txt"}, ""), "", 2,
           Sjis("kestrune-check: ない.txt: No such file or directory\n"));

    // A console is written in characters: the same text whatever the output encoding, and
    // whatever the console's code page (one that holds no Japanese here).
    SetConsoleOutputCP(1252);
    const std::wstring shown = Wide(in + "1: 全角カタカナ：ＮＧ (1バイト目)\n" + in +
                                    "1: 　　　>  【ｱ】\n" + in + "1: 候補「ア」 (1バイト目)\n");
    for (const char* encoding : {"cp932", "utf-8"}) {
        const Ran ran =
            Run({"--output-encoding", encoding, "--full-katakana"}, "\xB1\n", Out::Console);
        Check(ran.console == shown && ran.status == 1,
              std::string("a console shows the characters of ") + encoding,
              "status " + std::to_string(ran.status) + ", shown\n" + Utf8(ran.console));
    }
    const Ran missing = Run({"--byte-size", "ない.txt"}, "", Out::Console);
    Check(missing.console == Wide("kestrune-check: ない.txt: No such file or directory\n"),
          "a console shows a message's characters", Utf8(missing.console));
    const Ran json = Run({"--json", "--byte-size"}, "a\n", Out::Console);
    Check(json.console == Wide(R"j({"file":"(standard input)","record":1,"line":1,)j"
                               R"j("operation":"byte-size","ok":true,"position":0,"value":1,"lines":)j"
                               R"j(["文字サイズ：1バイト"]})j"
                               "\n"),
          "a console shows JSON's characters", Utf8(json.console));

    // Write errors, as on Linux: status 2 and one line.
    Expect("a closed pipe", Run({"--byte-size"}, std::string(200000, '\n'), Out::ClosedPipe), "", 2,
           "kestrune-check: write error: Broken pipe\n");
    Expect("no standard output", Run({"--byte-size"}, "abc\n", Out::None), "", 2,
           "kestrune-check: write error: Bad file descriptor\n");

    // --fix takes the name only once all is written, and leaves nothing beside it.
    WriteFile(folder + L"\\fix\\in.csv", Sjis("ｱ,x\n"));
    WriteFile(folder + Wide("\\fix\\修正.csv"), "old\n");
    Expect(
        "--fix replaces a file",
        Run({"--csv", "--column", "1:full-katakana", "--fix", "fix\\修正.csv", "fix\\in.csv"}, ""),
        Sjis(
            "fix\\in.csv:1:1: 修正「ｱ」→「ア」 (1バイト目)\nfix\\in.csv:1:1: 全角カタカナ：ＯＫ\n"),
        0);
    Check(ReadFile(folder + Wide("\\fix\\修正.csv")) == Sjis("ア,x\n"),
          "--fix wrote the corrected file", Hex(ReadFile(folder + Wide("\\fix\\修正.csv"))));
    Expect("--fix refuses the input",
           Run({"--full-width", "--fix", "fix\\in.csv", "fix\\in.csv"}, ""), "", 2,
           "kestrune-check: --fix fix\\in.csv is the input itself (see --help)\n");
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\fix\\*").c_str(), &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    Check(files == 2, "--fix leaves no other file", std::to_string(files) + " files");
}

// The kernels are chosen by the processor probe, which MinGW's runtime must answer as the
// processor does: the probe against cpuid itself.
void TheProbe() {
    unsigned a, b, c, d;
    const bool avx2 = __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2) != 0;
    Check((kernels::Fastest() == kernels::Isa::Avx2) == avx2, "the kernels' processor probe",
          avx2 ? "AVX2 not chosen on a processor with it" : "AVX2 chosen without it");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrune-check-driver KESTRUNE_CHECK_EXE\n");
        return 2;
    }
    program = argv[1];
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"kestrune-check-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\fix").c_str(), nullptr);
    // A console of its own for the console rows, whatever Wine gave it.
    FreeConsole();
    AllocConsole();
    TheOutputTable();
    WhatOnlyWindowsShows();
    TheProbe();
    return Finish();
}
