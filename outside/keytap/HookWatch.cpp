#include "HookWatch.h"

namespace {

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

// The session's last input may be the time an event was applied, after the hooks returned
// (Wine's is): the hook's event, when it comes this soon after the hook ran. A low-level hook
// holds an event up for a second at most before the system passes it on (Windows 10 1709 on).
LONG const kHookToInputMs = 1000;

}  // namespace

// The stamp is the event's own: equal stamps are the same input whatever the sender put in it.
// The tick is when the hook ran: input up to then, and the event it ran for, came while the
// hook was in place (a sender's stamp in the past may hide that sender's own input; a person's
// typing is stamped when received). A stamp never orders anything: a sender's stamp far in the
// future would hide all input until the clock reached it.
bool IsInputUnseen(DWORD lastInput, DWORD previousInput, HookSighting seen) {
    if (lastInput == previousInput)
        return false;  // idle since the last look
    if (lastInput == seen.stamp)
        return false;
    return static_cast<LONG>(lastInput - seen.tick) > kHookToInputMs;  // tick counts wrap: the difference orders them
}

void HookWatch::Start(DWORD periodMs) {
    DWORD const now = GetTickCount();
    seen_ = {now, now};  // a new hook has missed nothing yet
    lastInput_ = LastInput();
    timer_ = SetThreadTimer(periodMs);
}

void HookWatch::Stop() {
    if (timer_)
        KillTimer(nullptr, timer_);
    timer_ = 0;
}

bool HookWatch::InputUnseen() {
    DWORD const previous = lastInput_;
    lastInput_ = LastInput();
    return IsInputUnseen(lastInput_, previous, seen_);
}

// The tick count of the session's last keyboard or mouse input; 0 when it cannot be read.
DWORD HookWatch::LastInput() {
    LASTINPUTINFO info = {};
    info.cbSize = sizeof(info);
    return GetLastInputInfo(&info) ? info.dwTime : 0;
}
