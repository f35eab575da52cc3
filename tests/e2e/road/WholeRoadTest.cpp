// The whole road with every real part: Keytap.dll, Voltaro.dll, Dormkey.exe and Dormnote.exe.
// Alt+F1 is held with SendInput, the question is answered like a user does, and the agent's
// suspend call is seen in Wine's relay trace.
#include "QuestionRoad.h"

#include <psapi.h>
#include <shlwapi.h>

using namespace road;

namespace {

int const kOk = 1030, kCancel = 1031, kDontShow = 1004;

class WholeRoad : public QuestionRoad {};

// The full path of the module of that file name loaded in the process, or empty.
std::wstring LoadedModule(HANDLE process, const wchar_t* fileName) {
    HMODULE modules[256];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof(modules), &bytes))
        return {};
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < ARRAYSIZE(modules); ++i) {
        wchar_t path[MAX_PATH] = {};
        if (GetModuleFileNameExW(process, modules[i], path, MAX_PATH) && !lstrcmpiW(PathFindFileNameW(path), fileName))
            return path;
    }
    return {};
}

std::vector<std::string> Suspends(size_t count) {
    return std::vector<std::string>(count, kSuspendCall);
}

wchar_t const kNamesKeyPath[] = L"SOFTWARE\\Korvane\\Korvane Dormello Names";

// What the names key records of a name taken in this session: why, when, and its stand-in.
std::vector<std::wstring> TakenNameRecord(const wchar_t* name) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    std::wstring const value = std::wstring(name) + L" (session " + std::to_wstring(session) + L")";
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - 2 * sizeof(wchar_t);
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kNamesKeyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return {};
    LONG const read = RegQueryValueExW(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    std::vector<std::wstring> strings;
    for (const wchar_t* s = data; read == ERROR_SUCCESS && type == REG_MULTI_SZ && *s; s += wcslen(s) + 1)
        strings.push_back(s);
    return strings;
}

}  // namespace

TEST_F(WholeRoad, AltF1AsksAndOkSleeps) {
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    MarkSequencePending();  // not 1: only the confirmation's own answer can make the agent sleep
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question) << "Alt+F1 shows the question";
    EXPECT_TRUE(SuspendCalls(agent).empty()) << "nothing before the answer";

    ASSERT_TRUE(ClickAnswer(question, kOk)) << "a click on OK ends the question";
    EXPECT_TRUE(WaitForSequenceEnd());
    EXPECT_TRUE(WaitForSuspendCalls(agent, 1));
    EXPECT_EQ(Suspends(1), SuspendCalls(agent));
    DWORD suspend = 0xdeadbeef;
    EXPECT_TRUE(e2e::registry::ReadSetting(kSuspendValue, &suspend));
    EXPECT_EQ(0u, suspend) << "the agent resets the answer";
    EXPECT_TRUE(agent.Close());
}

TEST_F(WholeRoad, CancelAndEscapeDoNotSleep) {
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    const char* const ways[] = {"Cancel button", "Escape"};
    for (const char* way : ways) {
        SCOPED_TRACE(way);
        MarkSequencePending();
        PressAltF1();
        HWND question = WaitForQuestion();
        ASSERT_NE(nullptr, question);
        if (way == ways[0])
            EXPECT_TRUE(ClickAnswer(question, kCancel));
        else
            e2e::PressKeys({VK_ESCAPE});
        EXPECT_TRUE(WaitForQuestionEnd(question));
        EXPECT_TRUE(WaitForSequenceEnd());
        Sleep(kQuietMs / 3);
        EXPECT_TRUE(SuspendCalls(agent).empty());
    }
    EXPECT_TRUE(agent.Close());
}

