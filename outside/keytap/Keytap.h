// Keytap.dll: a session-wide keyboard hook that signals fresh key-downs by changing the
// registry under HKCU "SOFTWARE\Korvane\Korvane Change\", without recording what was typed.
#pragma once
#include <windows.h>

extern "C" {
// Starts the hook and its threads; a second call while running does nothing.
void WINAPI KT_Initialize();
// Removes the hook and ends its threads; returns when they have ended.
void WINAPI KT_Uninitialize();
// Removes the hook, forgets which keys were down and puts the hook in again, as after a resume
// or an unlock, when key releases may never have reached the hook. TRUE when the hook is in.
BOOL WINAPI KT_Renew();
}

// The signal: a counter in a volatile sub-key, so nothing of it ever reaches the disk.
wchar_t const kKeytapSubKey[] = L"Keytap";
wchar_t const kKeytapCounterValue[] = L"Pulse";
