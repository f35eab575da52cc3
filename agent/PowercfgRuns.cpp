#include "PowercfgRuns.h"

namespace {
// A powercfg that hangs must not hold the ones after it for ever.
DWORD const kRunLimitMs = 10000;
// Process starts are over before the agent ends: a process whose creator ends while it is being
// started can be left half made, holding whatever it inherited (seen under Wine).
SRWLOCK g_starting = SRWLOCK_INIT;
bool g_startsStopped = false;
// The outcome of the batch that ended last, as a PowercfgOutcome.
LONG volatile g_lastEnded = static_cast<LONG>(PowercfgOutcome::None);
// A batch thread's exit code.
DWORD const kBatchSucceeded = 0;
DWORD const kBatchFailed = 1;

// Waits, at most waitMs, for the process to end; true when it ended with 0. Closes it.
bool EndedWithZero(HANDLE process, DWORD waitMs) {
    WaitForSingleObject(process, waitMs);
    DWORD code = STILL_ACTIVE;
    bool const zero = GetExitCodeProcess(process, &code) && code == 0;
    CloseHandle(process);
    return zero;
}
}  // namespace

PowercfgOutcome PowercfgRuns::LastEnded() {
    return static_cast<PowercfgOutcome>(InterlockedCompareExchange(&g_lastEnded, 0, 0));
}

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
// once they have ended. Ends with kBatchSucceeded only when every run started and ended with 0.
DWORD WINAPI PowercfgRuns::RunInOrder(void* parameter) {
    Batch* batch = static_cast<Batch*>(parameter);
    HANDLE running[kMaxRuns] = {};
    DWORD count = 0;
    bool succeeded = batch->count > 0;
    for (int i = 0; i + 1 < batch->count; ++i) {
        running[count] = StartOne(batch->runs[i]);
        succeeded = succeeded && running[count];
        count += running[count] ? 1 : 0;
    }
    if (count)
        WaitForMultipleObjects(count, running, TRUE, kRunLimitMs);
    for (DWORD i = 0; i < count; ++i)
        succeeded = EndedWithZero(running[i], 0) && succeeded;
    if (batch->count > 0) {
        HANDLE last = StartOne(batch->runs[batch->count - 1]);
        succeeded = last && EndedWithZero(last, kRunLimitMs) && succeeded;
    }
    delete batch;
    PowercfgOutcome const outcome = succeeded ? PowercfgOutcome::Succeeded : PowercfgOutcome::Failed;
    InterlockedExchange(&g_lastEnded, static_cast<LONG>(outcome));
    return succeeded ? kBatchSucceeded : kBatchFailed;
}

void PowercfgRuns::Start() {
    if (!planned_)
        return;
    ForgetStarted();
    Batch* batch = new Batch;
    for (int i = 0; i < planned_; ++i)
        batch->runs[i] = runs_[i];
    batch->count = planned_;
    planned_ = 0;
    thread_ = CreateThread(nullptr, 0, RunInOrder, batch, 0, nullptr);
    if (thread_)
        return;
    // Without a thread of their own the runs still start, unordered, and nothing waits for them.
    startedUnwatched_ = true;
    InterlockedExchange(&g_lastEnded, static_cast<LONG>(PowercfgOutcome::Failed));
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

PowercfgOutcome PowercfgRuns::Outcome() const {
    if (startedUnwatched_)
        return PowercfgOutcome::Failed;
    DWORD code = STILL_ACTIVE;
    if (!thread_ || !GetExitCodeThread(thread_, &code))
        return thread_ ? PowercfgOutcome::Failed : PowercfgOutcome::None;
    if (code == STILL_ACTIVE)
        return PowercfgOutcome::Pending;
    return code == kBatchSucceeded ? PowercfgOutcome::Succeeded : PowercfgOutcome::Failed;
}

void PowercfgRuns::Close() {
    planned_ = 0;
    ForgetStarted();
}

void PowercfgRuns::ForgetStarted() {
    startedUnwatched_ = false;
    if (thread_)
        CloseHandle(thread_);
    thread_ = nullptr;
}
