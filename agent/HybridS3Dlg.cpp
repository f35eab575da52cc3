// Construction, initialisation, message routing and clean-up of the agent's dialog.
#include "HybridS3Dlg.h"

#include "KeyNames.h"
#include "resource.h"

#include "common/Dpi.h"

#include <objbase.h>

CHybridS3Dlg::CHybridS3Dlg()
    : fw::Dialog(IDD_SETTINGS, nullptr),
      okButton_(new CxSkinButton(AgentSkinButtons)),
      cancelButton_(new CxSkinButton(AgentSkinButtons)),
      redefineButton_(new CxSkinButton(AgentSkinButtons)),
      enableBox_(IDC_LABEL_ENABLE),
      trayBox_(IDC_LABEL_TRAY) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    windowIcon_ = LoadIconW(instance, MAKEINTRESOURCEW(IDI_WINDOW));
    trayIcon_ = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TRAY));
    ZeroMemory(Key1Text, sizeof(Key1Text));
    ZeroMemory(Key2Text, sizeof(Key2Text));
}

CHybridS3Dlg::~CHybridS3Dlg() {
    PowercfgRuns::StopStarting();  // the agent ends: no child may be left half started
    quitSignal_.Stop();
    RemoveCaptureHook();
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_HIDE);

    // Take each shared handle before closing it, so that a thread ending at the same moment
    // cannot close it a second time. Closing the event is what ends the monitor loop.
    if (HANDLE thread = InterlockedExchangePointer(const_cast<HANDLE*>(&sleepThread_), nullptr))
        CloseHandle(thread);
    if (HANDLE question = InterlockedExchangePointer(const_cast<HANDLE*>(&question_), nullptr))
        CloseHandle(question);
    if (HANDLE event = InterlockedExchangePointer(const_cast<HANDLE*>(&changeEvent_), nullptr))
        CloseHandle(event);
    if (HANDLE thread = InterlockedExchangePointer(const_cast<HANDLE*>(&monitorThread_), nullptr))
        CloseHandle(thread);
    if (ktUninitialize_)
        ktUninitialize_();

    okButton_.reset();
    cancelButton_.reset();
    redefineButton_.reset();
    background_.reset();
    ReleaseSkinResources();
    titleFont_.reset();
    textFont_.reset();

    enableFunctionSetting_.reset();
    showInTraySetting_.reset();
    key1Setting_.reset();
    key2Setting_.reset();

    trayPopup_ = nullptr;
    trayMenu_.reset();
    if (scaledTrayIcon_)
        DestroyIcon(scaledTrayIcon_);

    hookLibrary_.Free();
    powerLibrary_.Free();
    UnloadLanguage();
    if (comInitialized_)
        CoUninitialize();
}

void CHybridS3Dlg::DoDataExchange() {
    okButton_->SubclassDlgItem(IDC_OK, hwnd_);
    cancelButton_->SubclassDlgItem(IDC_CANCEL, hwnd_);
    redefineButton_->SubclassDlgItem(IDC_REDEFINE, hwnd_);
    enableBox_.SubclassDlgItem(IDC_ENABLE_FUNCTION, hwnd_);
    trayBox_.SubclassDlgItem(IDC_SHOW_IN_TRAY, hwnd_);
}

BOOL CHybridS3Dlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();

    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowIcon_));
    SetMenu(hwnd_, nullptr);
    ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    ModifyStyleEx(0, WS_EX_TOOLWINDOW);  // keeps the agent off the taskbar
    SetWindowTextW(hwnd_, kAgentWindowTitle);
    LetShowRequestsIn();
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    // Peers find the window by its title; a screen reader should say the product's name.
    if (comInitialized_)
        accessibleName_.Set(hwnd_, L"Korvane Dormello");

    // The cursor is chosen per message (WM_SETCURSOR), so the class must not impose one.
    SetClassLongPtrW(hwnd_, GCLP_HCURSOR, 0);
    arrowCursor_ = LoadCursorW(nullptr, IDC_ARROW);
    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    moveCursor_ = LoadCursorW(nullptr, IDC_SIZEALL);
    SetCursor(arrowCursor_);

    LoadSettings();
    SetUpLanguage();
    dpi_ = WindowDpi(hwnd_);
    KeepDialogLayoutOnDpiChange(hwnd_);
    BuildTrayMenu();
    LayoutWithCheck();
    DetectHybridSupport();
    LoadPowerLibrary();
    PreparePowerSchemes();
    powercfgRuns_.StartDetached();  // no question waits at start-up
    StartKeyMonitor();
    ListenForSessionChanges();
    quitSignal_.Listen(hwnd_);
    CenterAndCheck();
    ListenForTaskbar();
    AddTrayIcon();
    HideAll();
    initialised_ = true;
    if (showRequested_)
        ShowSettingsWindow();
    return TRUE;
}

// The agent runs elevated; the opener of the Start menu does not. Windows drops private messages
// from lower integrity unless the window lets them in: only the show request is let in.
void CHybridS3Dlg::LetShowRequestsIn() {
    using FilterProc = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto filter = reinterpret_cast<FilterProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
    if (filter)
        filter(hwnd_, WM_APP_SHOW_SETTINGS, MSGFLT_ALLOW, nullptr);
    else  // Windows Vista: for the whole process
        ChangeWindowMessageFilter(WM_APP_SHOW_SETTINGS, MSGFLT_ADD);
}

