// Drives every benchmark scene under Wine: the question brought up by Alt+F1 against a minimal
// dialog program started beside each question, the question switched off against an empty
// program, keys typed with the agent resident against a bare
// hook (their cost, and the time until each reaches the window that has the keyboard, also
// behind an older hook that swallows keys), the idle agent against a program that only registers the hotkey, wake-ups per key, memory
// and handles over repeated sequences, and the question's start-up phases. Timings are its own;
// CPU, context switches and memory are sampled from the Linux side by tools/bench_measure.py at
// the edges it names. With "scaled" it runs only what the display's scale changes: the settings
// window's show and the agent's memory around it, and the questions; with "questions" only the
// questions beside the minimal dialog.
#include "Protocol.h"

#include "common/RegistryLayout.h"
#include "confirm/resource.h"
#include "helpers/SendKey.h"
#include "road/Road.h"
#include "support/Harness.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

wchar_t const kQuestionTitle[] = L"Korvane Dormello Message";
wchar_t const kBalancedScheme[] = L"VOLTARO_TEST_SCHEME={381B4222-F694-41F0-9685-FF5BB260DF2E}";
DWORD const kTimeoutMs = 15000;
DWORD const kSettleMs = 700;
WORD const kSwallowedKey = VK_F8;  // what bench_hook.exe swallows when started with "swallow"
int const kSwallowedPerRound = 20;
int const kSettingsCancel = 1001;  // the settings window's Cancel
int const kShows = 20;             // settings window shows, and questions, the memory is read over
int const kMemoryQuestions = 50;
DWORD const kFirstKeyLeadMs = 100;  // how long Alt is held before F1 where the second key is timed

struct Counts {
    int questions = 20;
    int keys = 20;
    DWORD idleMs = 10000;
    int startups = 7;
};

std::wstring BenchProgram(const char* unixPath) { return e2e::WindowsPathFromUnix(unixPath); }

// Waits until the window titled title appears, then until its program has painted it and
// waits for input (blocking in WaitForInputIdle: polling would add its own server work to
// every figure). The window, or null.
HWND WaitUntilShown(const wchar_t* title) {
    HWND window = nullptr;
    if (!bench::Poll([&] { return (window = FindWindowW(L"#32770", title)) != nullptr; }, 15000))
        return nullptr;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (!process)
        return nullptr;
    bool shown = WaitForInputIdle(process, 15000) == 0 &&
                 bench::Poll([&] { return IsWindowVisible(window) != FALSE; }, 15000);
    CloseHandle(process);
    return shown ? window : nullptr;
}

