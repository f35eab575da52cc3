// From a matched hotkey to the suspended machine.
#include "HybridS3Dlg.h"

LRESULT CHybridS3Dlg::OnHotkeyMatched(WPARAM, LPARAM) {
    return 0;  // built with the hotkey road
}

DWORD WINAPI CHybridS3Dlg::SleepThread(void*) {
    return 0;
}
