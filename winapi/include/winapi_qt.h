// For tests only: the Qt widget behind a window handle, to drive it as a user would.
#pragma once

#include <windows.h>

class QWidget;

// The widget of a living window; nullptr for a null, dead or desktop handle.
QWidget* WidgetOf(HWND window);
