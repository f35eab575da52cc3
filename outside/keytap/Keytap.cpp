// The hook and the two threads behind it. The low-level hook runs before the key event is
// applied, and every program's key events wait while it runs, so the hook only records the key
// and the hook thread hands a fresh key-down on once the hook has returned. The signal thread
// then waits until the key reads as down and signals, so a woken watcher sees the key down.
// The two threads meet through a slim lock and a condition variable, not through kernel
// events: handing a key on, and the signal thread's polling, then cost no system call while
// nobody waits (under Wine, every event set or wait is a round trip through the Wine server).
// The hook thread also puts the hook in again when the system may have removed it (HookWatch.h).
#include "Keytap.h"

#include "ChangeSignal.h"
#include "Faults.h"
#include "HookWatch.h"

#include "framework/Handles.h"

namespace {

UINT const WM_KT_KEY_DOWN = WM_APP + 1;   // to the hook thread itself; wParam: virtual-key code
UINT const WM_KT_DROP_HOOK = WM_APP + 2;  // to the hook thread, from the tests' faults only
DWORD const kKeyDownWaitMs = 50;          // how long a key may take to read as down
DWORD const kPollMs = 1;
DWORD const kStartTimeoutMs = 5000;
DWORD const kWatchPeriodMs = 60000;       // how often the hook thread looks for input it missed

// Fresh key-downs on their way from the hook thread (the only writer) to the signal thread
// (the only reader). The reader takes them without a lock.
class KeyQueue {
public:
    void Clear() { head_ = tail_ = 0; }
    bool Empty() const { return head_ == tail_; }
    // False when full: the signal thread is that far behind, and the key is not signalled.
    bool Push(BYTE code) {
        LONG head = head_;
        if (head - tail_ == kSize)
            return false;
        codes_[head % kSize] = code;
        InterlockedExchange(&head_, head + 1);  // the code is stored before it is seen
        return true;
    }
    bool Pop(BYTE* code) {
        LONG tail = tail_;
        if (tail == head_)
            return false;
        *code = codes_[tail % kSize];
        InterlockedExchange(&tail_, tail + 1);
        return true;
    }

private:
    static LONG const kSize = 256;
    BYTE codes_[kSize] = {};
    LONG volatile head_ = 0;
    LONG volatile tail_ = 0;
};

// A thread of the library; started and ended only by the entry points.
struct Worker {
    fw::KernelHandle thread;
    DWORD id = 0;
};

HINSTANCE g_module = nullptr;
Worker g_hookThread;
Worker g_signalThread;
// The signal thread sleeps on g_keysQueued while no key waits; g_stopSignals ends it.
SRWLOCK g_handOff = SRWLOCK_INIT;
CONDITION_VARIABLE g_keysQueued = CONDITION_VARIABLE_INIT;
bool g_stopSignals = false;  // under g_handOff
KeyQueue g_keys;
bool g_renewing = false;
// Keys seen down by the hook: written on the hook thread, read by the signal thread.
BYTE volatile g_keyDown[256];
// The hook thread's look for input its hook missed; the hook, which runs on that thread, feeds it.
HookWatch g_watch;

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
        PostThreadMessageW(GetCurrentThreadId(), WM_KT_KEY_DOWN, code, 0);
    if (keytap_faults::DropHookAfterKeyDown())
        PostThreadMessageW(GetCurrentThreadId(), WM_KT_DROP_HOOK, 0, 0);
}

// Never swallows a key. The hooks installed before this one are called first, so that their
// answer is known: a key one of them swallows is not waited for.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code == HC_ACTION) {
        const KBDLLHOOKSTRUCT& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        g_watch.NoteEvent(key.time);
        NoteKeyEvent(wParam, key, result != 0);
    }
    return result;
}

HHOOK SetHook() {
    // The tests' failing renewal: a hook without a procedure, which the system refuses.
    HOOKPROC procedure = g_renewing && keytap_faults::FailRenewal() ? nullptr : KeyboardProc;
    return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, g_module, 0);
}

// The system may have removed the hook without a word: it is taken out and put in anew (taking
// out one the system removed just fails). The old one goes first: under Wine, a second hook put
// in by this thread before the first was gone left the hotkey dead after the swap. Releases
// missed while there was no hook would keep their keys "held": the hook forgets them. When no
// new hook can be put in, the next look tries again.
HHOOK RenewHook(HHOOK old) {
    if (old)
        UnhookWindowsHookEx(old);
    ZeroMemory(const_cast<BYTE*>(g_keyDown), sizeof(g_keyDown));
    return SetHook();
}

void HandKeyOn(BYTE code) {
    AcquireSRWLockExclusive(&g_handOff);  // not between the signal thread's look and its sleep
    bool const queued = g_keys.Push(code);
    ReleaseSRWLockExclusive(&g_handOff);
    if (queued)
        WakeConditionVariable(&g_keysQueued);
}

