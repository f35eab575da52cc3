// Stands in for Dormnote.exe: records that it was started (and from where), waits as long as
// the test asks, writes the answer the test named into Suspend (none when it names none), and ends.
#include "StandIns.h"

#include "common/RegistryLayout.h"

namespace {

DWORD ReadScratch(HKEY key, const wchar_t* name, DWORD fallback) {
    DWORD value = fallback;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return fallback;
    return value;
}

void WriteSuspend(DWORD answer) {
    HKEY settings;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE | kRegistryView, nullptr,
                        &settings, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(settings, kSuspendValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer), sizeof(answer));
    RegCloseKey(settings);
}

bool AnyKeyHeld() {
    for (int key = VK_BACK; key <= VK_OEM_CLEAR; ++key)
        if (GetAsyncKeyState(key) < 0)
            return true;
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    HKEY scratch;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKeyPath, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &scratch, nullptr) != ERROR_SUCCESS)
        return 1;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    RegSetValueExW(scratch, kStartedPathValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                   static_cast<DWORD>((lstrlenW(path) + 1) * sizeof(wchar_t)));
    DWORD pid = GetCurrentProcessId();
    RegSetValueExW(scratch, kPidValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pid), sizeof(pid));
    DWORD starts = ReadScratch(scratch, kStartsValue, 0) + 1;
    RegSetValueExW(scratch, kStartsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&starts), sizeof(starts));

    Sleep(ReadScratch(scratch, kHoldMsValue, 0));
    if (ReadScratch(scratch, kAfterKeysUpValue, 0) == 1)
        for (DWORD start = GetTickCount(); AnyKeyHeld() && GetTickCount() - start < 5000;)
            Sleep(10);
    DWORD const kNoAnswer = 0xFFFFFFFF;
    DWORD answer = ReadScratch(scratch, kAnswerValue, kNoAnswer);
    if (answer != kNoAnswer)
        WriteSuspend(answer);
    DWORD ends = ReadScratch(scratch, kEndsValue, 0) + 1;
    RegSetValueExW(scratch, kEndsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ends), sizeof(ends));
    RegCloseKey(scratch);
    return 0;
}
