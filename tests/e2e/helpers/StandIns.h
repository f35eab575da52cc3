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
// REG_DWORD 1: answer only once no key is held (at most 5 s), as a person lets go of the hotkey
// before reaching for the mouse. Without it a loaded machine can end a whole question while the
// test still holds the keys, and a key-down noticed late starts a second one.
wchar_t const kAfterKeysUpValue[] = L"AfterKeysUp";
// REG_DWORD: calls of the wtsapi32 stand-in's WTSRegisterSessionNotification and
// WTSUnRegisterSessionNotification.
wchar_t const kWtsRegistrationsValue[] = L"WtsRegistrations";
wchar_t const kWtsUnregistrationsValue[] = L"WtsUnregistrations";

// The same key tells the power library stand-in (powrprof.dll) what PC to play.
// REG_SZ: the capabilities, words among s1 s2 s3 s4 hiberfile aoac reduced full, or "fail"
// (the call fails); absent: what Wine 8 reports (s1 s4 hiberfile).
wchar_t const kPowerCapabilitiesValue[] = L"PowerCapabilities";
// REG_SZ: "{GUID}" of the active scheme; absent: the call fails as Wine's does (120).
wchar_t const kActiveSchemeValue[] = L"ActiveScheme";
// REG_DWORD: non-zero makes every suspend call fail with this error.
wchar_t const kSuspendErrorValue[] = L"SuspendError";
// REG_SZ written by the stand-in: one "<hibernate>,<force>,<wake events disabled>\n" per suspend call.
wchar_t const kSuspendCallsValue[] = L"SuspendCalls";
// REG_DWORD: the active plan's hybrid-sleep value (mains and battery alike); absent: the plan
// cannot be read, as under Wine. The powercfg stand-in stores 1 here when it succeeds.
wchar_t const kHybridSleepValue[] = L"HybridSleep";
// REG_SZ: how the powercfg stand-in fails: "fail" (ends with 1, stores nothing), "hang" (stays
// kPowercfgHangMs, longer than the agent waits for it, then fails); absent: it works.
wchar_t const kPowercfgFaultValue[] = L"PowercfgFault";
DWORD const kPowercfgHangMs = 15000;

// Environment variable naming the file where the powercfg stand-in appends
// "<its own path>|<its parameters>" for each run.
wchar_t const kPowercfgLogVariable[] = L"ROAD_POWERCFG_LOG";
// Optional: a file where each run appends "shown" or "absent": was the question visible at its start.
wchar_t const kPowercfgQuestionLogVariable[] = L"ROAD_POWERCFG_QUESTION_LOG";
// Optional: milliseconds each run waits before it writes its line and ends.
wchar_t const kPowercfgHoldVariable[] = L"ROAD_POWERCFG_HOLD_MS";

// Environment variable naming the file where the schtasks stand-in appends its parameters, one
// run a line; the task XML it was handed is copied beside it, named "<that file>.xml".
wchar_t const kSchtasksLogVariable[] = L"DORMELLO_SCHTASKS_LOG";
// The copy of the system's own schtasks, in the system folder, that the stand-in runs.
wchar_t const kSchtasksOriginal[] = L"schtasks-wine.exe";

// The command line after the program name (quoted or not) and the blanks that follow it.
inline const wchar_t* Parameters(const wchar_t* commandLine) {
    const wchar_t* at = commandLine;
    if (*at == L'"') {
        ++at;
        while (*at && *at != L'"')
            ++at;
        if (*at)
            ++at;
    } else {
        while (*at && *at != L' ' && *at != L'\t')
            ++at;
    }
    while (*at == L' ' || *at == L'\t')
        ++at;
    return at;
}

// Appends text as UTF-8 to the file. Two runs may end at the same moment: retries while the
// other holds the file.
inline bool AppendUtf8(const wchar_t* path, const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return size == 1;
    char* utf8 = new char[size];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, size, nullptr, nullptr);
    bool written = false;
    for (int attempt = 0; attempt < 100 && !written; ++attempt) {
        HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log == INVALID_HANDLE_VALUE) {
            Sleep(10);
            continue;
        }
        DWORD count = 0;
        written = WriteFile(log, utf8, static_cast<DWORD>(size - 1), &count, nullptr) != FALSE;
        CloseHandle(log);
    }
    delete[] utf8;
    return written;
}
