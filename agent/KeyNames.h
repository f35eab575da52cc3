// The hotkey: two virtual-key codes, their display names, and the code-to-name table.
#pragma once
#include <windows.h>

// Current hotkey codes, read by the registry-monitor thread and written by the settings window.
// Single aligned 32-bit words: no lock is needed.
extern volatile DWORD Key1;
extern volatile DWORD Key2;

// Display names of the two keys, painted while a hotkey is being redefined.
size_t const kKeyNameCapacity = 32;
extern wchar_t Key1Text[kKeyNameCapacity];
extern wchar_t Key2Text[kKeyNameCapacity];

// Default hotkey: Alt+F1. A stored or unreadable code of 1 means "not set".
DWORD const kDefaultKey1 = VK_MENU;
DWORD const kDefaultKey2 = VK_F1;
DWORD const kKeyNotSet = 1;

// Writes the fixed English name of code into buffer (32 units). For a code without a name the
// buffer is left exactly as it was.
void VirtualKeyToName(DWORD code, wchar_t* buffer);
// True when code names a key, that is when VirtualKeyToName writes a name for it.
bool HasKeyName(DWORD code);
