// Stands in for the system's schtasks: appends its parameters as one line to the file named by
// DORMELLO_SCHTASKS_LOG, copies the task XML it was handed to "<that file>.xml", then runs
// Wine's own schtasks (kept in the system folder as schtasks-wine.exe) with the same parameters
// and ends with its exit code. Wine keeps only part of a registered task, so the tests read
// what the setup handed over here.
#include "StandIns.h"

#include <shellapi.h>

#include <string>

namespace {

void Record(const wchar_t* parameters) {
    wchar_t logPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kSchtasksLogVariable, logPath, MAX_PATH))
        return;
    AppendUtf8(logPath, (std::wstring(parameters) + L"\n").c_str());
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments)
        return;
    for (int i = 1; i + 1 < count; ++i)
        if (lstrcmpiW(arguments[i], L"/XML") == 0)
            CopyFileW(arguments[i + 1], (std::wstring(logPath) + L".xml").c_str(), FALSE);
    LocalFree(arguments);
}

DWORD RunOriginal(const wchar_t* parameters) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    std::wstring exe = std::wstring(folder) + L"\\" + kSchtasksOriginal;
    std::wstring commandLine = L"\"" + exe + L"\" " + parameters;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

}  // namespace

int wmain() {
    const wchar_t* parameters = Parameters(GetCommandLineW());
    Record(parameters);
    return static_cast<int>(RunOriginal(parameters));
}
