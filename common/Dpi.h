// Display scaling: the DPI a window is drawn at, and the 96-DPI layout's lengths at that DPI.
// The per-monitor calls came with Windows 8.1 (a monitor's DPI) and 10 (a window's); on older
// Windows the system DPI stands in.
#pragma once
#include <windows.h>

UINT const kDefaultDpi = 96;  // 100 %: the layout tables' own pixels

#ifndef WM_DPICHANGED
UINT const WM_DPICHANGED = 0x02E0;
#endif

// The system calls a DPI is read through, null where this Windows lacks one; apart so that the
// choice among them can be tried with stand-ins.
struct DpiCalls {
    UINT(WINAPI* forWindow)(HWND);                            // GetDpiForWindow: Windows 10 1607 on
    HRESULT(WINAPI* forMonitor)(HMONITOR, int, UINT*, UINT*);  // GetDpiForMonitor: Windows 8.1 on
    UINT (*system)();                                          // the system DPI, which never fails
};
DpiCalls const& SystemDpiCalls();

// The DPI window is drawn at: the window's own (GetDpiForWindow), else its monitor's (Windows
// 8.1 to 10 1511 have per-monitor scales but no GetDpiForWindow), else the system's.
UINT WindowDpi(HWND window, const DpiCalls& calls = SystemDpiCalls());

// The DPI of the notification area: that of the taskbar's monitor, or of the primary monitor
// while there is no taskbar, else the system's. The taskbar is another process's window: its
// monitor's DPI is asked, not the window's.
UINT TaskbarDpi(const DpiCalls& calls = SystemDpiCalls());

// A length of the 96-DPI layout at dpi, rounded to the nearest pixel. Every place and size goes
// through here, so the same length always comes out the same.
inline int ScaleToDpi(int length, UINT dpi) {
    return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

// Moves control to the 96-DPI box (x, y, width, height) at dpi, repainting.
void MoveToScaledBox(HWND control, int x, int y, int width, int height, UINT dpi);

// The dialog lays itself out on WM_DPICHANGED: Windows (10 1703 on) must not also resize its
// fonts and controls, which it otherwise does for the dialogs of a per-monitor v2 program.
void KeepDialogLayoutOnDpiChange(HWND dialog);

// The resource's icon at the small-icon size for dpi (LoadIconMetric at the system's DPI), or
// null. The caller destroys it (DestroyIcon).
HICON LoadSmallIconForDpi(HINSTANCE instance, UINT iconId, UINT dpi);
