// Entry point and exports of the power library.
#include "LibraryState.h"

#include <powrprof.h>
#include <stdlib.h>

#ifdef VOLTARO_SCHEME_FROM_ENVIRONMENT
#include "SchemeFromEnvironment.h"
#endif

LibraryState* g_state = nullptr;

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // Without the record the library still loads; every export then does nothing.
        g_state = static_cast<LibraryState*>(calloc(1, sizeof(LibraryState)));
        if (g_state)
            AttachHiddenWindow();
        break;
    case DLL_PROCESS_DETACH:
        if (g_state)
            DetachHiddenWindow();
        free(g_state);
        g_state = nullptr;
        break;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetActiveScheme(HKEY rootPowerKey, GUID** activeScheme) {
    if (!g_state)
        return ERROR_SUCCESS;
#ifdef VOLTARO_SCHEME_FROM_ENVIRONMENT
    DWORD result = ERROR_SUCCESS;
    if (SchemeFromEnvironment(activeScheme, &result))
        return result;
#endif
    return PowerGetActiveScheme(rootPowerKey, activeScheme);
}

extern "C" DWORD WINAPI SetActiveScheme(HKEY rootPowerKey, const GUID* scheme) {
    if (!g_state)
        return ERROR_SUCCESS;
    return PowerSetActiveScheme(rootPowerKey, scheme);
}

extern "C" void WINAPI RegisterPowerCBK(PowerCBK callback) {
    if (g_state && callback)
        g_state->callback = callback;
}
