// The hidden window that receives WM_POWERBROADCAST reports of the active scheme's personality.
#include "LibraryState.h"

#include <string.h>
#include <time.h>

namespace {

// GUID_POWERSCHEME_PERSONALITY, spelled out so the library needs no GUID import library.
GUID const kPersonalityGuid = {0x245D8541, 0x3943, 0x4422, {0xB0, 0x25, 0x13, 0xA7, 0x84, 0xF6, 0x79, 0xB7}};
long const kHoldBackMs = 1000;

HWND FindHiddenWindow() {
    return FindWindowW(kVoltaroWindowClass, kVoltaroWindowTitle);
}

void OnPowerSettingChange(const POWERBROADCAST_SETTING* setting) {
    if (!g_state->callback || setting->DataLength != sizeof(GUID))
        return;
    if (memcmp(&setting->PowerSetting, &kPersonalityGuid, sizeof(GUID)) != 0)
        return;
    // Reports that arrive right after registration only repeat the current scheme.
    if (g_state->registrationTime != 0) {
        if (clock() - g_state->registrationTime <= kHoldBackMs)
            return;
        g_state->registrationTime = 0;
    }
    g_state->callback(kPersonalityChanged, setting->Data);
}

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_state && message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE)
        OnPowerSettingChange(reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

void CreateHiddenWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HiddenWindowProc;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kVoltaroWindowClass;
    RegisterClassExW(&windowClass);
    CreateWindowExW(WS_EX_CLIENTEDGE, kVoltaroWindowClass, kVoltaroWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, 300, 200, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

void AttachHiddenWindow() {
    // One window serves the whole desktop: a window of another process is used as it is.
    if (!FindHiddenWindow())
        CreateHiddenWindow();
    HWND window = FindHiddenWindow();
    if (!window)
        return;
    RegisterPowerSettingNotification(window, &kPersonalityGuid, DEVICE_NOTIFY_WINDOW_HANDLE);
    g_state->registrationTime = clock();
}

void DetachHiddenWindow() {
    HWND window = FindHiddenWindow();
    if (!window)
        return;
    DestroyWindow(window);
    UnregisterClassW(kVoltaroWindowClass, nullptr);
}
