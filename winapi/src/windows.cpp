// Window classes, windows, their text and their geometry.
//
// Supported: RegisterClassExA for top-level windows; CreateWindowExA for those and for the
// standard "EDIT" and "BUTTON" children; DestroyWindow; DefWindowProcA for WM_ACTIVATE and
// WM_CLOSE; SendMessageA; GetDlgItem; the window text in code page 932; window and client
// rectangles; SetWindowPos.
// Deliberately not: child windows of registered classes, owned windows, menus, class or window
// extra bytes, WM_NCCREATE and the other non-client messages, a CREATESTRUCT with WM_CREATE
// (lParam is 0), SetWindowPos flags other than SWP_SHOWWINDOW, and the z-order.
//
// A top-level window's outer rectangle is its Qt client area inflated by the classic Windows
// frame (a 4-pixel sizing border and a 19-pixel caption), whatever frame the window manager
// draws, so that GetWindowRect and SetWindowPos agree with each other and with GetClientRect.
#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "layer.h"

namespace {

constexpr int kBorder = 4;    // SM_CXSIZEFRAME of the classic metrics
constexpr int kCaption = 19;  // SM_CYCAPTION
constexpr int kActivationWaitMs = 200;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr ATOM kFirstAtom = 0xC000;  // where Windows numbers registered classes from
constexpr WORD kInactive = 0;        // WA_INACTIVE
constexpr DWORD kButtonTypeMask = 0x000F;

struct WindowClass {
    std::string name;
    WNDPROC proc;
    HICON icon;
    HCURSOR cursor;
    HBRUSH background;
};

std::vector<WindowClass> classes;

bool SameClassName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return QChar::toLower(static_cast<char16_t>(static_cast<unsigned char>(x))) ==
               QChar::toLower(static_cast<char16_t>(static_cast<unsigned char>(y)));
    });
}

const WindowClass* FindClass(std::string_view name) {
    const auto found = std::find_if(classes.begin(), classes.end(), [&](const WindowClass& c) {
        return SameClassName(c.name, name);
    });
    return found == classes.end() ? nullptr : &*found;
}

// The kind of a standard control, or Desktop when the class and style are not one this layer
// provides.
Kind StandardKind(std::string_view className, DWORD style) {
    if (SameClassName(className, "EDIT")) {
        if (!(style & ES_MULTILINE)) return Kind::Edit;
        return (style & ES_READONLY) ? Kind::Log : Kind::Desktop;
    }
    if (SameClassName(className, "BUTTON")) {
        switch (style & kButtonTypeMask) {
            case 0:  // BS_PUSHBUTTON
                return Kind::PushButton;
            case BS_AUTOCHECKBOX:
                return Kind::CheckBox;
            default:
                return Kind::Desktop;
        }
    }
    return Kind::Desktop;
}

Qt::WindowFlags TopLevelFlags(DWORD style) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if ((style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

void ApplyClass(QWidget& widget, const WindowClass& windowClass) {
    if (const QImage* icon = IconOf(windowClass.icon)) {
        widget.setWindowIcon(QIcon(QPixmap::fromImage(*icon)));
    }
    if (const Qt::CursorShape* cursor = CursorOf(windowClass.cursor)) widget.setCursor(*cursor);
    if (const QColor* color = BrushColorOf(windowClass.background)) {
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, *color);
        widget.setPalette(palette);
        widget.setAutoFillBackground(true);
    }
}

// Places a window by its outer rectangle, in screen coordinates for a top-level window and in
// the parent's client coordinates for a child.
void PlaceWindow(const Window& record, int x, int y, int width, int height) {
    QWidget& widget = *record.widget;
    if (record.kind != Kind::TopLevel) {
        widget.setGeometry(x, y, std::max(0, width), std::max(0, height));
        return;
    }
    const QRect client(x + kBorder, y + kBorder + kCaption, std::max(0, width - 2 * kBorder),
                       std::max(0, height - 2 * kBorder - kCaption));
    if (record.style & WS_THICKFRAME) {
        widget.setGeometry(client);
    } else {
        widget.move(client.topLeft());
        widget.setFixedSize(client.size());
    }
}

void MakeVisible(const Window& record) {
    QWidget& widget = *record.widget;
    if (record.kind != Kind::TopLevel) {
        widget.show();
        return;
    }
    // A window that has never had a focused control keeps the focus itself, as on Windows;
    // Qt would give it to the first child that accepts focus.
    if (!widget.focusWidget()) widget.setFocus(Qt::OtherFocusReason);
    widget.show();
    widget.activateWindow();
    // Windows activates a window it shows before the call returns, so the focus is where the
    // program expects it at once; Qt hears of the activation from the platform later. Wait for
    // that briefly, leaving the user's input in the queue meanwhile.
    QElapsedTimer waited;
    waited.start();
    while (!widget.isActiveWindow() && waited.elapsed() < kActivationWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!widget.isActiveWindow()) QThread::msleep(1);
    }
}

QRect ScreenArea(bool available) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return available ? screen->availableGeometry() : screen->geometry();
}

