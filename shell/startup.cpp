// Start-up and the message loop.
#include "shell.h"

#include "kestrune_version.h"

HFONT UiFont;
HBRUSH FaceBrush;
std::string TitleText;
std::string CrLf;
std::string InputText;
int SymbolsAllowed;
HWND MainWindow;

namespace {

constexpr char kClassName[] = "NORMAL0";
constexpr int kIconResource = 101;

void CreateUiFont() {
    UiFont =
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                    OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, FIXED_PITCH | FF_MODERN,
                    "\x82l\x82r \x83S\x83V\x83\x62\x83N");  // ＭＳ ゴシック
}

void RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXA wc = {};
    // The structure's own size: 48 bytes holds only in a 32-bit build, and a wrong size makes
    // the registration fail with no window at all.
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = FaceBrush;
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
}

}  // namespace

void StartUp(HINSTANCE instance) {
    CreateUiFont();
    FaceBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    TitleText = std::string("Kestrune") + " Ver." + kestrune_version::kWindow;
    CrLf = {'\x0D', '\x0A'};
    InputText.clear();
    SymbolsAllowed = 1;
    RegisterMainClass(instance);
    // No maximize box: the controls do not follow the window's size.
    constexpr DWORD kStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    // The window centres itself and takes its caption while it is being created.
    CreateWindowExA(0, kClassName, "zorvel", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 321, 320,
                    nullptr, nullptr, instance, nullptr);
}

int MessageLoop() {
    MSG msg = {};
    // No accelerators and no dialog processing: Tab and the arrows do not move the focus.
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
