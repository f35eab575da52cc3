// Binds one REG_DWORD value (root key, key path, value name) and reads or writes it.
// Objects are made on the heap and deleted through the virtual destructor.
#pragma once
#include <windows.h>

// What a failed read returns: the agent takes 1 (which its callers turn into defaults),
// the confirmation program 0.
DWORD const kAgentReadFailure = 1;
DWORD const kConfirmReadFailure = 0;

class DwordRegHelper {
public:
    // Root HKEY_LOCAL_MACHINE; key path and value name copied (bounded to their fields).
    DwordRegHelper(const wchar_t* keyPath, const wchar_t* valueName, DWORD readFailure);
    // The confirmation program's form: a value under the settings key.
    DwordRegHelper(const wchar_t* valueName, DWORD readFailure);
    virtual ~DwordRegHelper() = default;

    // The stored value, or the read-failure result when the key or value cannot be read.
    // Falls back to HKEY_LOCAL_MACHINE when the key cannot be opened under the root.
    DWORD Read();
    // Sets the held value first (so it changes even when the registry write fails), then
    // stores it, creating missing keys. True when the registry holds it.
    bool Write(const DWORD& newValue);

    HKEY root = HKEY_LOCAL_MACHINE;
    wchar_t keyPath[512] = {};
    wchar_t valueName[128] = {};
    DWORD value = 0;

private:
    DWORD readFailure_;
};
