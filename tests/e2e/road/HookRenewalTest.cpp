// The keyboard hook after resume and unlock, and after input it missed, through the hook
// library's test build: under Wine nothing sleeps or locks and no hook is removed for being
// slow, so that build is told to lose key releases, to lose its hook or to fail to put it in
// again, and the test sends the agent the notifications Windows would. Hook installs and
// removals are counted in Wine's relay trace.
#include "RoadFixture.h"

#include "helpers/SendKey.h"

#include <wtsapi32.h>

#include <algorithm>

using namespace road;

namespace {

struct Notification {
    UINT message;
    WPARAM event;
};
Notification const kResumeAutomatic = {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC};
Notification const kResumeByUser = {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND};
Notification const kSuspend = {WM_POWERBROADCAST, PBT_APMSUSPEND};
Notification const kLock = {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK};
Notification const kUnlock = {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK};
Notification const kConsoleConnect = {WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT};
Notification const kConsoleDisconnect = {WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT};
Notification const kRemoteConnect = {WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT};
Notification const kLogon = {WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON};

WPARAM const kLowLevelKeyboard = 13;  // WH_KEYBOARD_LL, the first argument of its installs
int const kRenewalAttempts = 5;       // the agent's bound for a failing renewal
DWORD const kRetriesMs = 6000;        // long enough for all of them (one a second)
wchar_t const kMissReleases[] = L"KEYTAP_FAULT_MISS_RELEASES=1";
// With releases lost, keys typed are input the hook hands nothing on for: the library's own
// look for a lost hook (once a minute) would renew it. Kept out of the way where a test counts
// only the renewals after notifications.
wchar_t const kNoWatch[] = L"KEYTAP_FAULT_WATCH_MS=3600000";

// The agent's low-level keyboard hooks, counted from the relay trace.
struct HookCount {
    int attempts = 0;  // installs tried
    int installs = 0;  // installs that returned a hook
    int removals = 0;  // removals of such a hook that succeeded
    int Live() const { return installs - removals; }
};

class HookRenewal : public RoadTest {
protected:
    // The hook library's test build in place of the shipped one, the agent started with its faults.
    bool StartWithFaults(RoadInstall& install, RoadAgent& agent, std::initializer_list<const wchar_t*> faults) {
        return install.AddConfirmation(L"Dormnote.exe") && install.CopyFileTo(FaultyKeytap(), L"Keytap.dll") &&
               agent.Start(install, faults);
    }
    HookCount Hooks(RoadAgent& agent) const {
        HookCount count;
        std::vector<unsigned long long> hooks;
        for (const RelayTrace::Call& call : hooks_.CallsWithResults(agent.Proc().Id(), "user32.SetWindowsHookExW")) {
            if (strtoull(call.arguments.c_str(), nullptr, 16) != kLowLevelKeyboard)
                continue;
            ++count.attempts;
            if (call.result) {
                ++count.installs;
                hooks.push_back(call.result);
            }
        }
        for (const RelayTrace::Call& call : hooks_.CallsWithResults(agent.Proc().Id(), "user32.UnhookWindowsHookEx")) {
            unsigned long long hook = strtoull(call.arguments.c_str(), nullptr, 16);
            if (call.result && std::find(hooks.begin(), hooks.end(), hook) != hooks.end())
                ++count.removals;
        }
        return count;
    }
    // Waits until the agent has tried `attempts` installs, then a while longer for any more;
    // true when exactly that many were tried.
    bool SettlesAtAttempts(RoadAgent& agent, int attempts, DWORD timeoutMs = kTriggerTimeoutMs) const {
        e2e::WaitUntil([&] { return Hooks(agent).attempts >= attempts; }, timeoutMs);
        Sleep(kQuietMs);
        return Hooks(agent).attempts == attempts;
    }
    static void Send(RoadAgent& agent, std::initializer_list<Notification> notifications) {
        for (const Notification& notification : notifications)
            SendMessageW(agent.Window(), notification.message, notification.event, 0);
    }
    // Alt+F1 starts no question: the hook takes the keys for held ones, or there is no hook.
    static bool AltF1IsIgnored() {
        DWORD starts = standin::Starts();
        HeldKeys keys;
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        return NoNewStart(starts);
    }
    // Alt+F1 starts exactly one question.
    static bool AltF1AsksOnce() {
        DWORD starts = standin::Starts() + 1;
        return AltF1Asks(starts) && NoNewStart(starts);
    }

    RelayTrace hooks_{L"user32.SetWindowsHookExW;user32.UnhookWindowsHookEx;"
                      L"wtsapi32.WTSRegisterSessionNotification;wtsapi32.WTSUnRegisterSessionNotification"};
};

}  // namespace

