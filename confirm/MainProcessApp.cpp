#include "MainProcessApp.h"

#include "GeneralMsgBox.h"
#include "resource.h"

#include "common/ModulePath.h"

#include <shlwapi.h>
#include <softpub.h>
#include <wintrust.h>

#include <stdio.h>

namespace {
wchar_t const kConfirmMutexName[] = L"Dormnote_Halvard_5199";
char const kQuestion[] = "After clicking OK, the system will enter the Hybrid Sleep mode.";
}  // namespace

CMainProcessApp theApp;

CMainProcessApp::~CMainProcessApp() {
    if (mutex_)
        CloseHandle(mutex_);
    if (signatureThread_)
        CloseHandle(signatureThread_);
}

BOOL CMainProcessApp::InitInstance() {
    // Command-line arguments are accepted and have no effect.
    mutex_ = CreateMutexW(nullptr, FALSE, kConfirmMutexName);
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // Already asking: bring that question forward and leave the answer to it.
        if (HWND running = FindWindowW(L"#32770", kConfirmationTitle)) {
            ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
        }
        if (mutex_)
            CloseHandle(mutex_);
        mutex_ = nullptr;
        return FALSE;
    }

    if (BuildModuleSiblingPath(L"Dormnote.exe", signaturePath_) && PathFileExistsW(signaturePath_))
        signatureThread_ = CreateThread(nullptr, 0, &CMainProcessApp::SignatureCheckThread, this, 0, nullptr);

    char message[MAX_PATH] = {};
    snprintf(message, sizeof(message), "%s", kQuestion);
    {
        CGeneralMsgBox dialog(IDD_CONFIRMATION, nullptr, message);
        mainWindow = &dialog;
        dialog.DoModal();
        mainWindow = nullptr;
        if (mutex_)
            CloseHandle(mutex_);
        mutex_ = nullptr;
        if (signatureThread_)
            CloseHandle(signatureThread_);
        signatureThread_ = nullptr;
    }
    return FALSE;
}

// Checks the Authenticode signature of the program's own file. Nothing waits for the outcome
// and nothing depends on it.
DWORD WINAPI CMainProcessApp::SignatureCheckThread(void* application) {
    auto* self = static_cast<CMainProcessApp*>(application);
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
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    trust.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return fw::RunApplication(instance);
}
