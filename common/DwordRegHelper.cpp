#include "DwordRegHelper.h"

#include "RegistryLayout.h"

#include <wchar.h>

namespace {

// The registry calls the values need, taken from kernel32 where it exports them (Windows 7 and
// later, and Wine): every process has it loaded, so a program whose start only reads and writes
// its values never loads advapi32, which is linked to load at its first call. Under Wine that
// library brings two more with it, a tenth of the whole start of a question that is not asked.
// Vista keeps the calls in advapi32 alone.
struct RegistryCalls {
    decltype(&RegOpenKeyExW) openKey;
    decltype(&RegCreateKeyExW) createKey;
    decltype(&RegQueryValueExW) queryValue;
    decltype(&RegSetValueExW) setValue;
    decltype(&RegCloseKey) closeKey;
};

template <typename Call>
Call FromKernel32(HMODULE kernel32, const char* name, Call advapi32Call) {
    FARPROC call = GetProcAddress(kernel32, name);
    return call ? reinterpret_cast<Call>(reinterpret_cast<void (*)()>(call)) : advapi32Call;
}

const RegistryCalls& Registry() {
    static RegistryCalls const calls = [] {
        HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
        return RegistryCalls{FromKernel32(kernel32, "RegOpenKeyExW", &RegOpenKeyExW),
                             FromKernel32(kernel32, "RegCreateKeyExW", &RegCreateKeyExW),
                             FromKernel32(kernel32, "RegQueryValueExW", &RegQueryValueExW),
                             FromKernel32(kernel32, "RegSetValueExW", &RegSetValueExW),
                             FromKernel32(kernel32, "RegCloseKey", &RegCloseKey)};
    }();
    return calls;
}

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
    const RegistryCalls& registry = Registry();
    HKEY key = nullptr;
    if (registry.openKey(root, keyPath, 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS &&
        registry.openKey(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS)
        return readFailure_;

    // The type is not examined: any data of up to 4 bytes is taken as it is.
    // Read into a scratch word so that a short value cannot leave stale bytes behind.
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG result = registry.queryValue(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    registry.closeKey(key);
    if (result != ERROR_SUCCESS)
        return readFailure_;
    value = data;
    return value;
}

bool DwordRegHelper::Write(const DWORD& newValue) {
    value = newValue;
    const RegistryCalls& registry = Registry();
    HKEY key = nullptr;
    if (registry.createKey(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | kRegistryView, nullptr,
                           &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = registry.setValue(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    registry.closeKey(key);
    return result == ERROR_SUCCESS;
}
