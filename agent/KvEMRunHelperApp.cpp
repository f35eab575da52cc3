#include "KvEMRunHelperApp.h"

#include "HybridS3Dlg.h"

#include <commctrl.h>

namespace {
wchar_t const kAgentMutexName[] = L"Dormkey.exe_28943447_5199_Halvard";
UINT const kShowRequestTimeoutMs = 5000;  // a hung agent must not hang this start too
}  // namespace

CKvEMRunHelperApp theApp;

BOOL CKvEMRunHelperApp::InitInstance() {
    HWND running = nullptr;
    if (!instance_.Take(kAgentMutexName, kAgentWindowClass, kAgentWindowTitle, &running)) {
        // Another agent runs: ask it to show its settings window, unless that is already visible.
        DWORD_PTR answer = 0;
        if (running && !IsWindowVisible(running))
            SendMessageTimeoutW(running, WM_APP_SHOW_SETTINGS, 0, kMessageMarker, SMTO_ABORTIFHUNG,
                                kShowRequestTimeoutMs, &answer);
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