// A window of the driver's own that has the keyboard, as "another program" a user types into.
HWND CreateTypingWindow() {
    HWND window = CreateWindowExW(0, L"EDIT", L"Bench Keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window || !e2e::BringToForeground(window))
        bench::Fail("typing window");
    return window;
}

void TypeKeys(const char* figure, int count) {
    bench::Sample(figure, "begin");
    for (int i = 0; i < count; ++i) {
        SendKey(VK_F9, false);
        bench::Pause(30);
        SendKey(VK_F9, true);
        bench::Pause(30);
    }
    bench::Pause(200);
    bench::Sample(figure, "end", "-", count);
}

// Reads the typing window's messages until `message` for key code arrives. False after 5 s.
bool WaitForKey(WORD code, UINT message) {
    double end = bench::NowMs() + 5000;
    for (double now = bench::NowMs(); now < end; now = bench::NowMs()) {
        MSG received;
        while (PeekMessageW(&received, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            DispatchMessageW(&received);
            if (received.message == message && received.wParam == code)
                return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now) + 1, QS_KEY);
    }
    return false;
}

// One key event, timed from SendInput until the window that has the keyboard reads it.
void TimedKeyEvent(const char* figure, WORD code, bool up) {
    double start = bench::NowMs();
    SendKey(code, up);
    if (!WaitForKey(code, up ? WM_KEYUP : WM_KEYDOWN))
        bench::Fail(figure);
    bench::Figure(figure, bench::NowMs() - start);
}

// Ordinary typing: each key event's time to the window, one value per event.
void KeyLatency(const char* figure, int count) {
    for (int i = 0; i < count; ++i) {
        TimedKeyEvent(figure, VK_F9, false);
        bench::Pause(30);
        TimedKeyEvent(figure, VK_F9, true);
        bench::Pause(30);
    }
}

// Keys an older hook swallows, then one it lets through: the time until that one reaches the
// window, per key event sent.
void SwallowedKeys(const char* figure, int rounds) {
    HWND typing = CreateTypingWindow();
    for (int round = 0; round < rounds; ++round) {
        double start = bench::NowMs();
        for (int i = 0; i < kSwallowedPerRound; ++i) {
            SendKey(kSwallowedKey, false);
            SendKey(kSwallowedKey, true);
        }
        SendKey(VK_F9, false);
        if (!WaitForKey(VK_F9, WM_KEYDOWN))
            bench::Fail(figure);
        bench::Figure(figure, (bench::NowMs() - start) / (2 * kSwallowedPerRound + 1));
        SendKey(VK_F9, true);
        WaitForKey(VK_F9, WM_KEYUP);
        bench::Pause(100);
    }
    DestroyWindow(typing);
}

// A remapping tool's hook that swallows kSwallowedKey, installed before whatever starts while
// it lives.
class OlderSwallowingHook {
public:
    OlderSwallowingHook() {
        if (!program_.Start(BenchProgram(BENCH_HOOK), L"swallow") ||
            !e2e::WaitForTopWindow(L"DormelloBench", L"Bench Swallow", program_.Id(), kTimeoutMs))
            bench::Fail("older swallowing hook");
        WaitForInputIdle(program_.Handle(), kTimeoutMs);
    }
    ~OlderSwallowingHook() {
        PostMessageW(e2e::FindTopWindow(L"DormelloBench", L"Bench Swallow", program_.Id()), WM_CLOSE, 0, 0);
        program_.WaitForExit(kTimeoutMs);
    }
    OlderSwallowingHook(const OlderSwallowingHook&) = delete;
    OlderSwallowingHook& operator=(const OlderSwallowingHook&) = delete;

private:
    e2e::Process program_;
};

void QuietPeriod(const char* figure, const char* process, DWORD ms) {
    bench::Sample(figure, "begin", process);
    bench::Pause(ms);
    bench::Sample(figure, "end", process);
}

// The minimal dialog program started and shown once: the baseline of one question. It runs
// beside each question (in alternating order), so both see the same state of the machine.
void OneDialogBaseline(bool first) {
    e2e::Process dialog;
    bench::Sample("dialog", "begin");
    double start = bench::NowMs();
    if (!dialog.Start(BenchProgram(BENCH_DIALOG)))
        bench::Fail("dialog baseline start");
    HWND window = WaitUntilShown(L"Bench Dialog");
    if (!window)
        bench::Fail("dialog baseline shown");
    bench::Figure("dialog.wall", bench::NowMs() - start);
    bench::Sample("dialog", "end");
    if (first)
        bench::Memory("dialog.rss", "bench_dialog.exe");
    PostMessageW(window, WM_CLOSE, 0, 0);
    dialog.WaitForExit(kTimeoutMs);
    bench::Pause(kSettleMs);
}

void HiddenBaseline(const char* exe, const wchar_t* title, const std::function<void()>& scene) {
    e2e::Process program;
    if (!program.Start(BenchProgram(exe)) || !e2e::WaitForTopWindow(L"DormelloBench", title, program.Id(), kTimeoutMs))
        bench::Fail("baseline start");
    WaitForInputIdle(program.Handle(), kTimeoutMs);
    bench::Pause(kSettleMs);
    scene();
    PostMessageW(e2e::FindTopWindow(L"DormelloBench", title, program.Id()), WM_CLOSE, 0, 0);
    program.WaitForExit(kTimeoutMs);
}

// One question: Alt+F1 held until it is shown, then OK, until the agent has taken the answer.
void OneQuestion() {
    road::HeldKeys keys;
    bench::Sample("question", "begin");
    double start = bench::NowMs();
    keys.Down(VK_MENU);
    keys.Down(VK_F1);
    HWND question = WaitUntilShown(kQuestionTitle);
    if (!question)
        bench::Fail("question shown");
    bench::Figure("question.wall", bench::NowMs() - start);
    bench::Sample("question", "end");
    keys.ReleaseAll();
    bench::Pause(100);

    DWORD id = 0;
    GetWindowThreadProcessId(question, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    double click = bench::NowMs();
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDC_CONFIRM_OK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(question, IDC_CONFIRM_OK)));
    // Dormnote leaves 1 and ends; the agent takes the answer (back to 0) right before suspending.
    DWORD answer = 1;
    bool taken = bench::Poll(
        [&] {
            return WaitForSingleObject(process, 0) == WAIT_OBJECT_0 &&
                   e2e::registry::ReadSetting(L"Suspend", &answer) && answer == 0;
        },
        kTimeoutMs, 1);
    CloseHandle(process);
    if (!taken)
        bench::Fail("answer taken");
    bench::Figure("ok.wall", bench::NowMs() - click);
    bench::Pause(kSettleMs);
}

