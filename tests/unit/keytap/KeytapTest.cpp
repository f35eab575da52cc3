// The keyboard-hook library: one change of the change-signal key per fresh key-down, made while
// the key reads as down, none for repeats, key-ups or keys an older hook swallows, nothing typed
// kept, nothing left running, and a renewal that forgets held keys and leaves one hook; and the
// rule by which the hook thread decides that input went past its hook.
#include "common/RegistryLayout.h"
#include "e2e/helpers/SendKey.h"
#include "e2e/helpers/SwallowingHook.h"
#include "outside/keytap/HookWatch.h"
#include "outside/keytap/Keytap.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <set>

namespace {

wchar_t const kLibraryPath[] = L"" KEYTAP_DLL;
DWORD const kSignalTimeoutMs = 2000;
DWORD const kQuietMs = 300;  // how long a change that should not come is waited for
DWORD const kSentinel = 0xdeadbeef;

using KeytapProc = void(WINAPI*)();
using RenewProc = BOOL(WINAPI*)();
WORD const kSwallowedKey = VK_F10;

void DeleteChangeKey() {
    HKEY parent;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Korvane", 0, KEY_ALL_ACCESS | kRegistryView, &parent) ==
        ERROR_SUCCESS) {
        RegDeleteTreeW(parent, L"Korvane Change");
        RegCloseKey(parent);
    }
}

HKEY CreateChangeKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kChangeSignalKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS | kRegistryView, nullptr,
                    &key, nullptr);
    return key;
}

// The library's counter, or 0 when it has not written one yet.
DWORD Pulse() {
    HKEY key;
    std::wstring path = std::wstring(kChangeSignalKeyPath) + kKeytapSubKey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    RegQueryValueExW(key, kKeytapCounterValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return value;
}

bool PulseBecomes(DWORD expected, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Pulse() != expected) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

std::set<DWORD> OwnThreads() {
    std::set<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            threads.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

// Threads of `after` that `before` did not have.
std::set<DWORD> NewThreads(const std::set<DWORD>& before, const std::set<DWORD>& after) {
    std::set<DWORD> added;
    for (DWORD id : after)
        if (!before.count(id))
            added.insert(id);
    return added;
}

// Watches the change-signal key and its sub-keys from a thread of its own, as the agent does,
// and reads the key state the moment it wakes (while the test's SendInput may still be running).
class WakeProbe {
public:
    explicit WakeProbe(WORD code)
        : code_(code), key_(CreateChangeKey()), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        RegNotifyChangeKeyValue(key_, TRUE, REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_ATTRIBUTES, event_, TRUE);
        thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }
    ~WakeProbe() {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        RegCloseKey(key_);
        CloseHandle(event_);
    }
    WakeProbe(const WakeProbe&) = delete;
    WakeProbe& operator=(const WakeProbe&) = delete;

    // True when a change woke the probe; *down is what the key read at that moment.
    bool Woke(bool* down) {
        WaitForSingleObject(thread_, INFINITE);
        *down = keyDown_;
        return woke_;
    }

private:
    static DWORD WINAPI Watch(void* parameter) {
        WakeProbe* probe = static_cast<WakeProbe*>(parameter);
        probe->woke_ = WaitForSingleObject(probe->event_, kSignalTimeoutMs) == WAIT_OBJECT_0;
        probe->keyDown_ = (GetAsyncKeyState(probe->code_) & 0x8000) != 0;
        return 0;
    }

    WORD code_;
    HKEY key_;
    HANDLE event_;
    HANDLE thread_ = nullptr;
    bool woke_ = false;
    bool keyDown_ = false;
};

class KeytapTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteChangeKey();
        library_ = LoadLibraryW(kLibraryPath);
        ASSERT_NE(nullptr, library_);
        initialize_ = Get("KT_Initialize");
        uninitialize_ = Get("KT_Uninitialize");
        renew_ = reinterpret_cast<RenewProc>(reinterpret_cast<void (*)()>(GetProcAddress(library_, "KT_Renew")));
        ASSERT_NE(nullptr, initialize_);
        ASSERT_NE(nullptr, uninitialize_);
        ASSERT_NE(nullptr, renew_);
    }
    void TearDown() override {
        if (uninitialize_)
            uninitialize_();
        if (library_)
            FreeLibrary(library_);
        DeleteChangeKey();
    }
    KeytapProc Get(const char* name) {
        return reinterpret_cast<KeytapProc>(reinterpret_cast<void (*)()>(GetProcAddress(library_, name)));
    }
    // Presses code and expects the key to read as down when the change it makes wakes a watcher.
    static void ExpectChangeWhileDown(WORD code) {
        bool down = false;
        WakeProbe probe(code);
        SendKey(code, false);
        ASSERT_TRUE(probe.Woke(&down));
        EXPECT_TRUE(down) << "the key reads as down when the watcher wakes";
    }
    // Presses and releases code; true when exactly one change was made, none after the press.
    void ExpectOneChangePerPress(WORD code) {
        DWORD before = Pulse();
        SendKey(code, false);
        EXPECT_TRUE(PulseBecomes(before + 1, kSignalTimeoutMs)) << "a fresh key-down signals";
        SendKey(code, true);
        Sleep(kQuietMs);
        EXPECT_EQ(before + 1, Pulse()) << "a key-up does not";
    }

    HMODULE library_ = nullptr;
    KeytapProc initialize_ = nullptr;
    KeytapProc uninitialize_ = nullptr;
    RenewProc renew_ = nullptr;
};

}  // namespace

