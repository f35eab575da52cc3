// The hotkey trigger: keyboard-hook library, registry-monitor thread, WM_USER+5.
#include "HybridS3Dlg.h"

int CHybridS3Dlg::StartKeyMonitor() {
    return 0;  // built with the hotkey road
}

DWORD WINAPI CHybridS3Dlg::RegistryMonitorThread(void*) {
    return 0;
}

LRESULT CHybridS3Dlg::OnCheckHotkey(WPARAM, LPARAM) {
    return 0;
}
