// The setup from outside, in the test's Wine prefix: silent install, upgrade over a running
// agent, uninstall with and without the settings, an unusual folder and a refused one. The
// system's schtasks is replaced by a stand-in that records the task the setup registers.
#include "framework/Handles.h"
#include "support/Harness.h"
#include "tests/e2e/helpers/StandIns.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using e2e::Agent;

#define WIDEN_(text) L##text
#define WIDEN(text) WIDEN_(text)

namespace {

wchar_t const kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane Dormello";
wchar_t const kWineOverridesKey[] = L"Software\\Wine\\DllOverrides";
wchar_t const kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
wchar_t const kSessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
DWORD const kSetupTimeoutMs = 120000;
int const kOkButton = 1000, kRedefineButton = 1002;
wchar_t const kQuestionTitle[] = L"Korvane Dormello Message";
wchar_t const kQuitListKey[] = L"SOFTWARE\\Korvane\\Korvane Dormello Quit";
UINT const kTrayCallback = WM_USER + 2, kTrayIconId = 132;

std::wstring SystemFolder(const wchar_t* name) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\" + name;
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring DefaultFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Korvane\\Korvane Dormello"; }
std::wstring Shortcut() { return KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Korvane Dormello.lnk"; }
// The temporary folder, without the final backslash.
std::wstring TempPath() {
    wchar_t temp[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length && temp[length - 1] == L'\\' ? length - 1 : length);
}

// "build|program files|starts|log folder" as the probe wrote it.
std::wstring Decide(int machine, int isSystem, int session) {
    std::wstring out = TempPath() + L"\\dormello-decision.txt";
    DeleteFileW(out.c_str());
    e2e::Process probe;
    std::wstring arguments = L"/MACHINE=" + std::to_wstring(machine) + L" /SYSTEM=" + std::to_wstring(isSystem) +
                             L" /SESSION=" + std::to_wstring(session) + L" /OUT=" + out;
    if (!probe.Start(e2e::WindowsPathFromUnix(DORMELLO_DECISION_PROBE), arguments) || !probe.WaitForExit(30000))
        return L"probe did not run";
    HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    wchar_t text[1024] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
    CloseHandle(file);
    DeleteFileW(out.c_str());
    return text[0] == 0xFEFF ? text + 1 : text;
}

// The program the Start-menu shortcut starts, or empty.
std::wstring ShortcutTarget() {
    wchar_t target[MAX_PATH] = {};
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(Shortcut().c_str(), STGM_READ)))
                link->GetPath(target, MAX_PATH, nullptr, 0);
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return target;
}
std::wstring StoredTask() { return SystemFolder(L"system32\\tasks\\Korvane Dormello"); }
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files of the staged install, relative to it.
void ListFiles(const std::wstring& root, std::vector<std::wstring>* files) {
    e2e::WalkTree(root, [&](const std::wstring& relative, bool isFolder) {
        if (!isFolder)
            files->push_back(relative);
        return true;
    });
}

std::wstring EntryText(const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

bool EntryExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

// The value of a "Name: value" line of a manifest file, or empty.
std::wstring ManifestValue(const std::wstring& path, const char* name) {
    std::string text = ReadBytes(path);
    std::string const head = std::string("\n") + name + ": ";
    size_t at = ("\n" + text).find(head);
    if (at == std::string::npos)
        return {};
    size_t end = text.find_first_of("\r\n", at + head.size() - 1);
    std::string value = text.substr(at + head.size() - 1, end - (at + head.size() - 1));
    return std::wstring(value.begin(), value.end());
}

// Whether a program file carries an Authenticode signature (its security directory is not empty).
bool CarriesSignature(const std::wstring& path) {
    std::string bytes = ReadBytes(path);
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER))
        return false;
    auto const* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    size_t const at = static_cast<size_t>(dos->e_lfanew);
    if (at + sizeof(IMAGE_NT_HEADERS64) > bytes.size())
        return false;
    auto const* nt32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + at);
    auto const* nt64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.data() + at);
    const IMAGE_DATA_DIRECTORY& security = nt32->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                               ? nt64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY]
                                               : nt32->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
    return security.Size > 0 && security.VirtualAddress + security.Size <= bytes.size();
}

std::string Narrow(const std::wstring& text) {
    std::string utf8(text.size() * 4 + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

// The program's embedded manifest (resource 1 of type 24), or empty.
std::string ManifestOf(const std::wstring& program) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC resource = module ? FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
    HGLOBAL data = resource ? LoadResource(module, resource) : nullptr;
    std::string manifest = data ? std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, resource)) : "";
    if (module)
        FreeLibrary(module);
    return manifest;
}

// A 32-bit program can run here (the released setup is one); some machines run only 64-bit ones.
bool Runs32BitPrograms() {
    e2e::Process probe;
    return probe.Start(SystemFolder(L"syswow64\\cmd.exe"), L"/c exit 7") && probe.WaitForExit(30000) &&
           probe.ExitCode() == 7;
}

// The running agent's process, opened to wait for it, or null.
HANDLE OpenAgentProcess(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
}

std::wstring ImageOf(HANDLE process) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    return path;
}

HWND WaitForAgent(DWORD timeoutMs) {
    return e2e::WaitForTopWindow(Agent::kWindowClass, Agent::kWindowTitle, 0, timeoutMs);
}

