// Voltaro.dll: reads and sets the active power scheme, and reports changes of the active
// scheme's personality to one registered callback.
#pragma once
#include <windows.h>

// Called with event 1 and the 16-byte GUID of the new personality (valid only during the call).
typedef void(CALLBACK* PowerCBK)(DWORD event, const BYTE* data);

extern "C" {
// Same arguments and result as PowerGetActiveScheme; the caller frees the GUID with LocalFree.
DWORD WINAPI GetActiveScheme(HKEY rootPowerKey, GUID** activeScheme);
// Same arguments and result as PowerSetActiveScheme.
DWORD WINAPI SetActiveScheme(HKEY rootPowerKey, const GUID* scheme);
// Replaces the callback; a null argument is ignored, so a callback can only be replaced.
void WINAPI RegisterPowerCBK(PowerCBK callback);
}

// Identity of the hidden window that receives the power-setting reports (one per desktop).
wchar_t const kVoltaroWindowClass[] = L"Voltaro Windows Class Name";
wchar_t const kVoltaroWindowTitle[] = L"Voltaro Windows Name";
DWORD const kPersonalityChanged = 1;
