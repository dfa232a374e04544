// The main window: its thirteen controls, the command dispatch, Escape, and the release of the
// program-wide objects.
#include <cmath>

#include "log.h"
#include "operations.h"
#include "shell.h"
#include "wording.h"

namespace {

constexpr int kAllowSymbolsId = 1012;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLogStyle = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY |
                            ES_WANTRETURN;  // 0x50201884

// A button's caption: the name of the operation it runs.
constexpr const char* Caption(int id) {
    return RowById(id)->caption.data();
}

struct Control {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

// Created in this order; positions in the main window's client area.
// clang-format off
constexpr Control kControls[] = {
    // id             class     text (code page 932)                          style                     exStyle           x    y    w    h
    {kInputEditId,    "EDIT",   "",                                           kChild | ES_AUTOHSCROLL,  WS_EX_CLIENTEDGE, 5,   5,   301, 22},
    {1001,            "BUTTON", Caption(1001),                                kChild,                   0,                5,   35,  88,  21},
    {1002,            "BUTTON", Caption(1002),                                kChild,                   0,                105, 35,  88,  21},
    {1003,            "BUTTON", Caption(1003),                                kChild,                   0,                5,   65,  88,  21},
    {1004,            "BUTTON", Caption(1004),                                kChild,                   0,                105, 65,  88,  21},
    {1005,            "BUTTON", Caption(1005),                                kChild,                   0,                5,   95,  88,  21},
    {1006,            "BUTTON", Caption(1006),                                kChild,                   0,                105, 95,  88,  21},
    {1007,            "BUTTON", Caption(1007),                                kChild,                   0,                205, 95,  88,  21},
    // Row four runs 半角数値, 半角カタカナ, 半角英数 from the left, not in identifier order.
    {1008,            "BUTTON", Caption(1008),                                kChild,                   0,                105, 125, 88,  21},
    {1009,            "BUTTON", Caption(1009),                                kChild,                   0,                5,   125, 88,  21},
    {1010,            "BUTTON", Caption(1010),                                kChild,                   0,                205, 125, 88,  21},
    {kResultEditId,   "EDIT",   "",                                           kLogStyle,                WS_EX_CLIENTEDGE, 5,   155, 300, 130},
    {kAllowSymbolsId, "BUTTON", "\x8BL\x8D\x86\x82\xF0\x8B\x96\x89\xC2",      kChild | BS_AUTOCHECKBOX, 0,                205, 37,  81,  15},  // 記号を許可
};
// clang-format on

void WindowCenter(HWND window, HWND parent) {
    if (!window) {
        WarnEmptyHandle("WindowCenter");
        return;
    }
    if (!parent) parent = GetDesktopWindow();
    RECT outer, area;
    GetWindowRect(window, &outer);
    GetClientRect(parent, &area);
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    const int x = static_cast<int>(std::floor((area.right - area.left - w) * 0.5));
    const int y = static_cast<int>(std::floor((area.bottom - area.top - h) * 0.5));
    SetWindowPos(window, nullptr, x, y, w, h, SWP_SHOWWINDOW);
}

// Hands the keyboard focus back to the window, so that a following Escape closes it.
void ActiveWnd(HWND window) {
    if (!window) {
        WarnEmptyHandle("ActiveWnd");
        return;
    }
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(window));
}

void RunButton(Operation operation) {
    for (const std::string& line : ResultLines(operation, InputText, SymbolsAllowed)) {
        AppendResultLine(MainWindow, line, CrLf);
    }
    ActiveWnd(MainWindow);
}

void ToggleSymbolsAllowed() {
    SymbolsAllowed = std::abs(SymbolsAllowed - 1);
    // The box has toggled its own mark already; setting it again keeps mark and flag equal.
    SendMessageA(GetDlgItem(MainWindow, kAllowSymbolsId), BM_SETCHECK,
                 static_cast<WPARAM>(SymbolsAllowed), 0);
    ActiveWnd(MainWindow);
}

void OnCreate(HWND window) {
    // Stored first: the controls' notifications during creation already need it.
    MainWindow = window;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const Control& c : kControls) {
        const HWND control = CreateWindowExA(
            c.exStyle, c.className, c.text, c.style, c.x, c.y, c.width, c.height, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont), FALSE);
    }
    WindowCenter(MainWindow, nullptr);
    SetWindowTextA(MainWindow, TitleText.c_str());
    // Set the field's text now: the change notification it raises refreshes the input copy.
    SetWindowTextA(GetDlgItem(MainWindow, kInputEditId), InputText.c_str());
    SendMessageA(GetDlgItem(MainWindow, kAllowSymbolsId), BM_SETCHECK,
                 static_cast<WPARAM>(SymbolsAllowed), 0);
    for (const std::string& line : BannerLines()) AppendResultLine(MainWindow, line, CrLf);
}

void OnCommand(int id, int notification) {
    if (id == kInputEditId) {
        if (notification == EN_CHANGE) ReadInputText(MainWindow, InputText);
        return;
    }
    if (notification != BN_CLICKED) return;
    if (id == kAllowSymbolsId) {
        ToggleSymbolsAllowed();
        return;
    }
    // The ten buttons carry the identifiers of the operations they run.
    if (const OperationRow* row = RowById(id)) RunButton(row->operation);
}

void OnKeyDown(WPARAM key) {
    if (key == VK_ESCAPE) SendMessageA(MainWindow, WM_CLOSE, 0, 0);
}

void OnClose(HWND window) {
    DestroyWindow(window);
}

void OnDestroy() {
    InputText.clear();
    InputText.shrink_to_fit();
    DeleteObject(UiFont);
    DeleteObject(FaceBrush);
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate(window);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_CLOSE:
            OnClose(window);
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(wParam);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
