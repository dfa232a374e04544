// The Windows API layer and report/log over it, on real widgets: setting a text and reading it
// back, what a paste lets into the input field, and the log's appending.
#include <gtest/gtest.h>
#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <random>

#include "bytes.h"
#include "cp932.h"
#include "log.h"
#include "winapi_qt.h"

namespace {

std::vector<std::pair<int, int>> notifications;  // WM_COMMAND as (identifier, code) pairs
std::string inputText;  // refreshed by ReadInputText on every EN_CHANGE, as the program does

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND) return DefWindowProcA(window, message, wParam, lParam);
    notifications.emplace_back(LOWORD(wParam), HIWORD(wParam));
    if (wParam == MAKEWPARAM(kInputEditId, EN_CHANGE)) ReadInputText(window, inputText);
    return 0;
}

// A window with the two edit controls of the program: the input field and the log.
class LayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "LayerTest";
        RegisterClassExA(&wc);  // fails harmlessly from the second test on: the class exists
        window = CreateWindowExA(0, "LayerTest", "", WS_VISIBLE | WS_CAPTION, 100, 100, 321, 320,
                                 nullptr, nullptr, nullptr, nullptr);
        input = Edit(kInputEditId, ES_AUTOHSCROLL, 5, 22);
        log = Edit(kResultEditId, WS_VSCROLL | ES_MULTILINE | ES_READONLY, 35, 130);
        ASSERT_TRUE(input && log);
        notifications.clear();
    }
    void TearDown() override {
        DestroyWindow(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    HWND Edit(int id, DWORD style, int y, int height) const {
        return CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | style, 5, y,
                               300, height, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    // What a user does: the events go to the window, and Qt hands them to the focused widget.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::keyClick(WidgetOf(window)->windowHandle(), key, modifiers);
    }
    void Commit(const char* utf8) const {  // as an input method commits composed text
        QInputMethodEvent event;
        event.setCommitString(QString::fromUtf8(utf8));
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    void Click(HWND control) const { QTest::mouseClick(WidgetOf(control), Qt::LeftButton); }
    static QLineEdit& Field(HWND edit) { return *qobject_cast<QLineEdit*>(WidgetOf(edit)); }
    QString ShownLog() const { return qobject_cast<QPlainTextEdit*>(WidgetOf(log))->toPlainText(); }

    HWND window = nullptr, input = nullptr, log = nullptr;
};

// The field notifies on every WM_SETTEXT, even of the text it already has, before the call
// returns; the log never does. Both show the text decoded and give back its bytes.
TEST_F(LayerTest, SettingATextShowsItAndReadsItBack) {
    const struct {
        std::string bytes;
        std::string shown;  // UTF-8
    } kTexts[] = {
        {"abc", "abc"},
        {"abc", "abc"},  // the same text again
        {"", ""},
        {"\x95\xB6\x8E\x9A", "文字"},
        {"a\x82", "a\uFFFD"},       // a lead byte with no trail byte: shown, not dropped
        {"\x85\x40z", "\uFFFD@z"},  // a pair no character is assigned to
        {std::string(40000, 'x'), std::string(40000, 'x')},  // past the typing limit and Qt's
    };
    for (const auto& text : kTexts) {
        SCOPED_TRACE(HexAround(text.bytes, 0));
        inputText = "stale";
        notifications.clear();
        SetWindowTextA(input, text.bytes.c_str());
        SetWindowTextA(log, text.bytes.c_str());
        EXPECT_EQ(notifications, (std::vector{std::pair{kInputEditId, EN_CHANGE}}));
        for (const std::string& read : {inputText, GetEditString(log)})
            EXPECT_TRUE(read == text.bytes) << ByteDiff(text.bytes, read);
        for (const QString& shown : {Field(input).text(), ShownLog()})
            EXPECT_TRUE(shown.toStdString() == text.shown)
                << ByteDiff(text.shown, shown.toStdString());
    }
}

// What a user types reads back as the program's own conversion gives it, which kestrune-check
// shares: characters code page 932 lacks (a tag character too, which iconv would drop), the
// forms Linux input methods produce, half-width katakana and the NEC and IBM rows.
TEST_F(LayerTest, TypedTextReadsBackAsTheConversionGivesIt) {
    const char* kTyped[] = {"a〜−—¢£¬‖", "é😀🏴\U000E0067\U000E007Fx", "ｱｲ①Ⅰⅰ㈱∵"};
    Click(input);
    for (const char* utf8 : kTyped) {
        SetWindowTextA(input, "");
        Commit(utf8);
        char bytes[64];
        const std::string read(bytes, GetWindowTextA(input, bytes, sizeof bytes));
        EXPECT_EQ(Hex(read), Hex(Utf8ToCp932(utf8))) << utf8;
    }
}

// UTF-16 units, in which Windows' limit and the widget's positions count.
std::size_t Units(std::u32string_view text) {
    return text.size() + std::ranges::count_if(text, [](char32_t c) { return c > 0xFFFF; });
}
QString Q(const std::u32string& text) {
    return QString::fromStdU32String(text);
}

// A text for a trace: line breaks escaped, a long run of one character counted.
std::string Shown(const std::u32string& text) {
    QString out;
    for (std::size_t i = 0, run = 1; i < text.size(); i += run, run = 1) {
        while (i + run < text.size() && text[i + run] == text[i]) ++run;
        out += run < 4 ? Q(text.substr(i, run)) : Q(text.substr(i, 1)) + QString("{%1}").arg(run);
    }
    return '"' + out.replace(u'\n', "\\n").replace(u'\r', "\\r").toStdString() + '"';
}

// The model of a paste into a Windows single-line edit: the clipboard text up to its first line
// feed (a carriage return right before it dropped) replaces the selection, but only as many whole
// characters of it as keep the field within 30,000 UTF-16 units, Windows' default limit.
std::u32string Pasted(const std::u32string& field, std::size_t from, std::size_t to,
                      std::u32string clip) {
    if (const std::size_t lineFeed = clip.find(U'\n'); lineFeed != std::u32string::npos)
        clip.resize(lineFeed > 0 && clip[lineFeed - 1] == U'\r' ? lineFeed - 1 : lineFeed);
    std::u32string inserted;
    std::size_t units = Units(field) - Units(field.substr(from, to - from));
    for (char32_t c : clip) {
        if ((units += c > 0xFFFF ? 2 : 1) > 30000) break;
        inserted += c;
    }
    return field.substr(0, from) + inserted + field.substr(to);
}

TEST_F(LayerTest, APasteReplacesTheSelectionWithTheFirstLineUpToTheLimit) {
    // First, select all and paste a text that ends as the field does.
    const std::pair<std::u32string, std::u32string> kSelectAll[] = {
        {U"Z", U"line1\nZ"},
        {U"tail", U"first line\nsecond line with tail"},
        {U"😀b", U"x\n🈀b"},  // the two share their low surrogate
        {U"Z", std::u32string(40000, U'a') + U"Z"},
    };
    // Then random ones, from pieces that code page 932 holds, emoji and line breaks.
    const std::u32string kPieces[] = {U"a", U"Z", U"あ", U"\r", U"😀", U"🈀", U"\n", U"\r\n"};
    std::mt19937 random(932);
    auto text = [&](bool field) {
        // One in six runs near the limit alone, a clipboard's ending in two-unit characters.
        const bool near = random() % 6 == 0;
        std::u32string out(near ? 29985 + random() % 16 : 0, U'a');
        if (near && !field) out.append(random() % 8, U'😀');
        const std::size_t pieces = !field ? 8 : near ? 4 : 6;  // a long field is set as bytes
        for (auto n = random() % 6; n > 0; --n) out += kPieces[random() % pieces];
        return out;
    };
    auto position = [&](std::size_t size) -> std::size_t {  // near either end
        const std::size_t p = random() % 8;
        return p < 4 ? std::min(p, size) : size - std::min(p - 4, size);
    };

    Click(input);
    for (std::size_t i = 0; i < 250; ++i) {
        const bool fixed = i < std::size(kSelectAll);
        const std::u32string field = fixed ? kSelectAll[i].first : text(true);
        const std::u32string clip = fixed ? kSelectAll[i].second : text(false);
        const std::size_t anchor = fixed ? 0 : position(field.size());
        const std::size_t caret = fixed ? field.size() : position(field.size());
        const std::size_t from = std::min(anchor, caret), to = std::max(anchor, caret);
        SCOPED_TRACE("case " + std::to_string(i) + ": " + Shown(field) + " [" +
                     std::to_string(from) + ", " + std::to_string(to) + ") ← " + Shown(clip));
        // A character outside code page 932 comes in typed; the rest the program sets.
        const bool typed = Units(field) != field.size();
        SetWindowTextA(input, typed ? "" : Sjis(Q(field).toStdString()).c_str());
        if (typed) Commit(Q(field).toStdString().c_str());
        SendMessageA(input, EM_SETSEL, Units(field.substr(0, anchor)),
                     Units(field.substr(0, caret)));
        QGuiApplication::clipboard()->setText(Q(clip));
        notifications.clear();
        Press(Qt::Key_V, Qt::ControlModifier);

        const std::u32string want = Pasted(field, from, to, clip);
        const QString shown = Field(input).text();
        EXPECT_TRUE(shown == Q(want)) << Shown(shown.toStdU32String()) << " for " << Shown(want);
        EXPECT_EQ(Field(input).cursorPosition(),
                  static_cast<int>(Units(want) - Units(field.substr(to))));
        std::u32string held = want;  // the program's copy, "?" for a character beyond 932
        for (char32_t& c : held) c = c > 0xFFFF ? U'?' : c;
        const std::string bytes = Sjis(Q(held).toStdString());
        EXPECT_TRUE(inputText == bytes) << ByteDiff(bytes, inputText);
        EXPECT_EQ(notifications.size(), want == field ? 0u : 1u) << "one EN_CHANGE per change";
    }
}

// The layer appends only the new bytes of a text that extends the old one. Whatever the old
// text ends in, the log must then show what setting the whole text at once shows.
TEST_F(LayerTest, AppendingShowsWhatReplacingShows) {
    // a CR | LF, あ, a lead byte | its trail byte, ＝ (0x81 0x81, a trail byte that could lead),
    // a lone lead byte at the end
    const std::string text = "a\r\n\x82\xA0\r\nb\x82\xA0\x81\x81z\r\r\n\x82";
    SetWindowTextA(log, "\x01");  // not a prefix: the whole text is replaced
    SetWindowTextA(log, text.c_str());
    const QString replaced = ShownLog();
    for (std::size_t split = 0; split <= text.size(); ++split) {
        SCOPED_TRACE("split after " + Hex(text.substr(0, split)));
        SetWindowTextA(log, "\x01");
        SetWindowTextA(log, text.substr(0, split).c_str());
        SetWindowTextA(log, text.c_str());
        EXPECT_EQ(ShownLog(), replaced);
        EXPECT_EQ(GetEditString(log), text);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
