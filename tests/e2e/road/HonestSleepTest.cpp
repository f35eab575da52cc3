// What the hotkey does on each kind of PC. A stand-in power library (powrprof.dll beside the
// agent in a test copy, chosen through Wine's DLL overrides) plays the PC; the real agent,
// Voltaro and Dormnote do the rest, and the stand-in records the suspend calls.
#include "QuestionRoad.h"

using namespace road;

namespace {

int const kOk = 1030, kCancel = 1031, kDontShow = 1004, kMessage = 1060;
int const kPowerNote = 1015;  // the settings window's line on what the hotkey does here
int const kSettingsCancel = 1001;
wchar_t const kCustomScheme[] = L"{0D0E1A2B-3C4D-5E6F-7081-92A3B4C5D6E7}";
wchar_t const kCustomSchemeName[] = L"0d0e1a2b-3c4d-5e6f-7081-92a3b4c5d6e7";

wchar_t const kHybridQuestion[] = L"After clicking OK, the system will enter the Hybrid Sleep mode.";
wchar_t const kSleepQuestion[] =
    L"After clicking OK, the PC will sleep, but not in hybrid sleep: hibernation is off (powercfg /hibernate on "
    L"turns it on).";
wchar_t const kSleepNote[] = L"On this PC the hotkey starts sleep, not hybrid sleep: hibernation is off.";
wchar_t const kHybridOffQuestion[] =
    L"After clicking OK, the PC will sleep, but not in hybrid sleep: it is off in the power plan and could not be "
    L"switched on.";
wchar_t const kPolicyOffQuestion[] =
    L"After clicking OK, the PC will sleep, but not in hybrid sleep: a policy of your organisation turns it off.";
wchar_t const kHybridOffNote[] =
    L"The hotkey starts sleep: hybrid sleep is off in the power plan, and switching it on failed.";
wchar_t const kPolicyOffNote[] =
    L"The hotkey starts sleep: a policy of your organisation turns hybrid sleep off.";
wchar_t const kCarefulQuestion[] = L"The PC will go to sleep.";
wchar_t const kHybridNotOnMessage[] =
    L"The PC was not put to sleep: hybrid sleep is not on, and a power cut would lose the open work. Press the "
    L"hotkey again to see what the PC can do.";
wchar_t const kHybridPolicyKey[] =
    L"Software\\Policies\\Microsoft\\Power\\PowerSettings\\94ac6d29-73ce-41a6-809f-6363ba21b47e";
int const kUnreadable = -1;  // a plan that cannot be read, as Wine's

struct Pc {
    const char* name;
    const wchar_t* capabilities;  // as the stand-in takes them
    bool prepares;                // hybrid sleep is switched on with powercfg
    const wchar_t* question;
    const wchar_t* note;  // the settings window's line, or none
    const char* okCall;   // the suspend call OK makes, or none: then nothing can be confirmed
};
Pc const kPcs[] = {
    {"hybrid sleep", L"s3 s4 hiberfile full", true, kHybridQuestion, nullptr, "0,1,0"},
    {"hibernation off", L"s1 s3", false, kSleepQuestion, kSleepNote, "0,1,0"},
    {"reduced hibernation file", L"s3 s4 hiberfile reduced", false, kSleepQuestion, kSleepNote, "0,1,0"},
    {"Modern Standby", L"aoac s3 s4 hiberfile full", false,
     L"After clicking OK, the PC will hibernate: it has no hybrid sleep.",
     L"On this PC the hotkey starts hibernation: it has no hybrid sleep.", "1,1,0"},
    {"neither", L"aoac", false, L"This PC offers no sleep that this utility can start.",
     L"This PC offers no sleep that the hotkey can start.", nullptr},
    {"capabilities unreadable", L"fail", false, L"The PC will go to sleep.", nullptr, "0,1,0"},
};

// A PC that can hybrid-sleep, with its plan, policy and powercfg as they are.
struct Plan {
    const char* name;
    int hybridSleep;               // the plan's value, or kUnreadable
    int policy;                    // the policy's value on mains and battery, or -1: none
    const wchar_t* startupFault;   // how powercfg fails at the agent's start ("fail", "hang"), or works
    const wchar_t* hotkeyFault;    // and at the hotkey
    bool offWhileAsking;           // the user switches hybrid sleep off while the question is up
    bool dontShow;                 // "do not show next time" was ticked
    const wchar_t* question;
    const char* okCall;            // the suspend call OK makes, or none: the PC stays awake and says why
    const wchar_t* note;           // the settings window's line, or none
};
Plan const kPlans[] = {
    {"hybrid sleep on", 1, -1, nullptr, nullptr, false, false, kHybridQuestion, "0,1,0", nullptr},
    {"switched on by the start-up's powercfg", 0, -1, nullptr, nullptr, false, false, kHybridQuestion, "0,1,0", nullptr},
    {"powercfg failing", 0, -1, L"fail", L"fail", false, true, kHybridOffQuestion, "0,1,0", kHybridOffNote},
    {"policy off", 1, 0, nullptr, nullptr, false, true, kPolicyOffQuestion, "0,1,0", kPolicyOffNote},
    {"switched off while asking", 1, -1, L"fail", L"fail", true, false, kHybridQuestion, nullptr, nullptr},
    // Where the plan cannot be read, only powercfg runs that ended with 0 count.
    {"plan unreadable, powercfg works", kUnreadable, -1, nullptr, nullptr, false, false, kHybridQuestion, "0,1,0",
     nullptr},
    {"plan unreadable, powercfg failing", kUnreadable, -1, L"fail", L"fail", false, false, kCarefulQuestion, "0,1,0",
     nullptr},
    {"plan unreadable, the hotkey's powercfg failing", kUnreadable, -1, nullptr, L"fail", false, false,
     kHybridQuestion, nullptr, nullptr},
    {"powercfg hanging", 0, -1, L"hang", L"hang", false, true, kHybridOffQuestion, "0,1,0", kHybridOffNote},
};

void SetHybridPolicy(int value) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kHybridPolicyKey);
    if (value < 0)
        return;
    DWORD const index = static_cast<DWORD>(value);
    for (const wchar_t* name : {L"ACSettingIndex", L"DCSettingIndex"})
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kHybridPolicyKey, name, REG_DWORD, &index, sizeof(index));
}

