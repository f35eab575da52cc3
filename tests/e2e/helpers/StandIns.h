// What the end-to-end stand-ins and the tests that drive them agree on.
#pragma once
#include <windows.h>

// HKEY_CURRENT_USER scratch key through which a test tells the confirmation stand-in what to
// answer and the stand-in reports its starts. Kept apart from the product's own keys.
wchar_t const kStandInKeyPath[] = L"SOFTWARE\\Dormello Road Test";
wchar_t const kAnswerValue[] = L"Answer";          // REG_DWORD written as Suspend; absent: none
wchar_t const kHoldMsValue[] = L"HoldMs";          // REG_DWORD: stay this long before answering
wchar_t const kStartsValue[] = L"Starts";          // REG_DWORD: how many times it was started
wchar_t const kStartedPathValue[] = L"StartedPath";  // REG_SZ: the path of the last started copy
wchar_t const kPidValue[] = L"Pid";                // REG_DWORD: the process id of the last started copy
wchar_t const kEndsValue[] = L"Ends";              // REG_DWORD: how many copies have answered and are ending

// Environment variable naming the file where the powercfg stand-in appends
// "<its own path>|<its parameters>" for each run.
wchar_t const kPowercfgLogVariable[] = L"ROAD_POWERCFG_LOG";
