// The agent's cost while resident: wake-ups of its registry monitor and CPU time over a quiet
// period (goal 0 and 0), and wake-ups per key-down, auto-repeat and key-up (goal 1, 0, 0).
// Wake-ups are the monitor's "Get change" debug lines, received by attaching as a debugger; CPU
// time comes from SystemProcessInformation. Prints figures; never fails on them.
#include "support/Harness.h"
#include "helpers/SendKey.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

DWORD const kSettleMs = 1000;
DWORD const kAfterInputMs = 300;
int const kPresses = 10;
WORD const kKey = VK_F9;  // not part of the default hotkey: no sleep sequence starts

using NtQuerySystemInformationProc = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

// User plus kernel time of a process in milliseconds, or -1. Layout of SYSTEM_PROCESS_INFORMATION:
// user time at byte 40, kernel time at 48, process id at 68 (32-bit) or 80 (64-bit).
double CpuMilliseconds(DWORD processId) {
    auto query = reinterpret_cast<NtQuerySystemInformationProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    if (query(5, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) < 0)
        return -1;
    size_t const idOffset = sizeof(void*) == 4 ? 68 : 80;
    for (const char* entry = buffer.data();;) {
        ULONG_PTR id = 0;
        memcpy(&id, entry + idOffset, sizeof(id));
        if (id == processId) {
            LONGLONG user = 0;
            LONGLONG kernel = 0;
            memcpy(&user, entry + 40, sizeof(user));
            memcpy(&kernel, entry + 48, sizeof(kernel));
            return (user + kernel) / 10000.0;
        }
        ULONG next = 0;
        memcpy(&next, entry, sizeof(next));
        if (next == 0)
            return -1;
        entry += next;
    }
}

// Counts the agent's "Get change" lines while debug events are pumped for durationMs.
int CountWakeUps(HANDLE process, DWORD durationMs) {
    int count = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < durationMs) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 50))
            continue;
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
            char text[64] = {};
            SIZE_T read = 0;
            OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
            SIZE_T length = info.nDebugStringLength < sizeof(text) - 1 ? info.nDebugStringLength : sizeof(text) - 1;
            if (!info.fUnicode && ReadProcessMemory(process, info.lpDebugStringData, text, length, &read) &&
                strncmp(text, "Get change", 10) == 0)
                ++count;
        }
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile)
            CloseHandle(event.u.LoadDll.hFile);
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    DWORD idleSeconds = argc > 1 ? static_cast<DWORD>(atoi(argv[1])) : 30;
    e2e::EndStrayAgents();
    e2e::registry::DeleteChangeKey();
    e2e::InstallFolder install({L"Dormnote.exe", L"Images\\Dormnote.exe"});
    e2e::Agent agent;
    if (!agent.Start(install)) {
        printf("agent did not start\n");
        return 0;
    }
    DWORD id = agent.Proc().Id();
    HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (!process || !DebugActiveProcess(id)) {
        printf("cannot attach to the agent\n");
        return 0;
    }
    DebugSetProcessKillOnExit(FALSE);
    CountWakeUps(process, kSettleMs);  // attach events and start-up

    double cpuBefore = CpuMilliseconds(id);
    int idleWakeUps = CountWakeUps(process, idleSeconds * 1000);
    double cpuAfter = CpuMilliseconds(id);
    printf("idle %lu s: wake-ups %d (goal 0), CPU %.1f ms (goal 0)\n", idleSeconds, idleWakeUps, cpuAfter - cpuBefore);

    int downs = 0;
    int repeats = 0;
    int ups = 0;
    for (int i = 0; i < kPresses; ++i) {
        SendKey(kKey, false);
        downs += CountWakeUps(process, kAfterInputMs);
        SendKey(kKey, false);  // auto-repeat: a down without an up
        repeats += CountWakeUps(process, kAfterInputMs);
        SendKey(kKey, true);
        ups += CountWakeUps(process, kAfterInputMs);
    }
    printf("per key-down %.2f (goal 1), per auto-repeat %.2f (goal 0), per key-up %.2f (goal 0), over %d presses\n",
           double(downs) / kPresses, double(repeats) / kPresses, double(ups) / kPresses, kPresses);

    DebugActiveProcessStop(id);
    CloseHandle(process);
    agent.Close();
    e2e::registry::DeleteChangeKey();
    return 0;
}
