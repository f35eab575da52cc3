#include "Harness.h"

#include "common/RegistryLayout.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

namespace e2e {

std::wstring WindowsPathFromUnix(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring StageDir() {
    // DORMELLO_PROGRAMS_UNDER_TEST (a Unix folder) puts other programs under test: an earlier
    // revision's, for pictures of both taken by the same test (tools/compare-at-96dpi.sh).
    char other[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("DORMELLO_PROGRAMS_UNDER_TEST", other, sizeof(other));
    return WindowsPathFromUnix(length && length < sizeof(other) ? other : DORMELLO_STAGE_DIR);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteTree(const std::wstring& path) {
    if (!IsFolder(path)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                DeleteTree(path + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void WalkTree(const std::wstring& root, const std::function<bool(const std::wstring&, bool)>& visit,
              const std::wstring& relative) {
    WIN32_FIND_DATAW found;
    std::wstring const folder = relative.empty() ? root : root + L"\\" + relative;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring const child = relative.empty() ? name : relative + L"\\" + name;
        bool const isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (visit(child, isFolder) && isFolder)
            WalkTree(root, visit, child);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

namespace {


void CreateFolders(const std::wstring& folder) {
    size_t at = folder.find(L'\\', 3);
    while (at != std::wstring::npos) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
        at = folder.find(L'\\', at + 1);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
}

bool IsExcluded(const std::wstring& relative, std::initializer_list<const wchar_t*> without) {
    for (const wchar_t* excluded : without)
        if (lstrcmpiW(relative.c_str(), excluded) == 0)
            return true;
    return false;
}

void CopyTree(const std::wstring& from, const std::wstring& to, std::initializer_list<const wchar_t*> without) {
    WalkTree(from, [&](const std::wstring& relative, bool isFolder) {
        if (IsExcluded(relative, without))
            return false;
        if (isFolder)
            CreateDirectoryW((to + L"\\" + relative).c_str(), nullptr);
        else
            CopyFileW((from + L"\\" + relative).c_str(), (to + L"\\" + relative).c_str(), FALSE);
        return true;
    });
}

}  // namespace

TempFolder::TempFolder() {
    static LONG counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(ARRAYSIZE(temp), temp);
    wchar_t name[64];
    wsprintfW(name, L"dormello-%lu-%lu-%ld", GetCurrentProcessId(), GetTickCount(), InterlockedIncrement(&counter));
    path_ = std::wstring(temp) + name;
    CreateFolders(path_);
}

TempFolder::~TempFolder() {
    DeleteTree(path_);
}

std::wstring TempFolder::operator/(const std::wstring& relative) const {
    return path_ + L"\\" + relative;
}

bool TempFolder::CopyFileTo(const std::wstring& source, const std::wstring& relative) const {
    std::wstring target = *this / relative;
    size_t slash = target.rfind(L'\\');
    CreateFolders(target.substr(0, slash));
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool TempFolder::Remove(const std::wstring& relative) const {
    std::wstring target = *this / relative;
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    DeleteTree(target);
    return GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES;
}

InstallFolder::InstallFolder(std::initializer_list<const wchar_t*> without) {
    CopyTree(StageDir(), Path(), without);
}

SkinLoss const kSkinLosses[2] = {{"no Images folder", L"Images", false}, {"broken images", L"", true}};

DamagedInstall::DamagedInstall(const SkinLoss& loss) : InstallFolder({loss.removed}) {
    if (!loss.breakImages)
        return;
    static char const garbage[] = "\x89PNG\r\n\x1a\n but then nothing of a picture";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((*this / L"Images\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        HANDLE file = CreateFileW((*this / L"Images\\" + found.cFileName).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, garbage, sizeof(garbage), &written, nullptr);
        CloseHandle(file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void CopyStageTo(const std::wstring& folder) {
    CreateFolders(folder);
    CopyTree(StageDir(), folder, {});
}

Process::~Process() {
    Terminate();
    if (process_)
        CloseHandle(process_);
}

bool Process::Start(const std::wstring& exe, const std::wstring& arguments,
                    std::initializer_list<const wchar_t*> extraEnvironment) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> mutableCommandLine(commandLine.begin(), commandLine.end());
    mutableCommandLine.push_back(L'\0');

    // The child's environment: ours, with the extra pairs added (an extra pair replaces ours).
    std::vector<wchar_t> environment;
    if (extraEnvironment.size() != 0) {
        wchar_t* block = GetEnvironmentStringsW();
        for (const wchar_t* entry = block; *entry; entry += lstrlenW(entry) + 1) {
            bool replaced = false;
            for (const wchar_t* extra : extraEnvironment) {
                const wchar_t* equals = wcschr(extra, L'=');
                size_t nameLength = equals ? static_cast<size_t>(equals - extra + 1) : 0;
                if (nameLength && _wcsnicmp(entry, extra, nameLength) == 0)
                    replaced = true;
            }
            if (!replaced)
                environment.insert(environment.end(), entry, entry + lstrlenW(entry) + 1);
        }
        FreeEnvironmentStringsW(block);
        for (const wchar_t* extra : extraEnvironment)
            environment.insert(environment.end(), extra, extra + lstrlenW(extra) + 1);
        environment.push_back(L'\0');
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring folder = exe.substr(0, exe.rfind(L'\\'));
    // Wine now and then fails to map a new process's shared data ("failed to map the shared user
    // data: c0000018") and CreateProcess fails with ERROR_INTERNAL_ERROR: the program never ran.
    // Such a start is made once more, and said so; any other failure is the test's to see.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessW(exe.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                           environment.empty() ? nullptr : environment.data(), folder.c_str(), &startup, &info))
            break;
        // Rare and otherwise silent: the test only sees a start that failed.
        DWORD error = GetLastError();
        fprintf(stderr, "CreateProcess failed with %lu (file %s): %ls%s\n", error,
                GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES ? "missing" : "present", exe.c_str(),
                error == ERROR_INTERNAL_ERROR && attempt == 0 ? ": started once more" : "");
        if (error != ERROR_INTERNAL_ERROR || attempt > 0)
            return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool Process::WaitForExit(DWORD timeoutMs) const {
    return !process_ || WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

bool Process::IsRunning() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD Process::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

void Process::Terminate() {
    if (IsRunning()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

namespace {

struct WindowSearch {
    const wchar_t* windowClass;
    const wchar_t* title;
    DWORD processId;
    bool visibleOnly;
    HWND found;
    int count;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId && owner != search->processId)
        return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    wchar_t text[256];
    if (search->windowClass) {
        GetClassNameW(window, text, ARRAYSIZE(text));
        if (lstrcmpW(text, search->windowClass) != 0)
            return TRUE;
    }
    if (search->title) {
        GetWindowTextW(window, text, ARRAYSIZE(text));
        if (lstrcmpW(text, search->title) != 0)
            return TRUE;
    }
    ++search->count;
    if (!search->found)
        search->found = window;
    return TRUE;
}

}  // namespace

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

namespace {
BOOL CALLBACK AppendChildText(HWND child, LPARAM texts) {
    LRESULT length = SendMessageW(child, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(lstrlenW(text.c_str()));
    *reinterpret_cast<std::wstring*>(texts) += text + L"\n";
    return TRUE;
}
}  // namespace

void EndProcessesOf(const std::wstring& program) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    std::wstring const name = program.substr(program.find_last_of(L'\\') + 1);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, name.c_str()) != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                     entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        // A process still being made may not name its file yet: one of that name is taken for it.
        if (!QueryFullProcessImageNameW(process, 0, image, &size) || lstrcmpiW(image, program.c_str()) == 0) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 2000);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

std::wstring ChildTexts(HWND window) {
    std::wstring texts;
    EnumChildWindows(window, AppendChildText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND FindTopWindow(const wchar_t* windowClass, const wchar_t* title, DWORD processId) {
    WindowSearch search = {windowClass, title, processId, false, nullptr, 0};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(const wchar_t* windowClass, const wchar_t* title, DWORD processId, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(windowClass, title, processId)) != nullptr; }, timeoutMs);
    return found;
}

int CountTopWindows(DWORD processId, bool visibleOnly) {
    WindowSearch search = {nullptr, nullptr, processId, visibleOnly, nullptr, 0};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

wchar_t const Agent::kWindowClass[] = L"#32770";
wchar_t const Agent::kWindowTitle[] = L"KvHybridS3";

bool Agent::Start(const InstallFolder& install) {
    if (!process_.Start(install.Agent()))
        return false;
    window_ = WaitForTopWindow(kWindowClass, kWindowTitle, process_.Id(), 15000);
    return window_ && WaitUntilResident();
}

// The window exists from early in the initialisation, and WaitForInputIdle returns as soon as
// any thread of the agent (the hook library's, say) waits for messages. Posted messages,
// though, are read only by the dialog's own loop once the initialisation is over: flip the tray
// check box by a posted message, see it flip, and put it back.
bool Agent::WaitUntilResident() {
    HWND box = GetDlgItem(window_, 1004);
    if (!box)
        return false;
    LRESULT state = SendMessageW(box, BM_GETCHECK, 0, 0);
    WPARAM flipped = state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    PostMessageW(box, BM_SETCHECK, flipped, 0);
    if (!WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(flipped); }, 15000))
        return false;
    PostMessageW(box, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    return WaitUntil([&] { return SendMessageW(box, BM_GETCHECK, 0, 0) == state; }, 5000);
}

bool Agent::Close(DWORD timeoutMs) {
    if (window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    return process_.WaitForExit(timeoutMs);
}

wchar_t const Confirmation::kWindowClass[] = L"#32770";
wchar_t const Confirmation::kWindowTitle[] = L"Korvane Dormello Message";

bool Confirmation::Start(const InstallFolder& install, const std::wstring& arguments) {
    if (!process_.Start(install / L"Dormnote.exe", arguments))
        return false;
    window_ = WaitForTopWindow(kWindowClass, kWindowTitle, process_.Id(), 15000);
    if (!window_)
        return false;
    WaitForInputIdle(process_.Handle(), 10000);
    return WaitUntil([&] { return IsWindowVisible(window_) != FALSE; }, 5000);
}

HWND Confirmation::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool TrayHasIcon(HWND agent) {
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = agent;
    icon.uID = 132;
    return Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

bool BringToForeground(HWND window) {
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == window)
                return true;
            SetForegroundWindow(window);
            Sleep(50);
            return GetForegroundWindow() == window;
        },
        5000);
}

void PressKeys(std::initializer_list<WORD> virtualKeys) {
    std::vector<INPUT> inputs;
    for (WORD key : virtualKeys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        inputs.push_back(input);
    }
    for (auto key = virtualKeys.end(); key != virtualKeys.begin();) {
        --key;
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(*key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CentreOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ClickAt(POINT screen) {
    // Move first and wait until the move has arrived: a press sent right after SetCursorPos
    // can land where the pointer was before. The press and the release carry the place too: a
    // late echo of an earlier move from the X server can still put the pointer back meanwhile.
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof(INPUT));
    WaitUntil(
        [&] {
            POINT at = {};
            GetCursorPos(&at);
            return at.x == screen.x && at.y == screen.y;
        },
        2000);
    Sleep(50);
    INPUT inputs[2] = {move, move};
    inputs[0].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void EndStrayWindows(const wchar_t* windowClass, const wchar_t* title) {
    while (HWND window = FindWindowW(windowClass, title)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process, 99);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
        if (!WaitUntil([&] { return !IsWindow(window); }, 5000))
            break;
    }
}

NativeLibraryFirst::NativeLibraryFirst(const wchar_t* program, const wchar_t* library)
    : key_(std::wstring(L"Software\\Wine\\AppDefaults\\") + program) {
    std::wstring const overrides = key_ + L"\\DllOverrides";
    wchar_t const order[] = L"native,builtin";
    set_ = RegSetKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), library, REG_SZ, order, sizeof(order)) == ERROR_SUCCESS;
}

NativeLibraryFirst::~NativeLibraryFirst() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }

namespace registry {

namespace {
void DeleteUnder(HKEY root, const wchar_t* name) {
    HKEY parent;
    if (RegOpenKeyExW(root, L"SOFTWARE\\Korvane", 0, KEY_ALL_ACCESS | kRegistryView, &parent) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent, name);
    RegCloseKey(parent);
}
}  // namespace

void DeleteSettingsKey() {
    DeleteUnder(HKEY_LOCAL_MACHINE, L"Korvane Dormello");
}

void DeleteChangeKey() {
    DeleteUnder(HKEY_CURRENT_USER, L"Korvane Change");
}

bool SettingsKeyExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ | kRegistryView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadSetting(const wchar_t* name, DWORD* value) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ | kRegistryView, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof(*value);
    DWORD type = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD;
}

void WriteSetting(const wchar_t* name, DWORD value) {
    WriteSettingRaw(name, REG_DWORD, &value, sizeof(value));
}

void WriteSettingRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE | kRegistryView, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

bool SettingTypeAndSize(const wchar_t* name, DWORD* type, DWORD* size) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_QUERY_VALUE | kRegistryView, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegQueryValueExW(key, name, nullptr, type, nullptr, size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace registry

}  // namespace e2e