void WakeUps(DWORD agentId) {
    HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, agentId);
    if (!process || !DebugActiveProcess(agentId))
        bench::Fail("attach to the agent");
    DebugSetProcessKillOnExit(FALSE);
    bench::CountWakeUps(process, 1000);  // attach events
    int const presses = 10;
    int downs = 0, repeats = 0, ups = 0;
    for (int i = 0; i < presses; ++i) {
        SendKey(VK_F9, false);
        downs += bench::CountWakeUps(process, 300);
        SendKey(VK_F9, false);  // auto-repeat: a down without an up
        repeats += bench::CountWakeUps(process, 300);
        SendKey(VK_F9, true);
        ups += bench::CountWakeUps(process, 300);
    }
    DebugActiveProcessStop(agentId);
    CloseHandle(process);
    bench::Figure("wake.down", double(downs) / presses);
    bench::Figure("wake.repeat", double(repeats) / presses);
    bench::Figure("wake.up", double(ups) / presses);
}

// The agent as installed, with fresh settings, the test power library and the powercfg
// stand-in, resident while the object lives.
class ResidentAgent {
public:
    ResidentAgent() {
        e2e::registry::DeleteSettingsKey();
        e2e::registry::DeleteChangeKey();
        if (!powercfg.Installed())
            bench::Fail("powercfg stand-in");
        if (!install_.CopyFileTo(road::SchemeVoltaro(), L"Voltaro.dll"))
            bench::Fail("scheme power library");
        std::wstring runLog = powercfg.LogEnvironment();
        if (!process_.Start(install_.Agent(), L"", {kBalancedScheme, runLog.c_str()}) ||
            !e2e::WaitForTopWindow(e2e::Agent::kWindowClass, e2e::Agent::kWindowTitle, process_.Id(), kTimeoutMs))
            bench::Fail("agent start");
        WaitForInputIdle(process_.Handle(), kTimeoutMs);
        bench::Pause(2000);
    }
    ~ResidentAgent() {
        PostMessageW(Window(), WM_CLOSE, 0, 0);
        process_.WaitForExit(kTimeoutMs);
        e2e::registry::DeleteChangeKey();
    }
    ResidentAgent(const ResidentAgent&) = delete;
    ResidentAgent& operator=(const ResidentAgent&) = delete;

    DWORD Id() const { return process_.Id(); }
    HANDLE Handle() const { return process_.Handle(); }
    HWND Window() const { return e2e::FindTopWindow(e2e::Agent::kWindowClass, e2e::Agent::kWindowTitle, Id()); }

    road::PowercfgInSystemFolder powercfg;

private:
    e2e::InstallFolder install_;
    e2e::Process process_;
};

// Questions from first to last, each paired with a baseline run right before or after it.
void PairedQuestions(int first, int last, HWND typing) {
    for (int i = first; i < last; ++i) {
        bool baselineFirst = i % 2 == 0;
        if (baselineFirst)
            OneDialogBaseline(false);
        if (typing)
            e2e::BringToForeground(typing);
        OneQuestion();
        if (!baselineFirst)
            OneDialogBaseline(false);
    }
}

