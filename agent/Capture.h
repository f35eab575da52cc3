// Capturing a new hotkey: a keyboard hook on the settings window's own thread fills two
// pending slots alternately with keys that have a name.
#pragma once
#include <windows.h>

// Keys captured in the current redefinition (0: nothing captured). Process-wide because the
// hook procedure has no window pointer.
extern DWORD PendingKey1;
extern DWORD PendingKey2;
// 0: the next accepted key fills slot 1; 1: it fills slot 2.
extern DWORD CaptureStep;

// WH_KEYBOARD hook procedure of the settings window's thread. Never swallows a key.
LRESULT CALLBACK KeyboardCaptureProc(int code, WPARAM virtualKey, LPARAM keyData);
