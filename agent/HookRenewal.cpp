// The keyboard hook put in again after a resume or an unlock. Key releases made while the
// machine slept, or while the secure desktop had the input, never reached the hook, which then
// takes the next press of those keys for an auto-repeat; and the system may have removed a hook
// that was slow to answer under load, without telling anyone. A burst of notifications leads
// to one renewal, made once they have been quiet for a moment. Between such notifications the
// hook library itself puts back a hook that the system removed (outside/keytap/HookWatch.h).
#include "HybridS3Dlg.h"

#include <wtsapi32.h>

namespace {

UINT_PTR const kRenewalTimerId = 0x4B52;
UINT_PTR const kRegistrationTimerId = 0x4B53;
UINT const kBurstQuietMs = 250;  // a burst has ended when no notification came for this long
UINT const kRetryMs = 1000;
int const kRenewalAttempts = 5;  // a renewal that fails is tried this often in all
UINT const kRegistrationRetryMs = 2000;
int const kRegistrationAttempts = 60;  // two minutes of a sign-in

// The notifications after which keys may have gone up unseen or the hook may be gone.
bool EndsAnAbsence(UINT message, WPARAM event) {
    if (message == WM_POWERBROADCAST)
        return event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND;
    return event == WTS_SESSION_UNLOCK || event == WTS_CONSOLE_CONNECT || event == WTS_REMOTE_CONNECT;
}

}  // namespace

// WM_WTSSESSION_CHANGE comes only to a registered window; WM_POWERBROADCAST to every top-level
// one. Started at sign-in, the agent may ask before the session services run, and is refused:
// it asks again for a while.
void CHybridS3Dlg::ListenForSessionChanges() {
    sessionNotifications_ = WTSRegisterSessionNotification(hwnd_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (!sessionNotifications_ && ++registrationAttempts_ < kRegistrationAttempts)
        SetTimer(hwnd_, kRegistrationTimerId, kRegistrationRetryMs, nullptr);
}

bool CHybridS3Dlg::OnHookRenewalMessage(UINT message, WPARAM wParam, LRESULT* result) {
    switch (message) {
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
        if (!EndsAnAbsence(message, wParam))
            return false;
        // Each notification of a burst puts the renewal off again, with a fresh count of attempts.
        renewalAttempts_ = 0;
        SetTimer(hwnd_, kRenewalTimerId, kBurstQuietMs, nullptr);
        *result = TRUE;
        return true;
    case WM_TIMER:
        if (wParam != kRenewalTimerId && wParam != kRegistrationTimerId)
            return false;
        KillTimer(hwnd_, wParam);
        if (wParam == kRenewalTimerId)
            RenewHook();
        else
            ListenForSessionChanges();
        *result = 0;
        return true;
    case WM_DESTROY:
        // The registration must end before the window does; the dialog's own handling follows.
        KillTimer(hwnd_, kRenewalTimerId);
        KillTimer(hwnd_, kRegistrationTimerId);
        if (sessionNotifications_)
            WTSUnRegisterSessionNotification(hwnd_);
        sessionNotifications_ = false;
        return false;
    }
    return false;
}

// The library stops its hook before it starts the new one, so the keyboard is never hooked
// twice; when the new one cannot be put in, it is tried again a few times.
void CHybridS3Dlg::RenewHook() {
    if (!ktRenew_) {
        // A library without the renewal entry point: stopping and starting it does the same,
        // without telling whether the hook is in.
        if (ktUninitialize_ && ktInitialize_) {
            ktUninitialize_();
            ktInitialize_();
        }
        return;
    }
    if (ktRenew_())
        return;
    if (++renewalAttempts_ < kRenewalAttempts)
        SetTimer(hwnd_, kRenewalTimerId, kRetryMs, nullptr);
}
