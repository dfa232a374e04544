#include "test_window.h"

#include <QtTest>

#include "log.h"

namespace {

constexpr char kClassName[] = "KestruneTest";
WindowTest* current = nullptr;

struct Control {
    int id;
    const char* className;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr Control kControls[] = {
    {kInputEditId, "EDIT", kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 5, 5, 301, 22},
    {kButtonId, "BUTTON", kChild, 0, 5, 35, 88, 21},
    {kResultEditId, "EDIT",
     kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | ES_WANTRETURN,
     WS_EX_CLIENTEDGE, 5, 155, 300, 130},
    {kBoxId, "BUTTON", kChild | BS_AUTOCHECKBOX, 0, 205, 37, 81, 15},
};

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowTest& test = *current;
    test.received.push_back({window, message, wParam, lParam});
    if (message == WM_CREATE) {
        for (const Control& c : kControls) {
            CreateWindowExA(c.exStyle, c.className, "", c.style, c.x, c.y, c.width, c.height,
                            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                            GetModuleHandleA(nullptr), nullptr);
        }
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kInputEditId && HIWORD(wParam) == EN_CHANGE) {
        ReadInputText(window, test.inputText);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void WindowTest::SetUp() {
    current = this;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);  // fails harmlessly from the second test on: the class exists
    constexpr DWORD kStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    window = CreateWindowExA(0, kClassName, "test", kStyle, 100, 100, 321, 320, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    input = GetDlgItem(window, kInputEditId);
    log = GetDlgItem(window, kResultEditId);
    button = GetDlgItem(window, kButtonId);
    box = GetDlgItem(window, kBoxId);
    ASSERT_TRUE(input && log && button && box);
    // Active, with the focus settled, before CreateWindowExA returns: the program looks at once.
    ASSERT_TRUE(WidgetOf(window)->isActiveWindow());
    received.clear();
}

void WindowTest::TearDown() {
    DestroyWindow(window);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    current = nullptr;
}

std::vector<std::pair<int, int>> WindowTest::Notifications() const {
    std::vector<std::pair<int, int>> notifications;
    for (const Message& m : received) {
        if (m.message == WM_COMMAND) notifications.emplace_back(LOWORD(m.wParam), HIWORD(m.wParam));
    }
    return notifications;
}

int WindowTest::Count(UINT message) const {
    return static_cast<int>(std::count_if(received.begin(), received.end(),
                                          [&](const Message& m) { return m.message == message; }));
}

void WindowTest::Press(Qt::Key key, Qt::KeyboardModifiers modifiers) const {
    QTest::keyClick(WidgetOf(window)->windowHandle(), key, modifiers);
}

void WindowTest::Commit(const char* utf8) const {
    QInputMethodEvent event;
    event.setCommitString(QString::fromUtf8(utf8));
    QApplication::sendEvent(QApplication::focusWidget(), &event);
}

void WindowTest::Click(HWND control) const {
    QWidget* widget = WidgetOf(control);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
