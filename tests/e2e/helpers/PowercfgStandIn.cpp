// Stands in for the system's powercfg: appends "<own path>|<parameters>" as one line to the file
// named by ROAD_POWERCFG_LOG, and ends. Optionally (see StandIns.h) it notes whether the question
// was on screen when it started, and takes a while before it writes its line and ends. As the
// real one, a run that switches hybrid sleep on stores it in the plan the powrprof stand-in
// plays, unless the test makes it fail or hang.
#include "StandIns.h"

#include <stdlib.h>

namespace {

// How this run is to fail: "fail", "hang", or empty when it works.
void ReadFault(wchar_t (&fault)[16]) {
    DWORD size = sizeof(fault) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, kPowercfgFaultValue, RRF_RT_REG_SZ, nullptr, fault, &size))
        fault[0] = L'\0';
}

// Stores hybrid sleep on where the played plan can be read at all.
void StoreHybridSleep(const wchar_t* parameters) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!wcsstr(parameters, L"HYBRIDSLEEP 1") ||
        RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, kHybridSleepValue, RRF_RT_REG_DWORD, nullptr, &value, &size))
        return;
    value = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kHybridSleepValue, REG_DWORD, &value, sizeof(value));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kPowercfgLogVariable, logPath, MAX_PATH))
        return 1;
    wchar_t value[MAX_PATH] = {};
    if (GetEnvironmentVariableW(kPowercfgQuestionLogVariable, value, MAX_PATH)) {
        HWND question = FindWindowW(L"#32770", L"Korvane Dormello Message");
        AppendUtf8(value, question && IsWindowVisible(question) ? L"shown\n" : L"absent\n");
    }
    if (GetEnvironmentVariableW(kPowercfgHoldVariable, value, MAX_PATH))
        Sleep(static_cast<DWORD>(_wtoi(value)));
    wchar_t fault[16] = {};
    ReadFault(fault);
    if (!lstrcmpW(fault, L"hang"))
        Sleep(kPowercfgHangMs);
    wchar_t line[2 * MAX_PATH + 4] = {};
    GetModuleFileNameW(nullptr, line, MAX_PATH);
    lstrcatW(line, L"|");
    lstrcpynW(line + lstrlenW(line), Parameters(GetCommandLineW()), MAX_PATH);
    lstrcatW(line, L"\n");
    if (!fault[0])
        StoreHybridSleep(Parameters(GetCommandLineW()));
    if (!AppendUtf8(logPath, line))
        return 2;
    return fault[0] ? 1 : 0;
}
