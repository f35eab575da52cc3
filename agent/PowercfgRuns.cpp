#include "PowercfgRuns.h"

bool PowercfgRuns::Plan(const wchar_t* program, const wchar_t* commandLine) {
    if (planned_ == kMaxRuns)
        return false;
    Run& run = runs_[planned_++];
    lstrcpynW(run.program, program, ARRAYSIZE(run.program));
    lstrcpynW(run.commandLine, commandLine, ARRAYSIZE(run.commandLine));
    return true;
}

void PowercfgRuns::Take(PowercfgRuns& other) {
    Close();
    for (int i = 0; i < other.planned_; ++i)
        runs_[i] = other.runs_[i];
    planned_ = other.planned_;
    other.planned_ = 0;
}

void PowercfgRuns::Start() {
    for (int i = 0; i < planned_; ++i) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION process = {};
        DWORD const flags = CREATE_NO_WINDOW | BELOW_NORMAL_PRIORITY_CLASS;
        // CreateProcessW may write into the command line: it gets a copy.
        wchar_t line[ARRAYSIZE(runs_[i].commandLine)];
        lstrcpynW(line, runs_[i].commandLine, ARRAYSIZE(line));
        if (!CreateProcessW(runs_[i].program, line, nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                            &process))
            continue;
        CloseHandle(process.hThread);
        processes_[i] = process.hProcess;
    }
    planned_ = 0;
}

void PowercfgRuns::WaitForEnd(DWORD limitMs) const {
    HANDLE running[kMaxRuns] = {};
    DWORD count = 0;
    for (HANDLE process : processes_) {
        if (process)
            running[count++] = process;
    }
    if (count)
        WaitForMultipleObjects(count, running, TRUE, limitMs);
}

void PowercfgRuns::Close() {
    planned_ = 0;
    for (HANDLE& process : processes_) {
        if (process)
            CloseHandle(process);
        process = nullptr;
    }
}
