// AppendResultLine with the log already holding 10 KB, 1 MB and 10 MB of text, on the offscreen
// platform; the target is a median under 16 ms (one frame) at 10 MB. Beside it, the same append
// done by replacing the widget's whole text, as a plain layer would.
#include <windows.h>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <string>

#include "cp932.h"
#include "log.h"
#include "winapi_qt.h"

namespace {

// 全角ひらがな：ＮＧ (5バイト目), a result line of typical length
constexpr char kLine[] =
    "\x91S\x8Ap\x82\xD0\x82\xE7\x82\xAA\x82\xC8\x81\x46\x82m\x82\x66 (5\x83o\x83\x43\x83g\x96\xDA)";

HWND window = nullptr;

HWND CreateLog(std::size_t bytes) {
    if (window) DestroyWindow(window);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BenchLog";
    RegisterClassExA(&wc);
    window = CreateWindowExA(0, "BenchLog", "bench", WS_VISIBLE | WS_CAPTION, 0, 0, 321, 320,
                             nullptr, nullptr, nullptr, nullptr);
    constexpr DWORD kLogStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL |
                                ES_READONLY | ES_WANTRETURN;
    const HWND log =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", kLogStyle, 5, 155, 300, 130, window,
                        reinterpret_cast<HMENU>(INT_PTR{kResultEditId}), nullptr, nullptr);
    std::string text;
    text.reserve(bytes + sizeof kLine);
    while (text.size() < bytes) {
        if (!text.empty()) text += "\r\n";
        text += kLine;
    }
    SetEditString(log, text);
    QCoreApplication::processEvents();
    return log;
}

// Between appends the window repaints, as it does between the user's clicks; that is not timed.
void Repaint(benchmark::State& state) {
    state.PauseTiming();
    QCoreApplication::processEvents();
    state.ResumeTiming();
}

void BM_AppendResultLine(benchmark::State& state) {
    CreateLog(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        AppendResultLine(window, kLine, "\r\n");
        Repaint(state);
    }
}

// The append as a layer that replaces the widget's whole text on every SetWindowTextA does it.
void BM_AppendResultLineReplacingAll(benchmark::State& state) {
    const HWND log = CreateLog(static_cast<std::size_t>(state.range(0)));
    auto& widget = *qobject_cast<QPlainTextEdit*>(WidgetOf(log));
    for (auto _ : state) {
        std::string joined = GetEditString(log);
        joined += "\r\n";
        joined += kLine;
        const std::string utf8 = Cp932ToUtf8(joined);
        widget.setPlainText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
        widget.moveCursor(QTextCursor::End);
        widget.ensureCursorVisible();
        Repaint(state);
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_AppendResultLine)->Apply(Sizes)->Iterations(50)->Repetitions(5);
BENCHMARK(BM_AppendResultLineReplacingAll)->Apply(Sizes)->Iterations(5)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (window) DestroyWindow(window);
    return 0;
}