// Starts the program on a desktop of the test's own, whose windows are out of FindWindow's reach
// from the default desktop, as another session's are on Windows; its process, or null.
HANDLE StartOnDesktop(const std::wstring& name, const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"", desktop = L"WinSta0\\" + name;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = &desktop[0];
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// The window of that title on the desktop, or null.
HWND FindWindowOn(HDESK desktop, const wchar_t* title) {
    struct Search { const wchar_t* title; HWND found; } search = {title, nullptr};
    EnumDesktopWindows(desktop, [](HWND window, LPARAM search) {
        auto* s = reinterpret_cast<Search*>(search);
        if (e2e::TextOf(window) == s->title)
            s->found = window;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What agents of earlier versions listened on, made first by someone else: an event anyone may
// set, or an object of another kind; or nothing.
enum class OldQuitName { Free, TakenByEvent, TakenByMutex };
HANDLE TakeOldQuitName(OldQuitName taken) {
    wchar_t const name[] = L"Global\\Korvane Dormello Quit";
    SECURITY_DESCRIPTOR open = {};  // no DACL: anyone may use it
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES security = {sizeof(security), &open, FALSE};
    if (taken == OldQuitName::TakenByEvent)
        return CreateEventW(&security, TRUE, FALSE, name);
    if (taken == OldQuitName::TakenByMutex)
        return CreateMutexW(&security, FALSE, name);
    return nullptr;
}

// What Windows deletes or renames at the next restart, as one string with the nulls in it.
std::wstring PendingRemovals() {
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::wstring list(size / sizeof(wchar_t), L'\0');
    RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr,
                 &list[0], &size);
    return list;
}

// The command the uninstall left for the restart, or empty.
std::wstring RestartCommand() {
    wchar_t command[1024] = {};
    DWORD size = sizeof(command);
    RegGetValueW(HKEY_LOCAL_MACHINE, kRunOnceKey, L"Korvane Dormello removal", RRF_RT_REG_SZ, nullptr, command, &size);
    return command;
}

// Stops every thread of the process: it answers nothing any more.
void Freeze(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        fw::KernelHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        SuspendThread(thread.Get());
    }
    CloseHandle(snapshot);
}

class Setup : public ::testing::Test {
protected:
    // schtasks in both system folders becomes the stand-in; Wine's own stays beside it. Wine
    // would run its built-in schtasks in place of the file unless told to prefer the file.
    static void SetUpTestSuite() {
        ChooseSetup();
        RegSetKeyValueW(HKEY_CURRENT_USER, kWineOverridesKey, L"schtasks.exe", REG_SZ, L"native", sizeof(L"native"));
        CopyFileW(SystemFolder(L"system32\\schtasks.exe").c_str(),
                  SystemFolder(L"system32\\schtasks-wine.exe").c_str(), TRUE);
        for (const wchar_t* folder : {L"system32", L"syswow64"}) {
            std::wstring original = SystemFolder(folder) + L"\\schtasks.exe";
            if (Exists(SystemFolder(folder)) && !Exists(original + L".saved"))
                MoveFileW(original.c_str(), (original + L".saved").c_str());
            CopyFileW(e2e::WindowsPathFromUnix(DORMELLO_SCHTASKS_STANDIN).c_str(), original.c_str(), FALSE);
        }
    }
    static void ChooseSetup() {
        setup_ = e2e::WindowsPathFromUnix(Runs32BitPrograms() ? DORMELLO_SETUP : DORMELLO_SETUP_AMD64);
        std::printf("setup under test: %s\n", Narrow(setup_).c_str());
    }
    static void TearDownTestSuite() {
        for (const wchar_t* folder : {L"system32", L"syswow64"}) {
            std::wstring original = SystemFolder(folder) + L"\\schtasks.exe";
            DeleteFileW(original.c_str());
            MoveFileW((original + L".saved").c_str(), original.c_str());
        }
        DeleteFileW(SystemFolder(L"system32\\schtasks-wine.exe").c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineOverridesKey, L"schtasks.exe");
    }

    void SetUp() override {
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        log_ = std::wstring(temp) + L"dormello-schtasks.log";
        DeleteFileW(log_.c_str());
        DeleteFileW((log_ + L".xml").c_str());
        logVariable_ = std::wstring(kSchtasksLogVariable) + L"=" + log_;
        failureLog_ = std::wstring(temp) + L"Korvane Dormello Setup.log";
        DeleteFileW(failureLog_.c_str());
    }
    void TearDown() override {
        // Whatever a failed test left installed goes, the settings with it.
        if (EntryExists()) {
            std::wstring folder = EntryText(L"InstallLocation");
            Uninstall(folder, L"/S /PURGE");
            e2e::DeleteTree(folder);
        }
        e2e::EndStrayAgents();
        e2e::registry::DeleteSettingsKey();
    }

    // Runs the setup with a raw command line (/D= must come last and unquoted); its exit code.
    DWORD RunSetup(const std::wstring& arguments) {
        e2e::Process setup;
        if (!setup.Start(setup_, arguments, {logVariable_.c_str()}) || !setup.WaitForExit(kSetupTimeoutMs))
            return 0xdeadbeef;
        return setup.ExitCode();
    }
    // The uninstaller hands its work to a copy of itself and returns: done when the entry is gone.
    bool Uninstall(const std::wstring& folder, const std::wstring& arguments) {
        e2e::Process uninstaller;
        return uninstaller.Start(folder + L"\\Uninstall.exe", arguments, {logVariable_.c_str()}) &&
               uninstaller.WaitForExit(kSetupTimeoutMs) && e2e::WaitUntil([] { return !EntryExists(); }, kSetupTimeoutMs);
    }
    // Every staged file is in the folder, the agent runs from it, the silent uninstall removes it.
    void ExpectWorkingInstall(const std::wstring& folder) {
        std::vector<std::wstring> staged{L"Uninstall.exe"};
        ListFiles(e2e::StageDir(), &staged);
        for (const std::wstring& file : staged)
            EXPECT_TRUE(Exists(folder + L"\\" + file)) << "installed: " << Narrow(file);
        HWND window = WaitForAgent(15000);
        ASSERT_NE(nullptr, window) << "started at the end of the silent install";
        fw::KernelHandle agent(OpenAgentProcess(window));
        EXPECT_EQ(folder + L"\\Dormkey.exe", ImageOf(agent.Get()));
        ASSERT_TRUE(Uninstall(folder, L"/S"));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(agent.Get(), 10000));
        EXPECT_FALSE(Exists(folder));
    }
    std::string Log() const { return ReadBytes(log_); }
    // The task XML is UTF-16 with a byte-order mark.
    std::wstring TaskXml() const {
        std::string bytes = ReadBytes(log_ + L".xml");
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }

    // What a failed setup wrote to its log (UTF-16, after the byte-order mark).
    std::wstring FailureLog() const {
        std::string bytes = ReadBytes(failureLog_);
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        return text.empty() ? text : text.substr(1);
    }

    static std::wstring setup_;
    std::wstring failureLog_;
    std::wstring log_;
    std::wstring logVariable_;
};

std::wstring Setup::setup_;

// The same, with Wine's own schtasks.
class SetupWithOwnSchtasks : public Setup {
protected:
    static void SetUpTestSuite() { ChooseSetup(); }
    static void TearDownTestSuite() {}
};

}  // namespace