class HonestSleep : public QuestionRoad {
protected:
    void TearDown() override {
        SetHybridPolicy(-1);
        QuestionRoad::TearDown();
    }
    // The agent from a copy of the install that uses the stand-in power library.
    bool StartAgent(const e2e::InstallFolder& install, RoadAgent& agent) {
        std::wstring const runLog = powercfg_.LogEnvironment();
        return standInFirst_.Set() && install.CopyFileTo(PowrprofStandIn(), L"powrprof.dll") &&
               agent.Start(install, {runLog.c_str()});
    }
    // powercfg's parameters, run by run.
    std::vector<std::wstring> PowercfgParameters() const {
        std::vector<std::wstring> runs = powercfg_.Runs();
        for (std::wstring& run : runs)
            run.erase(0, run.find(L'|') + 1);
        return runs;
    }
    static std::vector<std::wstring> Preparation() {
        std::wstring const scheme = kCustomSchemeName;
        return {L"-setacvalueindex " + scheme + L" SUB_SLEEP HYBRIDSLEEP 1",
                L"-setdcvalueindex " + scheme + L" SUB_SLEEP HYBRIDSLEEP 1", L"-setactive " + scheme};
    }
    static bool WaitForStandInCalls(size_t count) {
        return e2e::WaitUntil([&] { return standin::SuspendCalls().size() >= count; }, kTriggerTimeoutMs);
    }
    // The settings window's line on what the hotkey does: its text, or empty while it is hidden.
    static std::wstring PowerNoteShown(HWND agent) {
        SendMessageW(agent, WM_USER + 3, 0, kMarker);
        HWND note = GetDlgItem(agent, kPowerNote);
        std::wstring shown = IsWindowVisible(agent) && IsWindowVisible(note) ? e2e::TextOf(note) : L"";
        SendMessageW(agent, WM_COMMAND, MAKEWPARAM(kSettingsCancel, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(agent, kSettingsCancel)));
        return shown;
    }

