#include "ChangeSignal.h"

#include "Keytap.h"
#include "common/RegistryLayout.h"

bool ChangeSignal::Open() {
    HKEY parent = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kChangeSignalKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY | kRegistryView, nullptr, &parent, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegCreateKeyExW(parent, kKeytapSubKey, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_SET_VALUE | KEY_QUERY_VALUE | kRegistryView, nullptr, &key_, nullptr);
    RegCloseKey(parent);
    if (result != ERROR_SUCCESS) {
        key_ = nullptr;
        return false;
    }
    // Go on from the counter of an earlier run in this session, so the next value is new.
    DWORD size = sizeof(counter_);
    RegQueryValueExW(key_, kKeytapCounterValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&counter_), &size);
    return true;
}

void ChangeSignal::Close() {
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}

bool ChangeSignal::WriteNext() {
    if (!key_ && !Open())
        return false;
    DWORD next = counter_ + 1;
    if (RegSetValueExW(key_, kKeytapCounterValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next),
                       sizeof(next)) != ERROR_SUCCESS)
        return false;
    counter_ = next;
    return true;
}

void ChangeSignal::Raise() {
    // The key may have been deleted since it was opened (a settings reset): open it anew once.
    if (WriteNext())
        return;
    Close();
    WriteNext();
}
