#include "Road.h"

#include "common/RegistryLayout.h"
#include "helpers/SendKey.h"

#include <algorithm>

#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace road {

std::wstring ConfirmStandIn() { return e2e::WindowsPathFromUnix(ROAD_CONFIRM_STANDIN); }
std::wstring PowercfgStandIn() { return e2e::WindowsPathFromUnix(ROAD_POWERCFG_STANDIN); }
std::wstring PowrprofStandIn() { return e2e::WindowsPathFromUnix(ROAD_POWRPROF_STANDIN); }
std::wstring SchemeVoltaro() { return e2e::WindowsPathFromUnix(ROAD_SCHEME_VOLTARO); }
std::wstring FaultyKeytap() { return e2e::WindowsPathFromUnix(ROAD_FAULTY_KEYTAP); }
std::wstring WtsapiStandIn() { return e2e::WindowsPathFromUnix(ROAD_WTSAPI_STANDIN); }
std::wstring BusyShellAgent() { return e2e::WindowsPathFromUnix(ROAD_BUSY_SHELL_AGENT); }

void HeldKeys::Down(WORD code) {
    SendKey(code, false);
    down_.push_back(code);
}

void HeldKeys::ReleaseAll() {
    for (auto code = down_.rbegin(); code != down_.rend(); ++code)
        SendKey(*code, true);
    down_.clear();
}

namespace standin {

namespace {
HKEY OpenScratch() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kStandInKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void WriteScratch(const wchar_t* name, DWORD value) {
    HKEY key = OpenScratch();
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}
}  // namespace

void Remove() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kStandInKeyPath);
    RegDeleteKeyW(HKEY_CURRENT_USER, kStandInKeyPath);
}

void Reset() {
    Remove();
    RegCloseKey(OpenScratch());
}

void SetAnswer(DWORD answer) { WriteScratch(kAnswerValue, answer); }
void ClearAnswer() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kAnswerValue); }
void SetHoldMs(DWORD milliseconds) { WriteScratch(kHoldMsValue, milliseconds); }
void AnswerAfterKeysUp() { WriteScratch(kAfterKeysUpValue, 1); }

namespace {
DWORD ReadScratch(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}
}  // namespace

DWORD Starts() { return ReadScratch(kStartsValue); }

void SetPowerCapabilities(const wchar_t* words) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kPowerCapabilitiesValue, REG_SZ, words,
                    static_cast<DWORD>((lstrlenW(words) + 1) * sizeof(wchar_t)));
}

void SetActiveScheme(const wchar_t* scheme) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kActiveSchemeValue, REG_SZ, scheme,
                    static_cast<DWORD>((lstrlenW(scheme) + 1) * sizeof(wchar_t)));
}

void SetSuspendError(DWORD error) { WriteScratch(kSuspendErrorValue, error); }

void SetHybridSleep(int value) {
    if (value < 0)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kHybridSleepValue);
    else
        WriteScratch(kHybridSleepValue, static_cast<DWORD>(value));
}

void SetPowercfgFault(const wchar_t* fault) {
    if (!fault) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kPowercfgFaultValue);
        return;
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, kStandInKeyPath, kPowercfgFaultValue, REG_SZ, fault,
                    static_cast<DWORD>((lstrlenW(fault) + 1) * sizeof(wchar_t)));
}

std::vector<std::string> SuspendCalls() {
    wchar_t text[1024] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, kSuspendCallsValue, RRF_RT_REG_SZ, nullptr, text, &size);
    std::vector<std::string> calls;
    std::string call;
    for (const wchar_t* at = text; *at; ++at) {
        if (*at == L'\n') {
            calls.push_back(call);
            call.clear();
        } else {
            call += static_cast<char>(*at);
        }
    }
    return calls;
}

DWORD Count(const wchar_t* value) { return ReadScratch(value); }
DWORD Ends() { return ReadScratch(kEndsValue); }

bool KillLast() {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ReadScratch(kPidValue));
    if (!process)
        return false;
    bool killed = WaitForSingleObject(process, 0) == WAIT_TIMEOUT && TerminateProcess(process, 3);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    if (killed)
        WriteScratch(kEndsValue, Ends() + 1);  // it will not count its own end
    return killed;
}

std::wstring StartedPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    RegGetValueW(HKEY_CURRENT_USER, kStandInKeyPath, kStartedPathValue, RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}

bool WaitForStarts(DWORD count, DWORD timeoutMs) {
    return e2e::WaitUntil([&] { return Starts() >= count; }, timeoutMs);
}

}  // namespace standin

namespace {
wchar_t const kWineDebugKey[] = L"Software\\Wine\\Debug";
wchar_t const kRelayIncludeValue[] = L"RelayInclude";

LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

std::string ReadFrom(const std::wstring& path, LONGLONG offset) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER at = {};
    at.QuadPart = offset;
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    return text;
}

