// The class-icon probe: runs inside kestrune.exe for the one message the driver sends it and
// answers through window properties; every other message passes untouched.
#include <windows.h>

#include "class_icon_probe.h"

namespace {

// The size of the icon's colour bitmap, or of its mask for a monochrome icon.
LONG IconSize(HICON icon) {
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    const LONG height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
    return MAKELONG(bitmap.bmWidth, height);
}

void Answer(HWND window) {
    const auto large = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    const auto small = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM));
    SetPropA(window, kLargeIconProperty, large);
    SetPropA(window, kSmallIconProperty, small);
    SetPropA(window, kIconSizeProperty,
             reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(IconSize(large))));
}

void Clear(HWND window) {
    RemovePropA(window, kLargeIconProperty);
    RemovePropA(window, kSmallIconProperty);
    RemovePropA(window, kIconSizeProperty);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ClassIconProbe(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA(kProbeMessage);
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->message == probeMessage) {
            if (sent->wParam == 0) {
                Answer(sent->hwnd);
            } else {
                Clear(sent->hwnd);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
