// Windows removes a low-level hook that answers too slowly and tells nobody. Input the hook
// never saw is the sign that it may be gone: the hook notes every key event it is called for
// (downs, auto-repeats and ups), and the hook thread looks at the session's last input now and
// then. When input came since its last look that neither carries the time stamp of the hook's
// last event nor came within a second of the hook's running for it, the hook is put in again.
// An idle session costs one wake a minute and no renewal; the mouse counts as input too, so a
// user of the mouse alone gets one needless, harmless renewal a minute.
#pragma once
#include <windows.h>

// The last key event the hook was called for: its time stamp (for SendInput the sender's own,
// which may lie in the past or the future) and the tick count when the hook saw it.
struct HookSighting {
    DWORD stamp;
    DWORD tick;
};

// True when lastInput, the session's last input time stamp, changed since the last look
// (previousInput) and is neither the stamp of the hook's last event nor the time, or up to a
// second after it, at which the hook ran for it.
bool IsInputUnseen(DWORD lastInput, DWORD previousInput, HookSighting seen);

class HookWatch {
public:
    // Starts the calling thread's timer; the thread's message loop hands its ticks to IsTick.
    void Start(DWORD periodMs);
    void Stop();
    bool IsTick(const MSG& message) const {
        return timer_ && message.message == WM_TIMER && !message.hwnd && message.wParam == timer_;
    }
    // Called by the hook for each event. The hook runs on the thread that set it, this watch's
    // own, so plain stores do: nothing is woken and no system call made.
    void NoteEvent(DWORD stamp) {
        seen_.stamp = stamp;
        seen_.tick = GetTickCount();  // reads the shared tick, no kernel call
    }
    // At a tick: true when there was input since the last look that the hook did not see.
    bool InputUnseen();

private:
    static DWORD LastInput();

    UINT_PTR timer_ = 0;
    HookSighting seen_ = {};
    DWORD lastInput_ = 0;  // as it was at the last look
};
