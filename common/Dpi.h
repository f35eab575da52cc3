// Display scaling: the DPI a window is drawn at, and the 96-DPI layout's lengths at that DPI.
// The per-monitor calls came with Windows 10; on older Windows the system DPI stands in.
#pragma once
#include <windows.h>

UINT const kDefaultDpi = 96;  // 100 %: the layout tables' own pixels

#ifndef WM_DPICHANGED
UINT const WM_DPICHANGED = 0x02E0;
#endif

// The DPI window is drawn at: its monitor's (GetDpiForWindow) where Windows tells it, else the system's.
UINT WindowDpi(HWND window);

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