// Alt+F1 with the question switched off ("do not show next time"), until the agent has taken
// the answer Dormnote left without asking. The sequence sets Suspend three times: the agent
// clears it, Dormnote leaves 1, the agent takes it (back to 0). Dormnote's 1 can last less than
// a poll's step, so the sets are counted through change notifications: a 0 read after the second
// (or after a 1 was seen) is the answer taken.
void OneSkippedQuestion(const ResidentAgent& agent) {
    size_t const runs = agent.powercfg.Runs().size();
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_NOTIFY | KEY_QUERY_VALUE | kRegistryView,
                      &settings) != ERROR_SUCCESS)
        bench::Fail("settings key");
    HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    auto watch = [&] { return RegNotifyChangeKeyValue(settings, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE); };
    if (!changed || watch() != ERROR_SUCCESS)
        bench::Fail("settings key notification");
    // Timed from the key that completes the hotkey: a person holds Alt a moment before pressing
    // F1, and nothing is started before F1 goes down.
    road::HeldKeys keys;
    keys.Down(VK_MENU);
    bench::Pause(kFirstKeyLeadMs);
    double start = bench::NowMs();
    keys.Down(VK_F1);
    int sets = 0;
    bool seenAnswer = false, taken = false;
    while (!taken && WaitForSingleObject(changed, kTimeoutMs) == WAIT_OBJECT_0) {
        ++sets;
        watch();
        DWORD answer = 0, size = sizeof(answer);
        if (RegQueryValueExW(settings, kSuspendValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&answer), &size) !=
            ERROR_SUCCESS)
            continue;
        seenAnswer = seenAnswer || answer == 1;
        taken = answer == 0 && (sets >= 2 || seenAnswer);
    }
    double const took = bench::NowMs() - start;
    CloseHandle(changed);
    RegCloseKey(settings);
    if (!taken) {
        char what[96];
        snprintf(what, sizeof(what), "skipped question's answer taken (%d sets seen, answer %s)", sets,
                 seenAnswer ? "seen" : "never seen");
        bench::Fail(what);
    }
    bench::Figure("skip.wall", took);
    keys.ReleaseAll();
    // The sequence goes on after the answer (its powercfg runs, then the suspend call), and a
    // hotkey is not taken while it runs.
    if (!agent.powercfg.WaitForRuns(runs + 3, kTimeoutMs) || !road::ChildrenEnded(agent.Id(), kTimeoutMs))
        bench::Fail("skipped question's sequence ended");
    bench::Pause(kSettleMs);
}

void OneEmptyProgram() {
    std::wstring path = BenchProgram(BENCH_EMPTY);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"Open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    double start = bench::NowMs();
    if (!ShellExecuteExW(&info) || !info.hProcess)
        bench::Fail("empty program start");
    WaitForSingleObject(info.hProcess, kTimeoutMs);
    bench::Figure("empty.wall", bench::NowMs() - start);
    CloseHandle(info.hProcess);
    bench::Pause(kSettleMs);
}

void SkippedQuestions(const ResidentAgent& agent, int count) {
    e2e::registry::WriteSetting(kShowMessageBoxValue, 1);
    for (int i = 0; i < count; ++i) {
        if (i % 2 == 0)
            OneEmptyProgram();
        OneSkippedQuestion(agent);
        if (i % 2 != 0)
            OneEmptyProgram();
    }
    e2e::registry::WriteSetting(kShowMessageBoxValue, 0);
}

void AgentScenes(const Counts& counts) {
    ResidentAgent agent;
    QuietPeriod("idle-agent", "Dormkey.exe", counts.idleMs);
    HWND typing = CreateTypingWindow();
    TypeKeys("keys-agent", counts.keys);
    KeyLatency("latency-agent", counts.keys);

    OneDialogBaseline(true);
    OneQuestion();  // the first one makes what stays for the agent's life
    agent.powercfg.ClearRuns();
    int handlesBefore = road::KernelHandleCount(agent.Id());
    bench::Memory("agent.rss.first", "Dormkey.exe");
    PairedQuestions(1, counts.questions, typing);
    bench::Figure("handles.growth", road::KernelHandleCount(agent.Id()) - handlesBefore);
    bench::Memory("agent.rss", "Dormkey.exe");
    if (!agent.powercfg.WaitForRuns(3 * (counts.questions - 1)))
        bench::Fail("powercfg runs");
    bench::Figure("powercfg.runs", double(agent.powercfg.Runs().size()) / (counts.questions - 1));

    e2e::BringToForeground(typing);
    WakeUps(agent.Id());
    SkippedQuestions(agent, counts.questions);
    DestroyWindow(typing);
}

// The settings window shown as a second start asks, until painted and idle; then Cancel, until
// it is hidden again.
void ShowAndHideSettings(const ResidentAgent& agent) {
    HWND window = agent.Window();
    bench::Sample("show", "begin");
    double start = bench::NowMs();
    SendMessageW(window, WM_USER + 3, 0, 85);
    if (WaitForInputIdle(agent.Handle(), kTimeoutMs) != 0 || !IsWindowVisible(window))
        bench::Fail("settings window shown");
    bench::Figure("show.wall", bench::NowMs() - start);
    bench::Sample("show", "end");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kSettingsCancel, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, kSettingsCancel)));
    if (!bench::Poll([&] { return !IsWindowVisible(window); }, kTimeoutMs))
        bench::Fail("settings window hidden");
    bench::Pause(kSettleMs);
}