// Wine's own schtasks, untouched. First of the setup's tests, in the test run's fresh prefix:
// Wine's Task Scheduler service has not run there yet (Wine starts it on demand until a task is
// first registered), and the setup registers the task all the same; the uninstall removes it.
TEST_F(SetupWithOwnSchtasks, RegistersTheTaskInAFreshPrefix) {
    DeleteFileW(StoredTask().c_str());
    EXPECT_EQ(0u, RunSetup(L"/S /NOSTART")) << Narrow(FailureLog());
    EXPECT_TRUE(Exists(StoredTask()));
    ASSERT_TRUE(Uninstall(DefaultFolder(), L"/S"));
    EXPECT_FALSE(Exists(StoredTask()));
}

// The setup's machine and account choices (installer/Decisions.nsh), run by a probe built from
// the same script on machines and accounts Wine cannot play: Windows on Arm, 32-bit Windows,
// a deployment tool's SYSTEM account, a service's session 0.
// NSIS's $PROGRAMFILES32 reads ProgramFilesDir from the registry's 32-bit view, which every 64-bit
// Windows has. A prefix made where Wine's 32-bit loader cannot run never wrote that view, and the
// probe would then read the 64-bit folder: give the view the value Windows gives it.
void GiveThe32BitViewItsProgramFiles() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExW(key, L"ProgramFilesDir", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND) {
        std::wstring const folder = KnownFolder(CSIDL_PROGRAM_FILESX86);
        RegSetValueExW(key, L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

TEST(SetupDecisions, BuildFolderAgentStartAndLogFollowTheMachineAndTheAccount) {
    GiveThe32BitViewItsProgramFiles();
    int const amd64 = 0x8664, arm64 = 0xAA64, i386 = 0x14C;
    std::wstring const x64Files = KnownFolder(CSIDL_PROGRAM_FILES), x86Files = KnownFolder(CSIDL_PROGRAM_FILESX86);
    std::wstring const user = L"1|" + TempPath(), noUser = L"0|" + KnownFolder(CSIDL_COMMON_APPDATA) + L"\\Korvane";
    struct { const char* what; int machine, isSystem, session; std::wstring expected; } const cases[] = {
        {"x64 Windows, an administrator", amd64, 0, 1, L"x86_64|" + x64Files + L"|" + user},
        {"Windows on Arm", arm64, 0, 1, L"i686|" + x86Files + L"|" + user},
        {"32-bit Windows", i386, 0, 2, L"i686|" + x86Files + L"|" + user},
        {"SYSTEM in a user's session", amd64, 1, 1, L"x86_64|" + x64Files + L"|" + noUser},
        {"an administrator in session 0", arm64, 0, 0, L"i686|" + x86Files + L"|" + noUser},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Decide(c.machine, c.isSystem, c.session)) << c.what;
}

TEST_F(Setup, SilentInstallRegistersEverythingAndSilentUninstallRemovesIt) {
    ASSERT_EQ(0u, RunSetup(L"/S"));
    std::wstring folder = DefaultFolder();

    std::vector<std::wstring> staged;
    ListFiles(e2e::StageDir(), &staged);
    ASSERT_FALSE(staged.empty());
    for (const std::wstring& file : staged)
        EXPECT_TRUE(Exists(folder + L"\\" + file)) << "installed: " << Narrow(file);
    DWORD binaryType = 0;
    EXPECT_TRUE(GetBinaryTypeW((folder + L"\\Dormkey.exe").c_str(), &binaryType));
    EXPECT_EQ(static_cast<DWORD>(SCS_64BIT_BINARY), binaryType) << "the x86_64 build on 64-bit Windows";
    EXPECT_TRUE(Exists(Shortcut()));

    std::wstring xml = TaskXml();
    const std::wstring fragments[] = {
        L"<LogonTrigger>", L"<GroupId>S-1-5-32-544</GroupId>", L"<RunLevel>HighestAvailable</RunLevel>",
        L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>", L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
        L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>", L"<MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>",
        L"<Command>" + folder + L"\\Dormkey.exe</Command>"};
    for (const std::wstring& fragment : fragments)
        EXPECT_NE(std::wstring::npos, xml.find(fragment)) << Narrow(fragment);
    EXPECT_TRUE(Exists(StoredTask())) << "registered with Wine's schtasks";

    // Signed releases sign the uninstaller the setup writes as well as the programs.
    bool const signedRelease = ManifestValue(e2e::WindowsPathFromUnix(DORMELLO_BUILDINFO), "signature") != L"none";
    EXPECT_EQ(signedRelease, CarriesSignature(folder + L"\\Dormkey.exe"));
    EXPECT_EQ(signedRelease, CarriesSignature(folder + L"\\Uninstall.exe"));
    // winget knows an installed copy by the entry's key name.
    std::wstring productCode = ManifestValue(e2e::WindowsPathFromUnix(DORMELLO_WINGET_INSTALLER), "ProductCode");
    ASSERT_FALSE(productCode.empty());
    EXPECT_EQ(std::wstring(kUninstallKey), L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode);

    struct { const wchar_t* name; std::wstring value; } const texts[] = {
        {L"DisplayName", L"Korvane Dormello"}, {L"DisplayVersion", WIDEN(DORMELLO_VERSION)}, {L"Publisher", L"Korvane"},
        {L"DisplayIcon", folder + L"\\Dormkey.exe,0"}, {L"InstallLocation", folder},
        {L"UninstallString", L"\"" + folder + L"\\Uninstall.exe\""},
        {L"QuietUninstallString", L"\"" + folder + L"\\Uninstall.exe\" /S"}};
    for (const auto& text : texts)
        EXPECT_EQ(text.value, EntryText(text.name)) << Narrow(text.name);
    struct { const wchar_t* name; DWORD least, most; } const numbers[] = {
        {L"NoModify", 1, 1}, {L"NoRepair", 1, 1}, {L"EstimatedSize", 100, 100000}};  // size in KB
    for (const auto& number : numbers) {
        DWORD value = 0, size = sizeof(value);
        RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, number.name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        EXPECT_TRUE(value >= number.least && value <= number.most) << Narrow(number.name) << " " << value;
    }

    HWND window = WaitForAgent(15000);
    ASSERT_NE(nullptr, window) << "started at the end of the silent install";
    HANDLE agent = OpenAgentProcess(window);
    EXPECT_EQ(folder + L"\\Dormkey.exe", ImageOf(agent));
    e2e::registry::WriteSetting(L"ShowInTray", 0);

    ASSERT_TRUE(Uninstall(folder, L"/S"));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(agent, 10000));
    DWORD code = 1;
    GetExitCodeProcess(agent, &code);
    EXPECT_EQ(0u, code) << "ended by WM_CLOSE";
    CloseHandle(agent);
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Korvane")) << "the setup's own parent folder";
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(Exists(StoredTask()));
    EXPECT_NE(std::string::npos, Log().find("/Delete")) << Log();
    DWORD showInTray = 1;
    EXPECT_TRUE(e2e::registry::ReadSetting(L"ShowInTray", &showInTray)) << "the settings stay";
    EXPECT_EQ(0u, showInTray);
}

// With its tray menu open: the menu's own loop must not hold the agent's end back until the
// setup's bound runs out and it ends the agent by force.
TEST_F(Setup, UpgradeOverARunningAgentKeepsItsSettingsAndPurgeRemovesThem) {
    ASSERT_EQ(0u, RunSetup(L"/S"));
    HWND window = WaitForAgent(15000);
    ASSERT_NE(nullptr, window);
    HANDLE before = OpenAgentProcess(window);
    WaitForInputIdle(before, 10000);
    PostMessageW(window, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
    ASSERT_TRUE(e2e::WaitUntil([] { HWND menu = FindWindowW(L"#32768", nullptr); return menu && IsWindowVisible(menu); }, 5000));
    struct { const wchar_t* name; DWORD value; } const settings[] = {{L"Key1", 17}, {L"Key2", 113}, {L"ShowInTray", 0}};
    for (const auto& setting : settings)
        e2e::registry::WriteSetting(setting.name, setting.value);

    DeleteFileW(failureLog_.c_str());
    DWORD const started = GetTickCount();
    ASSERT_EQ(0u, RunSetup(L"/S"));
    EXPECT_LT(GetTickCount() - started, 10000u) << "not held until the bound";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(before, 10000));
    DWORD code = 1;
    GetExitCodeProcess(before, &code);
    EXPECT_EQ(0u, code) << "ended cleanly";
    EXPECT_EQ(L"", FailureLog()) << "nothing ended by force";
    CloseHandle(before);
    HWND again = WaitForAgent(15000);
    EXPECT_NE(nullptr, again) << "started again";
    EXPECT_NE(window, again);
    for (const auto& setting : settings) {
        DWORD value = 0;
        EXPECT_TRUE(e2e::registry::ReadSetting(setting.name, &value));
        EXPECT_EQ(setting.value, value) << Narrow(setting.name);
    }

    ASSERT_TRUE(Uninstall(DefaultFolder(), L"/S /PURGE"));
    EXPECT_FALSE(e2e::registry::SettingsKeyExists());
}

// Started under a French UTF-8 locale (see CMakeLists.txt): the accents fit its code page.
TEST_F(Setup, FolderWithSpacesAndAccentsWithoutStart) {
    std::wstring folder = L"C:\\Korvane Café\\Dormello Été";
    ASSERT_EQ(0u, RunSetup(L"/S /NOSTART /D=" + folder));
    EXPECT_TRUE(Exists(folder + L"\\Dormkey.exe"));
    EXPECT_EQ(nullptr, WaitForAgent(3000)) << "/NOSTART";
    EXPECT_FALSE(e2e::registry::SettingsKeyExists()) << "the setup writes no settings";
    EXPECT_NE(std::wstring::npos, TaskXml().find(L"<Command>" + folder + L"\\Dormkey.exe</Command>"));

    e2e::Process agent;
    ASSERT_TRUE(agent.Start(folder + L"\\Dormkey.exe"));
    HWND window = e2e::WaitForTopWindow(Agent::kWindowClass, Agent::kWindowTitle, agent.Id(), 15000);
    ASSERT_NE(nullptr, window);
    WaitForInputIdle(agent.Handle(), 10000);
    SendMessageW(window, WM_USER + 3, 0, 85);
    RECT ok = {};
    GetWindowRect(GetDlgItem(window, kOkButton), &ok);
    EXPECT_EQ(119, ok.right - ok.left) << "skins found";
    EXPECT_EQ(L"Redéfinir", e2e::TextOf(GetDlgItem(window, kRedefineButton))) << "translation found";

    ASSERT_TRUE(Uninstall(folder, L"/S"));
    EXPECT_FALSE(agent.IsRunning());
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(L"C:\\Korvane Café")) << "a parent the user chose stays";
    RemoveDirectoryW(L"C:\\Korvane Café");
}

