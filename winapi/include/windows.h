// The Windows API subset that Kestrune calls, in its ANSI forms, for building away from Windows.
//
// Types, constants and functions carry the names and values of the Windows SDK, so that code
// written against the real <windows.h> compiles unchanged against this one. It declares what the
// program uses and nothing more; every text argument is code page 932 bytes. Implemented in
// winapi/src on Qt 6 Widgets.
#pragma once

#include <cstdint>

// The calling conventions mean nothing on the 64-bit System V ABI.
#define WINAPI
#define CALLBACK

// Basic types, with the widths they have in a 64-bit Windows build.
using BOOL = int;
using BYTE = unsigned char;
using WORD = unsigned short;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ATOM = WORD;
using COLORREF = DWORD;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPVOID = void*;
using LPSTR = char*;
using LPCSTR = const char*;

// Handles are opaque: distinct pointer types, as with STRICT.
struct HWND__;
struct HINSTANCE__;
struct HMENU__;
struct HFONT__;
struct HBRUSH__;
struct HICON__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HMENU = HMENU__*;
using HFONT = HFONT__*;
using HBRUSH = HBRUSH__*;
using HICON = HICON__*;
using HCURSOR = HICON;
using HGDIOBJ = void*;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

constexpr WORD LOWORD(UINT_PTR value) {
    return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(UINT_PTR value) {
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

// Window messages.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SETFONT = 0x0030;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_SCROLLCARET = 0x00B7;
inline constexpr UINT BM_SETCHECK = 0x00F1;

// WM_ACTIVATE states, notification codes and virtual keys.
inline constexpr int WA_ACTIVE = 1;
inline constexpr int BN_CLICKED = 0;
inline constexpr int EN_CHANGE = 0x0300;
inline constexpr int VK_ESCAPE = 0x1B;

// Window styles.
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;

// Edit and button control styles.
inline constexpr DWORD ES_MULTILINE = 0x0004;
inline constexpr DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr DWORD ES_READONLY = 0x0800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x0003;

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr int COLOR_BTNFACE = 15;
#define IDC_ARROW MAKEINTRESOURCEA(32512)

// Message box flags.
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_TOPMOST = 0x00040000;

// Logical font values.
inline constexpr int FW_NORMAL = 400;
inline constexpr DWORD SHIFTJIS_CHARSET = 128;
inline constexpr DWORD OUT_STROKE_PRECIS = 3;
inline constexpr DWORD CLIP_STROKE_PRECIS = 2;
inline constexpr DWORD DRAFT_QUALITY = 1;
inline constexpr DWORD FIXED_PITCH = 1;
inline constexpr DWORD FF_MODERN = 0x30;

// Window classes and windows.
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI DestroyWindow(HWND window);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND WINAPI GetDlgItem(HWND dialog, int id);

// Window text.
int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount);
int WINAPI GetWindowTextLengthA(HWND window);
BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text);

// Geometry.
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                         UINT flags);
HWND WINAPI GetDesktopWindow();
HWND WINAPI GetForegroundWindow();

// Resources and graphics objects.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName);
HBRUSH WINAPI CreateSolidBrush(COLORREF color);
DWORD WINAPI GetSysColor(int index);
BOOL WINAPI DeleteObject(HGDIOBJ object);

// Dialogs, the message loop and the process.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);
void WINAPI PostQuitMessage(int exitCode);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);

// The program's entry point, called by the layer's main().
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
