// The whole program in-process, driven through its real Qt widgets the way a user drives it:
// typing into the field, clicking buttons and the check box, pressing keys. What is compared is
// what the user sees: the log's lines and bytes, the mark, captions, where the focus is.
#include <gtest/gtest.h>
#include <winapi_qt.h>

#include <QtTest>
#include <QtWidgets>

#include "bytes.h"
#include "log.h"
#include "session.h"
#include "shell.h"

namespace {

QWidget* Window() {
    return WidgetOf(MainWindow);
}
QWidget* Control(int id) {
    return WidgetOf(GetDlgItem(MainWindow, id));
}
QPlainTextEdit& Log() {
    return *qobject_cast<QPlainTextEdit*>(Control(kResultEditId));
}

// The log as the user reads it, line by line, and as the program reads it back: the lines in
// code page 932, joined by CR LF.
void ExpectLog(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    for (const QString& line : Log().toPlainText().split(u'\n'))
        shown.push_back(line.toStdString());
    EXPECT_EQ(shown, lines);
    std::string wanted;
    for (std::size_t i = 0; i < lines.size(); ++i) wanted += (i ? "\r\n" : "") + Sjis(lines[i]);
    const std::string actual = GetEditString(GetDlgItem(MainWindow, kResultEditId));
    EXPECT_EQ(actual, wanted) << ByteDiff(wanted, actual);
}

// Replaces the field's text as a user does: click into it, select all, type the new text
// through the input method (key events carry Latin-1 only).
void Type(const std::string& utf8) {
    QWidget* field = Control(kInputEditId);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (utf8.empty()) return QTest::keyClick(field, Qt::Key_Backspace);
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromStdString(utf8));
    QApplication::sendEvent(field, &commit);
}

void Click(int id) {
    QTest::mouseClick(Control(id), Qt::LeftButton);
}

// The key goes to the window, and Qt hands it to the focused widget, as a real key press does.
void Press(Qt::Key key) {
    QTest::keyClick(Window()->windowHandle(), key);
}

void Start() {
    StartUp(GetModuleHandleA(nullptr));
    ASSERT_NE(Window(), nullptr) << "the main window was not created";
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override { Start(); }
    // A test that closed the window has run the loop out itself.
    void TearDown() override {
        if (!Window()) return;
        SendMessageA(MainWindow, WM_CLOSE, 0, 0);
        EXPECT_EQ(MessageLoop(), 0) << "the loop ends with quit code 0";
    }
};

// What the session cannot show: the captions, the client area of a 321 × 320 window, and a
// font that shows Japanese on a fixed grid, full-width characters twice as wide as half-width.
TEST_F(WindowTest, StartsWithItsCaptionsSizeAndFont) {
    EXPECT_EQ(Window()->windowTitle(), "Kestrune Ver.1.00");
    EXPECT_EQ(Control(1012)->property("text").toString(), QString::fromUtf8("記号を許可"));
    EXPECT_EQ(Window()->size(), QSize(313, 293));
    // A packager's build machine may have no Japanese font: then no font can pass, and the
    // test says which package it did not find.
    if (QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) {
        GTEST_SKIP() << "no Japanese font installed (Debian: fonts-ipafont-gothic)";
    }
    const QFont font = Log().font();
    EXPECT_TRUE(QRawFont::fromFont(font).supportsCharacter(U'あ')) << font.family().toStdString();
    EXPECT_EQ(QFontMetrics(font).horizontalAdvance(QString::fromUtf8("あ")),
              2 * QFontMetrics(font).horizontalAdvance(QString::fromUtf8("ｱ")));
}

// The expected session, the same file the Windows build replays.
TEST_F(WindowTest, ReplaysTheExpectedSession) {
    std::vector<std::string> expected;
    for (const SessionStep& step : ReadSession(KESTRUNE_SESSION_FILE)) {
        SCOPED_TRACE("session.txt:" + std::to_string(step.line));
        if (step.kind == SessionStep::Log) {
            expected.push_back(step.text);
            continue;
        }
        ExpectLog(expected);
        if (::testing::Test::HasFailure()) return;  // the rest would only repeat the difference
        if (step.kind == SessionStep::Input) {
            Type(step.text);
            EXPECT_EQ(InputText, Sjis(step.text)) << Hex(InputText);
        } else if (step.kind == SessionStep::Click) {
            Click(step.number);
            EXPECT_EQ(QApplication::focusWidget(), Window()) << "the focus is back on the window";
        } else {
            EXPECT_EQ(Control(1012)->property("checked").toBool(), step.number == 1);
            EXPECT_EQ(SymbolsAllowed, step.number);
        }
    }
    ExpectLog(expected);
    EXPECT_TRUE(Log().textCursor().atEnd());
    EXPECT_TRUE(Log().viewport()->rect().contains(Log().cursorRect())) << "the last line in view";
}

// Escape closes the window, and the loop returns 0, whenever the window itself has the focus:
// right after start-up (0) and after any button or the box, which hand it back. The field and
// the log keep the focus and their keys. Tab and the arrows never move the focus.
TEST_F(WindowTest, EscapeClosesTheWindowWhileTheWindowHasTheFocus) {
    for (int id :
         {0, 1000, 1011, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1012}) {
        SCOPED_TRACE("after clicking " + std::to_string(id));
        if (!Window()) Start();
        if (id) {
            Type("abc");  // the focus moves from the field to the control clicked
            Click(id);
        }
        const bool keeps = id == kInputEditId || id == kResultEditId;
        QWidget* const focused = keeps ? Control(id) : Window();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
            EXPECT_EQ(QApplication::focusWidget(), focused) << "before key " << key;
            Press(key);
        }
        Press(Qt::Key_Escape);
        ASSERT_EQ(Window() == nullptr, !keeps);
        if (!keeps) {
            EXPECT_EQ(MessageLoop(), 0);
        }
    }
}

// The close box (and Alt+F4, which the window manager turns into the same) ends the loop too.
TEST_F(WindowTest, TheCloseBoxEndsTheLoop) {
    Window()->close();
    ASSERT_EQ(Window(), nullptr);
    EXPECT_EQ(MessageLoop(), 0);
}

}  // namespace

int main(int argc, char** argv) {
    // Headless by default, also when ctest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
