// Where both programs keep their settings, how the key activity signal reaches the agent, and
// how the confirmation program tells the agent that its question is up.
#pragma once
#include <windows.h>

// HKEY_LOCAL_MACHINE: the settings and the confirmation answer.
wchar_t const kSettingsKeyPath[] = L"SOFTWARE\\Korvane\\Korvane Dormello\\";
// HKEY_CURRENT_USER: changed by the keyboard-hook library whenever a key goes down.
wchar_t const kChangeSignalKeyPath[] = L"SOFTWARE\\Korvane\\Korvane Change\\";

wchar_t const kEnableFunctionValue[] = L"EnableFunction";
wchar_t const kShowInTrayValue[] = L"ShowInTray";
wchar_t const kKey1Value[] = L"Key1";
wchar_t const kKey2Value[] = L"Key2";
wchar_t const kSuspendValue[] = L"Suspend";
wchar_t const kShowMessageBoxValue[] = L"ShowMessageBox";
wchar_t const kKeyPressValue[] = L"KeyPress";

// All programs (32- and 64-bit builds alike) use the 32-bit view of HKLM\SOFTWARE, so an agent,
// its confirmation program and its hook library always see the same values, and settings
// survive a change between the two builds. 32-bit Windows ignores the flag.
REGSAM const kRegistryView = KEY_WOW64_32KEY;

// A manual-reset event the agent creates before it starts the confirmation program, which sets it
// once its question is painted and waits for input. Only timing hangs on it: the agent holds the
// preparation's powercfg runs until then (or until the program ends, or two seconds at most).
wchar_t const kQuestionShownEventName[] = L"Dormnote_Halvard_5199_Shown";
