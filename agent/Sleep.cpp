// From a matched hotkey to the suspended machine.
#include "HybridS3Dlg.h"
#include "HybridSetting.h"

#include "common/LanguageBinding.h"
#include "common/ModulePath.h"
#include "common/RegistryLayout.h"

#include <powrprof.h>
#include <shlwapi.h>

#include <string>

namespace {

wchar_t const kConfirmationName[] = L"Dormnote.exe";
wchar_t const kConfirmationInImages[] = L"Images\\Dormnote.exe";
wchar_t const kConfirmationTitle[] = L"Korvane Dormello Message";
DWORD const kNoAnswer = 0;
// The powercfg runs start once the question waits for input, or after this at the latest.
DWORD const kQuestionUpLimitMs = 2000;
// How long a yes waits for the preparation to be stored before the machine sleeps.
DWORD const kPreparationLimitMs = 5000;
// How long a question asked to close may take before the agent ends it by force.
DWORD const kQuestionCloseLimitMs = 2000;
wchar_t const kFailureCaption[] = L"Korvane Dormello";
wchar_t const kFailureSentence[] = L"The PC could not be put to sleep.";
// A yes to hybrid sleep that is no longer on: application-defined (bit 29), never a system error.
DWORD const kHybridSleepNotOn = 0x20000001;
wchar_t const kHybridNotOnSentence[] =
    L"The PC was not put to sleep: hybrid sleep is not on, and a power cut would lose the open work. Press the "
    L"hotkey again to see what the PC can do.";

BOOL CALLBACK CloseWindowOfProcess(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Closes the question as its Cancel does (nothing is answered, so nothing sleeps), and ends it
// by force when it has not gone within the bound.
void EndQuestion(HANDLE process) {
    EnumWindows(CloseWindowOfProcess, static_cast<LPARAM>(GetProcessId(process)));
    if (WaitForSingleObject(process, kQuestionCloseLimitMs) != WAIT_OBJECT_0)
        TerminateProcess(process, ERROR_CANCELLED);
}

// Lets the agent's window end the question: it gets a copy of the process handle of its own.
void ShareQuestion(HANDLE process, HANDLE volatile* shared) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        InterlockedExchangePointer(const_cast<HANDLE*>(shared), copy);
}

// The copy, if the window has not taken it, goes with the question.
void UnshareQuestion(HANDLE volatile* shared) {
    if (HANDLE copy = InterlockedExchangePointer(const_cast<HANDLE*>(shared), nullptr))
        CloseHandle(copy);
}

// Whoever takes the shared copy first ends the question with it.
void EndSharedQuestion(HANDLE volatile* shared) {
    if (HANDLE question = InterlockedExchangePointer(const_cast<HANDLE*>(shared), nullptr)) {
        EndQuestion(question);
        CloseHandle(question);
    }
}

// Starts the confirmation program, telling it what the PC will do; the process is not valid
// when it could not start.
void StartQuestion(const wchar_t* path, SleepKind kind, fw::KernelHandle& process, fw::KernelHandle& shown) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = path;
    info.lpParameters = SleepKindArgument(kind);
    info.lpDirectory = L"";
    info.nShow = SW_SHOWNORMAL;
    // Not WaitForInputIdle: under Wine every call leaks a handle, and the agent is resident.
    shown.Reset(CreateEventW(nullptr, TRUE, FALSE, kQuestionShownEventName));
    if (shown.IsValid())
        ResetEvent(shown.Get());  // an event someone else kept open may still be set
    ShellExecuteExW(&info);
    process.Reset(info.hProcess);  // a resident agent must not keep one per hotkey
}

// Waits until the question has ended. The powercfg runs start once it is up; one that ended
// first (a question not asked) leaves them to the caller, whose answer is then read before their
// process starts compete.
void AwaitQuestion(HANDLE process, HANDLE shown, PowercfgRuns& runs) {
    HANDLE up[] = {process, shown};
    if (WaitForMultipleObjects(shown ? 2 : 1, up, FALSE, kQuestionUpLimitMs) != WAIT_OBJECT_0)
        runs.Start();
    WaitForSingleObject(process, INFINITE);
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

// ERROR_SUCCESS when the process now holds the shutdown privilege, else why not.
DWORD EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return GetLastError();
    TOKEN_PRIVILEGES privileges = {};
    LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    // ERROR_NOT_ALL_ASSIGNED when the process does not hold the privilege at all. Read before
    // closing the token, so the close cannot touch it.
    DWORD error = GetLastError();
    CloseHandle(token);
    return error;
}

// Suspends or hibernates the machine as the question said; ERROR_SUCCESS once it has woken
// again, else why it did not go. The powercfg runs of a question answered at once may not have
// stored hybrid sleep yet: they are waited for, and a promise of hybrid sleep is checked again.
// A plain sleep where hybrid sleep was promised would lose the work on a power cut, the very
// thing the user chose it against: then the PC stays awake and the user is told.
DWORD PutToSleep(SleepKind kind, const PowercfgRuns& runs) {
    DWORD error = EnableShutdownPrivilege();
    if (error != ERROR_SUCCESS)
        return error;
    runs.WaitForEnd(kPreparationLimitMs);
    if (kind == SleepKind::Hybrid && DecideHybridSetting(ReadHybridReadings(), runs.Outcome()) != HybridSetting::On)
        return kHybridSleepNotOn;
    SetLastError(ERROR_SUCCESS);
    if (SetSuspendState(kind == SleepKind::Hibernate, TRUE, FALSE))
        return ERROR_SUCCESS;
    error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// The system's own words for an error, without the line break it ends with; empty when it has none.
std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD const flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (!FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) || !text)
        return {};
    std::wstring result(text);
    LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    return result;
}

