// The whole program in-process, driven through its real Qt widgets the way a user drives it:
// typing into the field, clicking buttons and the check box, pressing Escape. What is
// compared is what the user sees: captions, the log's lines, the mark, where the focus is.
#include <gtest/gtest.h>
#include <winapi_qt.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

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

std::vector<std::string> Banner() {
    return {"*** Kestrune Version 1.00 ***",      "",
            "検査結果をここに表示します。",       "画面上部のエディットエリアに文字列を入れ、",
            "検査したいボタンを押してください。", "---------------------------------------"};
}

// The log as the user reads it, line by line, in UTF-8.
std::vector<std::string> ShownLog() {
    const QString shown = Control(kResultEditId)->property("plainText").toString();
    std::vector<std::string> lines;
    for (const QString& line : shown.split(QChar('\n'))) lines.push_back(line.toStdString());
    return lines;
}

// The log's bytes as the program reads them back: the lines in code page 932, joined by CR LF.
std::string JoinedSjis(const std::vector<std::string>& utf8Lines) {
    std::string joined;
    for (std::size_t i = 0; i < utf8Lines.size(); ++i) {
        if (i) joined += "\r\n";
        joined += Sjis(utf8Lines[i]);
    }
    return joined;
}

void ExpectLog(const std::vector<std::string>& expected) {
    EXPECT_EQ(ShownLog(), expected);
    const std::string wanted = JoinedSjis(expected);
    const std::string actual = GetEditString(GetDlgItem(MainWindow, kResultEditId));
    EXPECT_EQ(actual, wanted) << ByteDiff(wanted, actual);
}

// Replaces the field's text as a user does: click into it, select all, type the new text
// through the input method (key events carry Latin-1 only).
void Type(const std::string& utf8) {
    QWidget* field = Control(kInputEditId);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (utf8.empty()) {
        QTest::keyClick(field, Qt::Key_Backspace);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromStdString(utf8));
    QApplication::sendEvent(field, &commit);
}

void Click(int id) {
    QTest::mouseClick(Control(id), Qt::LeftButton);
}

// The key goes where the keyboard focus is, as a real key press does.
void PressEscape() {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Window();
    QTest::keyClick(target, Qt::Key_Escape);
}

bool Checked() {
    return Control(1012)->property("checked").toBool();
}

// Starts the program and lets the window appear, as the user sees it before touching it.
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

// ---------------------------------------------------------------------------------------------
// Right after start-up

TEST_F(WindowTest, StartsWithTheBannerTheBoxCheckedAndTheFocusOnTheWindow) {
    EXPECT_EQ(Window()->windowTitle().toStdString(), "Kestrune Ver.1.00");
    ExpectLog(Banner());
    EXPECT_TRUE(Checked());
    EXPECT_EQ(SymbolsAllowed, 1);
    EXPECT_EQ(InputText, "");
    EXPECT_EQ(QApplication::focusWidget(), Window()) << "no control takes the focus";
}

// ---------------------------------------------------------------------------------------------
// The expected session, the same file the Windows build replays

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
        switch (step.kind) {
            case SessionStep::Input:
                Type(step.text);
                EXPECT_EQ(InputText, Sjis(step.text)) << Hex(InputText);
                break;
            case SessionStep::Click:
                Click(step.number);
                break;
            case SessionStep::Checked:
                EXPECT_EQ(Checked(), step.number == 1);
                EXPECT_EQ(SymbolsAllowed, step.number);
                break;
            case SessionStep::Log:
                break;
        }
    }
    ExpectLog(expected);
    QImage shot = Window()->grab().toImage();
    shot.save(QString(KESTRUNE_SCREENSHOT_FILE));
}

// ---------------------------------------------------------------------------------------------
// Controls

TEST_F(WindowTest, ControlsStandWhereTheTableSaysAndStayThereOnResize) {
    const struct {
        int id;
        const char* text;
        QRect geometry;
    } rows[] = {
        {1000, "", {5, 5, 301, 22}},
        {1001, "文字サイズ", {5, 35, 88, 21}},
        {1002, "文字数", {105, 35, 88, 21}},
        {1003, "全角", {5, 65, 88, 21}},
        {1004, "半角", {105, 65, 88, 21}},
        {1005, "全角ひらがな", {5, 95, 88, 21}},
        {1006, "全角カタカナ", {105, 95, 88, 21}},
        {1007, "全角英数", {205, 95, 88, 21}},
        // Row four from the left: 半角数値, 半角カタカナ, 半角英数.
        {1009, "半角数値", {5, 125, 88, 21}},
        {1008, "半角カタカナ", {105, 125, 88, 21}},
        {1010, "半角英数", {205, 125, 88, 21}},
        {1011, nullptr, {5, 155, 300, 130}},
        {1012, "記号を許可", {205, 37, 81, 15}},
    };
    EXPECT_EQ(Window()->size(), QSize(313, 293)) << "client area of a 321 x 320 window";
    EXPECT_FALSE(Window()->windowFlags() & Qt::WindowMaximizeButtonHint);
    for (const bool resized : {false, true}) {
        if (resized) Window()->resize(520, 410);
        for (const auto& row : rows) {
            SCOPED_TRACE("control " + std::to_string(row.id) + (resized ? " after resizing" : ""));
            QWidget* control = Control(row.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->geometry(), row.geometry);
            if (row.text) {
                EXPECT_EQ(control->property("text").toString().toStdString(), row.text);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Escape and closing

TEST_F(WindowTest, EscapeIsTheFieldsWhileItHasTheFocus) {
    Type("abc");
    ASSERT_EQ(QApplication::focusWidget(), Control(kInputEditId));
    PressEscape();
    EXPECT_NE(Window(), nullptr) << "Escape in the field closed the window";
    EXPECT_EQ(InputText, "abc");
}

TEST_F(WindowTest, EscapeClosesTheWindowRightAfterStartUp) {
    PressEscape();
    ASSERT_EQ(Window(), nullptr);
    EXPECT_EQ(MessageLoop(), 0) << "closing ends the loop";
}

TEST_F(WindowTest, EscapeClosesTheWindowAfterAnyButtonOrTheBox) {
    for (int id = 1001; id <= 1012; ++id) {
        if (id == kResultEditId) continue;
        SCOPED_TRACE("after clicking " + std::to_string(id));
        if (!Window()) Start();
        Type("abc");
        Click(id);
        EXPECT_EQ(QApplication::focusWidget(), Window()) << "the focus is back on the window";
        PressEscape();
        ASSERT_EQ(Window(), nullptr) << "Escape did not close the window";
        EXPECT_EQ(MessageLoop(), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// The log is never cleared

TEST_F(WindowTest, TheBannerStaysOnTopAfterManyOperations) {
    Type("あいｱ");
    for (int round = 0; round < 100; ++round) {
        Click(1001);  // one line
        Click(1005);  // two lines
    }
    const std::vector<std::string> log = ShownLog();
    const std::vector<std::string> banner = Banner();
    ASSERT_EQ(log.size(), banner.size() + 300);
    EXPECT_TRUE(std::equal(banner.begin(), banner.end(), log.begin()));
    EXPECT_EQ(log.back(), "　　　> あい 【ｱ】 ");
}

}  // namespace

int main(int argc, char** argv) {
    // Headless by default, also when ctest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
