// The notification-area icon, its menu, and showing the settings window.
#include "HybridS3Dlg.h"

#include "resource.h"

#include <stddef.h>
#include <wchar.h>

namespace {
// The structure as far as guidItem (the Vista layout without hBalloonIcon): 952 bytes in 32-bit builds.
DWORD const kTrayIconDataSize = offsetof(NOTIFYICONDATAW, hBalloonIcon);
}  // namespace

void CHybridS3Dlg::BuildTrayMenu() {
    // The tray menu arrives with the tray icon's menu handling.
}

void CHybridS3Dlg::AddTrayIcon() {
    if (!showInTraySetting_)
        return;
    showInTray_ = showInTraySetting_->Read();
    if (showInTray_ == 0)
        return;
    ZeroMemory(&trayIconData_, kTrayIconDataSize);
    trayIconData_.cbSize = kTrayIconDataSize;
    trayIconData_.hWnd = hwnd_;
    trayIconData_.uID = kTrayIconId;
    trayIconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_STATE;
    trayIconData_.uCallbackMessage = WM_APP_TRAY_NOTIFY;
    trayIconData_.hIcon = trayIcon_;
    wcsncpy(trayIconData_.szTip, L"Korvane Dormello", ARRAYSIZE(trayIconData_.szTip) - 1);
    trayIconData_.dwState = NIS_SHAREDICON;
    Shell_NotifyIconW(NIM_ADD, &trayIconData_);
}

void CHybridS3Dlg::ShowSettingsWindow() {
    WindowShown = 1;
    Shell_NotifyIconW(NIM_DELETE, &trayIconData_);
    if (enableFunctionSetting_)
        enableFunction_ = enableFunctionSetting_->Read();
    SendMessageW(GetDlgItem(IDC_ENABLE_FUNCTION), BM_SETCHECK, enableFunction_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    if (showInTraySetting_)
        showInTray_ = showInTraySetting_->Read();
    SendMessageW(GetDlgItem(IDC_SHOW_IN_TRAY), BM_SETCHECK, showInTray_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    ::ShowWindow(GetDlgItem(IDC_ENABLE_FUNCTION), SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_SHOW_IN_TRAY), SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_REDEFINE), SW_SHOW);

    // Centre on the work area of the window's monitor.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    RECT window = {};
    GetWindowRect(hwnd_, &window);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        int width = window.right - window.left;
        int height = window.bottom - window.top;
        SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_SHOW);
    ShowWindow(SW_SHOW);
}

LRESULT CHybridS3Dlg::OnTrayNotify(LPARAM mouseMessage) {
    (void)mouseMessage;  // the tray menu and clicks arrive with the tray icon's menu handling
    return 1;
}
