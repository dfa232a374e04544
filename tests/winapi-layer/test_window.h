// A top-level window built the way the program builds its own, for driving the layer's widgets
// as a user would: the input field (1000), the log (1011), a push button (1001) and the check box
// (1012), created inside WM_CREATE.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <QtWidgets>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "winapi_qt.h"

inline constexpr int kButtonId = 1001;
inline constexpr int kBoxId = 1012;

struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WindowTest : public ::testing::Test {
  public:
    void SetUp() override;
    void TearDown() override;

    // The WM_COMMAND notifications received, as (identifier, code) pairs.
    std::vector<std::pair<int, int>> Notifications() const;
    int Count(UINT message) const;

    // What a user does: the events go to the window, and Qt hands them to the focused widget.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    void Commit(const char* utf8) const;  // as an input method commits composed text
    void Click(HWND control) const;

    static QLineEdit& Field(HWND input) { return *qobject_cast<QLineEdit*>(WidgetOf(input)); }
    static QPlainTextEdit& Log(HWND log) { return *qobject_cast<QPlainTextEdit*>(WidgetOf(log)); }

    HWND window = nullptr;
    HWND input = nullptr;
    HWND log = nullptr;
    HWND button = nullptr;
    HWND box = nullptr;
    std::string inputText;  // refreshed by ReadInputText on every EN_CHANGE, as the program does
    std::vector<Message> received;
};
