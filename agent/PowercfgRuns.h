// The powercfg runs of one preparation. The preparation decides them; they are started later by
// whoever releases them: at start-up at once, before a question once the question is up, so that
// process start-ups never share the processor with the question the user waits for.
// Handed from the user-interface thread to the sleep thread by Take before that thread runs.
#pragma once
#include <windows.h>

// How a batch of runs went. Only a batch whose every run started and ended with 0 counts as
// having stored what it was to store: a run that failed, hung or was missing did not.
enum class PowercfgOutcome { None, Pending, Succeeded, Failed };

class PowercfgRuns {
public:
    static int const kMaxRuns = 3;

    PowercfgRuns() = default;
    ~PowercfgRuns() { Close(); }
    PowercfgRuns(const PowercfgRuns&) = delete;
    PowercfgRuns& operator=(const PowercfgRuns&) = delete;

    // Keeps a run of program with its full command line; false when there is no room for it.
    bool Plan(const wchar_t* program, const wchar_t* commandLine);
    // Moves the planned runs out of other into this (which must hold none).
    void Take(PowercfgRuns& other);
    // Starts the planned runs on a thread of their own, each hidden and below normal priority;
    // the last one starts once the others have ended: the scheme is activated again only once
    // its values are stored.
    void Start();
    // Starts the planned runs and keeps no handle: nothing will wait for them.
    void StartDetached() {
        Start();
        Close();
    }
    // Waits, at most limitMs, until the started runs have ended.
    void WaitForEnd(DWORD limitMs) const;
    // How the runs this object started went: None when it started none.
    PowercfgOutcome Outcome() const;
    // How the last of this process's batches to end went (None before any has ended).
    static PowercfgOutcome LastEnded();
    // Forgets what was planned and lets go of what was started.
    void Close();
    // From now on no run of the process starts; returns once a start under way has finished.
    static void StopStarting();

private:
    struct Run {
        wchar_t program[MAX_PATH];
        wchar_t commandLine[2 * MAX_PATH];
    };
    struct Batch {
        Run runs[kMaxRuns];
        int count;
    };
    static DWORD WINAPI RunInOrder(void* batch);
    void ForgetStarted();
    // The started process, or null when it could not start.
    static HANDLE StartOne(const Run& run);

    Run runs_[kMaxRuns] = {};
    int planned_ = 0;
    HANDLE thread_ = nullptr;  // the thread running the started batch; its exit code is the outcome
    bool startedUnwatched_ = false;  // started without a thread: nothing knows how they went
};