void Store(const QRect& rect, LPRECT out) {
    *out = {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

}  // namespace

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpfnWndProc ||
        !windowClass->lpszClassName) {
        return 0;
    }
    const std::string_view name = windowClass->lpszClassName;
    // ERROR_CLASS_ALREADY_EXISTS: the first registration stays.
    if (FindClass(name) || SameClassName(name, "EDIT") || SameClassName(name, "BUTTON")) return 0;
    classes.push_back({std::string(name), windowClass->lpfnWndProc, windowClass->hIcon,
                       windowClass->hCursor, windowClass->hbrBackground});
    return static_cast<ATOM>(kFirstAtom + classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu, HINSTANCE,
                            LPVOID) {
    if (!className || !qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    Window record;
    record.exStyle = exStyle;
    record.style = style;
    record.text = windowName ? windowName : "";
    const WindowClass* windowClass = nullptr;
    QWidget* parentWidget = nullptr;
    if (style & WS_CHILD) {
        const Window* parentRecord = Lookup(parent);
        if (!parentRecord || !parentRecord->widget) return nullptr;
        parentWidget = parentRecord->widget;
        record.kind = StandardKind(className, style);
        record.parent = parent;
        record.id = static_cast<int>(reinterpret_cast<INT_PTR>(menu));
        record.proc = ControlProc;
        if (record.kind == Kind::Desktop) return nullptr;
    } else {
        windowClass = FindClass(className);
        if (!windowClass) return nullptr;
        record.kind = Kind::TopLevel;
        record.proc = windowClass->proc;
    }

    Window& added = AddWindow(std::move(record));
    const HWND self = added.self;
    if (added.kind == Kind::TopLevel) {
        added.widget = CreateTopLevelWidget(self);
        added.widget->setWindowFlags(TopLevelFlags(style));
        added.widget->setWindowTitle(FromCp932(added.text));
        ApplyClass(*added.widget, *windowClass);
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) {
            width = kDefaultWidth;
            height = kDefaultHeight;
        }
    } else {
        added.widget = CreateControlWidget(added, parentWidget);
        const std::string text = std::move(added.text);
        added.text.clear();  // the control starts empty, then takes its text as from WM_SETTEXT
        SetControlText(added, text);
        ConnectNotifications(added);
    }
    PlaceWindow(added, x, y, width, height);

    // The window procedure may already destroy the window; nothing of `added` is used after it.
    if (SendMessageA(self, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(self);
        return nullptr;
    }
    const Window* created = Lookup(self);
    if (!created) return nullptr;
    if (style & WS_VISIBLE) MakeVisible(*created);
    return self;
}

BOOL WINAPI DestroyWindow(HWND window) {
    Window* record = Lookup(window);
    if (!record || record->kind == Kind::Desktop || record->destroying) return FALSE;
    record->destroying = true;
    const QPointer<QWidget> widget = record->widget;
    if (widget) widget->hide();  // a window disappears before it hears WM_DESTROY

    // WM_DESTROY reaches the window first, then its children, each still alive while it runs.
    std::vector<HWND> doomed = {window};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        for (HWND child : ChildrenOf(doomed[i])) {
            if (Window* c = Lookup(child)) c->destroying = true;
            doomed.push_back(child);
        }
    }
    for (HWND each : doomed) SendMessageA(each, WM_DESTROY, 0, 0);
    for (HWND each : doomed) RemoveWindow(each);
    // Later, not now: this may run inside an event handler of the widget itself.
    if (widget) widget->deleteLater();
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_ACTIVATE:
            // An activated window that is not minimized takes the keyboard focus.
            if (const Window* record = Lookup(window); record && record->widget &&
                                                       LOWORD(wParam) != kInactive &&
                                                       !record->widget->window()->isMinimized()) {
                record->widget->setFocus(Qt::ActiveWindowFocusReason);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        default:
            return 0;
    }
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Window* record = Lookup(window);
    if (!record || !record->proc) return 0;
    return record->proc(window, message, wParam, lParam);
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    for (HWND child : ChildrenOf(dialog)) {
        if (Lookup(child)->id == id) return child;
    }
    return nullptr;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    const Window* record = Lookup(window);
    const std::size_t length =
        record ? std::min(record->text.size(), static_cast<std::size_t>(maxCount - 1)) : 0;
    if (length) std::memcpy(text, record->text.data(), length);
    text[length] = '\0';
    return static_cast<int>(length);
}

int WINAPI GetWindowTextLengthA(HWND window) {
    const Window* record = Lookup(window);
    return record ? static_cast<int>(record->text.size()) : 0;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    Window* record = Lookup(window);
    if (!record || !record->widget) return FALSE;
    const std::string_view bytes = text ? text : "";
    if (record->kind == Kind::TopLevel) {
        record->text.assign(bytes);
        record->widget->setWindowTitle(FromCp932(bytes));
        return TRUE;
    }
    SetControlText(*record, bytes);
    // A single-line edit notifies on every WM_SETTEXT, even of the text it already has; a
    // multi-line one never does.
    if (record->kind == Kind::Edit) NotifyParent(window, EN_CHANGE);
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    const Window* record = Lookup(window);
    if (!record || !rect) return FALSE;
    if (record->kind == Kind::Desktop) {
        Store(ScreenArea(false), rect);
    } else if (record->kind == Kind::TopLevel) {
        Store(record->widget->geometry().adjusted(-kBorder, -kBorder - kCaption, kBorder, kBorder),
              rect);
    } else {
        Store(QRect(record->widget->mapToGlobal(QPoint(0, 0)), record->widget->size()), rect);
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    const Window* record = Lookup(window);
    if (!record || !rect) return FALSE;
    // The desktop's client area is the screen less the panels that the desktop keeps for itself.
    const QSize size =
        record->kind == Kind::Desktop ? ScreenArea(true).size() : record->widget->size();
    Store(QRect(QPoint(0, 0), size), rect);
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    const Window* record = Lookup(window);
    if (!record || !record->widget) return FALSE;
    PlaceWindow(*record, x, y, width, height);
    if (flags & SWP_SHOWWINDOW) MakeVisible(*record);
    return TRUE;
}

HWND WINAPI GetDesktopWindow() {
    static const HWND desktop = [] {
        Window record;
        record.kind = Kind::Desktop;
        return AddWindow(std::move(record)).self;
    }();
    return desktop;
}

HWND WINAPI GetForegroundWindow() {
    return HandleOfWidget(QApplication::activeWindow());
}
