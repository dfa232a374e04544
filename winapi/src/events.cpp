// The one place where Qt's signals and events become window messages.
//
// Notifications: BN_CLICKED when a button or check box is clicked (the check box has toggled
// its own mark by then, as BS_AUTOCHECKBOX does); EN_CHANGE when the user changes a single-line
// edit's text. SetWindowTextA raises its EN_CHANGE itself (windows.cpp). Keys: WM_KEYDOWN for a
// key pressed while the top-level window itself has the keyboard focus; WM_CLOSE from the close
// box and from Alt+F4. Tab and the arrow keys never move the focus between controls: there is no
// dialog navigation.
//
// Deliberately unlike Windows: these messages are sent to the window procedure at once, from
// inside Qt's event delivery, instead of being posted to the queue for GetMessageA (the program's
// loop only needs WM_QUIT from the queue). There is no WM_KEYUP, WM_CHAR or WM_SYSKEYDOWN, and a
// key without a virtual-key code below is not reported.
#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include "layer.h"

namespace {

struct KeyCode {
    int qt;
    int virtualKey;
};

constexpr KeyCode kVirtualKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},     {Qt::Key_Escape, 0x1B},   {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},     {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},     {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
};

// The virtual-key code of a key, 0 for one this layer does not report.
int VirtualKeyOf(int key) {
    // Digits and letters have their ASCII codes in both.
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    for (const KeyCode& code : kVirtualKeys) {
        if (code.qt == key) return code.virtualKey;
    }
    return 0;
}

class TopLevelWidget final : public QWidget {
  public:
    explicit TopLevelWidget(HWND self) : self_(self) {
        // Clicking the window's background leaves the focus where it is, as on Windows.
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
            SendMessageA(self_, WM_CLOSE, 0, 0);
            return;
        }
        // Qt hands on to the parent a key that the focused control ignored; on Windows that key
        // stays with the control, so only a key typed to the window itself is reported.
        const int virtualKey = VirtualKeyOf(event->key());
        if (!hasFocus() || (event->modifiers() & Qt::AltModifier) || !virtualKey) {
            event->ignore();
            return;
        }
        // The key data: a repeat count of 1, and bit 30 set for a key held down.
        const LPARAM keyData = 1 | (event->isAutoRepeat() ? LPARAM{1} << 30 : 0);
        SendMessageA(self_, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), keyData);
    }

    void closeEvent(QCloseEvent* event) override {
        // The window procedure decides; DefWindowProcA destroys the window.
        event->ignore();
        SendMessageA(self_, WM_CLOSE, 0, 0);
    }

    bool focusNextPrevChild(bool) override { return false; }

  private:
    const HWND self_;
};

}  // namespace

QWidget* CreateTopLevelWidget(HWND window) {
    return new TopLevelWidget(window);
}

void NotifyParent(HWND control, int code) {
    const Window* record = Lookup(control);
    if (!record || !record->parent) return;
    SendMessageA(record->parent, WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(record->id), static_cast<WORD>(code)),
                 reinterpret_cast<LPARAM>(control));
}

void ConnectNotifications(const Window& record) {
    const HWND self = record.self;
    switch (record.kind) {
        case Kind::Edit: {
            auto* edit = static_cast<QLineEdit*>(record.widget.data());
            QObject::connect(edit, &QLineEdit::textChanged, edit, [self] {
                Window* changed = Lookup(self);
                if (changed && !changed->settingText && TakeUserEdit(*changed)) {
                    NotifyParent(self, EN_CHANGE);
                }
            });
            return;
        }
        case Kind::PushButton:
        case Kind::CheckBox: {
            auto* button = static_cast<QAbstractButton*>(record.widget.data());
            QObject::connect(button, &QAbstractButton::clicked, button,
                             [self] { NotifyParent(self, BN_CLICKED); });
            return;
        }
        case Kind::Desktop:
        case Kind::TopLevel:
        case Kind::Log:
            return;
    }
}