// A question closed without an answer, or whose program is ended, never sleeps, not even over
// a stale 1 that an interrupted earlier sequence left.
TEST_F(WholeRoad, AQuestionClosedWithoutAnAnswerDoesNotSleep) {
    using Close = void (*)(HWND question);
    struct Way {
        const char* name;
        Close close;
    } const ways[] = {
        // The notification area can take the activation between the raise and the keys; a
        // user would click the question and press again.
        {"Alt+F4",
         [](HWND question) {
             for (int attempt = 0; attempt < 3 && IsWindow(question); ++attempt) {
                 e2e::BringToForeground(question);
                 e2e::PressKeys({VK_MENU, VK_F4});
                 e2e::WaitUntil([&] { return !IsWindow(question); }, 1000);
             }
         }},
        {"window menu Close", [](HWND question) { PostMessageW(question, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"process ended",
         [](HWND question) {
             DWORD processId = 0;
             GetWindowThreadProcessId(question, &processId);
             HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
             TerminateProcess(process, 1);
             CloseHandle(process);
         }},
    };
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        e2e::registry::WriteSetting(kSuspendValue, 1);
        PressAltF1();
        HWND question = WaitForQuestion();
        ASSERT_NE(nullptr, question);
        way.close(question);
        EXPECT_TRUE(WaitForQuestionEnd(question));
        Sleep(kQuietMs / 3);
        EXPECT_TRUE(SuspendCalls(agent).empty());
    }
    // One more question proves the last sequence has ended, suspend call and all.
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question);
    e2e::PressKeys({VK_ESCAPE});
    EXPECT_TRUE(WaitForQuestionEnd(question));
    EXPECT_TRUE(SuspendCalls(agent).empty());
    EXPECT_TRUE(agent.Close());
}

// Asked to end (a setup sets its quit event, which posts the same WM_CLOSE), the agent first
// closes the question it asked, as a close of its window does, not by force; that is a "no".
TEST_F(WholeRoad, AnAgentAskedToEndClosesItsQuestionFirst) {
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question);
    DWORD processId = 0;
    GetWindowThreadProcessId(question, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    ASSERT_NE(nullptr, process);
    EXPECT_TRUE(agent.Close());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 0)) << "gone before the agent";
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_NE(static_cast<DWORD>(ERROR_CANCELLED), code) << "closed, not ended by force";
    EXPECT_TRUE(SuspendCalls(agent).empty());
}

TEST_F(WholeRoad, DoNotShowNextTimeSleepsStraightAwayAfterwards) {
    e2e::InstallFolder install;
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install));
    MarkSequencePending();
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question);
    SendMessageW(GetDlgItem(question, kDontShow), BM_CLICK, 0, 0);
    ASSERT_TRUE(ClickAnswer(question, kOk));
    ASSERT_TRUE(WaitForSequenceEnd());
    ASSERT_TRUE(WaitForSuspendCalls(agent, 1));

    // The next Alt+F1 shows nothing and sleeps.
    MarkSequencePending();
    bool everShown = false;
    PressAltF1();
    bool ended = e2e::WaitUntil(
        [&] {
            HWND window = FindWindowW(L"#32770", kQuestionTitle);
            everShown |= window && IsWindowVisible(window);
            DWORD suspend = kPendingMark;
            return e2e::registry::ReadSetting(kSuspendValue, &suspend) && suspend == 0;
        },
        kTriggerTimeoutMs * 2);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(everShown);
    EXPECT_TRUE(WaitForSuspendCalls(agent, 2));
    EXPECT_EQ(Suspends(2), SuspendCalls(agent));
    EXPECT_TRUE(agent.Close());
}

