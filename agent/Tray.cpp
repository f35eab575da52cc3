// The notification-area icon, its menu, and showing the settings window.
#include "HybridS3Dlg.h"

#include "NotifyIcon.h"
#include "resource.h"

#include "common/Dpi.h"
#include "common/LanguageBinding.h"

#include <algorithm>
#include <string>

#include <stddef.h>
#include <wchar.h>

namespace {
// The structure as far as guidItem (the Vista layout without hBalloonIcon): 952 bytes in 32-bit builds.
DWORD const kTrayIconDataSize = offsetof(NOTIFYICONDATAW, hBalloonIcon);

// A shell still busy starting (a sign-in task starts the agent early) can refuse the icon, or
// time out after it has taken it, with the taskbar already there: no TaskbarCreated would
// follow. So a refused icon is tried again, less and less often, for the first minutes.
UINT_PTR const kTrayRetryTimerId = 0x4B54;
UINT const kTrayFirstRetryMs = 1000;
UINT const kTrayLongestRetryMs = 32000;
DWORD const kTrayRetryWindowMs = 3 * 60 * 1000;
}  // namespace

void CHybridS3Dlg::BuildTrayMenu() {
    if (!trayMenu_) {
        trayMenu_.reset(new CGMenu);
        trayMenu_->LoadMenu(GetModuleHandleW(nullptr), IDM_TRAY);
        std::wstring enable = TranslateTextW(L"Enable the Korvane Dormello hotkey");
        ModifyMenuW(*trayMenu_, ID_TRAY_ENABLE_HOTKEY, MF_BYCOMMAND | MF_STRING, ID_TRAY_ENABLE_HOTKEY, enable.c_str());
        std::wstring tray = TranslateTextW(L"Show the utility icon on the toolbar");
        ModifyMenuW(*trayMenu_, ID_TRAY_SHOW_ICON, MF_BYCOMMAND | MF_STRING, ID_TRAY_SHOW_ICON, tray.c_str());
    }
    // The popup offers one item: showing or hiding the icon.
    trayPopup_ = trayMenu_->GetSubMenu(0);
    if (!trayPopup_)
        return;
    RemoveMenu(trayPopup_, ID_TRAY_ENABLE_HOTKEY, MF_BYCOMMAND);
    RemoveMenu(trayPopup_, 0, MF_BYPOSITION);
}

// A fresh series of tries: at the start, after OK or Cancel, and for each new taskbar, which
// may sit on another monitor than the last.
void CHybridS3Dlg::AddTrayIcon() {
    LoadTrayIconForDpi();
    KillTimer(hwnd_, kTrayRetryTimerId);
    trayTriesSince_ = GetTickCount();
    trayRetryMs_ = kTrayFirstRetryMs;
    TryAddTrayIcon(false);
}

void CHybridS3Dlg::TryAddTrayIcon(bool again) {
    if (!showInTraySetting_)
        return;
    showInTray_ = showInTraySetting_->Read();
    if (showInTray_ == 0)
        return;
    FillTrayIconData();
    // A call that timed out may have added the icon all the same; a second one would not.
    if (again && NotifyIcon(NIM_MODIFY, &trayIconData_))
        return;
    if (NotifyIcon(NIM_ADD, &trayIconData_))
        return;
    if (GetTickCount() - trayTriesSince_ >= kTrayRetryWindowMs)
        return;  // the shell is not coming: the next TaskbarCreated brings the icon, if any
    SetTimer(hwnd_, kTrayRetryTimerId, trayRetryMs_, nullptr);
    trayRetryMs_ = std::min(trayRetryMs_ * 2, kTrayLongestRetryMs);
}

void CHybridS3Dlg::FillTrayIconData() {
    ZeroMemory(&trayIconData_, kTrayIconDataSize);
    trayIconData_.cbSize = kTrayIconDataSize;
    trayIconData_.hWnd = hwnd_;
    trayIconData_.uID = kTrayIconId;
    trayIconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_STATE;
    trayIconData_.uCallbackMessage = WM_APP_TRAY_NOTIFY;
    trayIconData_.hIcon = scaledTrayIcon_ ? scaledTrayIcon_ : trayIcon_;
    wcsncpy(trayIconData_.szTip, L"Korvane Dormello", ARRAYSIZE(trayIconData_.szTip) - 1);
    trayIconData_.dwState = NIS_SHAREDICON;
}

// True when it was the retry timer's tick. The icon is tried only while the window is hidden.
bool CHybridS3Dlg::OnTrayRetryTimer(WPARAM timer) {
    if (timer != kTrayRetryTimerId)
        return false;
    KillTimer(hwnd_, kTrayRetryTimerId);
    if (WindowShown == 0)
        TryAddTrayIcon(true);
    return true;
}

