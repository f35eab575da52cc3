// Loads the power library named on the command line in a process of its own and reports, in
// its exit code, whether a hidden window exists and whose it is. Used by the library's tests.
#include "powerlib/Voltaro.h"

#include <stdlib.h>

int const kNoWindow = 0;
int const kOwnWindow = 1;
int const kOtherWindow = 2;
int const kLoadFailed = 3;

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return kLoadFailed;
    HMODULE library = LoadLibraryW(argv[1]);
    if (!library)
        return kLoadFailed;
    HWND window = FindWindowW(kVoltaroWindowClass, kVoltaroWindowTitle);
    DWORD owner = 0;
    if (window)
        GetWindowThreadProcessId(window, &owner);
    FreeLibrary(library);
    if (!window)
        return kNoWindow;
    return owner == GetCurrentProcessId() ? kOwnWindow : kOtherWindow;
}