    // The agent of a PC that can hybrid-sleep, once its start-up runs are over (unless they hang).
    bool StartOnPlan(const Plan& plan, const e2e::InstallFolder& install, RoadAgent& agent) {
        standin::SetPowerCapabilities(L"s3 s4 hiberfile full");
        standin::SetActiveScheme(kCustomScheme);
        standin::SetHybridSleep(plan.hybridSleep);
        SetHybridPolicy(plan.policy);
        standin::SetPowercfgFault(plan.startupFault);
        powercfg_.ClearRuns();
        if (!StartAgent(install, agent))
            return false;
        bool const hangs = plan.startupFault && !lstrcmpW(plan.startupFault, L"hang");
        if (!hangs && !powercfg_.WaitForRuns(3))
            return false;
        Sleep(kQuietMs / 3);  // the agent notes how the runs ended just after their last line
        standin::SetPowercfgFault(plan.hotkeyFault);
        return true;
    }

    PowercfgInSystemFolder powercfg_;
    NativeLibraryFirst standInFirst_{L"Dormkey.exe", L"powrprof"};
};

// Each PC as it comes, with the question asked and with "do not show next time" on: what
// powercfg runs, what the question says and offers, and what OK does.
// The PC changes between two hotkeys of one agent, as switching hibernation off does.
TEST_F(HonestSleep, EachKindOfPcIsToldWhatTheHotkeyDoes) {
    ASSERT_TRUE(powercfg_.Installed());
    standin::SetPowerCapabilities(kPcs[0].capabilities);
    standin::SetActiveScheme(kCustomScheme);
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(StartAgent(install, agent));
    ASSERT_TRUE(powercfg_.WaitForRuns(3)) << "prepared at start-up";
    for (bool dontShow : {false, true}) {
        for (const Pc& pc : kPcs) {
            SCOPED_TRACE(testing::Message() << pc.name << (dontShow ? ", do not show next time" : ""));
            standin::SetPowerCapabilities(pc.capabilities);
            e2e::registry::WriteSetting(kShowMessageBoxValue, dontShow ? 1 : 0);
            powercfg_.ClearRuns();
            size_t const calls = standin::SuspendCalls().size();
            MarkSequencePending();
            PressAltF1();
            if (!dontShow || !pc.okCall) {  // a question that can only inform is always shown
                HWND question = WaitForQuestion();
                ASSERT_NE(nullptr, question);
                EXPECT_EQ(pc.question, e2e::TextOf(GetDlgItem(question, kMessage)));
                EXPECT_EQ(pc.okCall != nullptr, IsWindowVisible(GetDlgItem(question, kOk)) != FALSE);
                EXPECT_EQ(pc.okCall != nullptr, IsWindowVisible(GetDlgItem(question, kDontShow)) != FALSE);
                EXPECT_EQ(pc.okCall ? L"Cancel" : L"Close", e2e::TextOf(GetDlgItem(question, kCancel)));
                ASSERT_TRUE(ClickAnswer(question, pc.okCall ? kOk : kCancel));
            }
            EXPECT_TRUE(WaitForSequenceEnd());
            if (pc.okCall) {
                ASSERT_TRUE(WaitForStandInCalls(calls + 1));
                EXPECT_EQ(pc.okCall, standin::SuspendCalls().back());
            } else {
                Sleep(kQuietMs / 3);
            }
            EXPECT_EQ(calls + (pc.okCall ? 1 : 0), standin::SuspendCalls().size());
            if (pc.prepares) {
                EXPECT_TRUE(powercfg_.WaitForRuns(3));
            }
            EXPECT_EQ(pc.prepares ? Preparation() : std::vector<std::wstring>(), InPreparationOrder(PowercfgParameters()));
        }
    }
    EXPECT_TRUE(agent.Close());
}

