// The window shell: start-up, the main window and the message loop.
#pragma once

#include <windows.h>

#include <string>

// Program-wide state: created by StartUp, released when the main window is destroyed.
extern HFONT UiFont;
extern HBRUSH FaceBrush;
extern std::string TitleText;
extern std::string CrLf;
extern std::string InputText;  // the input field's code page 932 bytes
extern int SymbolsAllowed;     // 1 or 0, mirrored by the check box
extern HWND MainWindow;

// Creates the program-wide objects, registers the window class and creates the main window,
// which builds its controls and banner before this returns.
void StartUp(HINSTANCE instance);

// Runs until the main window has been destroyed; returns the quit code.
int MessageLoop();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