// The tray icon drawn for the small-icon size at the notification area's DPI, the scale of the
// taskbar's monitor (not the settings window's), replacing the one before, also in the
// notification area when it is there. Nothing while the icon is drawn for that DPI already;
// without one the resource's shared icon stays.
void CHybridS3Dlg::LoadTrayIconForDpi() {
    UINT const dpi = TaskbarDpi();
    if (scaledTrayIcon_ && dpi == trayIconDpi_)
        return;
    HICON icon = LoadSmallIconForDpi(GetModuleHandleW(nullptr), IDI_TRAY, dpi);
    if (!icon)
        return;
    HICON previous = scaledTrayIcon_;
    scaledTrayIcon_ = icon;
    trayIconDpi_ = dpi;
    if (trayIconData_.hIcon) {
        trayIconData_.hIcon = icon;
        NOTIFYICONDATAW change = trayIconData_;
        change.uFlags = NIF_ICON;
        NotifyIcon(NIM_MODIFY, &change);  // fails harmlessly while the icon is not shown
    }
    if (previous)
        DestroyIcon(previous);  // the shell has its own copy
}

// The shell sends this registered message whenever its taskbar is created: after the agent when
// a sign-in task started it first, and after every restart of the shell. 0 if unregistered.
UINT CHybridS3Dlg::TaskbarCreatedMessage() {
    static UINT const message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

// The agent runs elevated: let the (unelevated) shell's broadcast through.
void CHybridS3Dlg::ListenForTaskbar() {
    if (TaskbarCreatedMessage())
        ChangeWindowMessageFilter(TaskbarCreatedMessage(), MSGFLT_ADD);
}

// A new taskbar has no icons: add ours again, as the hidden window would have it.
void CHybridS3Dlg::OnTaskbarCreated() {
    if (WindowShown == 0)
        AddTrayIcon();
}

// Also stops the tries to add it. Fails harmlessly when the icon is not there.
void CHybridS3Dlg::RemoveTrayIcon() {
    KillTimer(hwnd_, kTrayRetryTimerId);
    NotifyIcon(NIM_DELETE, &trayIconData_);
}

void CHybridS3Dlg::ShowSettingsWindow() {
    CatchUpWithDpi();  // while still hidden, and before the window is placed by its size
    MakeArtwork();
    WindowShown = 1;
    RemoveTrayIcon();
    if (enableFunctionSetting_)
        enableFunction_ = enableFunctionSetting_->Read();
    SendMessageW(GetDlgItem(IDC_ENABLE_FUNCTION), BM_SETCHECK, enableFunction_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    if (showInTraySetting_)
        showInTray_ = showInTraySetting_->Read();
    SendMessageW(GetDlgItem(IDC_SHOW_IN_TRAY), BM_SETCHECK, showInTray_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowSettingsControls(SW_SHOW);
    UpdatePowerNote();

    // Centre on the work area of the window's monitor.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    RECT window = {};
    GetWindowRect(hwnd_, &window);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        int width = window.right - window.left;
        int height = window.bottom - window.top;
        // Each half on its own, as at start, so the window sits where it sat while hidden.
        SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left) / 2 - width / 2,
                     work.top + (work.bottom - work.top) / 2 - height / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyColourScheme();
    focusCues_.Hide(hwnd_);  // the window opens without them, as it always has
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_SHOW);
    ShowWindow(SW_SHOW);
    // The whole first picture before the request returns: the pictures were made just now, and
    // a window shown a part at a time would show its controls' holes on a busy machine.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LRESULT CHybridS3Dlg::OnTrayNotify(LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_RBUTTONUP: {
        // The menu must belong to the foreground window, or it stays open when clicked away.
        SetForegroundWindow(hwnd_);
        enableFunction_ = enableFunctionSetting_->Read();
        showInTray_ = showInTraySetting_->Read();
        CheckMenuItem(trayPopup_, ID_TRAY_SHOW_ICON, MF_BYCOMMAND | (showInTray_ == 1 ? MF_CHECKED : MF_UNCHECKED));
        POINT cursor = {};
        GetCursorPos(&cursor);
        TrackPopupMenu(trayPopup_, 0, cursor.x, cursor.y, 0, hwnd_, nullptr);
        PostMessageW(hwnd_, WM_NULL, 0, 0);
        break;
    }
    case WM_LBUTTONUP:
        ShowSettingsWindow();
        break;
    }
    return 1;
}

// Toggles 1 and 0; any other stored value is left alone.
void CHybridS3Dlg::OnTrayCommand(UINT command) {
    bool tray = command == ID_TRAY_SHOW_ICON;
    DWORD volatile& copy = tray ? showInTray_ : enableFunction_;
    DwordRegHelper* setting = tray ? showInTraySetting_.get() : enableFunctionSetting_.get();
    if (copy != 0 && copy != 1)
        return;
    DWORD toggled = copy == 1 ? 0 : 1;
    copy = toggled;
    if (setting)
        setting->Write(toggled);
    if (tray && toggled == 0)
        NotifyIcon(NIM_DELETE, &trayIconData_);
}
