// A "wtsapi32.dll" put beside the agent (and preferred to Wine's own for it): refuses
// the first WTS_STANDIN_REFUSALS registrations for session notifications, as Windows does
// while its session services are still starting at sign-in, and counts the calls in the
// stand-ins' scratch key.
#include "StandIns.h"

#include <stdlib.h>

namespace {

LONG g_refusals = -1;  // -1: not read yet

void Count(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    DWORD count = 0;
    DWORD size = sizeof(count);
    RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size);
    ++count;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
    RegCloseKey(key);
}

}  // namespace

extern "C" BOOL WINAPI WTSRegisterSessionNotification(HWND, DWORD) {
    if (g_refusals < 0) {
        wchar_t value[16] = {};
        GetEnvironmentVariableW(L"WTS_STANDIN_REFUSALS", value, ARRAYSIZE(value));
        g_refusals = wcstol(value, nullptr, 10);
    }
    Count(kWtsRegistrationsValue);
    if (g_refusals == 0)
        return TRUE;
    --g_refusals;
    SetLastError(RPC_S_INVALID_BINDING);
    return FALSE;
}

extern "C" BOOL WINAPI WTSUnRegisterSessionNotification(HWND) {
    Count(kWtsUnregistrationsValue);
    return TRUE;
}