// At the session's scale: the hidden agent's memory before its window is first shown, after a
// show and hide, and after shows and questions; the show's own cost; and the questions beside
// the baseline dialog.
void ScaledScenes(const Counts& counts) {
    ResidentAgent agent;
    bench::Memory("agent.rss.hidden", "Dormkey.exe");
    ShowAndHideSettings(agent);
    bench::Memory("agent.rss.shown", "Dormkey.exe");
    for (int i = 1; i < kShows; ++i)
        ShowAndHideSettings(agent);
    bench::Memory("agent.rss.shows", "Dormkey.exe");
    OneDialogBaseline(true);
    OneQuestion();
    PairedQuestions(1, counts.questions, nullptr);
    for (int i = counts.questions; i < kMemoryQuestions; ++i)
        OneQuestion();
    bench::Memory("agent.rss.questions", "Dormkey.exe");
}

// The agent with the hook library keytap (empty: the staged one), resident for scene.
void WithAgent(const std::wstring& keytap, const std::function<void()>& scene) {
    e2e::registry::DeleteChangeKey();
    e2e::InstallFolder install;
    e2e::Agent agent;
    if ((!keytap.empty() && !install.CopyFileTo(keytap, L"Keytap.dll")) || !agent.Start(install))
        bench::Fail("agent start");
    bench::Pause(2000);
    scene();
    agent.Close();
    e2e::registry::DeleteChangeKey();
}

// Keys typed, and keys behind an older hook that swallows some, with the agent resident; the
// figures' names end in suffix.
void KeysWithAgent(const std::wstring& keytap, const std::string& suffix, int count) {
    WithAgent(keytap, [&] {
        HWND typing = CreateTypingWindow();
        TypeKeys(("keys-" + suffix).c_str(), count);
        KeyLatency(("latency-" + suffix).c_str(), count);
        DestroyWindow(typing);
    });
    OlderSwallowingHook older;
    WithAgent(keytap, [&] { SwallowedKeys(("swallowed-" + suffix).c_str(), count); });
}

// The previous hook library, when tools/bench.sh built one (BENCH_PREVIOUS_KEYTAP).
std::wstring PreviousKeytap() {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("BENCH_PREVIOUS_KEYTAP", path, MAX_PATH) || !path[0])
        return {};
    return e2e::WindowsPathFromUnix(path);
}

}  // namespace

void StartupPhases(int runs);  // StartupPhases.cpp

int main(int argc, char** argv) {
    Counts counts;
    if (argc > 1)
        counts.questions = counts.keys = atoi(argv[1]);
    if (argc > 2)
        counts.idleMs = static_cast<DWORD>(atoi(argv[2])) * 1000;
    e2e::EndStrayAgents();
    e2e::EndStrayConfirmations();
    if (argc > 3 && strcmp(argv[3], "skip") == 0) {  // the skipped question alone, for a quick look
        ResidentAgent agent;
        OneQuestion();
        SkippedQuestions(agent, counts.questions);
        printf("DONE\n");
        return 0;
    }
    if (argc > 3 && strcmp(argv[3], "questions") == 0) {  // the questions alone, a round at one scale
        ResidentAgent agent;
        OneDialogBaseline(true);
        OneQuestion();
        PairedQuestions(1, counts.questions, nullptr);
        printf("DONE\n");
        return 0;
    }
    if (argc > 3 && strcmp(argv[3], "scaled") == 0) {
        ScaledScenes(counts);
        StartupPhases(counts.startups);
        printf("DONE\n");
        return 0;
    }

    HiddenBaseline(BENCH_HOTKEY, L"Bench Hotkey", [&] {
        QuietPeriod("idle-hotkey", "bench_hotkey.exe", counts.idleMs);
        bench::Memory("hotkey.rss", "bench_hotkey.exe");
    });
    HiddenBaseline(BENCH_HOOK, L"Bench Hook", [&] {
        HWND typing = CreateTypingWindow();
        TypeKeys("keys-hook", counts.keys);
        KeyLatency("latency-hook", counts.keys);
        DestroyWindow(typing);
    });
    {
        OlderSwallowingHook older;
        HiddenBaseline(BENCH_HOOK, L"Bench Hook", [&] { SwallowedKeys("swallowed-hook", counts.keys); });
    }
    AgentScenes(counts);
    {
        OlderSwallowingHook older;
        WithAgent({}, [&] { SwallowedKeys("swallowed-agent", counts.keys); });
    }
    // The previous hook library and this one, each with a plain resident agent, one after the other.
    std::wstring previous = PreviousKeytap();
    if (!previous.empty()) {
        KeysWithAgent(previous, "previous", counts.keys);
        KeysWithAgent({}, "current", counts.keys);
    }
    StartupPhases(counts.startups);
    printf("DONE\n");
    return 0;
}
