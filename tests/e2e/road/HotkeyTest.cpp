// The hotkey as the user presses it, through the real hook library and the agent's monitor, and
// the WM_USER+5 test, with a confirmation stand-in that reports each start.
#include "RoadFixture.h"

#include "helpers/SendKey.h"
#include "helpers/SwallowingHook.h"

#include <functional>

using namespace road;

namespace {

class Hotkey : public RoadTest {
protected:
    // With Alt+F1 held, the keys alone start nothing; then `trigger` starts one confirmation.
    static void ExpectOnlyTriggerStarts(RoadAgent& agent, const std::function<void()>& trigger, const char* keysAlone,
                                        const char* triggered) {
        HeldKeys keys;
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        EXPECT_TRUE(NoNewStart(0)) << keysAlone;
        MarkSequencePending();
        trigger();
        EXPECT_TRUE(standin::WaitForStarts(1)) << triggered;
        keys.ReleaseAll();
        EXPECT_TRUE(WaitForSequenceEnd());
        EXPECT_TRUE(agent.Proc().IsRunning());
    }
};

// A change under the change-signal key made by the test, as any program could make it.
void TouchChangeKey() {
    static DWORD value = 0;
    ++value;
    RegSetKeyValueW(HKEY_CURRENT_USER, kChangeSignalKeyPath, kKeyPressValue, REG_DWORD, &value, sizeof(value));
}

void DeleteKorvaneUserKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Korvane");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"SOFTWARE\\Korvane");
}

}  // namespace

TEST_F(Hotkey, EachKeyOrderStartsOneConfirmation) {
    struct Case {
        const char* name;
        std::vector<WORD> keys;
    } const cases[] = {
        {"Alt then F1", {VK_MENU, VK_F1}},
        {"F1 then Alt", {VK_F1, VK_MENU}},
        {"Ctrl+Alt+F1", {VK_CONTROL, VK_MENU, VK_F1}},
    };
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    DWORD expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MarkSequencePending();
        {
            HeldKeys keys;
            for (WORD key : c.keys)
                keys.Down(key);
            ++expected;
            EXPECT_TRUE(standin::WaitForStarts(expected));
        }
        EXPECT_TRUE(WaitForSequenceEnd());
        EXPECT_TRUE(NoNewStart(expected)) << "one confirmation per hotkey";
        EXPECT_EQ(expected, standin::Starts());
    }
    EXPECT_TRUE(agent.Close());
}

TEST_F(Hotkey, NothingStartsWhileTheFunctionIsOff) {
    for (DWORD enable : {0u, 2u}) {
        SCOPED_TRACE(testing::Message() << "EnableFunction " << enable);
        e2e::registry::WriteSetting(kEnableFunctionValue, enable);
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install));
        HeldKeys keys;
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        agent.Post(WM_CHECK_HOTKEY, kMarker);
        EXPECT_TRUE(NoNewStart(0));
        keys.ReleaseAll();
        EXPECT_TRUE(agent.Close());
    }
}

TEST_F(Hotkey, EqualKeysMakeOneKeyTheHotkey) {
    e2e::registry::WriteSetting(kKey1Value, VK_F9);
    e2e::registry::WriteSetting(kKey2Value, VK_F9);
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    {
        HeldKeys keys;
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        EXPECT_TRUE(NoNewStart(0)) << "Alt+F1 is no longer the hotkey";
    }
    MarkSequencePending();
    {
        HeldKeys keys;
        keys.Down(VK_F9);
        EXPECT_TRUE(standin::WaitForStarts(1)) << "F9 alone is";
    }
    EXPECT_TRUE(WaitForSequenceEnd());
    EXPECT_TRUE(agent.Close());
}

TEST_F(Hotkey, CheckMessageWorksWithoutTheHookLibrary) {
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    ASSERT_TRUE(install.Remove(L"Keytap.dll"));
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    agent.Post(WM_CHECK_HOTKEY, kMarker);
    EXPECT_TRUE(NoNewStart(0)) << "keys up: nothing";
    ExpectOnlyTriggerStarts(
        agent,
        [&] {
            agent.Post(WM_CHECK_HOTKEY, 0);
            EXPECT_TRUE(NoNewStart(0)) << "without the marker WM_USER+5 does nothing";
            agent.Post(WM_CHECK_HOTKEY, kMarker);
        },
        "without the hook library pressing the keys does nothing", "WM_USER+5 with the keys held");
    EXPECT_TRUE(agent.Close());
}

TEST_F(Hotkey, HookLibraryWithoutEntryPointsStillLetsChangesTrigger) {
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    // A loadable library that has neither KT_Initialize nor KT_Uninitialize.
    ASSERT_TRUE(install.CopyFileTo(install / L"Voltaro.dll", L"Keytap.dll"));
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    ExpectOnlyTriggerStarts(agent, TouchChangeKey, "no hook signals the keys",
                            "the monitor runs all the same and wakes on any change");
    EXPECT_TRUE(agent.Close()) << "and the clean-up skips the missing KT_Uninitialize";
}

TEST_F(Hotkey, ChangeKeyThatCannotBeOpenedLeavesTheCheckMessage) {
    // Under a volatile parent the non-volatile change-signal key can neither be opened nor created.
    DeleteKorvaneUserKey();
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Korvane", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &parent, nullptr));
    RegCloseKey(parent);

    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    ExpectOnlyTriggerStarts(
        agent, [&] { agent.Post(WM_CHECK_HOTKEY, kMarker); }, "no monitor: the keys alone do nothing",
        "WM_USER+5 still works");
    EXPECT_TRUE(agent.Close());
    DeleteKorvaneUserKey();
}

// A registry cleaner deletes the change-signal key (or the whole vendor key) under the running
// agent: the agent watches the key anew, and Alt+F1 still asks.
TEST_F(Hotkey, SurvivesItsSignalKeyBeingDeleted) {
    struct Case {
        const char* name;
        void (*remove)();
    } const cases[] = {
        {"the whole vendor key", DeleteKorvaneUserKey},
        {"the change-signal key", [] { e2e::registry::DeleteChangeKey(); }},
        {"the whole vendor key again", DeleteKorvaneUserKey},
    };
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithStandIn(install, agent));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.remove();
        EXPECT_TRUE(AltF1Asks(standin::Starts() + 1));
    }
    EXPECT_TRUE(agent.Close());
}

// Keys that an older hook (installed before the agent) swallows never read as down: pressed
// before the hotkey, they start nothing, and Alt+F1 after them asks once.
TEST_F(Hotkey, KeysAnOlderHookSwallowsDoNotHoldUpTheHotkey) {
    SwallowingHook older(VK_F10);
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(StartWithStandIn(install, agent));
    for (int i = 0; i < 20; ++i) {
        SendKey(VK_F10, false);
        SendKey(VK_F10, true);
    }
    EXPECT_TRUE(AltF1Asks(1));
    EXPECT_TRUE(NoNewStart(1)) << "one question";
    EXPECT_TRUE(agent.Close());
}
