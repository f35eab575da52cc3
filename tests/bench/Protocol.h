// How the benchmark driver talks to tools/bench_measure.py, which reads every process of the
// prefix from the Linux side: the driver asks for a sample at the edges of what it measures and
// waits for the answer, and reports its own timings as figures.
#pragma once
#include <windows.h>

namespace bench {

// Asks for a sample of all processes (or only the one whose command line holds process) at
// edge "begin" or "end" of figure; divisor divides the end's difference (a per-key figure).
void Sample(const char* figure, const char* edge, const char* process = "-", int divisor = 1);
// Records the resident anonymous memory of the process whose command line holds process.
void Memory(const char* figure, const char* process);
void Figure(const char* name, double value);
// Ends the run: the figure named cannot be measured.
[[noreturn]] void Fail(const char* what);

// Milliseconds since an arbitrary start, to the microsecond.
double NowMs();

// Reads this thread's messages for up to ms milliseconds (woken only by messages).
void PumpMessages(DWORD ms);

// Waits up to timeoutMs for condition, checking it every stepMs while reading this thread's
// messages. True when it held.
template <typename Condition>
bool Poll(Condition condition, DWORD timeoutMs, DWORD stepMs = 2) {
    double start = NowMs();
    for (;;) {
        if (condition())
            return true;
        if (NowMs() - start > timeoutMs)
            return false;
        PumpMessages(stepMs);
    }
}
inline void Pause(DWORD ms) {
    PumpMessages(ms);
}

// Resident agent's wake-ups: its registry monitor's "Get change" debug lines, received by
// attaching as a debugger, counted while debug events are read for durationMs.
int CountWakeUps(HANDLE process, DWORD durationMs);

}  // namespace bench
