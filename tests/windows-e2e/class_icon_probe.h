// What kestrune-driver and its class-icon probe agree on. The probe is a hook procedure that
// the driver places in kestrune.exe's window thread for one message, because only the program's
// own process can read its window class's icons under Wine 8: GetClassLongPtrA(GCLP_HICON) from
// another process returns 0 there, with ERROR_INVALID_HANDLE, where Windows returns the icon.
#pragma once

// The probe's file, beside the driver.
inline constexpr char kProbeDll[] = "kestrune-icon-probe.dll";
inline constexpr char kProbeHook[] = "ClassIconProbe";  // a WH_CALLWNDPROC procedure

// Sent to the main window: wParam 0 stores the answers below as window properties, which any
// process can read; wParam 1 removes them again.
inline constexpr char kProbeMessage[] = "Kestrune.ClassIconProbe";

inline constexpr char kLargeIconProperty[] = "Kestrune.ClassIcon";       // GCLP_HICON
inline constexpr char kSmallIconProperty[] = "Kestrune.ClassIconSmall";  // GCLP_HICONSM
inline constexpr char kIconSizeProperty[] = "Kestrune.ClassIconSize";    // MAKELONG(width, height)
