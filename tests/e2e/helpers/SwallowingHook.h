// A low-level keyboard hook of another program, as remapping tools install one, that swallows
// every event of one key; it runs on a thread of its own from construction to destruction.
#pragma once
#include <windows.h>

class SwallowingHook {
public:
    explicit SwallowingHook(WORD key) : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        key_ = key;
        thread_ = CreateThread(nullptr, 0, Run, ready_, 0, &threadId_);
        WaitForSingleObject(ready_, 5000);
    }
    ~SwallowingHook() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    SwallowingHook(const SwallowingHook&) = delete;
    SwallowingHook& operator=(const SwallowingHook&) = delete;

private:
    static LRESULT CALLBACK Swallow(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION && reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode == key_)
            return 1;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static DWORD WINAPI Run(void* ready) {
        MSG message;
        PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, Swallow, GetModuleHandleW(nullptr), 0);
        SetEvent(static_cast<HANDLE>(ready));
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        }
        if (hook)
            UnhookWindowsHookEx(hook);
        return 0;
    }

    static inline DWORD key_ = 0;  // one such hook at a time
    HANDLE ready_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};
