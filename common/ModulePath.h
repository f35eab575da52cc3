#pragma once
#include <windows.h>

// path = folder of the running executable + backslash + name (name may hold sub-folders).
// False when the result does not fit MAX_PATH.
bool BuildModuleSiblingPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]);