TEST_F(KeytapTest, EachFreshKeyDownSignalsOnceWhileTheKeyIsDown) {
    initialize_();
    WORD const keys[] = {VK_F9, 'A', VK_MENU, VK_CONTROL, VK_SHIFT, VK_F1};
    for (WORD code : keys) {
        SCOPED_TRACE(testing::Message() << "key " << code);
        DWORD before = Pulse();
        ExpectChangeWhileDown(code);
        EXPECT_TRUE(PulseBecomes(before + 1, kSignalTimeoutMs)) << "one new value per key-down";

        SendKey(code, false);  // auto-repeat: another down without an up
        SendKey(code, false);
        Sleep(kQuietMs);
        EXPECT_EQ(before + 1, Pulse()) << "repeats make no change";

        SendKey(code, true);
        Sleep(kQuietMs);
        EXPECT_EQ(before + 1, Pulse()) << "key-ups make no change";
        EXPECT_FALSE(GetAsyncKeyState(code) & 0x8000) << "no key is swallowed";
    }
}

TEST_F(KeytapTest, HeldKeyDoesNotHideTheNextOne) {
    initialize_();
    DWORD before = Pulse();
    SendKey(VK_MENU, false);
    ASSERT_TRUE(PulseBecomes(before + 1, kSignalTimeoutMs));
    bool down = false;
    {
        WakeProbe probe(VK_F1);
        SendKey(VK_F1, false);
        ASSERT_TRUE(probe.Woke(&down));
    }
    EXPECT_TRUE(down && (GetAsyncKeyState(VK_MENU) & 0x8000)) << "both keys are down when the second key's change arrives";
    EXPECT_TRUE(PulseBecomes(before + 2, kSignalTimeoutMs));
    SendKey(VK_F1, true);
    SendKey(VK_MENU, true);
}

TEST_F(KeytapTest, NothingTypedIsKept) {
    HKEY key = CreateChangeKey();
    ASSERT_NE(nullptr, key);
    RegSetValueExW(key, kKeyPressValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kSentinel), sizeof(kSentinel));
    initialize_();
    ExpectOneChangePerPress('Q');
    ExpectOneChangePerPress('W');

    DWORD keyPress = 0;
    DWORD size = sizeof(keyPress);
    RegQueryValueExW(key, kKeyPressValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&keyPress), &size);
    EXPECT_EQ(kSentinel, keyPress) << "the library does not write key codes into the change key";

    HKEY signal = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key, kKeytapSubKey, 0, KEY_ALL_ACCESS | kRegistryView, &signal));
    DWORD values = 0;
    DWORD subKeys = 0;
    RegQueryInfoKeyW(signal, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(1u, values) << "only the counter";
    EXPECT_EQ(0u, subKeys);
    HKEY child = nullptr;
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, RegCreateKeyExW(signal, L"probe", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                             KEY_ALL_ACCESS, nullptr, &child, nullptr))
        << "the signal key is volatile: it never reaches the disk";
    if (child)
        RegCloseKey(child);
    RegCloseKey(signal);
    RegCloseKey(key);
}

TEST_F(KeytapTest, StartAndStopTwiceLeaveNoHookAndNoThread) {
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::set<DWORD> before = OwnThreads();
        initialize_();
        std::set<DWORD> started = NewThreads(before, OwnThreads());
        EXPECT_EQ(2u, started.size()) << "the hook thread and the thread that signals";
        initialize_();  // a second start while running changes nothing
        EXPECT_TRUE(NewThreads(before, OwnThreads()) == started) << "no second thread";
        ExpectOneChangePerPress(VK_F9);

        uninitialize_();
        EXPECT_TRUE(NewThreads(OwnThreads(), started) == started) << "the hook thread has ended";
        DWORD after = Pulse();
        SendKey(VK_F9, false);
        SendKey(VK_F9, true);
        Sleep(kQuietMs);
        EXPECT_EQ(after, Pulse()) << "no hook is left to signal";
    }
    uninitialize_();  // stopping when stopped does nothing
}

