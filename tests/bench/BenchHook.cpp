// Baseline of the hook library's cost: a bare low-level keyboard hook that only passes every
// key on.
#include "BenchWindow.h"

namespace {

LRESULT CALLBACK PassKey(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, PassKey, instance, 0);
    if (!hook)
        return 1;
    int result = bench::RunHiddenWindow(L"Bench Hook", nullptr);
    UnhookWindowsHookEx(hook);
    return result;
}