DWORD WINAPI HookThread(void* started) {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue must exist before the hook
    HHOOK hook = SetHook();
    if (!hook)
        return 1;  // the starter sees the thread end instead of the start signal
    g_watch.Start(keytap_faults::WatchPeriodMs(kWatchPeriodMs));
    SetEvent(static_cast<HANDLE>(started));
    // The hook is called from inside GetMessageW. A key it posts comes out only after the hook
    // has returned: the event is then applied, or about to be, and the signal thread's first
    // look at the key is rarely too early (under Wine a key read as up stays so for 50 ms).
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KT_KEY_DOWN) {
            HandKeyOn(static_cast<BYTE>(message.wParam));
        } else if (g_watch.IsTick(message) && g_watch.InputUnseen()) {
            hook = RenewHook(hook);
        }
#ifdef KEYTAP_FAULTS
        if (message.message == WM_KT_DROP_HOOK && hook && UnhookWindowsHookEx(hook))
            hook = nullptr;
#endif
    }
    g_watch.Stop();
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

// True once the thread is to end. Sleeps without a time-out while no key is queued: an idle
// library never wakes.
bool WaitForKeys() {
    AcquireSRWLockExclusive(&g_handOff);
    while (!g_stopSignals && g_keys.Empty())
        SleepConditionVariableSRW(&g_keysQueued, &g_handOff, INFINITE, 0);
    bool const stop = g_stopSignals;
    ReleaseSRWLockExclusive(&g_handOff);
    return stop;
}

// True once the thread is to end. Waits a poll's time while keys wait to read as down.
bool PausePolling() {
    Sleep(kPollMs);
    AcquireSRWLockShared(&g_handOff);
    bool const stop = g_stopSignals;
    ReleaseSRWLockShared(&g_handOff);
    return stop;
}

DWORD WINAPI SignalThread(void* started) {
    SetEvent(static_cast<HANDLE>(started));
    ChangeSignal signal;
    PendingKeys pending;
    for (;;) {
        if (pending.Empty() ? WaitForKeys() : PausePolling())
            return 0;
        BYTE code = 0;
        while (g_keys.Pop(&code))
            pending.Add(code, signal);
        pending.SignalReady(signal);
    }
}

// Waits until the worker has ended (the caller has asked it to) and forgets it.
void EndWorker(Worker& worker) {
    WaitForSingleObject(worker.thread.Get(), INFINITE);
    worker.thread.Close();
    worker.id = 0;
}

void StopHookThread() {
    if (!g_hookThread.thread.IsValid())
        return;
    PostThreadMessageW(g_hookThread.id, WM_QUIT, 0, 0);
    EndWorker(g_hookThread);
}

void StopSignalThread() {
    if (!g_signalThread.thread.IsValid())
        return;
    AcquireSRWLockExclusive(&g_handOff);
    g_stopSignals = true;
    ReleaseSRWLockExclusive(&g_handOff);
    WakeConditionVariable(&g_keysQueued);
    EndWorker(g_signalThread);
}

// Starts routine and waits until it has set `started`; the thread ends at once instead when
// it cannot do its work. True when it runs.
bool StartWorker(Worker& worker, LPTHREAD_START_ROUTINE routine, void (*stop)()) {
    fw::KernelHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started.IsValid())
        return false;
    worker.thread.Reset(CreateThread(nullptr, 0, routine, started.Get(), 0, &worker.id));
    if (!worker.thread.IsValid())
        return false;
    HANDLE waits[] = {started.Get(), worker.thread.Get()};
    if (WaitForMultipleObjects(ARRAYSIZE(waits), waits, FALSE, kStartTimeoutMs) == WAIT_OBJECT_0)
        return true;
    stop();
    return false;
}

bool StartSignalThread() {
    g_keys.Clear();
    g_stopSignals = false;  // no signal thread runs yet
    return StartWorker(g_signalThread, SignalThread, StopSignalThread);
}

}  // namespace

extern "C" void WINAPI KT_Initialize() {
    if (g_hookThread.thread.IsValid())
        return;
    keytap_faults::Load();
    ZeroMemory(const_cast<BYTE*>(g_keyDown), sizeof(g_keyDown));
    // The signal thread first: the hook hands keys to it from its first call on.
    if (!StartSignalThread() || !StartWorker(g_hookThread, HookThread, StopHookThread))
        KT_Uninitialize();
}

extern "C" void WINAPI KT_Uninitialize() {
    StopHookThread();  // no key is handed on after this
    StopSignalThread();
}

extern "C" BOOL WINAPI KT_Renew() {
    KT_Uninitialize();
    g_renewing = true;
    KT_Initialize();
    g_renewing = false;
    return g_hookThread.thread.IsValid();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
