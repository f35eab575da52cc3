#include "ForegroundWindow.h"

void ForceForegroundWindow(HWND window) {
    if (!window)
        return;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);

    DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    bool attached = false;
    if (foregroundThread && windowThread != foregroundThread)
        attached = AttachThreadInput(windowThread, foregroundThread, TRUE) != FALSE;

    AllowSetForegroundWindow(ASFW_ANY);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    if (attached)
        AttachThreadInput(windowThread, foregroundThread, FALSE);
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
}
