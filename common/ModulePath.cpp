#include "ModulePath.h"

#include <shlwapi.h>

bool BuildModuleSiblingPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = L'\0';
        return false;
    }
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return PathAppendW(path, name) != FALSE;
}

bool BuildSystemPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = L'\0';
        return false;
    }
    return PathAppendW(path, name) != FALSE;
}

bool FindSkinFolder(const wchar_t* parentFallback, wchar_t (&folder)[MAX_PATH]) {
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, module, ARRAYSIZE(module));
    if (length == 0 || length >= ARRAYSIZE(module))
        return false;
    PathRemoveFileSpecW(module);
    lstrcpynW(folder, module, MAX_PATH);
    if (PathAppendW(folder, L"Images\\") && PathFileExistsW(folder)) {
        PathAddBackslashW(folder);
        return true;
    }
    lstrcpynW(folder, module, MAX_PATH);
    if (PathRemoveFileSpecW(folder) && PathAppendW(folder, parentFallback) && PathFileExistsW(folder)) {
        PathAddBackslashW(folder);
        return true;
    }
    return false;
}
