// A "wintrust.dll" put beside the confirmation program: if it is ever loaded, it leaves the file
// named by DORMELLO_DECOY_MARKER behind. It exports nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    wchar_t marker[MAX_PATH] = {};
    if (reason == DLL_PROCESS_ATTACH && GetEnvironmentVariableW(L"DORMELLO_DECOY_MARKER", marker, MAX_PATH)) {
        HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return TRUE;
}
