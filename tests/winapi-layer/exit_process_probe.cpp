// Writes without a line end, so only a flush shows it, with a window open, then ends through
// ExitProcess(0).
#include <windows.h>

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Probe";
    RegisterClassExA(&wc);
    CreateWindowExA(0, "Probe", "", WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    std::printf("flushed");
    ExitProcess(0);
}
