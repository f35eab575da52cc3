// From a matched hotkey (WM_USER+1) to the suspend call: which confirmation program is started,
// what its answer leads to, the guards against a second sequence, and no handle left behind.
#include "RoadFixture.h"

#include <algorithm>

using namespace road;

namespace {

class SleepSequence : public RoadTest {};

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

}  // namespace

TEST_F(SleepSequence, ConfirmationBesideTheAgentWinsOverImages) {
    struct Case {
        const char* name;
        std::vector<const wchar_t*> copies;
        const wchar_t* started;
    } const cases[] = {
        {"beside the agent only", {L"Dormnote.exe"}, L"Dormnote.exe"},
        {"in Images only", {L"Images\\Dormnote.exe"}, L"Images\\Dormnote.exe"},
        {"in both", {L"Images\\Dormnote.exe", L"Dormnote.exe"}, L"Dormnote.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        standin::SetAnswer(kNotOne);
        RoadInstall install;
        for (const wchar_t* copy : c.copies)
            ASSERT_TRUE(install.AddConfirmation(copy));
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install));
        EXPECT_TRUE(RunSequence(agent));
        EXPECT_TRUE(SamePath(install / c.started, standin::StartedPath())) << "started " << testing::PrintToString(standin::StartedPath());
        EXPECT_TRUE(agent.Close());
    }
}

TEST_F(SleepSequence, NoConfirmationProgramStartsNothingAndTheNextHotkeyIsAccepted) {
    RoadInstall install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    agent.Post(WM_HOTKEY_MATCHED, kMarker);
    EXPECT_TRUE(NoNewStart(0));
    EXPECT_TRUE(agent.Proc().IsRunning());

    ASSERT_TRUE(install.AddConfirmation(L"Dormnote.exe"));
    EXPECT_TRUE(RunSequence(agent)) << "no sequence was left hanging";
    EXPECT_TRUE(agent.Close());
}

TEST_F(SleepSequence, TheAnswerDecidesTheSuspendCall) {
    struct Case {
        DWORD answer;
        std::vector<std::string> suspendCalls;
    } const cases[] = {
        {1, {"00000001,00000001"}},
        {0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << c.answer);
        standin::SetAnswer(c.answer);
        RoadInstall install;
        install.AddConfirmation(L"Dormnote.exe");
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install));
        DWORD starts = standin::Starts();
        MarkSequencePending();
        agent.Post(WM_HOTKEY_MATCHED, kMarker);
        ASSERT_TRUE(standin::WaitForStarts(starts + 1));
        EXPECT_TRUE(WaitForSequenceEnd()) << "Suspend is reset to 0 either way";
        // The reset comes right before the suspend call: give the call time to be traced.
        e2e::WaitUntil([&] { return !trace_.Calls(agent.Proc().Id(), "KERNEL32.SetSystemPowerState").empty(); },
                       c.answer == 1 ? kTriggerTimeoutMs : 500);
        EXPECT_EQ(c.suspendCalls, trace_.Calls(agent.Proc().Id(), "KERNEL32.SetSystemPowerState"));
        EXPECT_TRUE(RunSequence(agent)) << "the next hotkey is accepted";
        EXPECT_TRUE(agent.Close());
    }
}

TEST_F(SleepSequence, HotkeysDuringASequenceStartNoSecondConfirmation) {
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    standin::SetHoldMs(1500);
    MarkSequencePending();
    agent.Post(WM_HOTKEY_MATCHED, kMarker);
    agent.Post(WM_HOTKEY_MATCHED, kMarker);
    ASSERT_TRUE(standin::WaitForStarts(1));
    {
        HeldKeys keys;  // and the real hotkey while the confirmation runs
        keys.Down(VK_MENU);
        keys.Down(VK_F1);
        Sleep(300);
    }
    agent.Post(WM_HOTKEY_MATCHED, kMarker);
    EXPECT_TRUE(WaitForSequenceEnd());
    EXPECT_EQ(1u, standin::Starts());
    standin::SetHoldMs(0);
    EXPECT_TRUE(RunSequence(agent)) << "once the sequence has ended a new one starts";
    EXPECT_EQ(2u, standin::Starts());
    EXPECT_TRUE(agent.Close());
}

TEST_F(SleepSequence, WaitingHiddenConfirmationWindowIsBroughtForwardInstead) {
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    {
        HiddenConfirmationWindow waiting;
        ASSERT_NE(nullptr, waiting.Get());
        agent.Post(WM_HOTKEY_MATCHED, kMarker);
        EXPECT_TRUE(NoNewStart(0)) << "a hidden confirmation window means no new start";

        waiting.Show(true);
        ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(waiting.Get()) != FALSE; }, 2000));
        EXPECT_TRUE(RunSequence(agent)) << "a visible one does not stop a new start";
    }
    EXPECT_TRUE(agent.Close());
}

TEST_F(SleepSequence, HandleCountIsFlatOverManySequences) {
    PowercfgInSystemFolder powercfg;
    ASSERT_TRUE(powercfg.Installed());
    RoadInstall install;
    install.AddConfirmation(L"Dormnote.exe");
    ASSERT_TRUE(install.CopyFileTo(SchemeVoltaro(), L"Voltaro.dll"));  // so powercfg runs each time
    std::wstring log = powercfg.LogEnvironment();
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install, {L"VOLTARO_TEST_SCHEME={381B4222-F694-41F0-9685-FF5BB260DF2E}", log.c_str()}));
    ASSERT_TRUE(powercfg.WaitForRuns(2));

    auto runSequences = [&](int count) {
        for (int i = 0; i < count; ++i) {
            size_t runs = powercfg.Runs().size();
            ASSERT_TRUE(RunSequence(agent)) << "sequence " << i;
            ASSERT_TRUE(powercfg.WaitForRuns(runs + 2));
        }
        Sleep(500);  // let the last powercfg and confirmation processes go
    };
    runSequences(5);
    int afterFive = KernelHandleCount(agent.Proc().Id());
    ASSERT_GT(afterFive, 0);
    runSequences(45);
    int afterFifty = KernelHandleCount(agent.Proc().Id());
    EXPECT_EQ(50u, standin::Starts());
    EXPECT_LE(afterFifty, afterFive + 3) << "three processes per sequence: a leak would add 45 or more";
    EXPECT_TRUE(agent.Close());
}
