// The input text and the result log over the edit controls.
#include "log.h"

#include <cstring>
#include <new>

namespace {

// ハンドルに0は指定できません
constexpr char kEmptyHandleText[] =
    "\x83n\x83\x93\x83h\x83\x8B\x82\xC9\x30\x82\xCD\x8Ew\x92\xE8\x82\xC5\x82\xAB\x82\xDC\x82\xB9"
    "\x82\xF1";

// A window's text as the bytes before the first zero. The length the platform reports only
// sizes the buffer; the copy is cut at the first zero whatever that length was.
std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

void WarnEmptyHandle(const char* operation) {
    MessageBoxA(GetForegroundWindow(), kEmptyHandleText, operation, MB_ICONWARNING | MB_TOPMOST);
}

void ReadInputText(HWND mainWindow, std::string& inputText) {
    try {
        inputText = WindowText(GetDlgItem(mainWindow, kInputEditId));
    } catch (const std::bad_alloc&) {
        inputText.clear();  // the old contents must not pass for the new ones
    }
}

std::string GetEditString(HWND window) {
    if (!window) {
        WarnEmptyHandle("GetEditString$");
        return {};
    }
    return WindowText(window);
}

void SetEditString(HWND window, std::string_view text) {
    const std::string terminated(text);
    SetWindowTextA(window, terminated.c_str());
    const auto end = static_cast<WPARAM>(terminated.size());
    SendMessageA(window, EM_SETSEL, end, static_cast<LPARAM>(end));
    // The log has no automatic vertical scrolling; this brings the newest line into view.
    SendMessageA(window, EM_SCROLLCARET, 0, 0);
}

void AppendResultLine(HWND mainWindow, std::string_view line, std::string_view crLf) {
    const HWND log = GetDlgItem(mainWindow, kResultEditId);
    std::string text = GetEditString(log);
    if (!text.empty()) text += crLf;
    text += line;
    SetEditString(log, text);
}
