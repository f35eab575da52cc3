// What the hotkey-road tests need beyond the shared harness: keys pressed with SendInput, the
// stand-ins' scratch state, the agent's relay trace, the powercfg stand-in in the system folder
// and the agent's kernel handle count.
#pragma once
#include "helpers/StandIns.h"
#include "support/Harness.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace road {

UINT const WM_HOTKEY_MATCHED = WM_USER + 1;
UINT const WM_CHECK_HOTKEY = WM_USER + 5;
LPARAM const kMarker = 85;
DWORD const kTriggerTimeoutMs = 5000;
DWORD const kQuietMs = 1500;  // how long something that must not happen is waited for

// The built stand-ins and the test build of the power library.
std::wstring ConfirmStandIn();
std::wstring PowercfgStandIn();
std::wstring PowrprofStandIn();
std::wstring SchemeVoltaro();
// The hook library built with faults that the agent's environment switches on.
std::wstring FaultyKeytap();
// The session-notification library that refuses the first registrations.
std::wstring WtsapiStandIn();
// The agent built with a notification area still busy starting (helpers/BusyShell.cpp).
std::wstring BusyShellAgent();
// The bytes of a file from offset on; empty when it cannot be read.
std::string ReadFrom(const std::wstring& path, LONGLONG offset = 0);

// Keys pressed with SendInput; whatever is still down is released at the end.
class HeldKeys {
public:
    HeldKeys() = default;
    ~HeldKeys() { ReleaseAll(); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

    void Down(WORD code);
    void ReleaseAll();

private:
    std::vector<WORD> down_;
};

// The confirmation stand-in's scratch key (HKEY_CURRENT_USER), recreated per test.
namespace standin {
void Reset();
void Remove();
void SetAnswer(DWORD answer);
void ClearAnswer();  // the stand-in then ends without writing Suspend
void SetHoldMs(DWORD milliseconds);
// The stand-in answers only once every key is up.
void AnswerAfterKeysUp();
DWORD Starts();
DWORD Ends();
// A count the stand-ins keep in the scratch key (0 when absent).
DWORD Count(const wchar_t* value);
// Ends the last started stand-in from outside, as a crash or the task manager would. True when it was running.
bool KillLast();
std::wstring StartedPath();
// The PC the power library stand-in plays (StandIns.h), and the suspend calls it has recorded.
void SetPowerCapabilities(const wchar_t* words);
void SetActiveScheme(const wchar_t* scheme);
void SetSuspendError(DWORD error);
// The played plan's hybrid-sleep value; negative: the plan cannot be read.
void SetHybridSleep(int value);
// How the powercfg stand-in fails ("fail", "hang"); null: it works.
void SetPowercfgFault(const wchar_t* fault);
std::vector<std::string> SuspendCalls();
bool WaitForStarts(DWORD count, DWORD timeoutMs = kTriggerTimeoutMs);
}  // namespace standin

// The Wine relay trace of the programs the test starts: the test program runs with its stderr
// in a file (with-trace.sh), and a started program inherits that stderr.
class RelayTrace {
public:
    explicit RelayTrace(const wchar_t* functions);
    ~RelayTrace();
    RelayTrace(const RelayTrace&) = delete;
    RelayTrace& operator=(const RelayTrace&) = delete;

    bool Available() const { return !file_.empty(); }
    // Environment for a program whose calls are to be traced.
    static const wchar_t* Environment() { return L"WINEDEBUG=+pid,+relay"; }
    // Calls of function ("KERNEL32.LocalFree") by process id, traced since construction, as their
    // argument lists ("00000001,00000001").
    std::vector<std::string> Calls(DWORD processId, const char* function) const;
    // The same calls with what each returned, in the order they returned.
    struct Call {
        std::string arguments;
        unsigned long long result;
    };
    std::vector<Call> CallsWithResults(DWORD processId, const char* function) const;
    // The libraries process processId loaded, lower case with their folders, where it ran with
    // Wine's "loaddll" channel on (LoadedEnvironment).
    std::vector<std::string> LoadedLibraries(DWORD processId) const;
    static const wchar_t* LoadedEnvironment() { return L"WINEDEBUG=+pid,+loaddll"; }

private:
    // Calls each line of the trace since construction that process processId wrote.
    template <typename Visit>
    void ForEachLine(DWORD processId, Visit visit) const;

