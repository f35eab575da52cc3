#include "Protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace bench {

void Sample(const char* figure, const char* edge, const char* process, int divisor) {
    printf("SAMPLE %s %s %s %d\n", figure, edge, process, divisor);
    fflush(stdout);
    char answer[32] = {};
    if (!fgets(answer, sizeof(answer), stdin) || strncmp(answer, "ok", 2) != 0)
        Fail("no answer from the measuring script");
}

void Memory(const char* figure, const char* process) {
    printf("MEM %s %s\n", figure, process);
    fflush(stdout);
    char answer[32] = {};
    if (!fgets(answer, sizeof(answer), stdin) || strncmp(answer, "ok", 2) != 0)
        Fail(figure);
}

void Figure(const char* name, double value) {
    printf("FIG %s %.3f\n", name, value);
    fflush(stdout);
}

void Fail(const char* what) {
    printf("FAIL %s\n", what);
    fflush(stdout);
    ExitProcess(1);
}

double NowMs() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

void PumpMessages(DWORD ms) {
    double end = NowMs() + ms;
    for (double now = NowMs(); now < end; now = NowMs()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now) + 1, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            // A lone Alt release must not put the driver's window into its menu loop.
            if (message.message >= WM_SYSKEYDOWN && message.message <= WM_SYSDEADCHAR)
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

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

}  // namespace bench
