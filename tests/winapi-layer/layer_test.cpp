// The window layer as the program relies on it: notifications, keyboard focus, closing,
// geometry, the icon and the font.
#include <QtTest>

#include "log.h"
#include "test_window.h"
#include "winapi_resources.h"

namespace {

using Notification = std::pair<int, int>;
using LayerTest = WindowTest;

TEST_F(LayerTest, ClicksNotifyTheParentAndTheBoxTogglesItsOwnMark) {
    SendMessageA(box, BM_SETCHECK, 1, 0);
    EXPECT_TRUE(Count(WM_COMMAND) == 0) << "BM_SETCHECK sets the mark without a notification";

    Click(button);
    Click(box);
    EXPECT_FALSE(qobject_cast<QCheckBox*>(WidgetOf(box))->isChecked());
    Click(box);
    EXPECT_TRUE(qobject_cast<QCheckBox*>(WidgetOf(box))->isChecked());
    EXPECT_EQ(Notifications(),
              (std::vector<Notification>{
                  {kButtonId, BN_CLICKED}, {kBoxId, BN_CLICKED}, {kBoxId, BN_CLICKED}}));
    EXPECT_EQ(received.back().lParam, reinterpret_cast<LPARAM>(box));
}

TEST_F(LayerTest, AfterStartUpTheWindowItselfHasTheFocus) {
    EXPECT_EQ(QApplication::focusWidget(), WidgetOf(window));
    Press(Qt::Key_Escape);
    ASSERT_EQ(Count(WM_KEYDOWN), 1);
    EXPECT_EQ(received.back().wParam, static_cast<WPARAM>(VK_ESCAPE));
}

// A key typed while a control has the focus stays with the control, Escape included.
TEST_F(LayerTest, OnlyTheFocusedWindowHearsKeys) {
    const struct {
        const char* what;
        HWND clicked;
    } kFocused[] = {{"input field", input}, {"log", log}, {"button", button}, {"check box", box}};
    for (const auto& focused : kFocused) {
        SCOPED_TRACE(focused.what);
        Click(focused.clicked);
        ASSERT_EQ(QApplication::focusWidget(), WidgetOf(focused.clicked));
        received.clear();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Right, Qt::Key_Down, Qt::Key_Up}) {
            Press(key);
            EXPECT_EQ(QApplication::focusWidget(), WidgetOf(focused.clicked))
                << "Tab and the arrows do not move the focus";
        }
        EXPECT_EQ(Count(WM_KEYDOWN), 0);

        // As the program does after every button: the window takes the focus back.
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0),
                     reinterpret_cast<LPARAM>(window));
        EXPECT_EQ(QApplication::focusWidget(), WidgetOf(window));
        Press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), WidgetOf(window));
        Press(Qt::Key_Escape);
        EXPECT_EQ(Count(WM_KEYDOWN), 2);
    }
}

TEST_F(LayerTest, TheCloseBoxAndAltF4SendWmClose) {
    for (const char* how : {"close box", "Alt+F4 in the input field"}) {
        SCOPED_TRACE(how);
        if (how[0] == 'c') {
            WidgetOf(window)->close();
        } else {
            Click(input);
            Press(Qt::Key_F4, Qt::AltModifier);
        }
        ASSERT_EQ(Count(WM_CLOSE), 1);
        // DefWindowProcA destroyed the window: its handles are dead, and calls on them fail.
        EXPECT_EQ(Count(WM_DESTROY), 1);
        for (HWND dead : {window, input, log, static_cast<HWND>(nullptr)}) {
            char text[4] = "old";
            EXPECT_FALSE(SetWindowTextA(dead, "x"));
            EXPECT_EQ(GetWindowTextLengthA(dead), 0);
            EXPECT_EQ(GetWindowTextA(dead, text, sizeof text), 0);
            EXPECT_STREQ(text, "");
            EXPECT_EQ(SendMessageA(dead, EM_SETSEL, 0, 0), 0);
            EXPECT_EQ(GetDlgItem(dead, kInputEditId), nullptr);
            EXPECT_FALSE(DestroyWindow(dead));
            EXPECT_EQ(WidgetOf(dead), nullptr);
        }
        TearDown();
        SetUp();
    }
}