RelayTrace::RelayTrace(const wchar_t* functions) {
    char unixPath[MAX_PATH] = {};
    if (GetEnvironmentVariableA("ROAD_TRACE_FILE", unixPath, MAX_PATH) == 0)
        return;
    file_ = e2e::WindowsPathFromUnix(unixPath);
    start_ = FileSize(file_);
    RegSetKeyValueW(HKEY_CURRENT_USER, kWineDebugKey, kRelayIncludeValue, REG_SZ, functions,
                    static_cast<DWORD>((lstrlenW(functions) + 1) * sizeof(wchar_t)));
}

RelayTrace::~RelayTrace() {
    if (Available())
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineDebugKey, kRelayIncludeValue);
}

std::vector<std::wstring> InPreparationOrder(std::vector<std::wstring> runs) {
    for (size_t first = 0; first + 1 < runs.size(); first += 3)
        std::sort(runs.begin() + first, runs.begin() + first + 2);
    return runs;
}

std::vector<std::string> SuspendCallsIn(const std::vector<std::string>& tracedArguments) {
    std::vector<std::string> calls;
    for (const std::string& arguments : tracedArguments) {
        std::string call;
        for (size_t at = 0; at < arguments.size();) {
            size_t end = arguments.find(',', at);
            if (end == std::string::npos)
                end = arguments.size();
            unsigned long long value = strtoull(arguments.substr(at, end - at).c_str(), nullptr, 16);
            call += std::string(call.empty() ? "" : ",") + ((value & 0xFF) ? "1" : "0");
            at = end + 1;
        }
        calls.push_back(call);
    }
    return calls;
}

template <typename Visit>
void RelayTrace::ForEachLine(DWORD processId, Visit visit) const {
    if (!Available())
        return;
    char prefix[16];
    snprintf(prefix, sizeof(prefix), "%04lx:", processId);
    std::string text = ReadFrom(file_, start_);
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (line.compare(0, strlen(prefix), prefix) == 0)
            visit(line);
    }
}

std::vector<std::string> RelayTrace::Calls(DWORD processId, const char* function) const {
    std::vector<std::string> calls;
    std::string call = std::string(":Call ") + function + "(";
    ForEachLine(processId, [&](const std::string& line) {
        size_t at = line.find(call);
        if (at == std::string::npos)
            return;
        size_t arguments = at + call.size();
        calls.push_back(line.substr(arguments, line.find(')', arguments) - arguments));
    });
    return calls;
}

// A load is traced as 'pid:trace:loaddll:... Loaded L"C:\\windows\\system32\\kernel32.dll" at ...'.
std::vector<std::string> RelayTrace::LoadedLibraries(DWORD processId) const {
    std::vector<std::string> libraries;
    std::string const loaded = "Loaded L\"";
    ForEachLine(processId, [&](const std::string& line) {
        size_t at = line.find(loaded);
        if (line.find(":loaddll:") == std::string::npos || at == std::string::npos)
            return;
        std::string path = line.substr(at + loaded.size(), line.find('"', at + loaded.size()) - at - loaded.size());
        for (char& c : path)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        libraries.push_back(path);
    });
    return libraries;
}

// A call line is "pid:tid:Call f(arguments) ret=...", its return "pid:tid:Ret  f() retval=... ret=...":
// the return of a call is the next one of that function on the same thread.
std::vector<RelayTrace::Call> RelayTrace::CallsWithResults(DWORD processId, const char* function) const {
    std::vector<Call> done;
    std::vector<std::pair<std::string, std::string>> open;  // thread, arguments
    std::string call = std::string(":Call ") + function + "(";
    std::string ret = std::string(":Ret  ") + function + "() retval=";
    ForEachLine(processId, [&](const std::string& line) {
        size_t at = line.find(call);
        if (at != std::string::npos) {
            size_t arguments = at + call.size();
            open.emplace_back(line.substr(0, at), line.substr(arguments, line.find(')', arguments) - arguments));
            return;
        }
        at = line.find(ret);
        if (at == std::string::npos)
            return;
        std::string thread = line.substr(0, at);
        for (auto pending = open.begin(); pending != open.end(); ++pending) {
            if (pending->first != thread)
                continue;
            done.push_back({pending->second, strtoull(line.c_str() + at + ret.size(), nullptr, 16)});
            open.erase(pending);
            return;
        }
    });
    return done;
}

bool RoadAgent::Start(const e2e::InstallFolder& install, std::initializer_list<const wchar_t*> environment) {
    // Up to four extra pairs besides the relay switch; unused slots get harmless names.
    const wchar_t* slots[4] = {L"ROAD_SLOT_1=", L"ROAD_SLOT_2=", L"ROAD_SLOT_3=", L"ROAD_SLOT_4="};
    size_t index = 0;
    for (const wchar_t* pair : environment)
        if (index < ARRAYSIZE(slots))
            slots[index++] = pair;
    if (!process_.Start(install.Agent(), L"", {RelayTrace::Environment(), slots[0], slots[1], slots[2], slots[3]}))
        return false;
    window_ = e2e::WaitForTopWindow(e2e::Agent::kWindowClass, e2e::Agent::kWindowTitle, process_.Id(), 15000);
    if (!window_)
        return false;
    WaitForInputIdle(process_.Handle(), 10000);
    // The monitor thread creates its event just before it arms the first notification.
    e2e::WaitUntil(
        [] {
            HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, L"RegMonitorChange");
            if (event)
                CloseHandle(event);
            return event != nullptr;
        },
        2000);
    Sleep(200);
    return true;
}

