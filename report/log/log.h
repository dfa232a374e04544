// The input text and the result log: the two edit controls of the main window, read and
// written through the Windows API in its code page 932 forms.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Control identifiers of the input field and the result log under the main window.
inline constexpr int kInputEditId = 1000;
inline constexpr int kResultEditId = 1011;

// Refreshes `inputText` with the input field's bytes, exactly those before the first zero.
// If the copy cannot be made, `inputText` is left empty rather than stale.
void ReadInputText(HWND mainWindow, std::string& inputText);

// Adds `line` below the log's text, joined by `crLf`, caret at the end and in view.
void AppendResultLine(HWND mainWindow, std::string_view line, std::string_view crLf);

// The window's whole text; for an empty handle the warning box, then the empty string.
std::string GetEditString(HWND window);

// Replaces the window's text and puts the caret at its end, scrolled into view.
void SetEditString(HWND window, std::string_view text);

// The one error report of the program: "ハンドルに0は指定できません", with the name of the
// operation that was handed an empty window handle as the caption.
void WarnEmptyHandle(const char* operation);