// Hybrid sleep is promised only where it is on when the question comes; a yes is checked again,
// and a promise that no longer holds keeps the PC awake and says why. "Do not show next time"
// skips only a question that promises what was agreed to.
TEST_F(HonestSleep, TheQuestionPromisesHybridSleepOnlyWhereItIsOn) {
    ASSERT_TRUE(powercfg_.Installed());
    for (const Plan& plan : kPlans) {
        SCOPED_TRACE(plan.name);
        e2e::InstallFolder install;
        RoadAgent agent;
        ASSERT_TRUE(StartOnPlan(plan, install, agent));
        size_t const calls = standin::SuspendCalls().size();
        e2e::registry::WriteSetting(kShowMessageBoxValue, plan.dontShow ? 1 : 0);
        MarkSequencePending();
        PressAltF1();
        HWND question = WaitForQuestion();
        ASSERT_NE(nullptr, question);
        EXPECT_EQ(plan.question, e2e::TextOf(GetDlgItem(question, kMessage)));
        if (plan.offWhileAsking)
            standin::SetHybridSleep(0);
        ASSERT_TRUE(ClickAnswer(question, kOk));
        if (plan.okCall) {
            // A hanging powercfg is waited for a while before the PC sleeps.
            ASSERT_TRUE(e2e::WaitUntil([&] { return standin::SuspendCalls().size() > calls; }, 3 * kTriggerTimeoutMs));
            EXPECT_EQ(plan.okCall, standin::SuspendCalls().back());
        } else {
            HWND message = e2e::WaitForTopWindow(L"#32770", L"Korvane Dormello", agent.Proc().Id(), 2 * kTriggerTimeoutMs);
            ASSERT_NE(nullptr, message);
            std::wstring const text = e2e::ChildTexts(message);
            EXPECT_NE(std::wstring::npos, text.find(kHybridNotOnMessage)) << testing::PrintToString(text);
            EXPECT_EQ(calls, standin::SuspendCalls().size());
        }
        EXPECT_TRUE(agent.Close());
    }
}

// The settings window says what the hotkey does on a PC that will not hybrid-sleep, as the PC is
// when the window opens, and as the question would say it; on one that will, it stays as it was.
TEST_F(HonestSleep, TheSettingsWindowSaysWhatTheHotkeyDoesHere) {
    e2e::registry::WriteSetting(kShowInTrayValue, 0);  // no icon to come back and take the activation
    e2e::InstallFolder install;
    {
        RoadAgent agent;
        ASSERT_TRUE(StartAgent(install, agent));
        for (const Pc& pc : kPcs) {
            SCOPED_TRACE(pc.name);
            standin::SetPowerCapabilities(pc.capabilities);
            EXPECT_EQ(pc.note ? pc.note : L"", PowerNoteShown(agent.Window()));
        }
        EXPECT_TRUE(agent.Close());
    }
    for (const Plan& plan : kPlans) {
        SCOPED_TRACE(plan.name);
        RoadAgent agent;
        ASSERT_TRUE(StartOnPlan(plan, install, agent));
        EXPECT_EQ(plan.note ? plan.note : L"", PowerNoteShown(agent.Window()));
        EXPECT_TRUE(agent.Close());
    }
}

// A suspend that Windows refuses is told, in the system's words, once the sequence has ended:
// the next hotkey works while the message is still up, and the agent still ends when asked.
TEST_F(HonestSleep, ARefusedSleepIsToldAndTheNextHotkeyWorks) {
    standin::SetPowerCapabilities(L"s3 s4 hiberfile full");
    standin::SetSuspendError(ERROR_NOT_SUPPORTED);
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(StartAgent(install, agent));
    MarkSequencePending();
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question);
    ASSERT_TRUE(ClickAnswer(question, kOk));
    HWND message = e2e::WaitForTopWindow(L"#32770", L"Korvane Dormello", agent.Proc().Id(), kTriggerTimeoutMs);
    ASSERT_NE(nullptr, message);
    std::wstring text = e2e::ChildTexts(message);
    EXPECT_NE(std::wstring::npos, text.find(L"The PC could not be put to sleep.")) << testing::PrintToString(text);
    wchar_t reason[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_NOT_SUPPORTED, 0, reason,
                   ARRAYSIZE(reason), nullptr);
    std::wstring systemText = reason;
    systemText.erase(systemText.find_last_not_of(L"\r\n ") + 1);
    ASSERT_FALSE(systemText.empty());
    EXPECT_NE(std::wstring::npos, text.find(systemText)) << testing::PrintToString(text);

    standin::SetSuspendError(0);
    MarkSequencePending();
    PressAltF1();
    question = WaitForQuestion();
    ASSERT_NE(nullptr, question) << "the next hotkey asks while the message is up";
    ASSERT_TRUE(ClickAnswer(question, kOk));
    ASSERT_TRUE(WaitForStandInCalls(2));
    EXPECT_EQ(std::vector<std::string>({kSuspendCall, kSuspendCall}), standin::SuspendCalls());
    EXPECT_TRUE(IsWindowVisible(message));
    EXPECT_TRUE(agent.Close());
}

}  // namespace
