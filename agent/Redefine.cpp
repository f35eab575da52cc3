// The settings window's commands: OK, Cancel, Redefine, and its keyboard handling.
#include "HybridS3Dlg.h"

#include "Capture.h"
#include "KeyNames.h"
#include "resource.h"

#include "common/ForegroundWindow.h"

namespace {
// Where Tab takes the focus, in order.
int const kTabOrder[] = {IDC_ENABLE_FUNCTION, IDC_SHOW_IN_TRAY, IDC_REDEFINE, IDC_OK, IDC_CANCEL};
}  // namespace

void CHybridS3Dlg::ShowSettingsControls(int command) {
    ::ShowWindow(GetDlgItem(IDC_ENABLE_FUNCTION), command);
    ::ShowWindow(GetDlgItem(IDC_SHOW_IN_TRAY), command);
    ::ShowWindow(GetDlgItem(IDC_REDEFINE), command);
    ShowModeLabels(command != SW_HIDE);
}

void CHybridS3Dlg::RemoveCaptureHook() {
    if (captureHook_)
        UnhookWindowsHookEx(captureHook_);
    captureHook_ = nullptr;
}

void CHybridS3Dlg::OnButtonRedefine() {
    ShowSettingsControls(SW_HIDE);
    Redefining = 1;
    Invalidate(TRUE);
    CaptureStep = 0;
    if (captureHook_) {
        RemoveCaptureHook();
        PendingKey1 = Key1;
        PendingKey2 = Key2;
    }
    // A hook that cannot be installed leaves redefine mode without capture.
    captureHook_ = SetWindowsHookExW(WH_KEYBOARD, KeyboardCaptureProc, nullptr, GetCurrentThreadId());
}

void CHybridS3Dlg::OnButtonOK() {
    if (Redefining == 1) {
        if (PendingKey1 != 0)
            Key1 = PendingKey1;
        DWORD code = Key1;
        key1Setting_->Write(code);
        if (PendingKey2 != 0)
            Key2 = PendingKey2;
        code = Key2;
        key2Setting_->Write(code);
        CaptureStep = 0;
        RemoveCaptureHook();
        ShowSettingsControls(SW_SHOW);
        Redefining = 0;
    } else {
        DWORD enable = SendMessageW(GetDlgItem(IDC_ENABLE_FUNCTION), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        enableFunction_ = enable;
        enableFunctionSetting_->Write(enable);
        DWORD tray = SendMessageW(GetDlgItem(IDC_SHOW_IN_TRAY), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        showInTray_ = tray;
        showInTraySetting_->Write(tray);
    }
    HideSettingsWindow();
}

void CHybridS3Dlg::OnButtonCancel() {
    if (Redefining == 1) {
        CaptureStep = 0;
        RemoveCaptureHook();
        ReloadHotkey();
        PendingKey1 = Key1;
        PendingKey2 = Key2;
        ShowSettingsControls(SW_SHOW);
        Redefining = 0;
    }
    // In settings mode nothing is saved; showing the window again resets the boxes.
    HideSettingsWindow();
}

void CHybridS3Dlg::HideSettingsWindow() {
    AddTrayIcon();
    WindowShown = 0;
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_HIDE);
    ShowWindow(SW_HIDE);
    DropArtwork();
}

BOOL CHybridS3Dlg::PreTranslateMessage(MSG* message) {
    if (message->message != WM_KEYDOWN || !hwnd_)
        return FALSE;
    switch (message->wParam) {
    case VK_TAB:
        // While a new hotkey is recorded Tab is one of the keys (the capture hook has already
        // taken it): the focus stays where it is.
        if (Redefining == 0)
            focusCues_.Tab(hwnd_, kTabOrder, ARRAYSIZE(kTabOrder), GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    case VK_ESCAPE:
    case VK_F1:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
        // The window decides what these keys do; the dialog manager never sees them.
        TranslateMessage(message);
        SendMessageW(hwnd_, message->message, message->wParam, message->lParam);
        return TRUE;
    }
    return FALSE;
}

LRESULT CHybridS3Dlg::OnKeyDown(WPARAM key) {
    HWND focus = GetFocus();
    HWND ok = GetDlgItem(IDC_OK);
    HWND cancel = GetDlgItem(IDC_CANCEL);
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN)
        focusCues_.Show(hwnd_);  // the user moves the focus with the keyboard
    switch (key) {
    case VK_RETURN:
        if (focus == ok)
            OnButtonOK();
        else if (focus == cancel)
            OnButtonCancel();
        break;
    case VK_ESCAPE:
        OnButtonCancel();
        break;
    case VK_LEFT:
        if (focus == cancel) {
            ForceForegroundWindow(ok);
            SetFocus(ok);
        }
        break;
    case VK_RIGHT:
        if (focus == ok) {
            ForceForegroundWindow(cancel);
            SetFocus(cancel);
        }
        break;
    }
    return Default();
}

LRESULT CHybridS3Dlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) != SC_CLOSE)
        return Default();
    // Alt+F4 must not close the agent: the window stays as it is.
    bool altDown = GetKeyState(VK_LMENU) < 0 || GetKeyState(VK_RMENU) < 0;
    if (altDown && GetKeyState(VK_F4) < 0)
        return 0;
    // Closing the window (its window menu) does not mean quitting the resident agent: it hides
    // as Cancel does. A plain WM_CLOSE from outside still ends the agent.
    OnButtonCancel();
    return 0;
}
