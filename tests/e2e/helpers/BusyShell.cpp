// The agent's way to the notification area in the tests' build of the agent (in place of
// agent/NotifyIcon.cpp): a shell still busy starting, as at sign-in. The agent's environment says
// how busy:
//   TRAY_FAULT_REFUSED_ADDS=N   the first N icon adds fail without reaching the shell
//   TRAY_FAULT_LATE_ADDS=N      the first N icon adds reach the shell but report a time-out
// Every other call goes to the shell as it is.
#include "agent/NotifyIcon.h"

#include <stdlib.h>

namespace {

LONG ReadCount(const wchar_t* name) {
    wchar_t value[16] = {};
    if (!GetEnvironmentVariableW(name, value, ARRAYSIZE(value)))
        return 0;
    return wcstol(value, nullptr, 10);
}

// Counts a fault down; true while it lasts.
bool Take(LONG* count) {
    if (*count <= 0)
        return false;
    --*count;
    return true;
}

}  // namespace

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    static LONG refusedAdds = ReadCount(L"TRAY_FAULT_REFUSED_ADDS");
    static LONG lateAdds = ReadCount(L"TRAY_FAULT_LATE_ADDS");
    if (message != NIM_ADD)
        return Shell_NotifyIconW(message, data);
    if (Take(&refusedAdds)) {
        SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    BOOL added = Shell_NotifyIconW(message, data);
    if (Take(&lateAdds)) {
        SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    return added;
}
