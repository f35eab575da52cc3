// Baseline of the hook library's cost: a bare low-level keyboard hook that only passes every
// key on. Started with "swallow", it is the older hook of a remapping tool instead, which
// swallows every event of kSwallowedKey (its window is then titled "Bench Swallow").
#include "BenchWindow.h"

#include <string.h>

namespace {

WORD const kSwallowedKey = VK_F8;
bool g_swallow = false;

LRESULT CALLBACK PassKey(int code, WPARAM wParam, LPARAM lParam) {
    if (g_swallow && code == HC_ACTION && reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode == kSwallowedKey)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t* commandLine, int) {
    g_swallow = wcsstr(commandLine, L"swallow") != nullptr;
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, PassKey, instance, 0);
    if (!hook)
        return 1;
    int result = bench::RunHiddenWindow(g_swallow ? L"Bench Swallow" : L"Bench Hook", nullptr);
    UnhookWindowsHookEx(hook);
    return result;
}
