// Where the question's start-up time goes: Dormnote started directly as a debuggee, its phases
// read from the debug events and from its window as seen from outside:
//   DLL loading      CreateProcess -> the loader's breakpoint (every imported DLL loaded)
//   dialog creation  -> the dialog's title set (its window and controls exist, WM_INITDIALOG runs)
//   initialisation   -> the dialog visible (skins, layout, shadow)
//   show             -> the program idle, waiting for input (painted)
#include "Protocol.h"

#include "confirm/resource.h"
#include "support/Harness.h"

#include <vector>

namespace {

wchar_t const kQuestionTitle[] = L"Korvane Dormello Message";

struct Phases {
    double loaded = 0, titled = 0, visible = 0, idle = 0;
    int dllsAtEntry = 0, dllsLater = 0;
};

// The top-level "#32770" window of the process, or null.
HWND DialogOf(DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

// Reads one debug event (up to 1 ms) and lets the debuggee go on.
void PumpDebugEvent(Phases& phases, double start) {
    DEBUG_EVENT event = {};
    if (!WaitForDebugEvent(&event, 1))
        return;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
    case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile)
            CloseHandle(event.u.LoadDll.hFile);
        ++(phases.loaded ? phases.dllsLater : phases.dllsAtEntry);
        break;
    case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT && !phases.loaded)
            phases.loaded = bench::NowMs() - start;
        else if (event.u.Exception.dwFirstChance)
            status = DBG_EXCEPTION_NOT_HANDLED;
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
}

bool MeasureOnce(const std::wstring& exe, Phases& phases) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    double start = bench::NowMs();
    if (!CreateProcessW(exe.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        nullptr, &startup, &info))
        return false;
    DebugSetProcessKillOnExit(TRUE);
    HWND dialog = nullptr;
    bool done = bench::Poll(
        [&] {
            PumpDebugEvent(phases, start);
            double now = bench::NowMs() - start;
            if (!dialog)
                dialog = DialogOf(info.dwProcessId);
            if (dialog && !phases.titled && e2e::TextOf(dialog) == kQuestionTitle)
                phases.titled = now;
            if (phases.titled && !phases.visible && IsWindowVisible(dialog))
                phases.visible = now;
            if (phases.visible && WaitForInputIdle(info.hProcess, 0) == 0)
                phases.idle = now;
            return phases.idle != 0;
        },
        15000, 0);
    if (dialog)
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIRM_CANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CONFIRM_CANCEL)));
    // Events must keep flowing until the debuggee has ended.
    Phases ignored;
    ignored.loaded = 1;
    bench::Poll(
        [&] {
            PumpDebugEvent(ignored, start);
            return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        },
        15000, 0);
    DebugActiveProcessStop(info.dwProcessId);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return done && phases.loaded > 0;
}

}  // namespace

void StartupPhases(int runs) {
    e2e::InstallFolder install;
    for (int i = 0; i < runs; ++i) {
        Phases phases;
        if (!MeasureOnce(install / L"Dormnote.exe", phases))
            bench::Fail("start-up phases of the question");
        bench::Figure("phase.dlls", phases.loaded);
        bench::Figure("phase.dialog", phases.titled - phases.loaded);
        bench::Figure("phase.init", phases.visible - phases.titled);
        bench::Figure("phase.show", phases.idle - phases.visible);
        bench::Figure("phase.dllcount", phases.dllsAtEntry);
        bench::Figure("phase.dllslater", phases.dllsLater);
        bench::Pause(500);
    }
}
