#pragma once
#include <windows.h>

// path = folder of the running executable + backslash + name (name may hold sub-folders).
// False when the result does not fit MAX_PATH.
bool BuildModuleSiblingPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]);

// path = the system folder + backslash + name: how an elevated program names a system file, never
// through a search that could reach the current folder or its own. False when it does not fit.
bool BuildSystemPath(const wchar_t* name, wchar_t (&path)[MAX_PATH]);

// The skin folder, ending with a backslash: "Images\" beside the running executable, else
// parentFallback (a folder name such as "Images\") beside the executable's folder. False when
// neither exists.
bool FindSkinFolder(const wchar_t* parentFallback, wchar_t (&folder)[MAX_PATH]);
