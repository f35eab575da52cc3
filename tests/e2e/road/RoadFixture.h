// Common ground of the hotkey-road tests: no agent running, settings, change signal and
// stand-in state reset before and after, the agent's calls traced, an install without the real
// confirmation program.
#pragma once
#include "Road.h"

#include "common/RegistryLayout.h"

#include <gtest/gtest.h>

namespace road {

DWORD const kNotOne = 2;        // an answer that is not "sleep", told apart from the agent's reset to 0
DWORD const kPendingMark = 5;   // Suspend before a sequence: the agent's 0 marks its end

// A copy of the staged install without any confirmation program.
class RoadInstall : public e2e::InstallFolder {
public:
    RoadInstall() : e2e::InstallFolder({L"Dormnote.exe", L"Images\\Dormnote.exe"}) {}
    bool AddConfirmation(const wchar_t* relative) const { return CopyFileTo(ConfirmStandIn(), relative); }
};

class RoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        standin::SetAnswer(kNotOne);
        ASSERT_TRUE(trace_.Available()) << "run through with-trace.sh (ctest does) to see the agent's calls";
    }
    void TearDown() override {
        e2e::EndStrayAgents();
        Reset();
        standin::Remove();
    }
    static void Reset() {
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
        e2e::registry::DeleteChangeKey();
        standin::Reset();
    }

    // A stale Suspend that is not 1, as an earlier sequence may leave it.
    static void MarkSequencePending() { e2e::registry::WriteSetting(kSuspendValue, kPendingMark); }
    // Every stand-in started has answered and the agent has reset Suspend to 0 (the agent also
    // clears it before asking, so with an answer of 0 or none this may hold a moment early).
    static bool WaitForSequenceEnd(DWORD timeoutMs = kTriggerTimeoutMs) {
        return e2e::WaitUntil(
            [] {
                DWORD suspend = kPendingMark;
                return standin::Ends() >= standin::Starts() && e2e::registry::ReadSetting(kSuspendValue, &suspend) &&
                       suspend == 0;
            },
            timeoutMs);
    }
    // Starts one sequence through WM_USER+1; true when a confirmation started. A sequence that
    // has only just ended may not have released its guard yet: asked again until one starts.
    // Each ask waits long enough for a loaded machine to start the stand-in, so that a slow
    // start is never asked twice (that would run a second sequence).
    static bool StartSequence(RoadAgent& agent) {
        DWORD const kStartWaitMs = 2000;
        DWORD starts = standin::Starts();
        return e2e::WaitUntil(
            [&] {
                agent.Post(WM_HOTKEY_MATCHED, kMarker);
                return standin::WaitForStarts(starts + 1, kStartWaitMs);
            },
            kTriggerTimeoutMs + kStartWaitMs);
    }
    // Starts one sequence and waits for its end; true when a confirmation ran.
    static bool RunSequence(RoadAgent& agent) {
        MarkSequencePending();
        return StartSequence(agent) && WaitForSequenceEnd();
    }
    // Holds Alt+F1 as a user does; true when confirmation number `starts` began and its sequence ended.
    static bool AltF1Asks(DWORD starts) {
        MarkSequencePending();
        standin::AnswerAfterKeysUp();
        bool started = false;
        {
            HeldKeys keys;
            keys.Down(VK_MENU);
            keys.Down(VK_F1);
            started = standin::WaitForStarts(starts);
        }
        return started && WaitForSequenceEnd();
    }
    // A copy of the staged install with the confirmation stand-in, and the agent started from it.
    static bool StartWithStandIn(RoadInstall& install, RoadAgent& agent) {
        return install.AddConfirmation(L"Dormnote.exe") && agent.Start(install);
    }
    // True when no confirmation beyond `starts` has been started for a while.
    static bool NoNewStart(DWORD starts) { return !standin::WaitForStarts(starts + 1, kQuietMs); }

    // The agent's suspend calls, each as "<hibernate>,<force>,<wake events disabled>" (0 or 1).
    std::vector<std::string> SuspendCalls(RoadAgent& agent) const {
        return SuspendCallsIn(trace_.Calls(agent.Proc().Id(), kSuspendFunction));
    }
    bool WaitForSuspendCalls(RoadAgent& agent, size_t count) const {
        return e2e::WaitUntil([&] { return SuspendCalls(agent).size() >= count; }, kTriggerTimeoutMs);
    }

    RelayTrace trace_{L"powrprof.SetSuspendState;KERNEL32.LocalFree"};
};

// A suspend as the agent asks for it: not hibernation, forced, wake events left on.
std::string const kSuspendCall = "0,1,0";

}  // namespace road
