// The hotkey trigger: keyboard-hook library, registry-monitor thread, WM_USER+5.
#include "HybridS3Dlg.h"

#include "KeyNames.h"

#include "common/ModulePath.h"
#include "common/RegistryLayout.h"

namespace {

wchar_t const kHookLibraryName[] = L"Keytap.dll";
wchar_t const kChangeEventName[] = L"RegMonitorChange";
DWORD const kChangeFilter = REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET;

// Both keys are read every time. GetAsyncKeyState, not GetKeyState: neither thread that tests
// reads keyboard messages, so GetKeyState would lag behind the keys the user holds.
bool HotkeyHeld() {
    bool first = GetAsyncKeyState(static_cast<int>(Key1)) < 0;
    bool second = GetAsyncKeyState(static_cast<int>(Key2)) < 0;
    return first && second;
}

HKEY OpenChangeKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kChangeSignalKeyPath, 0, KEY_NOTIFY | kRegistryView, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// Opens the change-signal key, creating it with KeyPress = 0 when it is missing.
HKEY OpenOrCreateChangeKey() {
    if (HKEY key = OpenChangeKey())
        return key;
    std::unique_ptr<DwordRegHelper> keyPress(new DwordRegHelper(kChangeSignalKeyPath, kKeyPressValue, kAgentReadFailure));
    keyPress->root = HKEY_CURRENT_USER;
    keyPress->Write(0);
    keyPress.reset();
    return OpenChangeKey();
}

}  // namespace

int CHybridS3Dlg::StartKeyMonitor() {
    wchar_t path[MAX_PATH] = {};
    if (!BuildModuleSiblingPath(kHookLibraryName, path) || !hookLibrary_.LoadW(path))
        return 0;
    ktInitialize_ = EntryPoint<KeytapProc>(hookLibrary_, "KT_Initialize");
    ktUninitialize_ = EntryPoint<KeytapProc>(hookLibrary_, "KT_Uninitialize");
    if (ktInitialize_)
        ktInitialize_();
    monitorThread_ = CreateThread(nullptr, 0, RegistryMonitorThread, this, 0, nullptr);
    return 1;
}

// Sleeps until something changes under the change-signal key, then tests the hotkey. The
// clean-up ends the loop by clearing the event member.
DWORD WINAPI CHybridS3Dlg::RegistryMonitorThread(void* parameter) {
    CHybridS3Dlg* dialog = static_cast<CHybridS3Dlg*>(parameter);
    HKEY key = OpenOrCreateChangeKey();
    if (!key)
        return 0;
    dialog->changeEvent_ = CreateEventW(nullptr, TRUE, FALSE, kChangeEventName);

    RegNotifyChangeKeyValue(key, TRUE, kChangeFilter, dialog->changeEvent_, TRUE);
    while (dialog->changeEvent_ != INVALID_HANDLE_VALUE && dialog->changeEvent_) {
        WaitForSingleObject(dialog->changeEvent_, INFINITE);
        OutputDebugStringW(L"Get change");
        // Re-armed before the keys are tested: a change made while they are tested (the second
        // key of a hotkey pressed right after the first) wakes the thread again instead of
        // being lost. An extra WM_USER+1 is dropped by the sleep sequence's guard.
        ResetEvent(dialog->changeEvent_);
        RegNotifyChangeKeyValue(key, TRUE, kChangeFilter, dialog->changeEvent_, TRUE);
        if (dialog->enableFunction_ == 1 && HotkeyHeld())
            PostMessageW(dialog->hwnd_, WM_APP_HOTKEY_MATCHED, 0, kMessageMarker);
    }
    RegCloseKey(key);
    return 0;
}

LRESULT CHybridS3Dlg::OnCheckHotkey(WPARAM, LPARAM lParam) {
    if (lParam == kMessageMarker && enableFunction_ == 1 && HotkeyHeld())
        PostMessageW(hwnd_, WM_APP_HOTKEY_MATCHED, 0, kMessageMarker);
    return 0;
}
