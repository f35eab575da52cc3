// The agent under bad input and faults: random private messages, a storm of random keys, nameless
// key codes in the registry and an agent killed while its question is open. Every loop is
// bounded in count and time.
#include "RoadFixture.h"

#include "helpers/SendKey.h"

#include <random>

using namespace road;

namespace {

class Fault : public RoadTest {
protected:
    static bool Answers(HWND window) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
    }
    // True once the agent's window thread has worked through its queue and waits for more
    // (Wine signals input idle each time that thread waits with nothing queued). An answer
    // does not say so: a sent message goes before everything posted.
    static bool CaughtUp(RoadAgent& agent) { return WaitForInputIdle(agent.Proc().Handle(), 30000) == 0; }
};

WPARAM const kTrayIconId = 132;

bool Within(DWORD start, DWORD limitMs) { return GetTickCount() - start < limitMs; }

}  // namespace

// Thousands of private messages with random parameters: the agent stays alive and answers.
// Sequences they start reach only the stand-ins of powercfg and of the confirmation, which never
// says yes.
TEST_F(Fault, MessageFuzzLeavesTheAgentAliveAndResponsive) {
    PowercfgInSystemFolder powercfg;
    ASSERT_TRUE(powercfg.Installed());
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithStandIn(install, agent));
    std::mt19937 random(20261208);
    DWORD start = GetTickCount();
    for (int i = 0; i < 3000 && Within(start, 60000); ++i) {
        UINT message = WM_USER + 1 + random() % 5;
        LPARAM lParam = random() % 4 == 0 ? kMarker : static_cast<LPARAM>(random());
        WPARAM wParam = 0;
        // The tray callback: a right click would open the tray menu, which waits for a user.
        if (message == WM_USER + 2 && random() % 2 == 0 && lParam != WM_RBUTTONUP)
            wParam = kTrayIconId;
        PostMessageW(agent.Window(), message, wParam, lParam);
        if (i % 100 == 99) {
            ASSERT_TRUE(Answers(agent.Window())) << "after " << i + 1 << " messages";
            ASSERT_TRUE(CaughtUp(agent)) << "after " << i + 1 << " messages";  // no backlog of thousands
        }
    }
    EXPECT_TRUE(Answers(agent.Window()));
    EXPECT_TRUE(agent.Proc().IsRunning());
    EXPECT_TRUE(RunSequence(agent)) << "the hotkey road still works";
    EXPECT_TRUE(SuspendCalls(agent).empty());
    // The sequences the fuzz started leave powercfg runs behind, which a loaded machine took 15 to
    // more than 30 s to end, and the agent's end waits for them: the close is timed once they have.
    EXPECT_TRUE(ChildrenEnded(agent.Proc().Id(), 120000));
    EXPECT_TRUE(agent.Close(30000));
}

// A storm of random key events in which Alt and F1 are never down together asks nothing; the
// hotkey right after it asks once.
TEST_F(Fault, KeyStormAsksOnlyWhenTheHotkeyIsHeld) {
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithStandIn(install, agent));
    // No Tab, F4, Escape, Space or Enter: with Alt they would work on whatever window is in front.
    WORD const pool[] = {'A', 'K', 'Z', '1', '9', VK_F1, VK_F2, VK_F9, VK_F12, VK_SHIFT, VK_CONTROL, VK_MENU, VK_NUMPAD5};
    bool down[ARRAYSIZE(pool)] = {};
    size_t const alt = 11, f1 = 5;
    std::mt19937 random(8121926);
    DWORD start = GetTickCount();
    for (int i = 0; i < 3000 && Within(start, 90000); ++i) {
        size_t key = random() % ARRAYSIZE(pool);
        bool press = !down[key] && !((key == alt && down[f1]) || (key == f1 && down[alt]));
        SendKey(pool[key], !press);
        down[key] = press;
    }
    for (size_t key = 0; key < ARRAYSIZE(pool); ++key)
        if (down[key])
            SendKey(pool[key], true);
    EXPECT_TRUE(NoNewStart(0)) << "the hotkey was never held";
    EXPECT_TRUE(Answers(agent.Window()));

    EXPECT_TRUE(AltF1Asks(1));
    EXPECT_TRUE(NoNewStart(1));
    EXPECT_TRUE(agent.Close());
}

// Stored key codes that name no key fall back to Alt+F1 instead of killing the hotkey.
TEST_F(Fault, NamelessKeyCodesFallBackToAltF1) {
    DWORD const allBits = 0xFFFFFFFF, high = 0xFF;
    struct Case {
        const char* name;
        DWORD type;
        const void* data1;
        const void* data2;
        DWORD size;
    } const cases[] = {
        {"no data", REG_BINARY, &high, &high, 0},
        {"255 and all bits", REG_DWORD, &high, &allBits, sizeof(DWORD)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        standin::SetAnswer(kNotOne);
        e2e::registry::WriteSettingRaw(kKey1Value, c.type, c.data1, c.size);
        e2e::registry::WriteSettingRaw(kKey2Value, c.type, c.data2, c.size);
        RoadInstall install;
        RoadAgent agent;
        ASSERT_TRUE(StartWithStandIn(install, agent));
        EXPECT_TRUE(AltF1Asks(1));
        EXPECT_TRUE(agent.Close());
        DWORD type = 0, size = 0;
        EXPECT_TRUE(e2e::registry::SettingTypeAndSize(kKey1Value, &type, &size));
        EXPECT_EQ(c.size, size) << "nothing written back";
    }
}

// An agent killed while its question is open leaves the answer behind; the next agent does not
// take that stale yes for an answer to its own question.
TEST_F(Fault, AgentKilledMidQuestionLeavesNoYesForTheNext) {
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    standin::SetAnswer(1);
    standin::SetHoldMs(1000);
    {
        RoadAgent first;
        ASSERT_TRUE(first.Start(install));
        first.Post(WM_HOTKEY_MATCHED, kMarker);
        ASSERT_TRUE(standin::WaitForStarts(1));
        first.Proc().Terminate();
        ASSERT_TRUE(first.Proc().WaitForExit(5000));
        ASSERT_TRUE(e2e::WaitUntil([] { return standin::Ends() == 1; }, kTriggerTimeoutMs));
        DWORD suspend = 0;
        ASSERT_TRUE(e2e::registry::ReadSetting(kSuspendValue, &suspend));
        ASSERT_EQ(1u, suspend) << "the yes nobody took";
        EXPECT_TRUE(SuspendCalls(first).empty());
    }

    standin::ClearAnswer();
    standin::SetHoldMs(0);
    RoadAgent next;
    ASSERT_TRUE(next.Start(install)) << "the killed agent's mutex is gone";
    ASSERT_TRUE(StartSequence(next));
    EXPECT_TRUE(WaitForSequenceEnd());
    standin::SetAnswer(kNotOne);
    EXPECT_TRUE(RunSequence(next)) << "and its first sequence has ended";
    EXPECT_TRUE(SuspendCalls(next).empty());
    EXPECT_TRUE(next.Close());
}
