// The end-to-end test of kestrune.exe: starts the program, finds its window, checks what a user
// sees of it, replays the expected session through the controls and closes it with Escape.
//
//   kestrune-driver KESTRUNE_EXE SESSION_FILE
//
// It works from outside, as a user or an accessibility tool would: window lookup by class,
// WM_SETTEXT on the input field, BM_CLICK on the buttons, WM_GETTEXT of the log, and the Escape
// key through the system's input queue. It knows nothing of the program's sources; the control
// table below is its own, with the texts in UTF-8 converted through code page 932.
//
// It prints one line per check and a closing count, and exits 1 if any check failed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "class_icon_probe.h"
#include "session.h"

namespace {

constexpr UINT kShiftJis = 932;
constexpr DWORD kAnswerMs = 5000;         // for one message to the program
constexpr DWORD kWindowWaitMs = 30000;    // for the window to appear after the process starts
constexpr DWORD kExitWaitMs = 10000;      // for the process to end after Escape
constexpr char kClassName[] = "NORMAL0";  // the main window's class
constexpr int kInputId = 1000;
constexpr int kLogId = 1011;
constexpr int kAllowSymbolsId = 1012;

int passed = 0;
int failed = 0;

bool Check(bool ok, const std::string& what, const std::string& why = {}) {
    ++(ok ? passed : failed);
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), ok || why.empty() ? "" : ": ",
                ok ? "" : why.c_str());
    std::fflush(stdout);
    return ok;
}

// ---- Text in code page 932 -------------------------------------------------------------------

std::wstring Widen(UINT codePage, DWORD flags, std::string_view text) {
    const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                            wide.data(), n);
    }
    return wide;
}

// The code page 932 bytes of a UTF-8 text; none if a character has no exact form there.
std::optional<std::string> ToShiftJis(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    const std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    if (wide.empty()) return std::nullopt;
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// For the messages only: code page 932 bytes shown as UTF-8.
std::string ToUtf8(std::string_view bytes) {
    const std::wstring wide = Widen(kShiftJis, 0, bytes);
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                            nullptr, nullptr);
    }
    return utf8;
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    char byte[4];
    for (const char c : bytes) {
        std::snprintf(byte, sizeof byte, "%s%02X", hex.empty() ? "" : " ",
                      static_cast<unsigned char>(c));
        hex += byte;
    }
    return hex;
}

std::string Quoted(std::string_view bytes) {
    std::string quoted = "\"";
    quoted.append(ToUtf8(bytes)).append("\" (").append(Hex(bytes)).append(")");
    return quoted;
}

// The line of `text` that holds `offset`, lines separated by CR LF.
std::string_view LineAt(std::string_view text, std::size_t offset) {
    const std::size_t separator = text.substr(0, offset).rfind("\r\n");
    const std::size_t begin = separator == text.npos ? 0 : separator + 2;
    const std::size_t end = text.find("\r\n", begin);
    return text.substr(begin, end == text.npos ? text.npos : end - begin);
}

// Where two byte strings part, with the bytes on both sides and the lines they sit in.
std::string Difference(std::string_view expected, std::string_view actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    std::size_t line = 1;
    for (std::size_t k = 0; k + 1 < at; ++k) {
        if (expected[k] == '\r' && expected[k + 1] == '\n') ++line;
    }
    const std::size_t from = at < 8 ? 0 : at - 8;
    char head[160];
    std::snprintf(head, sizeof head,
                  "first difference at byte offset %zu (line %zu); expected %zu bytes, got %zu\n",
                  at, line, expected.size(), actual.size());
    return head + ("     expected from offset " + std::to_string(from) + ": " +
                   Hex(expected.substr(from, 24)) + "\n     actual   from offset " +
                   std::to_string(from) + ": " + Hex(actual.substr(from, 24)) +
                   "\n     expected line: " + Quoted(LineAt(expected, at)) +
                   "\n     actual line:   " + Quoted(LineAt(actual, at)));
}

// ---- Talking to the program ------------------------------------------------------------------

// Sends with a time limit, so that a hung program fails the test instead of stopping it.
std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// The window's text as its own window procedure gives it (WM_GETTEXT), bytes before the zero.
std::optional<std::string> Text(HWND window) {
    const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length) return std::nullopt;
    // The length of the ANSI form may be an overestimate, never an underestimate; the buffer
    // still grows if the copy fills it.
    for (std::size_t size = static_cast<std::size_t>(*length) + 2;; size *= 2) {
        std::string text(size, '\0');
        const auto copied = Send(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text.data()));
        if (!copied) return std::nullopt;
        if (static_cast<std::size_t>(*copied) + 1 < size) {
            text.resize(std::strlen(text.c_str()));
            return text;
        }
    }
}

