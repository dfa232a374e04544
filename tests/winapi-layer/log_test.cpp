// The input text and the result log, through report/log over the layer's real widgets.
#include <algorithm>
#include <random>

#include "log.h"
#include "test_window.h"

namespace {

using InputTest = WindowTest;
using LogTest = WindowTest;

// One user action in the input field, and the bytes InputText must hold right after it.
struct Step {
    const char* what;
    const char* commit;  // UTF-8 text committed by an input method, or nullptr
    Qt::Key key;         // otherwise a key, with Ctrl when `control`
    bool control;
    std::string_view expected;
};

// clang-format off
const Step kTyping[] = {
    {"hiragana",                         "あい", {},                false, "\x82\xA0\x82\xA2"},
    {"a typed letter",                   nullptr, Qt::Key_A,        false, "\x82\xA0\x82\xA2" "a"},
    {"half-width katakana ｱ",            "ｱ",    {},                false, "\x82\xA0\x82\xA2" "a\xB1"},
    {"the wave dash 〜 (U+301C)",        "〜",   {},                false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60"},
    {"an emoji, outside code page 932",  "😀",   {},                false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60?"},
    {"hangul, outside code page 932",    "한",   {},                false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60??"},
    {"Backspace",                        nullptr, Qt::Key_Backspace, false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60?"},
    {"Backspace again",                  nullptr, Qt::Key_Backspace, false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60"},
    {"Home",                             nullptr, Qt::Key_Home,      false, "\x82\xA0\x82\xA2" "a\xB1\x81\x60"},
    {"Delete",                           nullptr, Qt::Key_Delete,    false, "\x82\xA2" "a\xB1\x81\x60"},
    {"Ctrl+A",                           nullptr, Qt::Key_A,         true,  "\x82\xA2" "a\xB1\x81\x60"},
    {"Delete of everything",             nullptr, Qt::Key_Delete,    false, ""},
    {"one character after that",         "ア",   {},                false, "\x83\x41"},
};
// clang-format on

TEST_F(InputTest, EveryChangeByTheUserRefreshesTheBytesAtOnce) {
    Click(input);
    for (const Step& step : kTyping) {
        SCOPED_TRACE(step.what);
        const std::string before = inputText;
        received.clear();
        if (step.commit) {
            Commit(step.commit);
        } else {
            Press(step.key, step.control ? Qt::ControlModifier : Qt::NoModifier);
        }
        EXPECT_EQ(Hex(inputText), Hex(step.expected));
        // One EN_CHANGE for a change, none for a key that changes nothing.
        const int changes = before == step.expected ? 0 : 1;
        EXPECT_EQ(Notifications(), std::vector(changes, std::pair{kInputEditId, EN_CHANGE}));
    }
}

TEST_F(InputTest, SettingTheTextReadsItBackBeforeTheCallReturns) {
    const std::string_view texts[] = {
        "abc",
        "abc" /* the same text again */,
        "" /* empty */,
        "\x95\xB6\x8E\x9A" /* 文字 */,
        std::string_view("\x82\xA0\x00z", 4) /* cut at the zero byte */,
    };
    for (std::string_view text : texts) {
        SCOPED_TRACE(Hex(text));
        received.clear();
        inputText = "stale";
        SetWindowTextA(input, std::string(text).c_str());
        EXPECT_EQ(Hex(inputText), Hex(text.substr(0, text.find('\0'))));
        ASSERT_EQ(Count(WM_COMMAND), 1);
        EXPECT_EQ(received[0].lParam, reinterpret_cast<LPARAM>(input));
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

TEST_F(InputTest, APasteReplacesTheSelectionWithTheFirstLineUpToTheLimit) {
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
        received.clear();
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
        EXPECT_EQ(Notifications().size(), want == field ? 0u : 1u) << "one EN_CHANGE per change";
    }
}

TEST_F(InputTest, SettingALongTextIsNotLimited) {
    const std::string text(40000, 'x');
    SetWindowTextA(input, text.c_str());
    EXPECT_EQ(inputText.size(), text.size());
    EXPECT_EQ(Field(input).text().size(), 40000);
}

// Bytes that are not code page 932 show as replacement characters, never dropped.
TEST_F(InputTest, InvalidBytesShowAsReplacementCharacters) {
    SetWindowTextA(input, "a\x82");  // a lead byte with no trail byte
    EXPECT_EQ(Field(input).text(), QString::fromUtf8("a\uFFFD"));
    SetWindowTextA(input, "\x85\x40z");  // a pair no character is assigned to
    EXPECT_EQ(Field(input).text(), QString::fromUtf8("\uFFFD@z"));
}

struct Appends {
    const char* what;
    std::vector<std::string> lines;
    std::string expected;
    const char* shown;  // what the user sees, in UTF-8
};

const Appends kAppends[] = {
    {"the first line of an empty log", {"L1"}, "L1", "L1"},
    {"lines joined by CR LF", {"L1", "L2", "L3"}, "L1\r\nL2\r\nL3", "L1\nL2\nL3"},
    {"an empty line into an empty log leaves it empty", {"", "L1"}, "L1", "L1"},
    {"an empty line after a line ends the log in CR LF", {"L1", ""}, "L1\r\n", "L1\n"},
    {"an empty line between two", {"L1", "", "L2"}, "L1\r\n\r\nL2", "L1\n\nL2"},
    // 文字数：0文字, then ＯＫ
    {"code page 932 lines",
     {"\x95\xB6\x8E\x9A\x90\x94\x81\x46\x30\x95\xB6\x8E\x9A", "\x82n\x82j"},
     "\x95\xB6\x8E\x9A\x90\x94\x81\x46\x30\x95\xB6\x8E\x9A\r\n\x82n\x82j",
     "文字数：0文字\nＯＫ"},
};

TEST_F(LogTest, AppendingJoinsTheLinesAndLeavesTheCaretAtTheEnd) {
    for (const Appends& appends : kAppends) {
        SCOPED_TRACE(appends.what);
        SetWindowTextA(log, "");
        for (const std::string& line : appends.lines) AppendResultLine(window, line, "\r\n");
        EXPECT_EQ(Hex(GetEditString(log)), Hex(appends.expected));
        // What the user sees: the same lines, one a line.
        EXPECT_EQ(Log(log).toPlainText(), QString::fromUtf8(appends.shown));
        EXPECT_TRUE(Log(log).textCursor().atEnd());
        EXPECT_FALSE(Log(log).textCursor().hasSelection());
    }
    EXPECT_EQ(Notifications(), (std::vector<std::pair<int, int>>{}));
}

TEST_F(LogTest, TheLastLineComesIntoViewAndNothingIsCleared) {
    std::string expected;
    for (int i = 1; i <= 60; ++i) {
        const std::string line = "line " + std::to_string(i);
        AppendResultLine(window, line, "\r\n");
        expected += (i > 1 ? "\r\n" : "") + line;
    }
    EXPECT_EQ(GetEditString(log), expected);
    QPlainTextEdit& shown = Log(log);
    EXPECT_GT(shown.verticalScrollBar()->value(), 0);
    EXPECT_TRUE(shown.viewport()->rect().contains(shown.cursorRect()));
    EXPECT_EQ(shown.cursorForPosition(shown.cursorRect().center()).block().text(), "line 60");
}

// The layer appends only the new bytes of a text that extends the old one. Whatever the old
// text ends in, the log must then show what setting the whole text at once shows.
TEST_F(LogTest, AppendingShowsWhatReplacingShows) {
    // a CR | LF, あ, a lead byte | its trail byte, ＝ (0x81 0x81, a trail byte that could lead),
    // a lone lead byte at the end
    const std::string text = "a\r\n\x82\xA0\r\nb\x82\xA0\x81\x81z\r\r\n\x82";
    SetWindowTextA(log, "\x01");  // not a prefix: the whole text is replaced
    SetWindowTextA(log, text.c_str());
    const QString replaced = Log(log).toPlainText();
    for (std::size_t split = 0; split <= text.size(); ++split) {
        SCOPED_TRACE("split after " + Hex(text.substr(0, split)));
        SetWindowTextA(log, "\x01");
        SetWindowTextA(log, text.substr(0, split).c_str());
        SetWindowTextA(log, text.c_str());
        EXPECT_EQ(Log(log).toPlainText(), replaced);
        EXPECT_EQ(GetEditString(log), text);
    }
}

TEST_F(LogTest, AnEmptyHandleShowsTheWarningAndYieldsNothing) {
    QString caption, text;
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    dismiss.start(10);
    EXPECT_EQ(GetEditString(nullptr), "");
    EXPECT_EQ(caption, "GetEditString$");
    EXPECT_EQ(text, QString::fromUtf8("ハンドルに0は指定できません"));
}

}  // namespace
