#include "KvEMRunHelperApp.h"

#include "HybridS3Dlg.h"

#include <commctrl.h>

namespace {
wchar_t const kAgentMutexName[] = L"Dormkey.exe_28943447_5199_Halvard";
}

CKvEMRunHelperApp theApp;

BOOL CKvEMRunHelperApp::InitInstance() {
    // The mutex handle is never closed: it marks the running agent for the life of the process.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kAgentMutexName);
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // Another agent runs: ask it to show its settings window, unless that is already visible.
        HWND running = FindAgentWindow();
        if (running && !IsWindowVisible(running))
            SendMessageW(running, WM_APP_SHOW_SETTINGS, 0, kMessageMarker);
        if (mutex)
            CloseHandle(mutex);
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    fw::Application::InitInstance();

    CHybridS3Dlg dialog;
    mainWindow = &dialog;
    dialog.DoModal();
    mainWindow = nullptr;
    return FALSE;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return fw::RunApplication(instance);
}
