// The agent's one window: the hidden, skinned settings dialog. It also owns every long-lived
// resource of the agent (libraries, threads, settings, skin) and frees them in its destructor.
#pragma once
#include "common/AgentIdentity.h"
#include "common/DwordRegHelper.h"
#include "common/KeyboardFocus.h"
#include "common/SleepKind.h"
#include "common/skin/ContourBitmap.h"
#include "common/skin/SkinButton.h"
#include "framework/Dialog.h"
#include "framework/GdiObjects.h"
#include "framework/Handles.h"

#include "AccessibleName.h"
#include "PowercfgRuns.h"
#include "QuitSignal.h"

#include <shellapi.h>

#include <memory>
#include <string>

// The agent's private messages. All but the tray callback act only with lParam kMessageMarker.
UINT const WM_APP_HOTKEY_MATCHED = WM_USER + 1;   // from the registry-monitor thread
UINT const WM_APP_TRAY_NOTIFY = WM_USER + 2;      // from the shell, wParam = kTrayIconId
// WM_USER + 3, WM_APP_SHOW_SETTINGS (common/AgentIdentity.h): from a second start or the opener
UINT const WM_APP_KEY_CAPTURED = WM_USER + 4;     // from the hotkey capture hook
UINT const WM_APP_CHECK_HOTKEY = WM_USER + 5;     // from outside: test the hotkey now
UINT const WM_APP_SLEEP_FAILED = WM_USER + 6;     // from the sleep thread, wParam = the error

wchar_t const kDialogClass[] = L"#32770";

UINT const kTrayIconId = 132;

using GetActiveSchemeProc = DWORD(WINAPI*)(HKEY, GUID**);
using SetActiveSchemeProc = DWORD(WINAPI*)(HKEY, const GUID*);
using KeytapProc = void(WINAPI*)();
using KeytapRenewProc = BOOL(WINAPI*)();

// What the PC offers right now; Unknown when its power capabilities cannot be read.
SleepKind ReadSleepKind();

// The tray menu: owns the loaded menu resource and destroys it with itself.
class CGMenu : public fw::Menu {};

class CHybridS3Dlg : public fw::Dialog {
public:
    CHybridS3Dlg();
    ~CHybridS3Dlg() override;

    BOOL PreTranslateMessage(MSG* message) override;

    // Reads EnableFunction, ShowInTray, Key1 and Key2 (with the Alt+F1 defaults) into memory.
    void LoadSettings();
    // Re-reads Key1 and Key2 (with the Alt+F1 defaults) and writes their names.
    void ReloadHotkey();
    DWORD EnableFunctionCopy() const { return enableFunction_; }
    DWORD ShowInTrayCopy() const { return showInTray_; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Start-up and window life.
    void SetUpLanguage();
    void LayoutWithCheck();
    bool LayoutIsAsExpected() const;
    LRESULT OnWindowPosChanging(WINDOWPOS* position);
    void HideAll();
    void OnShowRequest();
    void LetShowRequestsIn();

    // Presentation.
    void CreateWindowFonts();
    SIZE WindowSize() const;
    void LayoutSettingsWindow();
    void PlaceControls();
    void MakeArtwork();
    void DropArtwork();
    void DropPictures();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void CatchUpWithDpi();
    void SkinButtons(const wchar_t* folder);
    void CenterAndCheck();
    void OnPaint();
    void OnPrintClient(HDC dc);
    // Draws what touches band (window coordinates) into dc.
    void PaintContent(HDC dc, const RECT& band);
    LRESULT OnSetCursor(HWND under);
    LRESULT OnLButtonDown(LPARAM lParam);

    // Tray icon and settings window.
    void BuildTrayMenu();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void LoadTrayIconForDpi();
    void TryAddTrayIcon(bool again);
    void FillTrayIconData();
    bool OnTrayRetryTimer(WPARAM timer);
    static UINT TaskbarCreatedMessage();
    void ListenForTaskbar();
    void OnTaskbarCreated();
    void ShowSettingsWindow();
    LRESULT OnTrayNotify(LPARAM mouseMessage);
    void OnTrayCommand(UINT command);
    void UpdatePowerNote();

    // Settings window commands and keyboard.
    void OnButtonRedefine();
    void OnButtonOK();
    void OnButtonCancel();
    void HideSettingsWindow();
    void ShowSettingsControls(int command);
    void RemoveCaptureHook();
    LRESULT OnKeyDown(WPARAM key);
    LRESULT OnSysCommand(WPARAM command);

    // Hotkey trigger.
    int StartKeyMonitor();
    static DWORD WINAPI RegistryMonitorThread(void* dialog);
    LRESULT OnCheckHotkey(WPARAM wParam, LPARAM lParam);

    // Hook renewal after resume and unlock (HookRenewal.cpp).
    void ListenForSessionChanges();
    // True when it handled message; *result is then the window procedure's result.
    bool OnHookRenewalMessage(UINT message, WPARAM wParam, LRESULT* result);
    void RenewHook();

    // An entry point of a library loaded at run time, typed; null when absent. Cast through
    // void(*)() so the compiler accepts the change of signature.
    template <typename Proc>
    static Proc EntryPoint(const fw::Module& library, const char* name) {
        return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(library.GetProc(name)));
    }