    std::wstring file_;
    LONGLONG start_ = 0;
};

// The agent started from an install folder with up to four extra environment pairs, its calls
// traced, and waited for until its
// registry monitor runs (or, without a hook library, until it is resident).
class RoadAgent {
public:
    bool Start(const e2e::InstallFolder& install, std::initializer_list<const wchar_t*> environment = {});
    HWND Window() const { return window_; }
    e2e::Process& Proc() { return process_; }
    bool Close(DWORD timeoutMs = 10000);
    void Post(UINT message, LPARAM lParam) const { PostMessageW(window_, message, 0, lParam); }

private:
    e2e::Process process_;
    HWND window_ = nullptr;
};

// The powercfg stand-in placed as <system folder>\powercfg.exe for the test's life; an existing
// file there is put back at the end. Each run appends "<path>|<parameters>" to Log().
class PowercfgInSystemFolder {
public:
    PowercfgInSystemFolder();
    ~PowercfgInSystemFolder();
    PowercfgInSystemFolder(const PowercfgInSystemFolder&) = delete;
    PowercfgInSystemFolder& operator=(const PowercfgInSystemFolder&) = delete;

    bool Installed() const { return installed_; }
    const std::wstring& Path() const { return path_; }
    std::wstring LogEnvironment() const { return std::wstring(kPowercfgLogVariable) + L"=" + log_.Path() + L"\\runs.log"; }
    // The recorded runs, one "<path>|<parameters>" each, in the order they were written.
    std::vector<std::wstring> Runs() const;
    bool WaitForRuns(size_t count, DWORD timeoutMs = kTriggerTimeoutMs) const;
    void ClearRuns() const { DeleteFileW((log_ / L"runs.log").c_str()); }

private:
    e2e::TempFolder log_;
    std::wstring path_;
    std::wstring backup_;
    bool installed_ = false;
};

// The suspend calls of a relay trace (BOOLEAN arguments, whose upper register bits are left
// undefined), as "<hibernate>,<force>,<wake events disabled>" of 0 and 1.
char const kSuspendFunction[] = "powrprof.SetSuspendState";
std::vector<std::string> SuspendCallsIn(const std::vector<std::string>& tracedArguments);

using e2e::NativeLibraryFirst;

// Recorded powercfg runs with the two value runs of each preparation (three runs: mains, battery,
// then the activation) in a fixed order: those two run at the same time.
std::vector<std::wstring> InPreparationOrder(std::vector<std::wstring> runs);

// The number of kernel handles a process holds (SystemHandleInformation), or -1.
int KernelHandleCount(DWORD processId);
// True once none of the processes the process started still runs.
bool ChildrenEnded(DWORD processId, DWORD timeoutMs);
// The handle count once what the process started has gone: none of its child processes runs and
// the count has stayed put for a while (the handles of a child and of the thread that waited
// for it are closed a moment after it ends, seconds later on a loaded machine).
int SettledHandleCount(DWORD processId);

// A hidden "#32770" window titled "Korvane Dormello Message", as a waiting confirmation has.
class HiddenConfirmationWindow {
public:
    HiddenConfirmationWindow();
    ~HiddenConfirmationWindow();
    HiddenConfirmationWindow(const HiddenConfirmationWindow&) = delete;
    HiddenConfirmationWindow& operator=(const HiddenConfirmationWindow&) = delete;
    HWND Get() const { return window_; }
    // Shows or hides it (from its own thread's point of view the call is asynchronous).
    void Show(bool visible) const { ShowWindowAsync(window_, visible ? SW_SHOWNA : SW_HIDE); }

private:
    HWND volatile window_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace road