TEST_F(Setup, RefusesAFolderTooLongForItsFiles) {
    std::vector<std::wstring> staged;
    ListFiles(e2e::StageDir(), &staged);
    size_t longest = 0;
    for (const std::wstring& file : staged)
        longest = std::max(longest, file.size());
    // The longest installed path would reach MAX_PATH - 1 characters.
    std::wstring folder = L"C:\\" + std::wstring(MAX_PATH - 1 - longest - 1 - 3, L'd');
    EXPECT_EQ(4u, RunSetup(L"/S /D=" + folder));
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(EntryExists());
}

// One setup or uninstall at a time, whatever their folders, through a lock that only SYSTEM and
// Administrators can take. The old global mutex name means nothing now: any program may make it
// first (the test stands in for a standard user's, which Wine cannot tell from its own).
TEST_F(Setup, RefusesASecondSetupWhileOneRunsAndNothingElse) {
    struct { const char* what; bool setupRuns; DWORD code; } const cases[] = {
        {"another program made the old mutex name", false, 0}, {"a setup runs", true, 3}};
    std::wstring const folder = DefaultFolder(), lock = SystemFolder(L"Korvane Dormello Setup\\Setup.lock");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(0u, RunSetup(L"/S /NOSTART"));
        e2e::Process first;
        fw::KernelHandle oldName;
        if (c.setupRuns) {
            ASSERT_TRUE(first.Start(setup_, L""));  // the wizard waits on its first page
            ASSERT_TRUE(e2e::WaitUntil([&] { return Exists(lock); }, 30000));
        } else {
            oldName.Reset(CreateMutexW(nullptr, TRUE, L"Global\\Korvane Dormello Setup"));
        }
        DeleteFileW(failureLog_.c_str());
        EXPECT_EQ(c.code, RunSetup(L"/S /NOSTART /D=C:\\Korvane Elsewhere"));
        EXPECT_EQ(c.setupRuns, FailureLog().find(L"Une autre installation") != std::wstring::npos) << Narrow(FailureLog());
        EXPECT_EQ(c.code == 0, Exists(L"C:\\Korvane Elsewhere\\Dormkey.exe"));
        e2e::DeleteTree(L"C:\\Korvane Elsewhere");
        e2e::Process uninstaller;
        ASSERT_TRUE(uninstaller.Start(folder + L"\\Uninstall.exe", L"/S _?=" + folder, {logVariable_.c_str()}));
        ASSERT_TRUE(uninstaller.WaitForExit(kSetupTimeoutMs));
        EXPECT_EQ(c.code, uninstaller.ExitCode());
        EXPECT_EQ(c.code == 0, !Exists(folder + L"\\Dormkey.exe"));
        first.Terminate();
        EXPECT_TRUE(e2e::WaitUntil([&] { return !Exists(lock); }, 10000)) << "the lock goes with its setup";
        if (EntryExists()) {
            ASSERT_TRUE(Uninstall(folder, L"/S"));
        }
        e2e::DeleteTree(folder);
    }
}

