// Baseline of the agent's job: registers Alt+F1 as a hotkey and calls the suspend function when
// it is pressed; nothing else.
#include "BenchWindow.h"

namespace {

bool OnMessage(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CREATE)
        RegisterHotKey(window, 1, MOD_ALT | MOD_NOREPEAT, VK_F1);
    if (message != WM_HOTKEY)
        return false;
    SetSystemPowerState(TRUE, TRUE);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    return bench::RunHiddenWindow(L"Bench Hotkey", OnMessage);
}
