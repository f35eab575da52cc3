// The hook and the two threads behind it. The low-level hook runs before the key event is
// applied, and every program's key events wait while it runs, so the hook thread only records
// the key and hands a fresh key-down to the signal thread. That thread waits until the key
// reads as down and then signals, so a woken watcher sees the key down.
#include "Keytap.h"

#include "ChangeSignal.h"
#include "Faults.h"

namespace {

UINT const WM_KT_KEY_DOWN = WM_APP + 1;   // to the signal thread; wParam: virtual-key code
UINT const WM_KT_DROP_HOOK = WM_APP + 2;  // to the hook thread, from the tests' faults only
DWORD const kKeyDownWaitMs = 50;          // how long a key may take to read as down
DWORD const kPollMs = 1;
DWORD const kStartTimeoutMs = 5000;

// A thread of the library with its message queue; started and ended only by the entry points.
struct Worker {
    HANDLE thread = nullptr;
    DWORD id = 0;
};

HINSTANCE g_module = nullptr;
Worker g_hookThread;
Worker g_signalThread;
bool g_renewing = false;
// Keys seen down by the hook: written on the hook thread, read by the signal thread.
BYTE volatile g_keyDown[256];

bool IsKeyUp(WPARAM message) {
    return message == WM_KEYUP || message == WM_SYSKEYUP;
}

// Only a fresh key-down is handed on: auto-repeats (a down without an up) and ups are not,
// and neither is a key an older hook swallowed: that one never reads as down.
void NoteKeyEvent(WPARAM message, const KBDLLHOOKSTRUCT& key, bool swallowed) {
    BYTE code = static_cast<BYTE>(key.vkCode);
    if (IsKeyUp(message)) {
        if (!keytap_faults::MissReleases())
            g_keyDown[code] = 0;
        return;
    }
    if (g_keyDown[code])
        return;
    g_keyDown[code] = 1;
    if (!swallowed)
        PostThreadMessageW(g_signalThread.id, WM_KT_KEY_DOWN, code, 0);
    if (keytap_faults::DropHookAfterKeyDown())
        PostThreadMessageW(GetCurrentThreadId(), WM_KT_DROP_HOOK, 0, 0);
}

// Never swallows a key. The hooks installed before this one are called first, so that their
// answer is known: a key one of them swallows is not waited for.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code == HC_ACTION)
        NoteKeyEvent(wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam), result != 0);
    return result;
}

HHOOK SetHook() {
    // The tests' failing renewal: a hook without a procedure, which the system refuses.
    HOOKPROC procedure = g_renewing && keytap_faults::FailRenewal() ? nullptr : KeyboardProc;
    return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, g_module, 0);
}

DWORD WINAPI HookThread(void* started) {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue must exist before the hook
    HHOOK hook = SetHook();
    if (!hook)
        return 1;  // the starter sees the thread end instead of the start signal
    SetEvent(static_cast<HANDLE>(started));
    // The hook is called from inside GetMessageW; nothing else reaches this thread.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
#ifdef KEYTAP_FAULTS
        if (message.message == WM_KT_DROP_HOOK && hook && UnhookWindowsHookEx(hook))
            hook = nullptr;
#endif
    }
    if (hook)
        UnhookWindowsHookEx(hook);
    return 0;
}

// Keys handed on by the hook that do not read as down yet. Each is signalled once: when it
// reads as down, when its release was seen (on a busy machine this thread can fall behind),
// or after kKeyDownWaitMs.
class PendingKeys {
public:
    bool Empty() const { return count_ == 0; }

    void Add(UINT code, ChangeSignal& signal) {
        if (count_ == kCapacity) {
            signal.Raise();  // the oldest waits no longer
            Remove(0);
        }
        keys_[count_++] = {code, GetTickCount()};
    }

    void SignalReady(ChangeSignal& signal) {
        DWORD now = GetTickCount();
        for (int i = count_ - 1; i >= 0; --i) {
            const Key& key = keys_[i];
            if ((GetAsyncKeyState(static_cast<int>(key.code)) & 0x8000) || !g_keyDown[key.code] ||
                now - key.since >= kKeyDownWaitMs) {
                signal.Raise();
                Remove(i);
            }
        }
    }

private:
    struct Key {
        UINT code;
        DWORD since;
    };
    static int const kCapacity = 64;

    void Remove(int index) {
        for (int i = index + 1; i < count_; ++i)
            keys_[i - 1] = keys_[i];
        --count_;
    }

    Key keys_[kCapacity] = {};
    int count_ = 0;
};

DWORD WINAPI SignalThread(void* started) {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue must exist before the hook
    SetEvent(static_cast<HANDLE>(started));
    ChangeSignal signal;
    PendingKeys pending;
    for (;;) {
        // No time-out while no key waits: an idle library never wakes.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pending.Empty() ? INFINITE : kPollMs, QS_ALLPOSTMESSAGE);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return 0;
            if (message.message == WM_KT_KEY_DOWN)
                pending.Add(static_cast<UINT>(message.wParam), signal);
        }
        pending.SignalReady(signal);
    }
}

void StopWorker(Worker& worker) {
    if (!worker.thread)
        return;
    PostThreadMessageW(worker.id, WM_QUIT, 0, 0);
    WaitForSingleObject(worker.thread, INFINITE);
    CloseHandle(worker.thread);
    worker = Worker();
}

// Starts routine and waits until it has set `started`; the thread ends at once instead when
// it cannot do its work. True when it runs.
bool StartWorker(Worker& worker, LPTHREAD_START_ROUTINE routine) {
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!started)
        return false;
    worker.thread = CreateThread(nullptr, 0, routine, started, 0, &worker.id);
    if (worker.thread) {
        HANDLE waits[] = {started, worker.thread};
        if (WaitForMultipleObjects(ARRAYSIZE(waits), waits, FALSE, kStartTimeoutMs) != WAIT_OBJECT_0)
            StopWorker(worker);
    }
    CloseHandle(started);
    return worker.thread != nullptr;
}

}  // namespace

extern "C" void WINAPI KT_Initialize() {
    if (g_hookThread.thread)
        return;
    keytap_faults::Load();
    ZeroMemory(const_cast<BYTE*>(g_keyDown), sizeof(g_keyDown));
    // The signal thread first: the hook hands keys to it from its first call on.
    if (!StartWorker(g_signalThread, SignalThread))
        return;
    if (!StartWorker(g_hookThread, HookThread))
        StopWorker(g_signalThread);
}

extern "C" void WINAPI KT_Uninitialize() {
    StopWorker(g_hookThread);  // no key is handed on after this
    StopWorker(g_signalThread);
}

extern "C" BOOL WINAPI KT_Renew() {
    KT_Uninitialize();
    g_renewing = true;
    KT_Initialize();
    g_renewing = false;
    return g_hookThread.thread != nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
