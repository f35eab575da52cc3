// Windows removes a low-level hook that answers too slowly and tells nobody. Input the hook
// never saw is the sign that it may be gone: the hook thread looks at the session's last input
// now and then, and when input came since its last look and the hook handed on no key for a
// while before it, the hook is put in again. An idle session costs one wake a minute and no
// renewal; a user of the mouse alone gets one needless, harmless renewal a minute.
#pragma once
#include <windows.h>

class HookWatch {
public:
    // Starts the calling thread's timer; the thread's message loop hands its ticks to IsTick.
    void Start(DWORD periodMs);
    void Stop();
    bool IsTick(const MSG& message) const {
        return timer_ && message.message == WM_TIMER && !message.hwnd && message.wParam == timer_;
    }
    // The time of a fresh key-down the hook handed on.
    void NoteKey(DWORD time) { lastKey_ = time; }
    // At a tick: true when there was input since the last look that the hook did not see.
    bool InputUnseen();

private:
    static DWORD LastInput();

    UINT_PTR timer_ = 0;
    DWORD lastKey_ = 0;
    DWORD lastInput_ = 0;  // as it was at the last look
};
