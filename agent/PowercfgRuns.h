// The two powercfg runs of one preparation. The preparation decides them; they are started
// later by whoever releases them: at start-up at once, before a question once the question is up,
// so that two process start-ups never share the processor with the question the user waits for.
// Handed from the user-interface thread to the sleep thread by Take before that thread runs.
#pragma once
#include <windows.h>

class PowercfgRuns {
public:
    static int const kMaxRuns = 2;

    PowercfgRuns() = default;
    ~PowercfgRuns() { Close(); }
    PowercfgRuns(const PowercfgRuns&) = delete;
    PowercfgRuns& operator=(const PowercfgRuns&) = delete;

    // Keeps a run of program with its full command line; false when there is no room for it.
    bool Plan(const wchar_t* program, const wchar_t* commandLine);
    // Moves the planned runs out of other into this (which must hold none).
    void Take(PowercfgRuns& other);
    // Starts every planned run, hidden and below normal priority, without waiting for it.
    void Start();
    // Starts every planned run and keeps no handle: nothing will wait for them.
    void StartDetached() {
        Start();
        Close();
    }
    // Waits, at most limitMs, until every started run has ended.
    void WaitForEnd(DWORD limitMs) const;
    // Forgets what was planned and closes the handles of what was started.
    void Close();

private:
    struct Run {
        wchar_t program[MAX_PATH];
        wchar_t commandLine[2 * MAX_PATH];
    };
    Run runs_[kMaxRuns] = {};
    int planned_ = 0;
    HANDLE processes_[kMaxRuns] = {};
};