// Each agent takes its name off the quit list as it ends, while the setup is still going
// through the list: every listed agent is signalled all the same. Stand-ins that take theirs off
// at once, as several sessions' agents would.
void CALLBACK TakeOffTheQuitList(void* name, BOOLEAN) {
    HKEY list = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kQuitListKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &list) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(list, static_cast<std::wstring*>(name)->c_str());
    RegCloseKey(list);
}

TEST_F(Setup, SignalsEveryListedAgent) {
    struct Listed { std::wstring name; fw::KernelHandle event; HANDLE wait = nullptr; } listed[8];
    HKEY list = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kQuitListKey, 0, nullptr, 0,
                                             KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &list, nullptr));
    for (Listed& agent : listed) {
        agent.name = L"Global\\Korvane Dormello Quit stand-in " + std::to_wstring(&agent - listed);
        agent.event.Reset(CreateEventW(nullptr, TRUE, FALSE, agent.name.c_str()));
        DWORD const processId = GetCurrentProcessId();
        RegSetValueExW(list, agent.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId), sizeof(processId));
        RegisterWaitForSingleObject(&agent.wait, agent.event.Get(), TakeOffTheQuitList, &agent.name, INFINITE,
                                    WT_EXECUTEONLYONCE);
    }
    RegCloseKey(list);
    EXPECT_EQ(0u, RunSetup(L"/S /NOSTART"));
    for (Listed& agent : listed) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(agent.event.Get(), 0)) << Narrow(agent.name);
        UnregisterWaitEx(agent.wait, INVALID_HANDLE_VALUE);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kQuitListKey, KEY_WOW64_32KEY, 0);
}

