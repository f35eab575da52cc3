// What the baseline programs share: one hidden top-level window, found and closed from
// outside by its title, and a plain message loop.
#pragma once
#include <windows.h>

namespace bench {

// Runs a hidden window titled title until it is closed (WM_CLOSE from outside). extra sees every
// message first; it returns true when it handled one.
using MessageHandler = bool (*)(HWND, UINT, WPARAM, LPARAM);
inline MessageHandler g_extra = nullptr;

inline LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_extra && g_extra(window, message, wParam, lParam))
        return 0;
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

inline int RunHiddenWindow(const wchar_t* title, MessageHandler extra) {
    g_extra = extra;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HiddenWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DormelloBench";
    RegisterClassW(&windowClass);
    if (!CreateWindowExW(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, windowClass.hInstance, nullptr))
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace bench