HWND Focus(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                              : nullptr;
}

std::string Handle(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", handle);
    return text;
}

// ---- The window as a user sees it -------------------------------------------------------------

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;  // UTF-8; none for the log, whose text the session checks
    DWORD style;
    DWORD exStyle;
    RECT area;  // in the main window's client area
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLog = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY |
                       ES_WANTRETURN;  // no horizontal bar, no automatic vertical scrolling

// In creation order, which is also their order among the main window's children.
const ExpectedControl kExpectedControls[] = {
    {1000, "Edit", "", kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {5, 5, 306, 27}},
    {1001, "Button", "文字サイズ", kChild | BS_PUSHBUTTON, 0, {5, 35, 93, 56}},
    {1002, "Button", "文字数", kChild | BS_PUSHBUTTON, 0, {105, 35, 193, 56}},
    {1003, "Button", "全角", kChild | BS_PUSHBUTTON, 0, {5, 65, 93, 86}},
    {1004, "Button", "半角", kChild | BS_PUSHBUTTON, 0, {105, 65, 193, 86}},
    {1005, "Button", "全角ひらがな", kChild | BS_PUSHBUTTON, 0, {5, 95, 93, 116}},
    {1006, "Button", "全角カタカナ", kChild | BS_PUSHBUTTON, 0, {105, 95, 193, 116}},
    {1007, "Button", "全角英数", kChild | BS_PUSHBUTTON, 0, {205, 95, 293, 116}},
    {1008, "Button", "半角カタカナ", kChild | BS_PUSHBUTTON, 0, {105, 125, 193, 146}},
    {1009, "Button", "半角数値", kChild | BS_PUSHBUTTON, 0, {5, 125, 93, 146}},
    {1010, "Button", "半角英数", kChild | BS_PUSHBUTTON, 0, {205, 125, 293, 146}},
    {1011, "Edit", nullptr, kLog, WS_EX_CLIENTEDGE, {5, 155, 305, 285}},
    {1012, "Button", "記号を許可", kChild | BS_AUTOCHECKBOX, 0, {205, 37, 286, 52}},
};

