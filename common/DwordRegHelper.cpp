#include "DwordRegHelper.h"

#include "RegistryLayout.h"

#include <wchar.h>

namespace {
void CopyBounded(wchar_t* destination, size_t capacity, const wchar_t* source) {
    if (!source)
        source = L"";
    wcsncpy(destination, source, capacity - 1);
    destination[capacity - 1] = L'\0';
}
}  // namespace

DwordRegHelper::DwordRegHelper(const wchar_t* path, const wchar_t* name, DWORD readFailure)
    : readFailure_(readFailure) {
    CopyBounded(keyPath, ARRAYSIZE(keyPath), path);
    CopyBounded(valueName, ARRAYSIZE(valueName), name);
}

DwordRegHelper::DwordRegHelper(const wchar_t* name, DWORD readFailure)
    : DwordRegHelper(kSettingsKeyPath, name, readFailure) {}

DWORD DwordRegHelper::Read() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS)
        return readFailure_;

    // The type is not examined: any data of up to 4 bytes is taken as it is.
    // Read into a scratch word so that a short value cannot leave stale bytes behind.
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG result = RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return readFailure_;
    value = data;
    return value;
}

bool DwordRegHelper::Write(const DWORD& newValue) {
    value = newValue;
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | kRegistryView, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