// Keys an older hook swallows never read as down: they make no change, and the key after them
// is signalled once, while it is down, as if they had not been there.
TEST_F(KeytapTest, KeysAnOlderHookSwallowsAreNeitherSignalledNorWaitedFor) {
    SwallowingHook older(kSwallowedKey);
    initialize_();
    DWORD before = Pulse();
    for (int i = 0; i < 20; ++i) {
        SendKey(kSwallowedKey, false);
        SendKey(kSwallowedKey, true);
    }
    EXPECT_FALSE(GetAsyncKeyState(kSwallowedKey) & 0x8000) << "the older hook swallowed it";
    ExpectChangeWhileDown('A');
    EXPECT_TRUE(PulseBecomes(before + 1, kSignalTimeoutMs));
    SendKey('A', true);
    Sleep(kQuietMs);
    EXPECT_EQ(before + 1, Pulse()) << "one change for the key that got through, none for the swallowed ones";
}

// A key held across a renewal (its release lost, as while the machine slept) counts as fresh
// again afterwards, and each press still makes exactly one change: the old hook is gone.
TEST_F(KeytapTest, RenewalForgetsHeldKeysAndLeavesOneHook) {
    std::set<DWORD> before = OwnThreads();
    initialize_();
    std::set<DWORD> running = NewThreads(before, OwnThreads());
    DWORD pulse = Pulse();
    SendKey(VK_F9, false);
    ASSERT_TRUE(PulseBecomes(pulse + 1, kSignalTimeoutMs));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(testing::Message() << "renewal " << round);
        std::set<DWORD> beforeRenewal = OwnThreads();
        EXPECT_TRUE(renew_());
        std::set<DWORD> now = OwnThreads();
        EXPECT_TRUE(NewThreads(now, running) == running) << "the old threads have ended";
        running = NewThreads(beforeRenewal, now);
        EXPECT_EQ(2u, running.size()) << "and two new ones run";
        ExpectChangeWhileDown(VK_F9);  // a repeat to the old hook, a fresh key-down to the new one
        EXPECT_TRUE(PulseBecomes(pulse + 1 + round, kSignalTimeoutMs));
    }
    SendKey(VK_F9, true);
    ExpectOneChangePerPress('B');
    uninitialize_();
    EXPECT_TRUE(NewThreads(OwnThreads(), running) == running) << "nothing left running";
}

// The session's last input against what the hook saw, at one look; made-up tick counts. The
// previous look saw input at 1000.
TEST(HookWatchRule, InputIsUnseenOnlyWhenNoEventOfTheHookCoversIt) {
    struct Case {
        const char* name;
        DWORD lastInput;
        HookSighting seen;  // stamp, tick
        bool unseen;
    } const cases[] = {
        {"idle: nothing since the last look, nothing seen", 1000, {500, 500}, false},
        {"a key typed, seen", 5000, {5000, 5000}, false},
        {"a key held for 20 s: its auto-repeats are seen", 21000, {21000, 21000}, false},
        {"the release of a key held long, seen", 21500, {21500, 21501}, false},
        {"the pointer moved before the last key", 4000, {4500, 4500}, false},
        {"stamp in the past, counted as the last input", 200, {200, 5000}, false},
        {"stamp in the past, its arrival counted", 5000, {200, 5002}, false},
        {"a key counted as applied, after the hook returned", 5003, {5000, 5001}, false},
        {"stamp in the future, counted as the last input", 90000, {90000, 5000}, false},
        {"after a stamp in the future, the hook is gone and a person types", 7000, {90000, 5000}, true},
        {"the pointer alone moved", 5000, {900, 900}, true},
        {"the pointer moved 2 s after the last key", 6000, {4000, 4000}, true},
        {"the hook is gone and a person types", 60000, {3000, 3000}, true},
        {"the pointer moved before the tick count wrapped, a key after", 0xFFFFFFF8, {0x10, 0x12}, false},
        {"the tick count wrapped after the hook's last event", 0x10, {0xFFFFF000, 0xFFFFF000}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.unseen, IsInputUnseen(c.lastInput, 1000, c.seen)) << c.name;
}