// The powercfg runs of a question start only once it is up; a yes given without a question
// ("do not show") waits for them to end before the machine sleeps.
TEST_F(WholeRoad, PowercfgRunsWaitForTheQuestionAndTheSleepWaitsForThem) {
    PowercfgInSystemFolder powercfg;
    ASSERT_TRUE(powercfg.Installed());
    e2e::TempFolder logs;
    std::wstring const seenLog = logs / L"seen.log";
    std::wstring const seen = std::wstring(kPowercfgQuestionLogVariable) + L"=" + seenLog;
    std::wstring const hold = std::wstring(kPowercfgHoldVariable) + L"=800";
    std::wstring const runLog = powercfg.LogEnvironment();
    e2e::InstallFolder install;
    ASSERT_TRUE(install.CopyFileTo(SchemeVoltaro(), L"Voltaro.dll"));
    RoadAgent agent;
    ASSERT_TRUE(agent.Start(install, {L"VOLTARO_TEST_SCHEME={381B4222-F694-41F0-9685-FF5BB260DF2E}", runLog.c_str(),
                                      seen.c_str(), hold.c_str()}));
    ASSERT_TRUE(powercfg.WaitForRuns(3)) << "prepared at start-up";
    powercfg.ClearRuns();
    DeleteFileW(seenLog.c_str());

    MarkSequencePending();
    PressAltF1();
    HWND question = WaitForQuestion();
    ASSERT_NE(nullptr, question);
    ASSERT_TRUE(powercfg.WaitForRuns(3));
    EXPECT_EQ("shown\nshown\nshown\n", ReadFrom(seenLog)) << "every run started with the question on screen";
    ASSERT_TRUE(ClickAnswer(question, kCancel));
    Sleep(kQuietMs / 3);  // the sequence ends right after its question
    powercfg.ClearRuns();

    e2e::registry::WriteSetting(kShowMessageBoxValue, 1);
    MarkSequencePending();
    PressAltF1();
    ASSERT_TRUE(WaitForSuspendCalls(agent, 1));
    EXPECT_EQ(3u, powercfg.Runs().size()) << "every run had ended when the machine was put to sleep";
    EXPECT_TRUE(agent.Close());
}

// Asked not to ask, the question answers before it loads anything its window needs, and reads
// and writes its values without advapi32.
TEST_F(WholeRoad, TheQuestionNotAskedLoadsNothingItsWindowNeeds) {
    RelayTrace trace(L"");
    ASSERT_TRUE(trace.Available());
    e2e::registry::WriteSetting(kShowMessageBoxValue, 1);
    e2e::InstallFolder install;
    e2e::Process question;
    ASSERT_TRUE(question.Start(install / L"Dormnote.exe", L"/sleep:hybrid", {RelayTrace::LoadedEnvironment()}));
    ASSERT_TRUE(question.WaitForExit(10000));
    DWORD answer = 0;
    EXPECT_TRUE(e2e::registry::ReadSetting(L"Suspend", &answer) && answer == 1) << "answered";
    std::vector<std::string> const loaded = trace.LoadedLibraries(question.Id());
    ASSERT_FALSE(loaded.empty()) << "the loads are traced";
    for (const char* library : {"\\advapi32.dll", "\\user32.dll", "\\gdi32.dll", "\\gdiplus.dll", "\\ole32.dll",
                                "\\oleaut32.dll", "\\oleacc.dll", "\\shlwapi.dll", "\\shell32.dll", "\\comctl32.dll"})
        for (const std::string& path : loaded)
            EXPECT_EQ(std::string::npos, path.find(library)) << path;
}

// The elevated confirmation program checks its signature with the trust library of the system
// folder, never with a "wintrust.dll" put beside it.
TEST_F(WholeRoad, SignatureCheckNeverLoadsATrustLibraryBesideTheProgram) {
    e2e::InstallFolder install;
    ASSERT_TRUE(install.CopyFileTo(e2e::WindowsPathFromUnix(ROAD_DECOY_WINTRUST), L"wintrust.dll"));
    std::wstring const marker = install / L"decoy-loaded";
    std::wstring const environment = L"DORMELLO_DECOY_MARKER=" + marker;
    // Windows looks beside the program first for a library loaded by name; Wine prefers its own
    // copy unless told otherwise.
    NativeLibraryFirst besideFirst(L"Dormnote.exe", L"wintrust");
    ASSERT_TRUE(besideFirst.Set());
    e2e::Process question;
    ASSERT_TRUE(question.Start(install / L"Dormnote.exe", L"", {environment.c_str()}));
    ASSERT_NE(nullptr, WaitForQuestion());
    std::wstring trust;
    EXPECT_TRUE(e2e::WaitUntil([&] { return !(trust = LoadedModule(question.Handle(), L"wintrust.dll")).empty(); },
                               kTriggerTimeoutMs))
        << "the check loads the trust library";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring expected = std::wstring(system) + L"\\wintrust.dll";
    CharLowerBuffW(&expected[0], static_cast<DWORD>(expected.size()));
    CharLowerBuffW(&trust[0], static_cast<DWORD>(trust.size()));
    EXPECT_EQ(expected, trust) << "the trust library of the system folder";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str())) << "the decoy was loaded";
    question.Terminate();
}