bool RoadAgent::Close(DWORD timeoutMs) {
    if (window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(timeoutMs);
}

PowercfgInSystemFolder::PowercfgInSystemFolder() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    path_ = std::wstring(system) + L"\\powercfg.exe";
    backup_ = path_ + L".road-backup";
    if (GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES && !MoveFileW(path_.c_str(), backup_.c_str()))
        return;
    installed_ = CopyFileW(PowercfgStandIn().c_str(), path_.c_str(), FALSE) != FALSE;
}

PowercfgInSystemFolder::~PowercfgInSystemFolder() {
    // A run may still be ending: give it a moment to let go of the file. Under Wine a run whose
    // agent ended while starting it can hang half made, holding the file and the test's output:
    // what is still running of the stand-in then is ended.
    auto deleted = [&] { return DeleteFileW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; };
    if (!e2e::WaitUntil(deleted, 3000)) {
        e2e::EndProcessesOf(path_);
        e2e::WaitUntil(deleted, 3000);
    }
    if (GetFileAttributesW(backup_.c_str()) != INVALID_FILE_ATTRIBUTES)
        MoveFileW(backup_.c_str(), path_.c_str());
}

std::vector<std::wstring> PowercfgInSystemFolder::Runs() const {
    std::string text = ReadFrom(log_ / L"runs.log", 0);
    std::vector<std::wstring> runs;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            break;  // a line still being written
        std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        wchar_t wide[2 * MAX_PATH + 4] = {};
        MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide, ARRAYSIZE(wide));
        runs.push_back(wide);
    }
    return runs;
}

bool PowercfgInSystemFolder::WaitForRuns(size_t count, DWORD timeoutMs) const {
    return e2e::WaitUntil([&] { return Runs().size() >= count; }, timeoutMs);
}

namespace {
// SystemHandleInformation (class 16) as Windows and Wine return it.
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectTypeIndex;
    UCHAR attributes;
    USHORT handle;
    void* object;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
using NtQuerySystemInformationProc = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
LONG const kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
}  // namespace

int KernelHandleCount(DWORD processId) {
    auto query = reinterpret_cast<NtQuerySystemInformationProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status < 0)
        return -1;
    const HandleTable* table = reinterpret_cast<const HandleTable*>(buffer.data());
    int count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].processId == processId)
            ++count;
    return count;
}

namespace {
// When the process was made, or 0 when it cannot be asked.
ULONGLONG CreationTime(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    FILETIME created = {}, ended = {}, kernel = {}, user = {};
    BOOL got = GetProcessTimes(process, &created, &ended, &kernel, &user);
    CloseHandle(process);
    return got ? (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}

// The processes started by parentId that still run, or -1. Process ids are used again: one
// that names parentId as its parent but is older was started by an earlier holder of that id
// (once seen here: a long-lived process kept the handle-count test waiting for good).
int RunningChildren(DWORD parentId) {
    ULONGLONG const parentCreated = CreationTime(parentId);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == parentId && CreationTime(entry.th32ProcessID) >= parentCreated)
            ++count;
    CloseHandle(snapshot);
    return count;
}
}  // namespace

bool ChildrenEnded(DWORD processId, DWORD timeoutMs) {
    return e2e::WaitUntil([&] { return RunningChildren(processId) == 0; }, timeoutMs);
}

int SettledHandleCount(DWORD processId) {
    DWORD const kSteadyMs = 500;
    int count = -1;
    e2e::WaitUntil(
        [&] {
            if (RunningChildren(processId) != 0)
                return false;
            int before = KernelHandleCount(processId);
            Sleep(kSteadyMs);
            count = KernelHandleCount(processId);
            return count == before && RunningChildren(processId) == 0;
        },
        60000);  // the powercfg runs are process starts, which a loaded machine took 15 s and more for
    return count;
}

namespace {
wchar_t const kConfirmationTitle[] = L"Korvane Dormello Message";

// The window lives on a thread of its own that keeps reading messages, so the agent's
// SetForegroundWindow on it never waits for the test.
DWORD WINAPI WindowThread(void* parameter) {
    HWND* window = static_cast<HWND*>(parameter);
    HWND created = CreateWindowExW(0, L"#32770", kConfirmationTitle, WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    InterlockedExchangePointer(reinterpret_cast<void**>(window), created);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    DestroyWindow(created);
    return 0;
}
}  // namespace

HiddenConfirmationWindow::HiddenConfirmationWindow() {
    thread_ = CreateThread(nullptr, 0, WindowThread, const_cast<HWND*>(&window_), 0, &threadId_);
    e2e::WaitUntil([&] { return window_ != nullptr; }, 5000);
}

HiddenConfirmationWindow::~HiddenConfirmationWindow() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
}

}  // namespace road