TEST_F(LayerTest, TheOuterSizeHasTheClassicFrame) {
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(window, &outer));
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(outer.right - outer.left, 321);
    EXPECT_EQ(outer.bottom - outer.top, 320);
    EXPECT_EQ(client.right, 313);
    EXPECT_EQ(client.bottom, 293);
    EXPECT_EQ(WidgetOf(window)->size(), QSize(313, 293));
    EXPECT_EQ(WidgetOf(input)->geometry(), QRect(5, 5, 301, 22));

    // Setting the rectangle that was read changes nothing.
    SetWindowPos(window, nullptr, outer.left, outer.top, 321, 320, SWP_SHOWWINDOW);
    RECT again;
    GetWindowRect(window, &again);
    EXPECT_EQ(std::tie(again.left, again.top, again.right, again.bottom),
              std::tie(outer.left, outer.top, outer.right, outer.bottom));

    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(QSize(desktop.right, desktop.bottom),
              QGuiApplication::primaryScreen()->availableGeometry().size());
}

// A 3 × 2 icon: odd width, so each colour row is padded to 12 bytes; the rows run bottom-up in
// blue, green, red order; the AND mask makes the top-right pixel transparent.
std::vector<unsigned char> SmallIcon(int bitCount = 24) {
    std::vector<unsigned char> ico = {
        0,  0, 1, 0, 1, 0,  // directory
        3,  2, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 22, 0, 0,
        0,  // entry
        40, 0, 0, 0, 3, 0, 0,  0, 4, 0, 0, 0, 1,  0, static_cast<unsigned char>(bitCount),
        0};
    ico.resize(22 + 40);
    const unsigned char rows[] = {
        0,    0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0,  // bottom row: red, green, blue
        255,  255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0,  // top row: white, black, grey
        0,    0,   0,   0,                                  // mask, bottom row: all opaque
        0x20, 0,   0,   0,                                  // mask, top row: the third pixel
    };
    ico.insert(ico.end(), std::begin(rows), std::end(rows));
    const auto imageSize = static_cast<unsigned char>(ico.size() - 22);
    ico[14] = imageSize;
    return ico;
}

// The icon that a window of a class registered with `icon` shows.
QImage ShownIcon(HICON icon, const char* className, QSize size) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    const HWND iconic = CreateWindowExA(0, className, "", WS_CAPTION, 0, 0, 100, 100, nullptr,
                                        nullptr, wc.hInstance, nullptr);
    QImage image = WidgetOf(iconic)->windowIcon().pixmap(size).toImage();
    DestroyWindow(iconic);
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST_F(LayerTest, TheClassIconIsDecodedFromTheIconResource) {
    const std::vector<unsigned char> ico = SmallIcon();
    ASSERT_TRUE(RegisterIconResource(200, ico.data(), ico.size()));
    EXPECT_FALSE(RegisterIconResource(201, ico.data(), ico.size() - 1)) << "cut short";
    const std::vector<unsigned char> deep = SmallIcon(32);
    EXPECT_FALSE(RegisterIconResource(202, deep.data(), deep.size())) << "not 24-bit";

    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(200));
    ASSERT_NE(icon, nullptr);
    const QImage image = ShownIcon(icon, "KestruneIconTest", QSize(3, 2));
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(image.pixel(2, 0)), 0);
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 255));
}

// The program's own icon, embedded from kestrune.ico, shows what kestrune.png shows.
TEST_F(LayerTest, TheProgramIconMatchesItsPicture) {
    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101));
    ASSERT_NE(icon, nullptr);
    const QImage shown = ShownIcon(icon, "KestruneProgramIconTest", QSize(32, 32));
    const QImage picture = QImage(KESTRUNE_ICON_PNG).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), picture.size());
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb a = shown.pixel(x, y), b = picture.pixel(x, y);
            ASSERT_EQ(qAlpha(a), qAlpha(b)) << x << "," << y;
            if (qAlpha(a)) {
                ASSERT_EQ(a, b) << x << "," << y;
            }
        }
    }
}

// The program's font: "ＭＳ ゴシック" is not installed here, so a Japanese gothic face on a
// fixed grid stands in, 12 pixels high: full-width characters exactly twice the half-width.
TEST_F(LayerTest, TheFontHasJapaneseGlyphsOnAFixedGrid) {
    const HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                   OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                                   FIXED_PITCH | FF_MODERN, "\x82l\x82r \x83S\x83V\x83\x62\x83N");
    SendMessageA(input, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const QFont shown = WidgetOf(input)->font();
    EXPECT_TRUE(QRawFont::fromFont(shown).supportsCharacter(U'あ'))
        << QFontInfo(shown).family().toStdString();
    EXPECT_EQ(QFontInfo(shown).pixelSize(), 12);
    const QFontMetrics metrics(shown);
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("あ")),
              2 * metrics.horizontalAdvance('a'));
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("ｱ")), metrics.horizontalAdvance('a'));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
}

}  // namespace
