// What kestrune-driver and its class-icon probe agree on. The probe is a hook procedure that
// the driver places in kestrune.exe's window thread for one message, because only the program's
// own process can read its window class's icons under Wine 8: GetClassLongPtrA(GCLP_HICON) from
// another process returns 0 there, with ERROR_INVALID_HANDLE, and WM_GETICON answers 0 for a
// window that never had WM_SETICON. Windows returns the icon to any process.
#pragma once

// The probe's file, beside the driver, and its WH_CALLWNDPROC procedure.
inline constexpr char kProbeDll[] = "kestrune-icon-probe.dll";
inline constexpr char kProbeHook[] = "ClassIconProbe";

// On this message to the main window the probe answers through this window property, which any
// process can read: kIconIs101 when the class's large and small icon are both icon resource 101,
// kOtherIcon when not.
inline constexpr char kProbeMessage[] = "Kestrune.ClassIconProbe";
inline constexpr char kProbeAnswer[] = "Kestrune.ClassIconAnswer";
enum ProbeAnswer { kNoAnswer, kOtherIcon, kIconIs101 };
