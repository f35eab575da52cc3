#include "PowercfgRuns.h"

namespace {
// A powercfg that hangs must not hold the ones after it for ever.
DWORD const kRunLimitMs = 10000;
// Process starts are over before the agent ends: a process whose creator ends while it is being
// started can be left half made, holding whatever it inherited (seen under Wine).
SRWLOCK g_starting = SRWLOCK_INIT;
bool g_startsStopped = false;
}  // namespace

void PowercfgRuns::StopStarting() {
    AcquireSRWLockExclusive(&g_starting);
    g_startsStopped = true;
    ReleaseSRWLockExclusive(&g_starting);
}

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

HANDLE PowercfgRuns::StartOne(const Run& run) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    DWORD const flags = CREATE_NO_WINDOW | BELOW_NORMAL_PRIORITY_CLASS;
    // CreateProcessW may write into the command line: it gets a copy.
    wchar_t line[ARRAYSIZE(run.commandLine)];
    lstrcpynW(line, run.commandLine, ARRAYSIZE(line));
    // A powercfg that is missing or fails is skipped: the runs after it still go.
    AcquireSRWLockExclusive(&g_starting);
    bool const started = !g_startsStopped && CreateProcessW(run.program, line, nullptr, nullptr, FALSE, flags,
                                                             nullptr, nullptr, &startup, &process);
    ReleaseSRWLockExclusive(&g_starting);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Owns the batch it is given. Every run but the last goes at once; the last (the activation)
// once they have ended.
DWORD WINAPI PowercfgRuns::RunInOrder(void* parameter) {
    Batch* batch = static_cast<Batch*>(parameter);
    HANDLE running[kMaxRuns] = {};
    DWORD count = 0;
    for (int i = 0; i + 1 < batch->count; ++i) {
        if (HANDLE process = StartOne(batch->runs[i]))
            running[count++] = process;
    }
    if (count)
        WaitForMultipleObjects(count, running, TRUE, kRunLimitMs);
    for (DWORD i = 0; i < count; ++i)
        CloseHandle(running[i]);
    if (batch->count > 0) {
        if (HANDLE last = StartOne(batch->runs[batch->count - 1])) {
            WaitForSingleObject(last, kRunLimitMs);
            CloseHandle(last);
        }
    }
    delete batch;
    return 0;
}

void PowercfgRuns::Start() {
    if (!planned_)
        return;
    if (thread_) {
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    Batch* batch = new Batch;
    for (int i = 0; i < planned_; ++i)
        batch->runs[i] = runs_[i];
    batch->count = planned_;
    planned_ = 0;
    thread_ = CreateThread(nullptr, 0, RunInOrder, batch, 0, nullptr);
    if (thread_)
        return;
    // Without a thread of their own the runs still start, unordered, and nothing waits for them.
    for (int i = 0; i < batch->count; ++i) {
        if (HANDLE process = StartOne(batch->runs[i]))
            CloseHandle(process);
    }
    delete batch;
}

void PowercfgRuns::WaitForEnd(DWORD limitMs) const {
    if (thread_)
        WaitForSingleObject(thread_, limitMs);
}

void PowercfgRuns::Close() {
    planned_ = 0;
    if (thread_)
        CloseHandle(thread_);
    thread_ = nullptr;
}
