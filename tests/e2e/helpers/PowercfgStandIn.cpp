// Stands in for the system's powercfg: appends "<own path>|<parameters>" as one line to the file
// named by ROAD_POWERCFG_LOG, and ends.
#include "StandIns.h"

namespace {

// The command line after the program name (quoted or not) and the blanks that follow it.
const wchar_t* Parameters(const wchar_t* commandLine) {
    const wchar_t* at = commandLine;
    if (*at == L'"') {
        ++at;
        while (*at && *at != L'"')
            ++at;
        if (*at)
            ++at;
    } else {
        while (*at && *at != L' ' && *at != L'\t')
            ++at;
    }
    while (*at == L' ' || *at == L'\t')
        ++at;
    return at;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kPowercfgLogVariable, logPath, MAX_PATH))
        return 1;
    wchar_t line[2 * MAX_PATH + 4] = {};
    GetModuleFileNameW(nullptr, line, MAX_PATH);
    lstrcatW(line, L"|");
    lstrcpynW(line + lstrlenW(line), Parameters(GetCommandLineW()), MAX_PATH);
    lstrcatW(line, L"\n");

    char utf8[4 * ARRAYSIZE(line)] = {};
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), nullptr, nullptr) - 1;
    // Two runs may end at the same moment: retry while the other holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log == INVALID_HANDLE_VALUE) {
            Sleep(10);
            continue;
        }
        DWORD written = 0;
        WriteFile(log, utf8, static_cast<DWORD>(bytes), &written, nullptr);
        CloseHandle(log);
        return 0;
    }
    return 2;
}