// A previous installation whose folder was removed or damaged by hand, its uninstall entry
// still in place: the setup installs again and the result works.
TEST_F(Setup, InstallsOverAMissingOrDamagedInstallation) {
    struct { const char* damage; std::vector<std::wstring> removed; } const cases[] = {
        {"folder gone", {L""}},
        {"agent, skins and uninstaller gone", {L"\\Dormkey.exe", L"\\Images", L"\\Uninstall.exe"}}};
    std::wstring folder = DefaultFolder();
    for (const auto& damaged : cases) {
        SCOPED_TRACE(damaged.damage);
        ASSERT_EQ(0u, RunSetup(L"/S /NOSTART"));
        for (const std::wstring& path : damaged.removed)
            e2e::DeleteTree(folder + path);
        ASSERT_TRUE(EntryExists());
        EXPECT_EQ(0u, RunSetup(L"/S"));
        ExpectWorkingInstall(folder);
    }
}

// A file of the installation held open without sharing, by a program the setup cannot end: the
// setup fails, says so in its log, and the folder has a working uninstaller and its entry even
// when it had lost it; an agent it ended runs again. Once the file is free, a second setup and
// the uninstall work.
TEST_F(Setup, FailsOnAFileInUseAndKeepsAWorkingUninstaller) {
    struct { const wchar_t* file; bool agentRunning; } const cases[] = {
        {L"Dormkey.exe", false}, {L"Voltaro.dll", false}, {L"Images\\LangFiles\\French.ini", true}};
    std::wstring folder = DefaultFolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        ASSERT_EQ(0u, RunSetup(c.agentRunning ? L"/S" : L"/S /NOSTART"));
        fw::KernelHandle before(c.agentRunning ? OpenAgentProcess(WaitForAgent(15000)) : nullptr);
        ASSERT_EQ(c.agentRunning, before.IsValid());
        // A starting agent reads its language files: the file is taken once it lets go.
        fw::KernelHandle held;
        e2e::WaitUntil(
            [&] {
                held.Reset(CreateFileW((folder + L"\\" + c.file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                return held.IsValid();
            },
            5000);
        ASSERT_TRUE(held.IsValid());
        DeleteFileW((folder + L"\\Uninstall.exe").c_str());  // the failed setup must bring it back
        DeleteFileW(failureLog_.c_str());
        EXPECT_EQ(2u, RunSetup(L"/S"));
        EXPECT_NE(std::wstring::npos, FailureLog().find(folder)) << "the log names what failed";
        EXPECT_TRUE(Exists(folder + L"\\Uninstall.exe"));
        EXPECT_EQ(L"\"" + folder + L"\\Uninstall.exe\"", EntryText(L"UninstallString"));
        if (c.agentRunning) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(before.Get(), 0)) << "the setup ended the agent";
            EXPECT_NE(nullptr, WaitForAgent(15000)) << "and started it again after the failure";
        } else {
            EXPECT_EQ(nullptr, WaitForAgent(2000)) << "not started after a failure";
        }
        held.Close();
        EXPECT_EQ(0u, RunSetup(L"/S"));
        ExpectWorkingInstall(folder);
    }
}