// Key releases lost while away leave Alt and F1 "held" for the hook, so Alt+F1 is taken for
// auto-repeat. Each resume or unlock (in any order, with or without its counterpart) puts the
// hook in again once, and the first Alt+F1 after it asks once; the other notifications change
// nothing. One agent goes through all cases: each question loses its key releases again.
TEST_F(HookRenewal, ResumeAndUnlockForgetLostKeyReleases) {
    struct Case {
        const char* name;
        std::initializer_list<Notification> notifications;
        bool renews;
    } const cases[] = {
        {"resume by the user", {kResumeAutomatic, kResumeByUser}, true},
        {"unattended resume", {kResumeAutomatic}, true},
        {"suspend, lock, logon, console disconnect", {kSuspend, kLock, kLogon, kConsoleDisconnect}, false},
        {"lock, then unlock", {kLock, kUnlock}, true},
        {"console connect", {kConsoleConnect}, true},
        {"remote connect", {kRemoteConnect}, true},
        {"out of order: unlock, user resume without suspend, lock", {kUnlock, kResumeByUser, kLock}, true},
    };
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithFaults(install, agent, {kMissReleases, kNoWatch}));
    ASSERT_TRUE(AltF1AsksOnce()) << "the first press";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int attempts = Hooks(agent).attempts;
        EXPECT_TRUE(AltF1IsIgnored()) << "the lost releases hold the keys";
        Send(agent, c.notifications);
        EXPECT_TRUE(SettlesAtAttempts(agent, attempts + (c.renews ? 1 : 0))) << "one renewal, or none";
        EXPECT_EQ(1, Hooks(agent).Live());
        if (c.renews) {
            EXPECT_TRUE(AltF1AsksOnce()) << "the first press after it";
        }
    }
    EXPECT_TRUE(agent.Close());
    EXPECT_EQ(0, Hooks(agent).Live()) << "nothing left hooked";
}

// A thousand notifications in a burst: one renewal, one live hook, and the hotkey works. The
// agent registers for session notifications once and ends the registration when it closes.
TEST_F(HookRenewal, BurstOfNotificationsRenewsOnce) {
    Notification const mix[] = {kResumeAutomatic, kUnlock, kResumeByUser, kLock, kConsoleConnect, kRemoteConnect};
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithFaults(install, agent, {kMissReleases, kNoWatch}));
    ASSERT_TRUE(AltF1AsksOnce());
    for (int i = 0; i < 1000; ++i)
        PostMessageW(agent.Window(), mix[i % ARRAYSIZE(mix)].message, mix[i % ARRAYSIZE(mix)].event, 0);
    EXPECT_TRUE(SettlesAtAttempts(agent, 2, 15000)) << "the start's install and one renewal";
    EXPECT_EQ(1, Hooks(agent).Live());
    EXPECT_TRUE(AltF1AsksOnce());
    EXPECT_TRUE(agent.Close());
    DWORD id = agent.Proc().Id();
    EXPECT_EQ(1u, hooks_.Calls(id, "wtsapi32.WTSRegisterSessionNotification").size());
    EXPECT_EQ(1u, hooks_.Calls(id, "wtsapi32.WTSUnRegisterSessionNotification").size());
}

// A hook the system removed without telling (as Windows does with one that answers too slowly)
// comes back at the next resume.
TEST_F(HookRenewal, HookRemovedBehindTheAgentsBackComesBackAtResume) {
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithFaults(install, agent, {L"KEYTAP_FAULT_DROP_HOOK_AFTER=2"}));
    ASSERT_TRUE(AltF1AsksOnce()) << "Alt and F1 are the two key-downs before the hook goes";
    EXPECT_EQ(0, Hooks(agent).Live());
    EXPECT_TRUE(AltF1IsIgnored()) << "no hook, no question";
    Send(agent, {kResumeAutomatic});
    EXPECT_TRUE(SettlesAtAttempts(agent, 2));
    EXPECT_EQ(1, Hooks(agent).Live());
    EXPECT_TRUE(AltF1AsksOnce());
    EXPECT_TRUE(agent.Close());
}

// Input with no session event. The test build looks for input its hook missed every second
// instead of every minute.
DWORD const kWatchMs = 1000;
wchar_t const kWatchEverySecond[] = L"KEYTAP_FAULT_WATCH_MS=1000";
// Keyboard use brings a lost hook back at the next look (a tenth late at most).
DWORD const kComeBackMs = kWatchMs * 11 / 10 + kQuietMs;
// Where the hook is not lost, several looks pass.
DWORD const kSeveralLooksMs = 3 * kWatchMs + kQuietMs;

enum class Input { None, Keys, Mouse };

// One key or a small pointer move, as a user makes them.
void MakeInput(Input input) {
    static LONG step = 1;
    if (input == Input::Keys) {
        SendKey(VK_SHIFT, false);
        SendKey(VK_SHIFT, true);
    } else if (input == Input::Mouse) {
        INPUT move = {};
        move.type = INPUT_MOUSE;
        move.mi.dx = step = -step;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, &move, sizeof(move));
    }
}