std::string Rect(const RECT& r) {
    char text[80];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left),
                  static_cast<long>(r.top), static_cast<long>(r.right),
                  static_cast<long>(r.bottom));
    return text;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Hex32(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

void CheckMainWindow(HWND main) {
    char className[64] = {};
    GetClassNameA(main, className, sizeof className);
    Check(std::strcmp(className, kClassName) == 0, "main window class is NORMAL0",
          std::string("it is \"") + className + "\"");

    const auto caption = Text(main);
    Check(caption && *caption == "Kestrune Ver.1.00", "caption is \"Kestrune Ver.1.00\"",
          caption ? "it is " + Quoted(*caption) : "no answer to WM_GETTEXT");

    const auto style = static_cast<DWORD>(GetWindowLongA(main, GWL_STYLE));
    constexpr DWORD kPresent =
        WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    Check((style & kPresent) == kPresent && !(style & WS_MAXIMIZEBOX),
          "style: visible, caption, system menu, sizing border, minimize box, no maximize box",
          "style is " + Hex32(style));

    const auto classStyle = static_cast<DWORD>(GetClassLongA(main, GCL_STYLE));
    Check(classStyle == (CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS),
          "class style CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS", "it is " + Hex32(classStyle));

    // 321 x 320 outside, centred over the desktop's client area, halves rounded down.
    RECT outer = {}, desktop = {};
    GetWindowRect(main, &outer);
    GetClientRect(GetDesktopWindow(), &desktop);
    auto floorHalf = [](long n) { return n >= 0 ? n / 2 : -((-n + 1) / 2); };
    const long x = floorHalf(desktop.right - desktop.left - 321);
    const long y = floorHalf(desktop.bottom - desktop.top - 320);
    const RECT centred = {x, y, x + 321, y + 320};
    Check(SameRect(outer, centred),
          "window is 321 x 320, centred on the " + std::to_string(desktop.right) + " x " +
              std::to_string(desktop.bottom) + " desktop",
          "it is at " + Rect(outer) + ", expected " + Rect(centred));
}

void CheckControls(HWND main) {
    // The children in their order among siblings: the order in which they were created.
    std::vector<HWND> children;
    for (HWND child = GetWindow(main, GW_CHILD); child && children.size() < 100;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    std::string order;
    for (const HWND child : children) order.append(" ").append(std::to_string(GetDlgCtrlID(child)));
    std::string expectedOrder;
    for (const auto& c : kExpectedControls) expectedOrder.append(" ").append(std::to_string(c.id));
    Check(order == expectedOrder, "13 controls, in the order" + expectedOrder,
          "the children are" + order);

    for (const auto& c : kExpectedControls) {
        const std::string what = "control " + std::to_string(c.id);
        const HWND control = GetDlgItem(main, c.id);
        if (!control) {
            Check(false, what, "GetDlgItem finds none");
            continue;
        }
        std::string why;

        char className[64] = {};
        GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, c.className) != 0) {  // class names ignore case
            why += std::string("; class \"") + className + "\", expected \"" + c.className + "\"";
        }

        if (c.text) {
            const auto expectedText = ToShiftJis(c.text);
            const auto text = Text(control);
            if (!text) {
                why += "; no answer to WM_GETTEXT";
            } else if (!expectedText || *text != *expectedText) {
                why += "; text " + Quoted(*text) + ", expected " +
                       (expectedText ? Quoted(*expectedText) : std::string("(not in CP932)"));
            }
        }

        const auto style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        if (style != c.style) why += "; style " + Hex32(style) + ", expected " + Hex32(c.style);
        const auto exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
        if (exStyle != c.exStyle) {
            why += "; extended style " + Hex32(exStyle) + ", expected " + Hex32(c.exStyle);
        }

        RECT area = {};
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&area), 2);
        if (!SameRect(area, c.area)) {
            why += "; at " + Rect(area) + ", expected " + Rect(c.area);
        }

        Check(why.empty(),
              what + ": " + c.className + (c.text ? std::string(" \"") + c.text + "\" " : " ") +
                  Hex32(c.style) + " at " + Rect(c.area),
              why.empty() ? why : why.substr(2));
    }
}

// ---- The class's icons -------------------------------------------------------------------

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

// ---- The expected session -------------------------------------------------------------------

// A step of the session file, with its texts in code page 932 as the window holds them.
struct Step {
    using enum SessionStep::Kind;
    int line;  // in the session file
    SessionStep::Kind kind;
    std::string text;  // code page 932, for input and log
    int number;        // control id for click, the mark for checked
    std::string source;
};

