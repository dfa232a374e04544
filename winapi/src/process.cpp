// The module handle, the message loop, the message box and the end of the process.
//
// Supported: GetMessageA returning 0 with WM_QUIT once PostQuitMessage has been called, and
// running Qt's event processing until then; MessageBoxA as a modal box with an OK button and the
// icon of its MB_ICON flag; ExitProcess.
// Deliberately not: messages posted by the program (nothing but the quit is ever queued: the
// messages that come from Qt events reach the window procedure at once), the message filters of
// GetMessageA, character messages from TranslateMessage (Qt delivers text with its keys), and
// message box buttons other than OK.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "layer.h"
#include "winapi_qt.h"

namespace {

constexpr UINT kQuit = 0x0012;  // WM_QUIT
constexpr int kOk = 1;          // IDOK
constexpr UINT kIconMask = 0x00F0;
constexpr UINT kIconError = 0x0010;
constexpr UINT kIconQuestion = 0x0020;
constexpr UINT kIconInformation = 0x0040;

bool quitPosted = false;
int quitCode = 0;

QMessageBox::Icon IconOfType(UINT type) {
    switch (type & kIconMask) {
        case kIconError:
            return QMessageBox::Critical;
        case kIconQuestion:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    // The executable's own module, at the address where Windows loads one; there is no other.
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(0x00400000);
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND, UINT, UINT) {
    if (!msg || !QCoreApplication::instance()) return -1;
    while (!quitPosted) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    quitPosted = false;
    *msg = {};
    msg->message = kQuit;
    msg->wParam = static_cast<WPARAM>(quitCode);
    // The windows destroyed from inside their own events are deleted now, before the loop ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    return msg ? SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->wakeUp();
    }
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    QWidget* ownerWidget = WidgetOf(owner);
    // "Error" is Windows' caption for a box given none.
    QMessageBox box(IconOfType(type), FromCp932(caption ? caption : "Error"),
                    FromCp932(text ? text : ""), QMessageBox::Ok,
                    ownerWidget ? ownerWidget->window() : nullptr);
    if (type & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return kOk;
}

void WINAPI ExitProcess(UINT exitCode) {
    // No static destructors: Qt's would run after the application object and the widgets are
    // gone. Whatever the program wrote is flushed first.
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
