// Shared end-to-end harness: throwaway install folders copied from the staged install, the
// programs started as processes of the test's Wine prefix, and observation from outside
// (windows, registry, process state).
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

namespace e2e {

// The staged install folder as a Windows path (Wine maps / to Z:\).
std::wstring StageDir();
std::wstring WindowsPathFromUnix(const char* unixPath);

// Polls condition every 20 ms until it holds or timeoutMs passes. True when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

bool IsFolder(const std::wstring& path);
// Calls visit(path relative to root, is a folder) for everything under root, a folder before
// its contents; a folder whose visit returns false is not entered.
void WalkTree(const std::wstring& root, const std::function<bool(const std::wstring&, bool)>& visit,
              const std::wstring& relative = L"");
// Deletes a file, or a folder with everything in it.
void DeleteTree(const std::wstring& path);

// A uniquely named folder under the prefix's temporary folder, deleted with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    // Path + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const;
    // Copies a file to Path\relative, creating folders on the way. True when copied.
    bool CopyFileTo(const std::wstring& source, const std::wstring& relative) const;
    // Deletes Path\relative (a file or a whole folder). True when it existed and is gone.
    bool Remove(const std::wstring& relative) const;

private:
    std::wstring path_;
};

// A copy of the staged install (programs and data folders), minus the relative paths named.
class InstallFolder : public TempFolder {
public:
    explicit InstallFolder(std::initializer_list<const wchar_t*> without = {});
    std::wstring Agent() const { return *this / L"Dormkey.exe"; }
};

// The two ways the skins go missing that both programs must survive: no "Images\" folder, or
// every picture in it broken (a file that is no picture).
struct SkinLoss {
    const char* name;
    const wchar_t* removed;  // left out of the install
    bool breakImages;
};
extern SkinLoss const kSkinLosses[2];
// An install suffering loss.
class DamagedInstall : public InstallFolder {
public:
    explicit DamagedInstall(const SkinLoss& loss);
};

// Copies the staged install into folder (created with its parents), for installs in odd places.
void CopyStageTo(const std::wstring& folder);

// A started program. The destructor ends it if it still runs.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts exe with the command line arguments; extraEnvironment holds "NAME=value" pairs
    // added to the test's own environment for this child only.
    bool Start(const std::wstring& exe, const std::wstring& arguments = L"",
               std::initializer_list<const wchar_t*> extraEnvironment = {});
    bool WaitForExit(DWORD timeoutMs) const;
    bool IsRunning() const;
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    void Terminate();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The window's text.
std::wstring TextOf(HWND window);
// The texts of the window's children (of any length), each followed by a line break.
std::wstring ChildTexts(HWND window);

// The top-level window of class and title, or null; with processId non-zero only one of that process.
HWND FindTopWindow(const wchar_t* windowClass, const wchar_t* title, DWORD processId = 0);
HWND WaitForTopWindow(const wchar_t* windowClass, const wchar_t* title, DWORD processId, DWORD timeoutMs);
// Number of top-level windows of the process (visible ones only when visibleOnly).
int CountTopWindows(DWORD processId, bool visibleOnly);

// The agent, started from an install folder, with its hidden settings window.
class Agent {
public:
    static wchar_t const kWindowClass[];
    static wchar_t const kWindowTitle[];

    // Starts the agent and waits until it is resident and idle. False when its window did not appear.
    bool Start(const InstallFolder& install);
    HWND Window() const { return window_; }
    Process& Proc() { return process_; }
    // WM_CLOSE from outside, then waits for the process to end. True when it ended in time.
    bool Close(DWORD timeoutMs = 10000);

private:
    bool WaitUntilResident();

    Process process_;
    HWND window_ = nullptr;
};

// The confirmation program, started from an install folder, with its dialog shown.
class Confirmation {
public:
    static wchar_t const kWindowClass[];
    static wchar_t const kWindowTitle[];

    // Starts Dormnote.exe and waits until its dialog is shown and idle. False when it did not appear.
    bool Start(const InstallFolder& install, const std::wstring& arguments = L"");
    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    // The control holding the keyboard focus in the dialog's thread.
    HWND Focus() const;
    Process& Proc() { return process_; }

private:
    Process process_;
    HWND window_ = nullptr;
};

// Whether the notification area holds the agent's icon, as the shell itself says: it changes only
// an icon it has, so a change of nothing fails for an icon it does not know. (No Wine version's
// own windows are looked at: they differ between versions.)
bool TrayHasIcon(HWND agent);

// Makes window the foreground window and waits until it is. Wine's stand-alone notification
// area (shown when a program adds a tray icon) can take the activation a moment later.
bool BringToForeground(HWND window);

// Keyboard and mouse input as a user makes it (SendInput to whatever has the focus).
// Keys go down in the order given and up in reverse order.
void PressKeys(std::initializer_list<WORD> virtualKeys);
void ClickAt(POINT screen);
// The centre of a window, in screen coordinates.
POINT CentreOf(HWND window);

// Ends every process that shows a top-level window of class and title (left over from an
// earlier test), so each test starts with none running.
void EndStrayWindows(const wchar_t* windowClass, const wchar_t* title);
// Ends every process started from that program file.
void EndProcessesOf(const std::wstring& program);
inline void EndStrayAgents() { EndStrayWindows(L"#32770", L"KvHybridS3"); }
inline void EndStrayConfirmations() { EndStrayWindows(L"#32770", L"Korvane Dormello Message"); }

// For the test's life, Wine loads the library of that name from beside the program of that file
// name before its own (a per-program override in the prefix's registry: a WINEDLLOVERRIDES
// variable given to a process that a Windows process starts has no effect under Wine 8).
class NativeLibraryFirst {
public:
    NativeLibraryFirst(const wchar_t* program, const wchar_t* library);
    ~NativeLibraryFirst();
    NativeLibraryFirst(const NativeLibraryFirst&) = delete;
    NativeLibraryFirst& operator=(const NativeLibraryFirst&) = delete;
    bool Set() const { return set_; }

private:
    std::wstring key_;
    bool set_ = false;
};

// Registry: the settings (HKLM) and the change signal (HKCU), in the view the programs use.
namespace registry {
void DeleteSettingsKey();
void DeleteChangeKey();
bool SettingsKeyExists();
bool ReadSetting(const wchar_t* name, DWORD* value);
void WriteSetting(const wchar_t* name, DWORD value);
// Any type and size, for values the programs must survive.
void WriteSettingRaw(const wchar_t* name, DWORD type, const void* data, DWORD size);
bool SettingTypeAndSize(const wchar_t* name, DWORD* type, DWORD* size);
}  // namespace registry

}  // namespace e2e
