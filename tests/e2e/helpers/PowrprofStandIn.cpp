// Stands in for the system's power library (powrprof.dll) in a test copy of the programs, where
// WINEDLLOVERRIDES="powrprof=n,b" makes Wine load it instead of its own. It plays a PC whose
// power capabilities, active scheme and suspend result the test sets in the stand-ins' scratch
// key (StandIns.h), and records every suspend call there. It exports everything the programs
// and the power library import from powrprof.
#include "StandIns.h"

#include "common/SleepKind.h"

#include <objbase.h>

#include <string>

#include <wchar.h>

namespace {

std::wstring ReadText(const wchar_t* name, bool* present = nullptr) {
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    bool found = RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, name, RRF_RT_REG_SZ, nullptr, text, &size) ==
                 ERROR_SUCCESS;
    if (present)
        *present = found;
    return text;
}

DWORD ReadNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

bool HasWord(const std::wstring& words, const wchar_t* word) {
    std::wstring padded = L" " + words + L" ";
    return padded.find(std::wstring(L" ") + word + L" ") != std::wstring::npos;
}

}  // namespace

extern "C" __declspec(dllexport) BOOLEAN WINAPI GetPwrCapabilities(SYSTEM_POWER_CAPABILITIES* capabilities) {
    bool set = false;
    std::wstring words = ReadText(kPowerCapabilitiesValue, &set);
    if (!set)
        words = L"s1 s4 hiberfile";  // what Wine 8 reports
    if (HasWord(words, L"fail") || !capabilities) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    ZeroMemory(capabilities, sizeof(*capabilities));
    capabilities->SystemS1 = HasWord(words, L"s1");
    capabilities->SystemS2 = HasWord(words, L"s2");
    capabilities->SystemS3 = HasWord(words, L"s3");
    capabilities->SystemS4 = HasWord(words, L"s4");
    capabilities->HiberFilePresent = HasWord(words, L"hiberfile");
    BYTE* raw = reinterpret_cast<BYTE*>(capabilities);
    raw[kAoAcOffset] = HasWord(words, L"aoac");
    raw[kHiberFileTypeOffset] = HasWord(words, L"reduced") ? 1 : HasWord(words, L"full") ? 2 : 0;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force,
                                                                BOOLEAN wakeupEventsDisabled) {
    wchar_t call[16] = {};
    _snwprintf(call, ARRAYSIZE(call) - 1, L"%d,%d,%d\n", hibernate ? 1 : 0, force ? 1 : 0, wakeupEventsDisabled ? 1 : 0);
    std::wstring calls = ReadText(kSuspendCallsValue) + call;
    RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kSuspendCallsValue, REG_SZ, calls.c_str(),
                    static_cast<DWORD>((calls.size() + 1) * sizeof(wchar_t)));
    if (DWORD error = ReadNumber(kSuspendErrorValue)) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

// As Wine's own without a scheme set: not implemented, no GUID handed out.
extern "C" __declspec(dllexport) DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** scheme) {
    bool set = false;
    std::wstring text = ReadText(kActiveSchemeValue, &set);
    GUID parsed = {};
    if (!set || !scheme || CLSIDFromString(text.c_str(), &parsed) != NOERROR)
        return ERROR_CALL_NOT_IMPLEMENTED;
    *scheme = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    if (!*scheme)
        return ERROR_NOT_ENOUGH_MEMORY;
    **scheme = parsed;
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) DWORD WINAPI PowerSetActiveScheme(HKEY, const GUID*) {
    return ERROR_SUCCESS;
}

// The plan's hybrid-sleep value on mains and on battery alike; as Wine's own where none is set.
DWORD ReadHybridSleep(const GUID* setting, DWORD* index) {
    GUID hybridSleep = {};
    CLSIDFromString(L"{94ac6d29-73ce-41a6-809f-6363ba21b47e}", &hybridSleep);
    DWORD size = sizeof(*index);
    if (!setting || !index || !IsEqualGUID(*setting, hybridSleep) ||
        RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, kHybridSleepValue, RRF_RT_REG_DWORD, nullptr, index, &size))
        return ERROR_CALL_NOT_IMPLEMENTED;
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID*, const GUID*,
                                                                    const GUID* setting, DWORD* index) {
    return ReadHybridSleep(setting, index);
}

extern "C" __declspec(dllexport) DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID*, const GUID*,
                                                                    const GUID* setting, DWORD* index) {
    return ReadHybridSleep(setting, index);
}