// A hook the system removed without telling is put back while the keyboard is in use, with no
// session event; a live hook is renewed at most once a look while only the pointer moves, and
// never while nothing happens or while it sees the keys typed. The hotkey works in every case
// afterwards.
TEST_F(HookRenewal, HookComesBackWithoutSessionEvents) {
    struct Case {
        const char* name;
        const wchar_t* drop;  // after 2: the hook goes after Alt and F1 of the first press
        int removals;         // hooks taken out behind the agent's back
        Input input;
        bool renewed;
    } const cases[] = {
        {"hook removed, keys typed", L"KEYTAP_FAULT_DROP_HOOK_AFTER=2", 1, Input::Keys, true},
        {"live hook, pointer moved", L"KEYTAP_FAULT_DROP_HOOK_AFTER=0", 0, Input::Mouse, true},
        {"live hook, nothing done", L"KEYTAP_FAULT_DROP_HOOK_AFTER=0", 0, Input::None, false},
        {"live hook, keys typed", L"KEYTAP_FAULT_DROP_HOOK_AFTER=0", 0, Input::Keys, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoadInstall install;
        RoadAgent agent;
        ASSERT_TRUE(StartWithFaults(install, agent, {c.drop, kWatchEverySecond}));
        ASSERT_TRUE(AltF1AsksOnce()) << "the first press";
        // The press's own key releases may already have brought a removed hook back.
        EXPECT_EQ(c.removals, Hooks(agent).removals);
        DWORD const start = GetTickCount();
        // Keys until the hook is back; other input, or none, over several looks.
        bool const comesBack = c.input == Input::Keys && c.renewed;
        e2e::WaitUntil(
            [&] {
                MakeInput(c.input);
                Sleep(100);
                return comesBack && Hooks(agent).attempts > 1;
            },
            comesBack ? kComeBackMs : kSeveralLooksMs);
        DWORD const elapsed = GetTickCount() - start;
        int const renewals = Hooks(agent).attempts - 1;
        if (c.renewed) {
            EXPECT_GE(renewals, 1) << "within " << elapsed << " ms";
            EXPECT_LE(renewals, static_cast<int>(1 + elapsed / kWatchMs)) << "at most one a look";
        } else {
            EXPECT_EQ(0, renewals);
        }
        EXPECT_EQ(1, Hooks(agent).Live());
        EXPECT_TRUE(AltF1AsksOnce()) << "the hotkey works";
        EXPECT_TRUE(agent.Close());
    }
}

// For the agent's process only, Wine loads the library of this name from beside the program
// (the test prefix's registry, for the object's life).
class NativeForAgent {
public:
    explicit NativeForAgent(const wchar_t* library) : library_(library) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kAgentOverridesKey, library, REG_SZ, L"native,builtin",
                        sizeof(L"native,builtin"));
    }
    ~NativeForAgent() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kAgentOverridesKey, library_); }
    NativeForAgent(const NativeForAgent&) = delete;
    NativeForAgent& operator=(const NativeForAgent&) = delete;

private:
    static constexpr const wchar_t* kAgentOverridesKey = L"Software\\Wine\\AppDefaults\\Dormkey.exe\\DllOverrides";
    const wchar_t* library_;
};

// Started at sign-in, the agent may be refused its registration for session notifications
// until the session services run: it asks again until it is registered, and ends the one
// registration that held when it closes.
TEST_F(HookRenewal, RefusedRegistrationIsTriedAgain) {
    struct Case {
        const wchar_t* refusals;
        DWORD registrations;
    } const cases[] = {
        {L"WTS_STANDIN_REFUSALS=0", 1},
        {L"WTS_STANDIN_REFUSALS=2", 3},
    };
    NativeForAgent standIn(L"wtsapi32");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.refusals);
        standin::Reset();
        RoadInstall install;
        RoadAgent agent;
        ASSERT_TRUE(install.CopyFileTo(WtsapiStandIn(), L"wtsapi32.dll"));
        ASSERT_TRUE(agent.Start(install, {c.refusals}));
        EXPECT_TRUE(e2e::WaitUntil([&] { return standin::Count(kWtsRegistrationsValue) >= c.registrations; },
                                   kRetriesMs));
        Sleep(kQuietMs);
        EXPECT_EQ(c.registrations, standin::Count(kWtsRegistrationsValue)) << "no more once registered";
        EXPECT_TRUE(agent.Close());
        EXPECT_EQ(1u, standin::Count(kWtsUnregistrationsValue));
    }
}

// A renewal whose hook cannot be put in is tried again, a bounded number of times, and the
// keyboard is never hooked twice.
TEST_F(HookRenewal, FailedRenewalIsRetriedWithinABound) {
    struct Case {
        const wchar_t* failing;
        int attempts;  // of the renewal
        int live;
    } const cases[] = {
        {L"KEYTAP_FAULT_FAILING_RENEWALS=2", 3, 1},
        {L"KEYTAP_FAULT_FAILING_RENEWALS=1000", kRenewalAttempts, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.failing);
        RoadInstall install;
        RoadAgent agent;
        ASSERT_TRUE(StartWithFaults(install, agent, {c.failing}));
        Send(agent, {kUnlock});
        EXPECT_TRUE(SettlesAtAttempts(agent, 1 + c.attempts, kRetriesMs));
        EXPECT_EQ(c.live, Hooks(agent).Live());
        EXPECT_TRUE(c.live == 1 ? AltF1AsksOnce() : AltF1IsIgnored()) << "the hotkey works only with a hook";
        EXPECT_TRUE(agent.Close());
    }
}
