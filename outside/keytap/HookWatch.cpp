#include "HookWatch.h"

namespace {

// A key's release and its auto-repeats reach the hook but are not handed on; they come this
// long after the key-down at most, as a person types.
LONG const kKeyAftermathMs = 5000;

using SetCoalescableTimerProc = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);

// A timer the system may put off by a tenth of its period to wake the processor for several at
// once (Windows 8 and later); a plain one before.
UINT_PTR SetThreadTimer(DWORD periodMs) {
    auto setCoalescable = reinterpret_cast<SetCoalescableTimerProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetCoalescableTimer")));
    if (setCoalescable)
        return setCoalescable(nullptr, 0, periodMs, nullptr, periodMs / 10);
    return SetTimer(nullptr, 0, periodMs, nullptr);
}

}  // namespace

void HookWatch::Start(DWORD periodMs) {
    lastKey_ = GetTickCount();  // a new hook has missed nothing yet
    lastInput_ = LastInput();
    timer_ = SetThreadTimer(periodMs);
}

void HookWatch::Stop() {
    if (timer_)
        KillTimer(nullptr, timer_);
    timer_ = 0;
}

bool HookWatch::InputUnseen() {
    DWORD input = LastInput();
    if (input == lastInput_)
        return false;  // idle since the last look
    lastInput_ = input;
    return static_cast<LONG>(input - lastKey_) > kKeyAftermathMs;
}

// The tick count of the session's last keyboard or mouse input; 0 when it cannot be read.
DWORD HookWatch::LastInput() {
    LASTINPUTINFO info = {};
    info.cbSize = sizeof(info);
    return GetLastInputInfo(&info) ? info.dwTime : 0;
}
