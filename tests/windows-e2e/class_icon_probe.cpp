// The class-icon probe: runs inside kestrune.exe for the one message the driver sends it and
// answers through a window property; every other message passes untouched.
#include <windows.h>

#include "class_icon_probe.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ClassIconProbe(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA(kProbeMessage);
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == probeMessage) {
        // Icons loaded with LoadIcon are shared: loading 101 again gives the very handle the
        // class holds if the class got it, and nothing if the resource is missing.
        const auto icon = reinterpret_cast<ULONG_PTR>(
            LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)));
        const bool is101 = icon && GetClassLongPtrA(sent->hwnd, GCLP_HICON) == icon &&
                           GetClassLongPtrA(sent->hwnd, GCLP_HICONSM) == icon;
        SetPropA(sent->hwnd, kProbeAnswer,
                 reinterpret_cast<HANDLE>(static_cast<INT_PTR>(is101 ? kIconIs101 : kOtherIcon)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
