// The end-to-end test of kestrune.exe: starts the program, replays the expected session on its
// window and closes it with Escape.
//
//   kestrune-driver KESTRUNE_EXE SESSION_FILE
//
// It works from outside, as a user or an accessibility tool would: window lookup by class,
// WM_SETTEXT on the input field, BM_CLICK on the buttons, WM_GETTEXT of captions and of the log,
// and the Escape key through the system's input queue. What it expects comes from the session
// file and a few texts of its own, in UTF-8 converted through code page 932, never from the
// program's sources.
//
// It prints one line per check and a closing count, and exits 1 if any check failed.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "class_icon_probe.h"
#include "session.h"
#include "tally.h"

namespace {

constexpr UINT kShiftJis = 932;
constexpr DWORD kAnswerMs = 5000;         // for one message to the program
constexpr DWORD kWindowWaitMs = 30000;    // for the window to appear after the process starts
constexpr DWORD kExitWaitMs = 10000;      // for the process to end after Escape
constexpr char kClassName[] = "NORMAL0";  // the main window's class
constexpr int kInputId = 1000;
constexpr int kLogId = 1011;
constexpr int kAllowSymbolsId = 1012;
constexpr char kAllowSymbolsCaption[] = "記号を許可";
// A button is captioned with the name that starts each line it adds, before this colon.
constexpr char kColon[] = "：";

// ---- Bytes ------------------------------------------------------------------------------------

// `text` from one code page into another; none if a character has no exact form in the second.
std::optional<std::string> Recode(std::string_view text, UINT from, UINT to) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');  // never more UTF-16 units than bytes
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), size)));
    BOOL lossy = FALSE;
    std::string out(wide.size() * 3, '\0');  // never more than three bytes a unit
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(
        to, to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
        out.data(), static_cast<int>(out.size()), nullptr, to == CP_UTF8 ? nullptr : &lossy)));
    if (lossy || wide.empty() != text.empty() || out.empty() != wide.empty()) return std::nullopt;
    return out;
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    char byte[4];
    for (const unsigned char c : bytes) {
        std::snprintf(byte, sizeof byte, hex.empty() ? "%02X" : " %02X", c);
        hex += byte;
    }
    return hex;
}

// Code page 932 bytes as UTF-8 and in hex, for the messages.
std::string Shown(std::string_view bytes) {
    const std::string utf8 = Recode(bytes, kShiftJis, CP_UTF8).value_or("?");
    return "\"" + utf8 + "\" (" + Hex(bytes) + ")";
}

// Where two logs part: the offset, the bytes of both from a little before it, and the line.
std::string Difference(std::string_view expected, std::string_view actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t from = at < 8 ? 0 : at - 8;
    const auto side = [at, from](const std::string& name, std::string_view text) {
        const std::size_t separator = text.substr(0, at).rfind("\r\n");
        const std::size_t begin = separator == text.npos ? 0 : separator + 2;
        return "\n     " + name + " from offset " + std::to_string(from) + ": " +
               Hex(text.substr(from, 24)) + "\n       in line " +
               Shown(text.substr(begin, text.find("\r\n", begin) - begin));
    };
    return "first difference at byte offset " + std::to_string(at) + " (" +
           std::to_string(expected.size()) + " bytes expected, " + std::to_string(actual.size()) +
           " got)" + side("expected", expected) + side("actual  ", actual);
}

// ---- The session file -------------------------------------------------------------------------

// A step of the session file, with its texts in code page 932 as the window holds them.
struct Step {
    SessionStep::Kind kind;
    std::string text;  // Input and Log: the text; Click: the caption the control must show
    int number;        // Click: the control identifier; Checked: the mark
    std::string what;  // the step and its line in the file, for the messages
};

constexpr const char* kVerbs[] = {"input", "click", "checked", "log"};  // as SessionStep::Kind