    // Power schemes and the sleep sequence.
    void DetectHybridSupport();
    int LoadPowerLibrary();
    int PreparePowerSchemes();
    LRESULT OnHotkeyMatched(WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI SleepThread(void* dialog);
    LRESULT OnSleepFailed(WPARAM error, LPARAM lParam);
    void CloseSleepFailure();
    void CloseQuestion();

    void ReleaseSkinResources();
    void UnloadLanguage();

    // Sleep sequence: the confirmation program's path and the running sleep thread (null when idle).
    wchar_t confirmationPath_[MAX_PATH] = {};
    HANDLE volatile sleepThread_ = nullptr;
    // What the PC offered at the last accepted hotkey.
    SleepKind sleepKind_ = SleepKind::Unknown;
    // What the question of that hotkey says the PC will do (hybrid sleep only where it is on);
    // the sleep thread reads it, and it does not change while that thread runs.
    SleepKind promisedKind_ = SleepKind::Unknown;
    bool failureShown_ = false;  // the message of a failed sleep is up
    // A copy of the running question's process handle, closed by whoever takes it: the sleep
    // thread once the question has ended, or the window when the agent ends first.
    HANDLE volatile question_ = nullptr;
    // The question of the last accepted hotkey, started by the window's thread before the sleep
    // thread runs, and taken by that thread.
    struct StartedQuestion {
        bool asked = false;        // the answer was cleared first: only then may one be taken
        fw::KernelHandle process;  // not valid when it could not start
        fw::KernelHandle shown;    // set by the question once it waits for input
    };
    StartedQuestion startedQuestion_;
    bool volatile ending_ = false;  // the agent ends: no answer may put the PC to sleep now
    // The last preparation's powercfg runs until they are started or the sleep thread takes them.
    PowercfgRuns powercfgRuns_;

    // Trigger: the monitor thread and the event it waits on.
    HANDLE volatile monitorThread_ = nullptr;
    HANDLE volatile changeEvent_ = nullptr;

    // Libraries loaded at run time and their entry points.
    fw::Module powerLibrary_;
    GetActiveSchemeProc getActiveScheme_ = nullptr;
    SetActiveSchemeProc setActiveScheme_ = nullptr;
    fw::Module hookLibrary_;
    KeytapProc ktInitialize_ = nullptr;
    KeytapProc ktUninitialize_ = nullptr;
    KeytapRenewProc ktRenew_ = nullptr;
    bool sessionNotifications_ = false;  // registered for WM_WTSSESSION_CHANGE
    QuitSignal quitSignal_;  // a setup or uninstaller asks every agent to end
    int renewalAttempts_ = 0;
    int registrationAttempts_ = 0;

    char languageName_[MAX_PATH] = {};
    std::unique_ptr<fw::Font> titleFont_;
    std::unique_ptr<fw::Font> textFont_;
    HICON windowIcon_ = nullptr;  // shared resource icons: never destroyed
    HICON trayIcon_ = nullptr;        // the resource's shared icon: the tray's when none is scaled
    HICON scaledTrayIcon_ = nullptr;  // ours, at the small-icon size of trayIconDpi_: destroyed when replaced
    UINT trayIconDpi_ = 0;            // the notification area's DPI when scaledTrayIcon_ was drawn
    std::wstring powerNote_;  // the settings window's line on what the hotkey does here, translated; or none
    HCURSOR arrowCursor_ = nullptr;  // shared system cursors
    HCURSOR handCursor_ = nullptr;
    HCURSOR moveCursor_ = nullptr;

    DWORD volatile showInTray_ = 0;
    DWORD volatile enableFunction_ = 0;
    NOTIFYICONDATAW trayIconData_ = {};
    DWORD trayTriesSince_ = 0;  // tick count at the start of the current series of tries
    UINT trayRetryMs_ = 0;      // the wait before the next try
    std::unique_ptr<CGMenu> trayMenu_;
    HMENU trayPopup_ = nullptr;  // borrowed from trayMenu_

    std::unique_ptr<GdiplusSession> gdiplus_;
    std::unique_ptr<CContourBitmap> background_;
    std::unique_ptr<CxSkinButton> okButton_;
    std::unique_ptr<CxSkinButton> cancelButton_;
    std::unique_ptr<CxSkinButton> redefineButton_;

    std::unique_ptr<DwordRegHelper> enableFunctionSetting_;
    std::unique_ptr<DwordRegHelper> showInTraySetting_;
    std::unique_ptr<DwordRegHelper> key1Setting_;
    std::unique_ptr<DwordRegHelper> key2Setting_;

    DWORD volatile WindowShown = 0;  // 1 while the window may be visible
    bool initialised_ = false;       // OnInitDialog has hidden everything
    bool showRequested_ = false;     // a show request came in before that
    DWORD Redefining = 0;
    HHOOK captureHook_ = nullptr;
    HWND shadowWindow_ = nullptr;
    bool comInitialized_ = false;

    // Accessibility: names for screen readers, keyboard focus cues, high contrast.
    void NameControls();
    void NameHotkeyLine();
    void ShowModeLabels(bool settingsMode);
    void ApplyColourScheme();
    AccessibleName accessibleName_;
    LabelledCheckBox enableBox_;
    LabelledCheckBox trayBox_;
    FocusCues focusCues_;
    bool systemColours_ = false;  // high contrast: drawn in system colours
    UINT dpi_ = 96;               // the DPI the window is laid out and drawn at
};
