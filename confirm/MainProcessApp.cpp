#include "MainProcessApp.h"

#include "ConfirmationRules.h"
#include "GeneralMsgBox.h"
#include "resource.h"

#include "common/ModulePath.h"
#include "common/PrivateNames.h"
#include "common/RegistryLayout.h"
#include "common/SleepKind.h"

#include <shlwapi.h>
#include <softpub.h>
#include <wintrust.h>

#include <stdio.h>

namespace {
wchar_t const kConfirmMutexName[] = L"Dormnote_Halvard_5199";
UINT const kSignatureCheckDelayMs = 500;
}  // namespace

CMainProcessApp theApp;

CMainProcessApp::~CMainProcessApp() {
    if (signatureThread_)
        CloseHandle(signatureThread_);
}

BOOL CMainProcessApp::InitInstance() {
    HWND running = nullptr;
    if (!instance_.Take(kConfirmMutexName, L"#32770", kConfirmationTitle, &running)) {
        // Already asking: bring that question forward and leave the answer to it.
        if (running) {
            ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
        }
        return FALSE;
    }

    // The agent says what the PC will do; started by hand, or with anything else, the question
    // says only what it can be sure of. Every other argument is ignored.
    SleepKind const kind = SleepKindFromCommandLine(GetCommandLineW());
    // Asked not to ask: the answer is "sleep", given before anything else is loaded or made (the
    // questions that say sleep will not be hybrid, or that there is none, are always asked).
    DwordRegHelper showMessageBox(kShowMessageBoxValue, kConfirmReadFailure);
    if (ShouldSkipQuestion(showMessageBox.Read(), QuestionAlwaysShown(kind))) {
        WriteSuspendAnswer(1);
        instance_.Release();
        return FALSE;
    }

    // A timer message comes only when no input and no paint is pending, that is once the first
    // show has been painted: then the question is up.
    SetTimer(nullptr, 0, 0, &CMainProcessApp::OnQuestionSettled);
    if (!BuildModuleSiblingPath(L"Dormnote.exe", signaturePath_) || !PathFileExistsW(signaturePath_))
        signaturePath_[0] = L'\0';

    char message[MAX_PATH] = {};
    snprintf(message, sizeof(message), "%s", QuestionForSleepKind(kind));
    {
        CGeneralMsgBox dialog(IDD_CONFIRMATION, nullptr, message, kind == SleepKind::None);
        mainWindow = &dialog;
        dialog.DoModal();
        mainWindow = nullptr;
        instance_.Release();
        if (signatureThread_)
            CloseHandle(signatureThread_);
        signatureThread_ = nullptr;
    }
    return FALSE;
}

void CALLBACK CMainProcessApp::OnQuestionSettled(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    // The agent that started this question waits for it before its powercfg runs go on.
    if (HANDLE agentWaits = OpenEventW(EVENT_MODIFY_STATE, FALSE, kQuestionShownEventName)) {
        SetEvent(agentWaits);
        CloseHandle(agentWaits);
    }
    // The signature check starts a moment later: nothing waits for it, and the first moments of
    // the question (the desktop composing it, a quick key) must not share the processor with it.
    if (theApp.signaturePath_[0])
        SetTimer(nullptr, 0, kSignatureCheckDelayMs, &CMainProcessApp::OnSignatureCheckDue);
}

void CALLBACK CMainProcessApp::OnSignatureCheckDue(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!theApp.signatureThread_)
        theApp.signatureThread_ = CreateThread(nullptr, 0, &CMainProcessApp::SignatureCheckThread, &theApp, 0, nullptr);
}

// Checks the Authenticode signature of the program's own file, once the question is up.
// Nothing waits for the outcome and nothing depends on it. The trust library (and the
// cryptography it pulls in) is loaded here, not imported.
DWORD WINAPI CMainProcessApp::SignatureCheckThread(void* application) {
    auto* self = static_cast<CMainProcessApp*>(application);
    // By its full path in the system folder: a bare name would also find a "wintrust.dll" put
    // beside this elevated program.
    wchar_t trustPath[MAX_PATH] = {};
    if (!BuildSystemPath(L"wintrust.dll", trustPath))
        return 0;
    HMODULE trustLibrary = LoadLibraryW(trustPath);
    using WinVerifyTrustProc = LONG(WINAPI*)(HWND, GUID*, void*);
    auto verify = trustLibrary ? reinterpret_cast<WinVerifyTrustProc>(reinterpret_cast<void (*)()>(
                                     GetProcAddress(trustLibrary, "WinVerifyTrust")))
                               : nullptr;
    if (!verify)
        return 0;  // the library stays loaded: the process end unloads it
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = self->signaturePath_;
    WINTRUST_DATA trust = {};
    trust.cbStruct = sizeof(trust);
    trust.dwUIChoice = WTD_UI_NONE;
    trust.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &file;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    trust.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return fw::RunApplication(instance);
}