// A second start may find the window by its title while it is still initialising (the
// initialisation lets sent messages in while it waits on other programs); the window is shown
// once the initialisation has hidden everything, not before.
void CHybridS3Dlg::OnShowRequest() {
    if (initialised_)
        ShowSettingsWindow();
    else
        showRequested_ = true;
}

void CHybridS3Dlg::LayoutWithCheck() {
    LayoutSettingsWindow();
    for (int retry = 0; retry < 3; ++retry) {
        if (LayoutIsAsExpected())
            return;
        LayoutSettingsWindow();
    }
}

// Button 1001 sits 400 pixels (at 96 DPI) right of the centred window's left edge; the window is
// as wide as its background: at 96 DPI 129 pixels right of the screen's centre, 542 wide.
bool CHybridS3Dlg::LayoutIsAsExpected() const {
    RECT cancel = {};
    RECT window = {};
    GetWindowRect(GetDlgItem(IDC_CANCEL), &cancel);
    GetWindowRect(hwnd_, &window);
    int width = WindowSize().cx;
    return cancel.left == GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2 + ScaleToDpi(400, dpi_) &&
           window.right - window.left == width;
}

void CHybridS3Dlg::HideAll() {
    WindowShown = 0;
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_HIDE);
    ShowWindow(SW_HIDE);
    DropArtwork();
}

// While WindowShown is 0 nothing can show the window, not even the modal run's own showing.
LRESULT CHybridS3Dlg::OnWindowPosChanging(WINDOWPOS* position) {
    LRESULT result = Default();
    if (WindowShown == 0)
        position->flags &= ~SWP_SHOWWINDOW;
    else
        position->flags |= SWP_SHOWWINDOW;
    return result;
}

LRESULT CHybridS3Dlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TaskbarCreatedMessage() && message != 0) {
        OnTaskbarCreated();
        return 0;
    }
    LRESULT renewalResult = 0;
    if (OnHookRenewalMessage(message, wParam, &renewalResult))
        return renewalResult;
    switch (message) {
    case WM_WINDOWPOSCHANGING:
        return OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_WINDOWPOSCHANGED:
        // The shadow redraws itself around the dialog after every move or size change.
        if (shadowWindow_)
            SendMessageW(shadowWindow_, WM_PAINT, 0, 0);
        return Default();
    case WM_HELP:
        return TRUE;  // F1 opens no help
    case WM_DPICHANGED:
        if (lParam)
            OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // everything is painted off screen in WM_PAINT
    case WM_PRINTCLIENT:
        OnPrintClient(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:  // statics and check boxes: drawn over the painted background
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam));
    case WM_LBUTTONDOWN:
        return OnLButtonDown(lParam);
    case WM_TIMER:
        if (OnTrayRetryTimer(wParam))
            return 0;
        break;
    case WM_APP_HOTKEY_MATCHED:
        return OnHotkeyMatched(wParam, lParam);
    case WM_APP_TRAY_NOTIFY:
        return wParam == kTrayIconId ? OnTrayNotify(lParam) : 0;
    case WM_APP_SHOW_SETTINGS:
        if (lParam == kMessageMarker)
            OnShowRequest();
        return 0;
    case WM_APP_KEY_CAPTURED:
        if (lParam == kMessageMarker) {
            NameHotkeyLine();
            Invalidate(TRUE);
        }
        return 0;
    case WM_APP_CHECK_HOTKEY:
        return OnCheckHotkey(wParam, lParam);
    case WM_APP_SLEEP_FAILED:
        return OnSleepFailed(wParam, lParam);
    case WM_CLOSE:
        // A close can arrive inside the tray menu's or a message box's own loop, which would
        // hold the end back until the user closed them: they go first.
        EndMenu();
        CloseQuestion();  // an update cannot replace a program that still runs
        CloseSleepFailure();
        break;
    case WM_QUERYUISTATE:
        return focusCues_.UiState();
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ApplyColourScheme();  // high contrast may have been switched on or off
        LoadTrayIconForDpi();  // the taskbar may have moved to another monitor (a new work area)
        break;
    case WM_DISPLAYCHANGE:
        LoadTrayIconForDpi();  // monitors came, went or changed
        break;
    case WM_DESTROY:
        accessibleName_.Clear();  // before the window and COM go
        // The shell drops an icon whose window is gone only when the mouse passes over it.
        RemoveTrayIcon();
        break;
    case WM_KEYDOWN:
        return OnKeyDown(wParam);
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_COMMAND:
        if (wParam == ID_TRAY_SHOW_ICON || wParam == ID_TRAY_ENABLE_HOTKEY) {
            OnTrayCommand(static_cast<UINT>(wParam));
            break;  // then the normal dispatch
        }
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDC_OK:
                OnButtonOK();
                return 0;
            case IDC_CANCEL:
                OnButtonCancel();
                return 0;
            case IDC_REDEFINE:
                OnButtonRedefine();
                return 0;
            }
        }
        break;
    }
    return fw::Dialog::WindowProc(message, wParam, lParam);
}