// The steps of the session file; throws, naming the line, at one that cannot be replayed.
std::vector<Step> LoadSession(const char* path) {
    const std::vector<SessionStep> parsed = ReadSession(path);
    std::vector<Step> steps;
    for (auto s = parsed.begin(); s != parsed.end(); ++s) {
        const std::string line = "line " + std::to_string(s->line) + ": ";
        std::string text = s->text;
        const std::string what =
            "session " + line + kVerbs[s->kind] + " " +
            (s->kind == SessionStep::Input ? "«" + s->text + "»" : std::to_string(s->number));
        if (s->kind == SessionStep::Click) {
            const auto next = s + 1;
            if (s->number == kAllowSymbolsId) {
                text = kAllowSymbolsCaption;
            } else if (next != parsed.end() && next->kind == SessionStep::Log) {
                text = next->text.substr(0, next->text.find(kColon));
            } else {
                throw std::runtime_error(line + "a click on a button needs the log line it adds");
            }
        }
        const auto bytes = Recode(text, CP_UTF8, kShiftJis);
        if (!bytes) throw std::runtime_error(line + "a character code page 932 cannot hold");
        steps.push_back({s->kind, *bytes, s->number, what});
    }
    return steps;
}

// ---- Talking to the program -------------------------------------------------------------------

// Sends with a time limit, so that a hung program fails the test instead of stopping it.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    const LRESULT answered =
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &result);
    return answered ? std::optional<LRESULT>(static_cast<LRESULT>(result)) : std::nullopt;
}

// The window's text as its own window procedure gives it (WM_GETTEXT), in code page 932.
std::optional<std::string> Text(HWND window) {
    // The length in ANSI may be an overestimate, never an underestimate.
    const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length.value_or(0)) + 1, '\0');
    if (!length || !Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))) {
        return std::nullopt;
    }
    text.resize(text.find('\0'));
    return text;
}

// Whether the class's icons are the program's icon resource 101, as the probe finds from inside
// the program (class_icon_probe.h says why).
void CheckClassIcon(HWND main) {
    // Found beside the driver, the first place LoadLibrary looks.
    const HMODULE probe = LoadLibraryA(kProbeDll);
    const auto hook = reinterpret_cast<HOOKPROC>(
        probe ? reinterpret_cast<void*>(GetProcAddress(probe, kProbeHook)) : nullptr);
    const HHOOK hooked = hook ? SetWindowsHookExA(WH_CALLWNDPROC, hook, probe,
                                                  GetWindowThreadProcessId(main, nullptr))
                              : nullptr;
    if (hooked) Send(main, RegisterWindowMessageA(kProbeMessage), 0, 0);
    const auto answer = reinterpret_cast<INT_PTR>(RemovePropA(main, kProbeAnswer));
    if (hooked) UnhookWindowsHookEx(hooked);
    if (probe) FreeLibrary(probe);
    Check(answer == kIconIs101, "the class's large and small icon are icon resource 101",
          answer == kOtherIcon ? "they are not" : std::string(kProbeDll) + " did not answer");
}

// ---- The expected session ---------------------------------------------------------------------

// What is wrong with the window between steps: the log must hold the lines so far, and the
// focus must be back on the main window, where Escape closes it. Empty when nothing is.
std::string Unsettled(HWND main, const std::string& log, int lines) {
    const auto actual = Text(GetDlgItem(main, kLogId));
    if (!actual) return "no answer to WM_GETTEXT on the log";
    if (*actual != log) {
        return "the log is not the " + std::to_string(lines) + " lines expected; " +
               Difference(log, *actual);
    }
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    return thread.hwndFocus == main ? ""
                                    : "the focus is not back on the main window but on control " +
                                          std::to_string(GetDlgCtrlID(thread.hwndFocus));
}

// Does a step as a user would; returns what went wrong, empty when nothing did.
std::string Perform(HWND main, const Step& step) {
    const HWND control = GetDlgItem(main, step.kind == SessionStep::Input   ? kInputId
                                          : step.kind == SessionStep::Click ? step.number
                                                                            : kAllowSymbolsId);
    if (!control) return "no control with that identifier";
    if (step.kind == SessionStep::Input) {
        const auto text = reinterpret_cast<LPARAM>(step.text.c_str());
        return Send(control, WM_SETTEXT, 0, text) ? "" : "no answer to WM_SETTEXT";
    }
    if (step.kind == SessionStep::Checked) {
        const auto mark = Send(control, BM_GETCHECK, 0, 0);
        return mark == step.number ? "" : "the box shows " + std::to_string(mark.value_or(-1));
    }
    const auto caption = Text(control);
    if (caption != step.text) {
        return "the caption is " + Shown(caption.value_or("")) + ", expected " + Shown(step.text);
    }
    return Send(control, BM_CLICK, 0, 0) ? "" : "no answer to BM_CLICK";
}