// Every name the agent and its question use can be made first by another program in the session.
// None of them silences anything: the agent starts with its icon, Alt+F1 asks, OK sleeps, a second
// start still finds the running agent, and the names key says why each name was passed over.
TEST_F(WholeRoad, NamesMadeFirstByAnotherProgramSilenceNothing) {
    wchar_t const agentName[] = L"Dormkey.exe_28943447_5199_Halvard";
    wchar_t const changeName[] = L"RegMonitorChange";
    wchar_t const questionName[] = L"Dormnote_Halvard_5199";
    enum Kind { kMutex, kLockedMutex, kEvent };
    struct Case {
        const char* name;
        const wchar_t* object;
        Kind kind;
        bool standIn;  // a mutex of the program's stands in, under a private name
    } const cases[] = {
        {"the agent's mutex, made first", agentName, kMutex, true},
        {"the agent's mutex, made first and unopenable", agentName, kLockedMutex, true},
        {"the agent's mutex, as an event", agentName, kEvent, true},
        {"the change signal, as an event", changeName, kEvent, false},
        {"the change signal, as a mutex", changeName, kMutex, false},
        {"the question's mutex, made first", questionName, kMutex, true},
    };
    // An empty access list lets nobody open the object.
    SECURITY_DESCRIPTOR locked;
    InitializeSecurityDescriptor(&locked, SECURITY_DESCRIPTOR_REVISION);
    ACL emptyAcl;
    InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
    SetSecurityDescriptorDacl(&locked, TRUE, &emptyAcl, FALSE);
    SECURITY_ATTRIBUTES lockedAttributes = {sizeof(lockedAttributes), &locked, FALSE};

    e2e::InstallFolder install;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kNamesKeyPath, KEY_WOW64_32KEY, 0);
        HANDLE squatter = c.kind == kEvent ? CreateEventW(nullptr, TRUE, FALSE, c.object)
                                           : CreateMutexW(c.kind == kLockedMutex ? &lockedAttributes : nullptr,
                                                          FALSE, c.object);
        ASSERT_NE(nullptr, squatter);
        RoadAgent agent;
        ASSERT_TRUE(agent.Start(install));
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TrayHasIcon(agent.Window()); }, 5000)) << "the icon is there";
        MarkSequencePending();
        PressAltF1();
        HWND question = WaitForQuestion();
        ASSERT_NE(nullptr, question) << "Alt+F1 asks";
        ASSERT_TRUE(ClickAnswer(question, kOk));
        EXPECT_TRUE(WaitForSequenceEnd());
        EXPECT_TRUE(WaitForSuspendCalls(agent, 1)) << "OK sleeps";

        e2e::Process second;
        ASSERT_TRUE(second.Start(install.Agent()));
        EXPECT_TRUE(second.WaitForExit(10000)) << "a second start finds the running agent";
        EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(agent.Window()) != FALSE; }, 5000))
            << "and has it show its settings window";

        std::vector<std::wstring> const record = TakenNameRecord(c.object);
        ASSERT_EQ(3u, record.size()) << "why, when and the stand-in";
        EXPECT_EQ(19u, record[1].size()) << "the local time, to the second";
        EXPECT_EQ(c.standIn, record[2].find(std::wstring(c.object) + L" ") == 0) << "a private name stands in";
        EXPECT_TRUE(agent.Close());
        CloseHandle(squatter);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kNamesKeyPath, KEY_WOW64_32KEY, 0);
}