BOOL CALLBACK CloseFailureMessage(HWND window, LPARAM agentWindow) {
    wchar_t title[32] = {};
    if (window != reinterpret_cast<HWND>(agentWindow) && GetWindowTextW(window, title, ARRAYSIZE(title)) &&
        lstrcmpW(title, kFailureCaption) == 0)
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

LRESULT CHybridS3Dlg::OnSleepFailed(WPARAM error, LPARAM lParam) {
    // One message at a time: a second failure while the first is up adds nothing to it.
    if (lParam != kMessageMarker || failureShown_)
        return 0;
    std::wstring text;
    if (error == kHybridSleepNotOn) {
        text = TranslateTextW(kHybridNotOnSentence);
    } else {
        std::wstring reason = SystemErrorText(static_cast<DWORD>(error));
        if (reason.empty())
            reason = std::to_wstring(static_cast<unsigned long>(error));
        text = std::wstring(TranslateTextW(kFailureSentence)) + L"\n\n" + reason;
    }
    failureShown_ = true;
    // Owned by no window: the agent's own stays usable (and hidden) while this is up.
    MessageBoxW(nullptr, text.c_str(), kFailureCaption, MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
    failureShown_ = false;
    return 0;
}

// The agent ends: the question it asked goes first, as a "no".
void CHybridS3Dlg::CloseQuestion() {
    ending_ = true;
    EndSharedQuestion(&question_);
}

// The agent cannot end while the message runs its own loop: the message goes first.
void CHybridS3Dlg::CloseSleepFailure() {
    if (failureShown_)
        EnumThreadWindows(GetCurrentThreadId(), CloseFailureMessage, reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CHybridS3Dlg::OnHotkeyMatched(WPARAM, LPARAM lParam) {
    // A running sequence is the only guard against a second one.
    if (lParam != kMessageMarker || sleepThread_)
        return 0;
    HWND waiting = FindWindowW(kDialogClass, kConfirmationTitle);
    if (waiting && !::IsWindowVisible(waiting)) {
        SetForegroundWindow(waiting);
        return 0;
    }

    // Nothing tells a program when hibernation is switched on or off: read what the PC offers now.
    sleepKind_ = ReadSleepKind();
    PreparePowerSchemes();
    promisedKind_ = PromiseFor(sleepKind_);
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
    if (!thread) {
        powercfgRuns_.StartDetached();
        return 0;
    }
    // The question starts here, while the new thread is still to run: a thread takes longer to
    // start than a question that is not asked takes to answer. An answer that cannot be cleared
    // could be a stale 1: then nothing is asked and nothing sleeps, but the preparation still runs.
    // Nor is anything asked of an agent that is ending.
    StartedQuestion& question = startedQuestion_;
    question.asked = ClearAnswer();
    if (question.asked && !ending_) {
        StartQuestion(confirmationPath_, promisedKind_, question.process, question.shown);
        if (question.process.IsValid())
            ShareQuestion(question.process.Get(), &question_);
        if (ending_)
            EndSharedQuestion(&question_);  // the agent was told to end while the question started
    }
    ResumeThread(thread);
    return 0;
}

DWORD WINAPI CHybridS3Dlg::SleepThread(void* parameter) {
    CHybridS3Dlg* dialog = static_cast<CHybridS3Dlg*>(parameter);
    PowercfgRuns runs;  // started here, whatever happens, and closed with the thread
    runs.Take(dialog->powercfgRuns_);
    StartedQuestion question = std::move(dialog->startedQuestion_);
    SleepKind const kind = dialog->promisedKind_;
    DWORD failure = ERROR_SUCCESS;
    if (!question.asked) {
        runs.Start();
    } else {
        if (question.process.IsValid()) {
            AwaitQuestion(question.process.Get(), question.shown.Get(), runs);
            UnshareQuestion(&dialog->question_);
        }
        DWORD const answer = TakeAnswer();  // a question that did not start left the cleared 0
        runs.Start();  // where the question did not leave them running
        // Where the PC offers nothing the question only informs: no answer sleeps it. Nor
        // does one given while the agent ends.
        if (answer == 1 && kind != SleepKind::None && !dialog->ending_)
            failure = PutToSleep(kind, runs);
    }
    HWND agent = dialog->hwnd_;

    // Take the handle before closing it: the clean-up may be taking it at the same moment.
    if (HANDLE self = InterlockedExchangePointer(const_cast<HANDLE*>(&dialog->sleepThread_), nullptr))
        CloseHandle(self);
    // Told once the sequence has ended, so the next hotkey is accepted while the message is up.
    if (failure != ERROR_SUCCESS)
        PostMessageW(agent, WM_APP_SLEEP_FAILED, failure, kMessageMarker);
    return 0;
}