// The steps of the session file, or the reason it could not be read.
std::optional<std::vector<Step>> LoadSession(const char* path, std::string& why) {
    std::vector<SessionStep> parsed;
    try {
        parsed = ReadSession(path);
    } catch (const std::exception& error) {
        why = error.what();
        return std::nullopt;
    }
    if (parsed.empty()) {
        why = "it holds no steps";
        return std::nullopt;
    }
    std::vector<Step> steps;
    for (const SessionStep& s : parsed) {
        Step step{s.line, s.kind, {}, s.number, {}};
        if (s.kind == Step::Input || s.kind == Step::Log) {
            const auto bytes = ToShiftJis(s.text);
            if (!bytes) {
                why = "line " + std::to_string(s.line) +
                      ": the text has a character code page 932 cannot hold";
                return std::nullopt;
            }
            step.text = *bytes;
            step.source =
                (s.kind == Step::Input ? "input \xC2\xAB" : "log \xC2\xAB") + s.text + "\xC2\xBB";
        } else {
            step.source =
                (s.kind == Step::Click ? "click " : "checked ") + std::to_string(s.number);
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

// Replays the session; returns false at the first step that fails, since every later log
// comparison would fail with it.
bool Replay(HWND main, const std::vector<Step>& steps) {
    std::string expectedLog;
    int lines = 0;
    int clicks = 0;
    std::string focusWhy;
    const auto logMatches = [&](const std::string& what) {
        const auto log = Text(GetDlgItem(main, kLogId));
        if (!log) return Check(false, what, "no answer to WM_GETTEXT on the log");
        return *log == expectedLog ||
               Check(false, what,
                     "the log is not the " + std::to_string(lines) + " lines expected; " +
                         Difference(expectedLog, *log));
    };

    for (const Step& step : steps) {
        if (step.kind == Step::Log) {
            if (lines++ > 0) expectedLog += "\r\n";
            expectedLog += step.text;
            continue;
        }
        const std::string what = "session line " + std::to_string(step.line) + ": " + step.source;
        if (!logMatches(what)) return false;
        const HWND control = GetDlgItem(main, step.kind == Step::Input   ? kInputId
                                              : step.kind == Step::Click ? step.number
                                                                         : kAllowSymbolsId);
        if (!control) return Check(false, what, "no control with that identifier");
        if (step.kind == Step::Input) {
            if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(step.text.c_str()))) {
                return Check(false, what, "no answer to WM_SETTEXT");
            }
        } else if (step.kind == Step::Click) {
            if (!Send(control, BM_CLICK, 0, 0)) return Check(false, what, "no answer to BM_CLICK");
            ++clicks;
            // Every button and the check box hand the focus back, so that Escape closes.
            const HWND focus = Focus(main);
            if (focus != main && focusWhy.empty()) {
                focusWhy = "after " + what + " the focus is on " + Handle(focus) + " (control " +
                           std::to_string(GetDlgCtrlID(focus)) + ")";
            }
        } else {
            const auto mark = Send(control, BM_GETCHECK, 0, 0);
            if (!mark) return Check(false, what, "no answer to BM_GETCHECK");
            if (*mark != step.number) {
                return Check(false, what, "the box shows " + std::to_string(*mark));
            }
        }
        Check(true, what);
    }
    Check(focusWhy.empty(),
          "the main window has the focus after each of the " + std::to_string(clicks) + " clicks",
          focusWhy);
    return logMatches("session end: the log holds the " + std::to_string(lines) +
                      " expected lines") &&
           Check(true, "session end: the log holds the " + std::to_string(lines) +
                           " expected lines, " + std::to_string(expectedLog.size()) + " bytes");
}

// ---- Start and end --------------------------------------------------------------------------

HWND WaitForWindow(DWORD processId, HANDLE process) {
    for (DWORD waited = 0; waited < kWindowWaitMs; waited += 100) {
        for (HWND w = FindWindowA(kClassName, nullptr); w;
             w = FindWindowExA(nullptr, w, kClassName, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w)) return w;
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

int Finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s KESTRUNE_EXE SESSION_FILE\n", argv[0]);
        return 2;
    }
    const char* exePath = argv[1];
    std::string why;
    const auto steps = LoadSession(argv[2], why);
    Check(steps.has_value(), std::string("session file ") + argv[2] + " reads", why);

    // Every text of the program is code page 932: under Wine the locale decides the ANSI one.
    Check(GetACP() == kShiftJis, "the ANSI code page is 932",
          "it is " + std::to_string(GetACP()) + "; is the ja_JP.UTF-8 locale generated?");
    if (failed) return Finish();

    std::string commandLine = std::string("\"") + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!Check(CreateProcessA(exePath, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process) != 0,
               std::string("kestrune.exe starts: ") + exePath,
               "CreateProcessA failed with error " + std::to_string(GetLastError()))) {
        return Finish();
    }
    CloseHandle(process.hThread);

    const HWND main = WaitForWindow(process.dwProcessId, process.hProcess);
    bool escaped = false;
    if (Check(main != nullptr, "a visible NORMAL0 window of that process appears",
              "none within " + std::to_string(kWindowWaitMs / 1000) + " s")) {
        CheckMainWindow(main);
        CheckControls(main);
        CheckClassIcon(main);
        // Nothing has the focus but the main window itself: Escape would close it right away.
        const HWND focus = Focus(main);
        Check(
            focus == main, "right after start-up the focus is on the main window",
            "it is on " + Handle(focus) + " (control " + std::to_string(GetDlgCtrlID(focus)) + ")");
        escaped =
            Replay(main, *steps) && Check(PressEscape(main), "Escape pressed", "SendInput failed");
    }

    if (escaped) {
        const bool ended = WaitForSingleObject(process.hProcess, kExitWaitMs) == WAIT_OBJECT_0;
        DWORD exitCode = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &exitCode);
        if (Check(ended, "the process ends after Escape",
                  "still running " + std::to_string(kExitWaitMs / 1000) + " s later")) {
            Check(exitCode == 0, "exit code 0", "exit code " + std::to_string(exitCode));
        }
    }
    // Whatever failed, leave nothing running.
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    return Finish();
}
