// Inside the layer: the window records in their handle table, the graphics objects in theirs,
// and the conversions between code page 932 and Qt's text.
//
// A handle is a small number, never reused: once its window is destroyed it is dead, and every
// call given it fails as Windows fails for an invalid handle. Nothing in the layer keeps a
// record across a call that can run the program's window procedure: such a call may destroy
// the window, so the record is looked up again afterwards.
#pragma once

#include <windows.h>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

enum class Kind {
    Desktop,     // no widget: the screen
    TopLevel,    // a registered class: the program's own window procedure
    Edit,        // "EDIT", single-line
    Log,         // "EDIT" with ES_MULTILINE | ES_READONLY
    PushButton,  // "BUTTON", BS_PUSHBUTTON
    CheckBox,    // "BUTTON", BS_AUTOCHECKBOX
};

struct Window {
    HWND self = nullptr;
    HWND parent = nullptr;
    int id = 0;
    Kind kind = Kind::Desktop;
    DWORD style = 0;
    DWORD exStyle = 0;
    WNDPROC proc = nullptr;
    std::string text;  // the window's text, exactly the code page 932 bytes last set or typed
    QPointer<QWidget> widget;
    bool settingText = false;  // the layer itself is changing the widget's text
    bool destroying = false;
};

// The window handle table.
Window& AddWindow(Window record);  // gives the record its handle
Window* Lookup(HWND window);       // nullptr for a null or dead handle
void RemoveWindow(HWND window);
HWND HandleOfWidget(const QWidget* widget);
std::vector<HWND> ChildrenOf(HWND parent);  // in creation order

// The graphics object table: fonts, brushes, icons and cursors share one handle space with the
// windows, so that no two objects of any kind ever have the same handle.
HGDIOBJ AddFont(const QFont& font);
HGDIOBJ AddBrush(const QColor& color);
HGDIOBJ AddIcon(const QImage& icon);
HGDIOBJ AddCursor(Qt::CursorShape shape);
const QFont* FontOf(HGDIOBJ object);
const QColor* BrushColorOf(HGDIOBJ object);
const QImage* IconOf(HGDIOBJ object);
const Qt::CursorShape* CursorOf(HGDIOBJ object);
bool RemoveFontOrBrush(HGDIOBJ object);

// Code page 932 on both sides of Qt: the one conversion, through kestrune_cp932.
QString FromCp932(std::string_view bytes);
std::string ToCp932(const QString& text);

// The standard controls (controls.cpp).
QWidget* CreateControlWidget(Window& record, QWidget* parent);
void SetControlText(Window& record, std::string_view text);
bool TakeUserEdit(Window& record);  // the widget kept the typing rules; false if no change
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Where Qt's signals and events become messages (events.cpp).
QWidget* CreateTopLevelWidget(HWND window);
void ConnectNotifications(const Window& record);
void NotifyParent(HWND control, int code);
