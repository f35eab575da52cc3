// The hook and its thread. The low-level hook runs before the key event is applied, so the
// hook only hands the key to this thread's queue and returns at once; the thread then waits
// until the key reads as down before it signals, so a woken watcher sees the key down.
#include "Keytap.h"

#include "ChangeSignal.h"

namespace {

UINT const WM_KT_KEY_DOWN = WM_APP + 1;  // wParam: virtual-key code
DWORD const kKeyDownWaitMs = 50;         // how long a key may take to read as down
DWORD const kStartTimeoutMs = 5000;

HINSTANCE g_module = nullptr;
HANDLE g_thread = nullptr;
DWORD g_threadId = 0;
bool g_keyDown[256];  // keys seen down by the hook; touched only on the hook thread

bool IsKeyUp(WPARAM message) {
    return message == WM_KEYUP || message == WM_SYSKEYUP;
}

// Only a fresh key-down is handed on: auto-repeats (a down without an up) and ups are not.
void NoteKeyEvent(WPARAM message, const KBDLLHOOKSTRUCT& key) {
    BYTE code = static_cast<BYTE>(key.vkCode);
    if (IsKeyUp(message)) {
        g_keyDown[code] = false;
        return;
    }
    if (g_keyDown[code])
        return;
    g_keyDown[code] = true;
    PostThreadMessageW(GetCurrentThreadId(), WM_KT_KEY_DOWN, code, 0);
}

// Never swallows a key: every event goes on to the next hook.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION)
        NoteKeyEvent(wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Waits only for a key that is still down: one whose release the hook has already seen (on a
// busy machine the thread can fall behind a burst of keys) will not read as down again. Every
// program's key events wait while this thread does.
void WaitUntilDown(UINT code) {
    DWORD start = GetTickCount();
    while (g_keyDown[code] && !(GetAsyncKeyState(code) & 0x8000) && GetTickCount() - start < kKeyDownWaitMs)
        Sleep(1);
}

DWORD WINAPI HookThread(void* started) {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue must exist before the hook
    ZeroMemory(g_keyDown, sizeof(g_keyDown));
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, g_module, 0);
    if (!hook)
        return 1;  // the starter sees the thread end instead of the start signal
    SetEvent(static_cast<HANDLE>(started));

    ChangeSignal signal;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message != WM_KT_KEY_DOWN)
            continue;
        UINT code = static_cast<UINT>(message.wParam);
        WaitUntilDown(code);
        signal.Raise();
    }
    UnhookWindowsHookEx(hook);
    return 0;
}

void StopThread() {
    PostThreadMessageW(g_threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(g_thread, INFINITE);
    CloseHandle(g_thread);
    g_thread = nullptr;
    g_threadId = 0;
}

}  // namespace

extern "C" void WINAPI KT_Initialize() {
    if (g_thread)
        return;
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!started)
        return;
    g_thread = CreateThread(nullptr, 0, HookThread, started, 0, &g_threadId);
    if (g_thread) {
        HANDLE waits[] = {started, g_thread};
        // The thread ends at once when the hook cannot be set: then nothing runs.
        if (WaitForMultipleObjects(ARRAYSIZE(waits), waits, FALSE, kStartTimeoutMs) != WAIT_OBJECT_0)
            StopThread();
    }
    CloseHandle(started);
}

extern "C" void WINAPI KT_Uninitialize() {
    if (g_thread)
        StopThread();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
