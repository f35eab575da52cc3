// The faults of the tests' build, switched on by the environment of the loading process:
//   KEYTAP_FAULT_MISS_RELEASES=1        the hook never sees a key go up
//   KEYTAP_FAULT_DROP_HOOK_AFTER=N      the hook is removed after the N-th fresh key-down
//   KEYTAP_FAULT_FAILING_RENEWALS=N     the first N renewals cannot put the hook in
//   KEYTAP_FAULT_WATCH_MS=N             the hook thread looks for input its hook missed every N ms
#include "Faults.h"

#include <stdlib.h>

namespace {

bool g_loaded = false;
bool g_missReleases = false;
LONG g_keyDownsBeforeDrop = 0;  // 0: never
LONG g_failingRenewals = 0;
LONG g_watchPeriodMs = 0;  // 0: the shipped period

LONG ReadSwitch(const wchar_t* name) {
    wchar_t value[16] = {};
    if (!GetEnvironmentVariableW(name, value, ARRAYSIZE(value)))
        return 0;
    return wcstol(value, nullptr, 10);
}

}  // namespace

namespace keytap_faults {

void Load() {
    if (g_loaded)
        return;  // counted down across renewals
    g_loaded = true;
    g_missReleases = ReadSwitch(L"KEYTAP_FAULT_MISS_RELEASES") == 1;
    g_keyDownsBeforeDrop = ReadSwitch(L"KEYTAP_FAULT_DROP_HOOK_AFTER");
    g_failingRenewals = ReadSwitch(L"KEYTAP_FAULT_FAILING_RENEWALS");
    g_watchPeriodMs = ReadSwitch(L"KEYTAP_FAULT_WATCH_MS");
}

bool MissReleases() { return g_missReleases; }

bool DropHookAfterKeyDown() {
    return g_keyDownsBeforeDrop > 0 && InterlockedDecrement(&g_keyDownsBeforeDrop) == 0;
}

bool FailRenewal() {
    if (g_failingRenewals <= 0)
        return false;
    --g_failingRenewals;
    return true;
}

DWORD WatchPeriodMs(DWORD shipped) {
    return g_watchPeriodMs > 0 ? static_cast<DWORD>(g_watchPeriodMs) : shipped;
}

}  // namespace keytap_faults
