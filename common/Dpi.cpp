#include "Dpi.h"

#include "ModulePath.h"

namespace {

// An entry point of a system library, or null on a Windows without it. A library not loaded
// yet is loaded and stays for the process, as the system's own libraries do.
template <typename Proc>
Proc SystemEntry(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (!module)
        module = LoadLibraryW(library);
    return module ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

// The same from a library that is not loaded by default, loaded by its full path in the system
// folder: the agent runs elevated, and a bare name would also find one put beside it.
template <typename Proc>
Proc SystemFolderEntry(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    wchar_t path[MAX_PATH];
    if (!module && BuildSystemPath(library, path))
        module = LoadLibraryW(path);
    return module ? reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int const kDialogDisableAll = 1;  // DDC_DISABLE_ALL
int const kIconMetricSmall = 0;   // LIM_SMALL
int const kEffectiveDpi = 0;      // MDT_EFFECTIVE_DPI

// The monitor's DPI, or 0 without GetDpiForMonitor or an answer from it.
UINT MonitorDpi(HMONITOR monitor, const DpiCalls& calls) {
    UINT x = 0, y = 0;
    if (!calls.forMonitor || !monitor || FAILED(calls.forMonitor(monitor, kEffectiveDpi, &x, &y)))
        return 0;
    return y;
}

}  // namespace

DpiCalls const& SystemDpiCalls() {
    static DpiCalls const calls = {
        SystemEntry<decltype(DpiCalls::forWindow)>(L"user32.dll", "GetDpiForWindow"),
        SystemFolderEntry<decltype(DpiCalls::forMonitor)>(L"shcore.dll", "GetDpiForMonitor"),
        SystemDpi,
    };
    return calls;
}

UINT WindowDpi(HWND window, const DpiCalls& calls) {
    if (!window)
        return calls.system();
    UINT dpi = calls.forWindow ? calls.forWindow(window) : 0;
    if (!dpi)
        dpi = MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), calls);
    return dpi ? dpi : calls.system();
}

UINT TaskbarDpi(const DpiCalls& calls) {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    HMONITOR monitor = taskbar ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT dpi = MonitorDpi(monitor, calls);
    return dpi ? dpi : calls.system();
}

void MoveToScaledBox(HWND control, int x, int y, int width, int height, UINT dpi) {
    MoveWindow(control, ScaleToDpi(x, dpi), ScaleToDpi(y, dpi), ScaleToDpi(width, dpi), ScaleToDpi(height, dpi),
               TRUE);
}

void KeepDialogLayoutOnDpiChange(HWND dialog) {
    using SetBehaviorProc = BOOL(WINAPI*)(HWND, int, int);
    auto setBehavior = SystemEntry<SetBehaviorProc>(L"user32.dll", "SetDialogDpiChangeBehavior");
    if (setBehavior)
        setBehavior(dialog, kDialogDisableAll, kDialogDisableAll);
}

HICON LoadSmallIconForDpi(HINSTANCE instance, UINT iconId, UINT dpi) {
    // comctl32 version 6 (the programs' manifests ask for it) has both calls from Vista on.
    using IconMetricProc = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
    using ScaleDownProc = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    HICON icon = nullptr;
    if (dpi == SystemDpi()) {
        if (auto loadMetric = SystemEntry<IconMetricProc>(L"comctl32.dll", "LoadIconMetric"))
            if (SUCCEEDED(loadMetric(instance, MAKEINTRESOURCEW(iconId), kIconMetricSmall, &icon)))
                return icon;
    }
    // Another monitor's DPI: the small-icon size there, drawn from the next larger image.
    int size = ScaleToDpi(16, dpi);
    if (auto scaleDown = SystemEntry<ScaleDownProc>(L"comctl32.dll", "LoadIconWithScaleDown"))
        if (SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(iconId), size, size, &icon)))
            return icon;
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size, 0));
}
