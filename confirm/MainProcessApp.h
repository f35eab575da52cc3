#pragma once
#include "common/PrivateNames.h"
#include "framework/Application.h"

#include <windows.h>

// The confirmation program: one instance at a time, its whole life the modal confirmation dialog.
class CMainProcessApp : public fw::Application {
public:
    ~CMainProcessApp() override;
    BOOL InitInstance() override;

private:
    static DWORD WINAPI SignatureCheckThread(void* application);
    static void CALLBACK OnQuestionSettled(HWND, UINT, UINT_PTR timer, DWORD);
    static void CALLBACK OnSignatureCheckDue(HWND, UINT, UINT_PTR timer, DWORD);

    InstanceName instance_;  // one question at a time
    wchar_t signaturePath_[MAX_PATH] = {};
    HANDLE signatureThread_ = nullptr;  // started a moment after the question is up
};
