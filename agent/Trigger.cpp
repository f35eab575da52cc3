// The hotkey trigger: keyboard-hook library, registry-monitor thread, WM_USER+5.
#include "HybridS3Dlg.h"

#include "KeyNames.h"

#include "common/ModulePath.h"
#include "common/PrivateNames.h"
#include "common/RegistryLayout.h"

namespace {

wchar_t const kHookLibraryName[] = L"Keytap.dll";
wchar_t const kChangeEventName[] = L"RegMonitorChange";
DWORD const kChangeFilter = REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET;
wchar_t const kChangeParentPath[] = L"SOFTWARE\\Korvane";
// While the key cannot be watched, how often watching is tried again.
DWORD const kUnwatchedRetryMs = 2000;

// Both keys are read every time. GetAsyncKeyState, not GetKeyState: neither thread that tests
// reads keyboard messages, so GetKeyState would lag behind the keys the user holds.
bool HotkeyHeld() {
    bool first = GetAsyncKeyState(static_cast<int>(Key1)) < 0;
    bool second = GetAsyncKeyState(static_cast<int>(Key2)) < 0;
    return first && second;
}

HKEY OpenNotifyKey(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_NOTIFY | KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// Opens the change-signal key, creating it with KeyPress = 0 when it is missing.
HKEY OpenOrCreateChangeKey() {
    if (HKEY key = OpenNotifyKey(kChangeSignalKeyPath))
        return key;
    std::unique_ptr<DwordRegHelper> keyPress(new DwordRegHelper(kChangeSignalKeyPath, kKeyPressValue, kAgentReadFailure));
    keyPress->root = HKEY_CURRENT_USER;
    keyPress->Write(0);
    keyPress.reset();
    return OpenNotifyKey(kChangeSignalKeyPath);
}

// The change-signal key, watched for changes, and its parent, watched for the key's deletion:
// a registry cleaner may delete the key while the agent runs, and a watch on a deleted key
// never fires again (under Wine the deletion itself is not even reported to it). Each
// notification is one-shot and is armed again only after it fired.
class ChangeWatch {
public:
    ChangeWatch() : parentEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~ChangeWatch() {
        CloseKeys();
        if (parentEvent_)
            CloseHandle(parentEvent_);
    }
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    bool Open() {
        CloseKeys();
        key_ = OpenOrCreateChangeKey();
        parent_ = OpenNotifyKey(kChangeParentPath);
        ArmParent();
        return key_ != nullptr;
    }
    bool ArmKey(HANDLE event) const {
        return key_ && RegNotifyChangeKeyValue(key_, TRUE, kChangeFilter, event, TRUE) == ERROR_SUCCESS;
    }
    // Waits for either notification (or the time-out); true when the key's own one fired.
    bool Wait(HANDLE event, DWORD timeoutMs) const {
        HANDLE events[] = {event, parentEvent_};
        return WaitForMultipleObjects(parentEvent_ ? 2 : 1, events, FALSE, timeoutMs) == WAIT_OBJECT_0;
    }
    // After a wake by the parent or a failed arming: opens the key anew if it is gone (and
    // creates it) and arms again. A few tries, for a cleaner that is still deleting. True
    // when the key's notification is armed.
    bool Repair(HANDLE event, bool armed) {
        bool parentWatched = true;
        if (parentEvent_ && WaitForSingleObject(parentEvent_, 0) == WAIT_OBJECT_0)
            parentWatched = ArmParent();
        if (parentWatched && KeyAlive() && (armed || ArmKey(event)))
            return true;
        for (int attempt = 0; attempt < kRepairAttempts; ++attempt) {
            if (attempt > 0)
                Sleep(kRepairPauseMs);
            if (Open() && ArmKey(event))
                return true;
        }
        return false;
    }

private:
    static int const kRepairAttempts = 3;
    static DWORD const kRepairPauseMs = 50;

    bool KeyAlive() const {
        return key_ && RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    // False when the parent is gone too (it is then opened anew with the key).
    bool ArmParent() {
        if (!parentEvent_ || !parent_)
            return true;  // no parent watch: the key's own (on Windows) must do
        ResetEvent(parentEvent_);
        return RegNotifyChangeKeyValue(parent_, FALSE, REG_NOTIFY_CHANGE_NAME, parentEvent_, TRUE) == ERROR_SUCCESS;
    }
    void CloseKeys() {
        if (key_)
            RegCloseKey(key_);
        if (parent_)
            RegCloseKey(parent_);
        key_ = parent_ = nullptr;
    }

    HKEY key_ = nullptr;
    HKEY parent_ = nullptr;
    HANDLE parentEvent_;
};

}  // namespace

int CHybridS3Dlg::StartKeyMonitor() {
    wchar_t path[MAX_PATH] = {};
    if (!BuildModuleSiblingPath(kHookLibraryName, path) || !hookLibrary_.LoadW(path))
        return 0;
    ktInitialize_ = EntryPoint<KeytapProc>(hookLibrary_, "KT_Initialize");
    ktUninitialize_ = EntryPoint<KeytapProc>(hookLibrary_, "KT_Uninitialize");
    ktRenew_ = EntryPoint<KeytapRenewProc>(hookLibrary_, "KT_Renew");
    if (ktInitialize_)
        ktInitialize_();
    monitorThread_ = CreateThread(nullptr, 0, RegistryMonitorThread, this, 0, nullptr);
    return 1;
}

// Sleeps until something changes under the change-signal key, then tests the hotkey. The
// clean-up ends the loop by clearing the event member.
DWORD WINAPI CHybridS3Dlg::RegistryMonitorThread(void* parameter) {
    CHybridS3Dlg* dialog = static_cast<CHybridS3Dlg*>(parameter);
    // A key that cannot be opened yet is tried again while the loop runs: the monitor never
    // ends by itself.
    ChangeWatch watch;
    bool const opened = watch.Open();
    dialog->changeEvent_ = CreateOwnNamedEvent(kChangeEventName);

    bool armed = opened && watch.ArmKey(dialog->changeEvent_);
    while (dialog->changeEvent_ != INVALID_HANDLE_VALUE && dialog->changeEvent_) {
        HANDLE event = dialog->changeEvent_;
        // No time-out while the watch is armed: an idle agent never wakes.
        if (watch.Wait(event, armed ? INFINITE : kUnwatchedRetryMs)) {
            OutputDebugStringW(L"Get change");
            // Re-armed before the keys are tested: a change made while they are tested (the second
            // key of a hotkey pressed right after the first) wakes the thread again instead of
            // being lost. An extra WM_USER+1 is dropped by the sleep sequence's guard.
            ResetEvent(event);
            armed = watch.ArmKey(event) || watch.Repair(event, false);
        } else {
            // The parent changed (the key may have been deleted and made anew) or watching is
            // retried. Changes made to a new key before it was watched are lost, so the keys
            // are tested all the same.
            armed = watch.Repair(event, armed);
        }
        if (dialog->enableFunction_ == 1 && HotkeyHeld())
            PostMessageW(dialog->hwnd_, WM_APP_HOTKEY_MATCHED, 0, kMessageMarker);
    }
    return 0;
}

LRESULT CHybridS3Dlg::OnCheckHotkey(WPARAM, LPARAM lParam) {
    if (lParam == kMessageMarker && enableFunction_ == 1 && HotkeyHeld())
        PostMessageW(hwnd_, WM_APP_HOTKEY_MATCHED, 0, kMessageMarker);
    return 0;
}
