// Stands in for the system's powercfg: appends "<own path>|<parameters>" as one line to the file
// named by ROAD_POWERCFG_LOG, and ends. Optionally (see StandIns.h) it notes whether the question
// was on screen when it started, and takes a while before it writes its line and ends.
#include "StandIns.h"

#include <stdlib.h>

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
    wchar_t line[2 * MAX_PATH + 4] = {};
    GetModuleFileNameW(nullptr, line, MAX_PATH);
    lstrcatW(line, L"|");
    lstrcpynW(line + lstrlenW(line), Parameters(GetCommandLineW()), MAX_PATH);
    lstrcatW(line, L"\n");

    return AppendUtf8(logPath, line) ? 0 : 2;
}