// An agent where the setup's FindWindow cannot reach it, as in another session: with its
// question open, or started after someone else made an object of the earlier versions' quit
// event name. It listens all the same, ends only when a setup asks, and closes its question
// first, as a "no": the upgrade exits 0 and keeps the settings, the uninstall leaves no file and
// no entry, and nothing is ended by force.
TEST_F(Setup, EndsAnAgentOnAnotherDesktop) {
    struct { const char* what; bool upgrade, question; OldQuitName oldName; } const cases[] = {
        {"upgrade, question open", true, true, OldQuitName::Free},
        {"uninstall, question open", false, true, OldQuitName::Free},
        {"upgrade, old quit name taken by an event", true, false, OldQuitName::TakenByEvent},
        {"uninstall, old quit name taken by a mutex", false, false, OldQuitName::TakenByMutex}};
    std::wstring folder = DefaultFolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(0u, RunSetup(L"/S /NOSTART"));
        e2e::registry::WriteSetting(L"ShowInTray", 0);
        DeleteFileW(failureLog_.c_str());
        fw::KernelHandle oldName(TakeOldQuitName(c.oldName));
        std::wstring const name = L"Dormello" + std::to_wstring(&c - cases);
        HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        fw::KernelHandle agent(StartOnDesktop(name, folder + L"\\Dormkey.exe"));
        HWND window = nullptr, question = nullptr;
        e2e::WaitUntil([&] { return (window = FindWindowOn(desktop, Agent::kWindowTitle)) != nullptr; }, 30000);
        if (window && c.question) {
            PostMessageW(window, WM_USER + 1, 0, 85);  // the hotkey matched
            // Windows shows it on the agent's desktop, Wine on the default one.
            e2e::WaitUntil([&] {
                question = FindWindowOn(desktop, kQuestionTitle);
                return question || (question = FindWindowW(L"#32770", kQuestionTitle)) != nullptr;
            }, 30000);
        }
        CloseDesktop(desktop);
        ASSERT_NE(nullptr, window);
        ASSERT_EQ(c.question, question != nullptr);
        fw::KernelHandle questionProcess(question ? OpenAgentProcess(question) : nullptr);
        EXPECT_EQ(nullptr, WaitForAgent(0)) << "FindWindow misses it";
        if (c.oldName == OldQuitName::TakenByEvent) {
            SetEvent(oldName.Get());
            EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(agent.Get(), 3000)) << "an event anyone may set does not end it";
        }
        if (c.upgrade) {
            EXPECT_EQ(0u, RunSetup(L"/S /NOSTART")) << Narrow(FailureLog());
        } else {
            ASSERT_TRUE(Uninstall(folder, L"/S"));
            EXPECT_FALSE(Exists(folder));
            EXPECT_FALSE(EntryExists());
        }
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(agent.Get(), 10000));
        DWORD code = 1;
        GetExitCodeProcess(agent.Get(), &code);
        EXPECT_EQ(0u, code) << "ended cleanly";
        if (questionProcess.IsValid()) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(questionProcess.Get(), 0)) << "the question went with it";
        }
        EXPECT_EQ(L"", FailureLog()) << "nothing ended by force";
        DWORD showInTray = 1;
        EXPECT_TRUE(e2e::registry::ReadSetting(L"ShowInTray", &showInTray) && showInTray == 0) << "the settings stay";
    }
}

// An agent that answers nothing is ended by force after the bound, the log names it, and the
// upgrade goes on.
TEST_F(Setup, EndsAFrozenAgentByForceAndLogsIt) {
    ASSERT_EQ(0u, RunSetup(L"/S"));
    HWND window = WaitForAgent(15000);
    ASSERT_NE(nullptr, window);
    fw::KernelHandle agent(OpenAgentProcess(window));
    WaitForInputIdle(agent.Get(), 10000);
    DWORD id = GetProcessId(agent.Get());
    Freeze(id);
    EXPECT_EQ(0u, RunSetup(L"/S /NOSTART"));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(agent.Get(), 0));
    EXPECT_NE(std::wstring::npos, FailureLog().find(L" " + std::to_wstring(id) + L"\r\n")) << Narrow(FailureLog());
}

