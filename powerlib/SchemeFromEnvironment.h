// Test build only: the active scheme comes from the environment, so the agent's scheme choice
// can be driven on a system whose power calls report no scheme. Never shipped.
//   VOLTARO_TEST_SCHEME = "{GUID}"    success, a LocalAlloc'ed copy of that GUID
//                       = "null"      success, the pointer left untouched
//                       = "error:N"   error N, the pointer left untouched
//   VOLTARO_TEST_LOG    = file        each GUID handed out is appended as "alloc <address>"
#pragma once
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

namespace {

bool ParseGuid(const wchar_t* text, GUID* guid) {
    unsigned int part[11] = {};
    if (swscanf(text, L"{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &part[0], &part[1], &part[2], &part[3], &part[4],
                &part[5], &part[6], &part[7], &part[8], &part[9], &part[10]) != 11)
        return false;
    guid->Data1 = part[0];
    guid->Data2 = static_cast<WORD>(part[1]);
    guid->Data3 = static_cast<WORD>(part[2]);
    for (int i = 0; i < 8; ++i)
        guid->Data4[i] = static_cast<BYTE>(part[3 + i]);
    return true;
}

void LogAllocation(const GUID* guid) {
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VOLTARO_TEST_LOG", path, ARRAYSIZE(path)))
        return;
    FILE* log = _wfopen(path, L"a");
    if (!log)
        return;
    fprintf(log, "alloc %p\n", static_cast<const void*>(guid));
    fclose(log);
}

// True when the environment names the answer; *result is then what GetActiveScheme returns.
bool SchemeFromEnvironment(GUID** activeScheme, DWORD* result) {
    wchar_t text[64] = {};
    DWORD length = GetEnvironmentVariableW(L"VOLTARO_TEST_SCHEME", text, ARRAYSIZE(text));
    if (length == 0 || length >= ARRAYSIZE(text))
        return false;
    if (wcscmp(text, L"null") == 0) {
        *result = ERROR_SUCCESS;
        return true;
    }
    if (wcsncmp(text, L"error:", 6) == 0) {
        *result = wcstoul(text + 6, nullptr, 10);
        return true;
    }
    GUID parsed = {};
    if (!ParseGuid(text, &parsed))
        return false;
    GUID* copy = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
    if (!copy) {
        *result = ERROR_NOT_ENOUGH_MEMORY;
        return true;
    }
    *copy = parsed;
    *activeScheme = copy;
    LogAllocation(copy);
    *result = ERROR_SUCCESS;
    return true;
}

}  // namespace
