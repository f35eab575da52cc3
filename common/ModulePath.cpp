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
