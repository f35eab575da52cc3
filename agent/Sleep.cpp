// From a matched hotkey to the suspended machine.
#include "HybridS3Dlg.h"

#include "common/ModulePath.h"
#include "common/RegistryLayout.h"

#include <shlwapi.h>

namespace {

wchar_t const kConfirmationName[] = L"Dormnote.exe";
wchar_t const kConfirmationInImages[] = L"Images\\Dormnote.exe";
wchar_t const kConfirmationTitle[] = L"Korvane Dormello Message";
DWORD const kNoAnswer = 0;
// The powercfg runs start once the question waits for input, or after this at the latest.
DWORD const kQuestionUpLimitMs = 2000;
// How long a yes waits for the preparation to be stored before the machine sleeps.
DWORD const kPreparationLimitMs = 5000;

// Runs the confirmation program and waits until it has ended. The powercfg runs start once it
// is up (or has ended, or could not start).
void RunConfirmation(const wchar_t* path, PowercfgRuns& runs) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = path;
    info.lpParameters = L"";
    info.lpDirectory = L"";
    info.nShow = SW_SHOWNORMAL;
    // Not WaitForInputIdle: under Wine every call leaks a handle, and the agent is resident.
    fw::KernelHandle shown(CreateEventW(nullptr, TRUE, FALSE, kQuestionShownEventName));
    if (shown.IsValid())
        ResetEvent(shown.Get());  // an event someone else kept open may still be set
    ShellExecuteExW(&info);
    if (info.hProcess) {
        HANDLE up[] = {info.hProcess, shown.Get()};
        WaitForMultipleObjects(shown.IsValid() ? 2 : 1, up, FALSE, kQuestionUpLimitMs);
    }
    runs.Start();
    if (!info.hProcess)
        return;  // not started: the cleared answer stays 0
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);  // a resident agent must not keep one per hotkey
}

// Only an answer given in this sequence may put the machine to sleep: Suspend is cleared before
// the question, so a question closed, killed or never started leaves 0 behind, and a stale 1
// from an earlier, interrupted sequence is gone. False when it could not be cleared.
bool ClearAnswer() {
    std::unique_ptr<DwordRegHelper> suspend(new DwordRegHelper(kSettingsKeyPath, kSuspendValue, kNoAnswer));
    return suspend->Write(0);
}

// The answer the confirmation program left, reset to 0 for the next time. A value that cannot
// be read is no answer: only an explicit 1 means sleep.
DWORD TakeAnswer() {
    std::unique_ptr<DwordRegHelper> suspend(new DwordRegHelper(kSettingsKeyPath, kSuspendValue, kNoAnswer));
    DWORD answer = suspend->Read();
    suspend->Write(0);
    return answer;
}

// True when the process now holds the shutdown privilege.
bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // ERROR_NOT_ALL_ASSIGNED when the process does not hold the privilege at all. Read before
    // closing the token, so the close cannot touch it.
    DWORD error = GetLastError();
    CloseHandle(token);
    return error == ERROR_SUCCESS;
}

}  // namespace

LRESULT CHybridS3Dlg::OnHotkeyMatched(WPARAM, LPARAM lParam) {
    // A running sequence is the only guard against a second one.
    if (lParam != kMessageMarker || sleepThread_)
        return 0;
    HWND waiting = FindWindowW(kDialogClass, kConfirmationTitle);
    if (waiting && !::IsWindowVisible(waiting)) {
        SetForegroundWindow(waiting);
        return 0;
    }

    PreparePowerSchemes();
    if (!BuildModuleSiblingPath(kConfirmationName, confirmationPath_) || !PathFileExistsW(confirmationPath_))
        BuildModuleSiblingPath(kConfirmationInImages, confirmationPath_);
    if (!PathFileExistsW(confirmationPath_)) {
        powercfgRuns_.StartDetached();  // nothing to ask: the preparation still runs
        return 0;
    }
    // Kept before the thread runs: a thread that ended before the handle was stored would
    // otherwise leave a stale handle behind that blocks every later hotkey.
    HANDLE thread = CreateThread(nullptr, 0, SleepThread, this, CREATE_SUSPENDED, nullptr);
    sleepThread_ = thread;
    if (thread) {
        ResumeThread(thread);
    } else {
        powercfgRuns_.StartDetached();
    }
    return 0;
}

DWORD WINAPI CHybridS3Dlg::SleepThread(void* parameter) {
    CHybridS3Dlg* dialog = static_cast<CHybridS3Dlg*>(parameter);
    PowercfgRuns runs;  // started here, whatever happens, and closed with the thread
    runs.Take(dialog->powercfgRuns_);
    // An answer that cannot be cleared could be a stale 1: then nothing is asked and nothing
    // sleeps, but the preparation still runs.
    if (!ClearAnswer()) {
        runs.Start();
    } else {
        RunConfirmation(dialog->confirmationPath_, runs);
        if (TakeAnswer() == 1 && EnableShutdownPrivilege()) {
            // A question skipped at once ("do not show") can answer before powercfg has stored
            // hybrid sleep; sleeping then would be an ordinary suspend.
            runs.WaitForEnd(kPreparationLimitMs);
            SetSystemPowerState(TRUE, TRUE);
        }
    }

    // Take the handle before closing it: the clean-up may be taking it at the same moment.
    if (HANDLE self = InterlockedExchangePointer(const_cast<HANDLE*>(&dialog->sleepThread_), nullptr))
        CloseHandle(self);
    return 0;
}