// Replays the session; stops at the first step that fails, since every later comparison of
// the log would fail with it.
bool Replay(HWND main, const std::vector<Step>& steps) {
    std::string log;  // the log lines so far, joined by CR LF
    int lines = 0;
    for (const Step& step : steps) {
        if (step.kind == SessionStep::Log) {
            log += (lines++ > 0 ? "\r\n" : "") + step.text;
            continue;
        }
        std::string why = Unsettled(main, log, lines);
        if (why.empty()) why = Perform(main, step);
        if (!Check(why.empty(), step.what, why)) return false;
    }
    const std::string why = Unsettled(main, log, lines);
    return Check(why.empty(),
                 "session end: the log holds the " + std::to_string(lines) + " lines expected",
                 why);
}

// ---- Start and end ----------------------------------------------------------------------------

HWND WaitForWindow(DWORD processId, HANDLE process) {
    for (DWORD waited = 0; waited < kWindowWaitMs; waited += 100) {
        // The prefix is the test's own: the program's window is the only one of its class.
        const HWND w = FindWindowA(kClassName, nullptr);
        DWORD owner = 0;
        if (w && GetWindowThreadProcessId(w, &owner) && owner == processId && IsWindowVisible(w)) {
            return w;
        }
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

// Escape as a key press through the system's input queue, not a message posted to the window:
// it reaches whichever window has the keyboard focus, so it closes the program only if the
// focus really is on the main window.
bool PressEscape(HWND main) {
    if (GetForegroundWindow() != main) SetForegroundWindow(main);
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_ESCAPE;
        key.ki.wScan = static_cast<WORD>(MapVirtualKeyA(VK_ESCAPE, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s KESTRUNE_EXE SESSION_FILE\n", argv[0]);
        return 2;
    }
    const char* exePath = argv[1];
    std::vector<Step> steps;
    try {
        steps = LoadSession(argv[2]);
    } catch (const std::exception& error) {
        Check(false, std::string("session file ") + argv[2] + " reads", error.what());
    }
    // Every text of the program is code page 932: under Wine the locale decides the ANSI one.
    Check(GetACP() == kShiftJis, "the ANSI code page is 932",
          "it is " + std::to_string(GetACP()) + "; is the ja_JP.UTF-8 locale generated?");
    if (failed) return Finish();

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!Check(CreateProcessA(exePath, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process) != 0,
               std::string("kestrune.exe starts: ") + exePath,
               "CreateProcessA failed with error " + std::to_string(GetLastError()))) {
        return Finish();
    }
    CloseHandle(process.hThread);

    const HWND main = WaitForWindow(process.dwProcessId, process.hProcess);
    bool escaped = false;
    if (Check(main != nullptr, "a visible NORMAL0 window of that process appears",
              "none within " + std::to_string(kWindowWaitMs / 1000) + " s")) {
        const auto caption = Text(main);
        Check(caption == "Kestrune Ver.1.00", "the caption is \"Kestrune Ver.1.00\"",
              caption ? "it is " + Shown(*caption) : "no answer to WM_GETTEXT");
        CheckClassIcon(main);
        escaped =
            Replay(main, steps) && Check(PressEscape(main), "Escape pressed", "SendInput failed");
    }

    if (escaped) {
        const bool ended = WaitForSingleObject(process.hProcess, kExitWaitMs) == WAIT_OBJECT_0;
        DWORD exitCode = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &exitCode);
        Check(ended && exitCode == 0, "the process ends after Escape, with exit code 0",
              ended ? "exit code " + std::to_string(exitCode)
                    : "still running " + std::to_string(kExitWaitMs / 1000) + " s later");
    }
    // Whatever failed, leave nothing running.
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    return Finish();
}
