// Stands in for the system's powercfg: appends "<own path>|<parameters>" as one line to the file
// named by ROAD_POWERCFG_LOG, and ends.
#include "StandIns.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kPowercfgLogVariable, logPath, MAX_PATH))
        return 1;
    wchar_t line[2 * MAX_PATH + 4] = {};
    GetModuleFileNameW(nullptr, line, MAX_PATH);
    lstrcatW(line, L"|");
    lstrcpynW(line + lstrlenW(line), Parameters(GetCommandLineW()), MAX_PATH);
    lstrcatW(line, L"\n");

    return AppendUtf8(logPath, line) ? 0 : 2;
}
