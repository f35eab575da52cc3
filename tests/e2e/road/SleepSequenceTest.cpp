// From a matched hotkey (WM_USER+1) to the suspend call: which confirmation program is started,
// what its answer leads to, the guards against a second sequence, and no handle left behind.
#include "RoadFixture.h"

#include <algorithm>

using namespace road;

namespace {

class SleepSequence : public RoadTest {};

bool SamePath(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool WriteFileText(const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr) != FALSE;
    CloseHandle(file);
    return ok;
}

BOOL CALLBACK CloseVisibleWindowOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// The shell may report a program that cannot start in a message box of the agent's process:
// closes any that appears within a moment.
void DismissMessageBoxes(DWORD processId) {
    auto visibleWindow = [processId] { return e2e::CountTopWindows(processId, true) > 0; };
    if (!e2e::WaitUntil(visibleWindow, 2000))
        return;
    EnumWindows(CloseVisibleWindowOf, static_cast<LPARAM>(processId));
    e2e::WaitUntil([&] { return !visibleWindow(); }, 2000);
}

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

// Only the confirmation's own 1, given in this sequence, suspends. Whatever else ends the
// question (no answer, a kill, a program that does not start) leaves the machine awake, even
// over a stale 1 or an unreadable value left from before.
TEST_F(SleepSequence, OnlyAnExplicitYesSleeps) {
    enum class Ending { Answer, NoAnswer, Killed, NotAProgram };
    using Stale = void (*)();
    Stale const none = [] {};
    Stale const one = [] { e2e::registry::WriteSetting(kSuspendValue, 1); };
    Stale const unreadable = [] {
        ULONGLONG wide = 1;
        e2e::registry::WriteSettingRaw(kSuspendValue, REG_QWORD, &wide, sizeof(wide));
    };
    struct Case {
        const char* name;
        Ending ending;
        DWORD answer;
        Stale stale;
        size_t suspends;
    } const cases[] = {
        {"answer 1", Ending::Answer, 1, none, 1},
        {"answer 1 over a stale 1", Ending::Answer, 1, one, 1},
        {"answer 0 over a stale 1", Ending::Answer, 0, one, 0},
        {"no answer on a fresh installation", Ending::NoAnswer, 0, none, 0},
        {"no answer over a stale 1", Ending::NoAnswer, 0, one, 0},
        {"no answer over an unreadable value", Ending::NoAnswer, 0, unreadable, 0},
        {"killed while asking, over a stale 1", Ending::Killed, 0, one, 0},
        {"not a program, over a stale 1", Ending::NotAProgram, 0, one, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        c.stale();
        RoadInstall install;
        if (c.ending == Ending::NotAProgram)
            ASSERT_TRUE(WriteFileText(install / L"Dormnote.exe", "not a program"));
        else
            ASSERT_TRUE(install.AddConfirmation(L"Dormnote.exe"));
        if (c.ending == Ending::Answer)
            standin::SetAnswer(c.answer);
        standin::SetHoldMs(c.ending == Ending::Killed ? 30000 : 0);
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install));
        agent.Post(WM_HOTKEY_MATCHED, kMarker);
        if (c.ending == Ending::NotAProgram) {
            DismissMessageBoxes(agent.Proc().Id());
            ASSERT_TRUE(install.AddConfirmation(L"Dormnote.exe"));
        } else {
            ASSERT_TRUE(standin::WaitForStarts(1));
            if (c.ending == Ending::Killed) {
                ASSERT_TRUE(standin::KillLast());
            }
        }

        // The stand-in reads its orders after its start: they change only once it has answered.
        EXPECT_TRUE(WaitForSequenceEnd());
        // A next sequence that starts proves this one has ended, its suspend call included.
        standin::SetHoldMs(0);
        standin::SetAnswer(kNotOne);
        EXPECT_TRUE(RunSequence(agent)) << "the next hotkey is accepted";
        std::vector<std::string> calls = SuspendCalls(agent);
        EXPECT_EQ(c.suspends, calls.size());
        if (!calls.empty()) {
            EXPECT_EQ(kSuspendCall, calls[0]);
        }
        DWORD suspend = 0xdeadbeef;
        EXPECT_TRUE(e2e::registry::ReadSetting(kSuspendValue, &suspend));
        EXPECT_EQ(0u, suspend) << "nothing stale is left for the next question";
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
    // A count, not a timing: the runs are process starts (the two value runs together, the
    // activation after them), which a loaded machine took more than 15 s for. The bound only
    // ends the wait for a run that never comes.
    DWORD const kRunsLimitMs = 60000;
    ASSERT_TRUE(powercfg.WaitForRuns(3, kRunsLimitMs));

    auto runSequences = [&](int count) {
        for (int i = 0; i < count; ++i) {
            size_t runs = powercfg.Runs().size();
            ASSERT_TRUE(RunSequence(agent)) << "sequence " << i;
            ASSERT_TRUE(powercfg.WaitForRuns(runs + 3, kRunsLimitMs))
                << "sequence " << i << ": " << powercfg.Runs().size() - runs << " of its 3 powercfg runs logged";
        }
    };
    runSequences(5);
    int afterFive = SettledHandleCount(agent.Proc().Id());
    ASSERT_GT(afterFive, 0) << "what the agent started never all ended, or its handles could not be counted";
    runSequences(45);
    int afterFifty = SettledHandleCount(agent.Proc().Id());
    EXPECT_EQ(50u, standin::Starts());
    EXPECT_LE(afterFifty, afterFive + 3) << "four processes and two threads per sequence: a leak would add 45 or more";
    EXPECT_TRUE(agent.Close());
}