// The uninstall run in place (_?=), so that its exit code is the removal's, with a file held
// open without FILE_SHARE_DELETE: Wine then refuses to delete it, as Windows refuses to delete a
// running program, the uninstaller's own file run in place among them. That file alone goes at
// the next restart with its folder, and the removal counts as complete: 0, no entry, no command
// for the restart. Another file in use goes at the restart too, the run exits 3010 and says so
// in its log, the entry says that a restart completes the removal, and the command left for the
// restart removes it. A setup run before that restart takes the install folder out of what the
// restart deletes, and the command out of RunOnce; what another program left for it stays, a
// rename with its target.
TEST_F(Setup, InPlaceUninstallLeavesFilesInUseToTheRestart) {
    struct { const wchar_t* held; DWORD code; } const cases[] = {{L"Uninstall.exe", 0}, {L"Voltaro.dll", 3010}};
    std::wstring const folder = DefaultFolder(), foreign = TempPath() + L"\\dormello-foreign.tmp";
    std::wstring const renamed = TempPath() + L"\\dormello-foreign-renamed.tmp";
    std::wstring const restart = L"Un redémarrage achève la suppression de Korvane Dormello.";
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.held));
        bool const restartNeeded = c.code == 3010;
        ASSERT_EQ(0u, RunSetup(L"/S /NOSTART"));
        fw::KernelHandle held(CreateFileW((folder + L"\\" + c.held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        DeleteFileW(failureLog_.c_str());
        e2e::Process uninstaller;
        ASSERT_TRUE(uninstaller.Start(folder + L"\\Uninstall.exe", L"/S _?=" + folder, {logVariable_.c_str()}));
        ASSERT_TRUE(uninstaller.WaitForExit(kSetupTimeoutMs));
        EXPECT_EQ(c.code, uninstaller.ExitCode());
        EXPECT_FALSE(Exists(folder + L"\\Dormkey.exe"));
        EXPECT_NE(std::wstring::npos, PendingRemovals().find(folder + L"\\" + c.held)) << "left to the restart";
        EXPECT_EQ(restartNeeded, FailureLog().find(restart) != std::wstring::npos) << Narrow(FailureLog());
        EXPECT_EQ(restartNeeded, EntryExists());
        std::wstring const command = RestartCommand();
        EXPECT_EQ(restartNeeded, !command.empty());
        if (restartNeeded) {
            EXPECT_EQ(L"Korvane Dormello (un redémarrage achève la suppression)", EntryText(L"DisplayName"));
            std::wstring const program = command.substr(1, command.find(L'"', 1) - 1);
            e2e::Process restartCommand;
            ASSERT_TRUE(restartCommand.Start(program, Parameters(command.c_str()))) << Narrow(command);
            ASSERT_TRUE(restartCommand.WaitForExit(30000));
            EXPECT_FALSE(EntryExists()) << "removed by the command left for the restart";
        }

        held.Close();
        CloseHandle(CreateFileW(foreign.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(MoveFileExW(foreign.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
        ASSERT_TRUE(MoveFileExW(foreign.c_str(), renamed.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
        EXPECT_EQ(0u, RunSetup(L"/S /NOSTART")) << "before the restart";
        EXPECT_EQ(std::wstring::npos, PendingRemovals().find(folder)) << "the restart keeps the new copy";
        EXPECT_NE(std::wstring::npos, PendingRemovals().find(foreign + L'\0' + L'\0')) << "and removes what another program left";
        EXPECT_NE(std::wstring::npos, PendingRemovals().find(foreign + L'\0' + L"\\??\\" + renamed)) << "renames it, the pair whole";
        EXPECT_EQ(L"", RestartCommand());
        // This prefix never restarts: undo what was left for it.
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations");
        DeleteFileW(foreign.c_str());
        ASSERT_TRUE(Uninstall(folder, L"/S"));
    }
}

// The Start-menu shortcut starts the opener: with no agent running it starts one, hidden as a
// first start is; with one running it shows that agent's settings window.
TEST_F(Setup, TheShortcutStartsTheAgentOrShowsItsWindow) {
    ASSERT_EQ(0u, RunSetup(L"/S /NOSTART"));
    std::wstring const opener = ShortcutTarget();
    EXPECT_EQ(DefaultFolder() + L"\\Dormopen.exe", opener);
    e2e::Process first;
    ASSERT_TRUE(first.Start(opener) && first.WaitForExit(15000));
    EXPECT_EQ(0u, first.ExitCode());
    HWND window = WaitForAgent(15000);
    ASSERT_NE(nullptr, window) << "started";
    fw::KernelHandle agent(OpenAgentProcess(window));
    WaitForInputIdle(agent.Get(), 10000);
    EXPECT_FALSE(IsWindowVisible(window));

    e2e::Process second;
    ASSERT_TRUE(second.Start(opener) && second.WaitForExit(15000));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 10000)) << "the settings window shows";
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(agent.Get(), 0)) << "the same agent";
}

// Every shipped program names the Windows versions it was written for (else Windows treats it
// as written for Vista) and the rights it asks for.
TEST_F(Setup, EveryProgramNamesItsWindowsVersionsAndRights) {
    std::wstring const stage = e2e::StageDir();
    // Every program is DPI-aware: ours per monitor (v2, with the older kinds as fallbacks), the setup for the system.
    char const perMonitor[] = ">PerMonitorV2, PerMonitor</dpiAwareness>";
    struct { std::wstring program; const char* level; const char* awareness; } const programs[] = {
        {stage + L"\\Dormkey.exe", "requireAdministrator", perMonitor},
        {stage + L"\\Dormnote.exe", "requireAdministrator", perMonitor},
        {stage + L"\\Dormopen.exe", "asInvoker", perMonitor}, {setup_, "requireAdministrator", ">true</dpiAware>"}};
    const char* const windows[] = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                   "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};  // Vista, 7, 8, 8.1, 10 and 11
    for (const auto& p : programs) {
        std::string const manifest = ManifestOf(p.program);
        EXPECT_NE(std::string::npos, manifest.find(std::string("level=\"") + p.level + "\"")) << Narrow(p.program);
        EXPECT_NE(std::string::npos, manifest.find(p.awareness)) << Narrow(p.program) << " " << p.awareness;
        for (const char* id : windows)
            EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"))
                << Narrow(p.program) << " " << id;
    }
}
