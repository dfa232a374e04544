// The process entry away from Windows: a display to show the window on, the QApplication, then
// the program's WinMain.
//
// Without a display Qt would abort with a core dump and a page of plugin advice; instead the
// program says in one line that no display is available and exits with code 1. Qt's messages
// from its start-up are held back until it is known whether the start-up worked.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace {

constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT

const char* programName = "kestrune";
std::vector<std::pair<QtMsgType, QString>> heldMessages;

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

[[noreturn]] void NoDisplay(const std::string& reason) {
    std::fprintf(stderr, "%s: no display available (%s)\n", programName, reason.c_str());
    std::_Exit(1);
}

void HoldStartUpMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        heldMessages.emplace_back(type, message);
        return;
    }
    if (IsSet("QT_QPA_PLATFORM")) {
        NoDisplay(std::string("the platform \"") + std::getenv("QT_QPA_PLATFORM") +
                  "\" cannot be started");
    }
    NoDisplay(IsSet("DISPLAY") ? std::string("cannot connect to display ") + std::getenv("DISPLAY")
                               : std::string("cannot connect to the Wayland display"));
}

// The command line after the program's name, as WinMain receives it.
std::string CommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 0 && argv[0]) {
        const char* slash = std::strrchr(argv[0], '/');
        programName = slash ? slash + 1 : argv[0];
    }
    if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
        NoDisplay("DISPLAY is not set");
    }
    std::string commandLine = CommandLine(argc, argv);

    const QtMessageHandler previous = qInstallMessageHandler(HoldStartUpMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    for (const auto& [type, message] : heldMessages) {
        if (previous) previous(type, QMessageLogContext(), message);
    }
    heldMessages.clear();

    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), kShowDefault);
}
