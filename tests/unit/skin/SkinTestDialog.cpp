#include "SkinTestDialog.h"

#include "common/skin/HighContrast.h"

void SkinTestDialog::Run(std::function<void(SkinTestDialog&)> body) {
    body_ = std::move(body);
    DoModal();
}

void SkinTestDialog::DoDataExchange() {
    ok.SubclassDlgItem(1000, hwnd_);
    redefine.SubclassDlgItem(1002, hwnd_);
    confirmOk.SubclassDlgItem(1030, hwnd_);
    confirmCancel.SubclassDlgItem(1031, hwnd_);
}

BOOL SkinTestDialog::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    if (body_)
        body_(*this);
    EndDialog(IDOK);
    return TRUE;
}

LRESULT SkinTestDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
        ++clicks;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_DOUBLECLICKED)
        ++doubleClicks;
    if (message == WM_PAINT && background) {
        fw::PaintDC paint(hwnd_);
        PaintDialogBody(paint, *background, 0, 0, systemColours);
        return 0;
    }
    if (message == WM_QUERYUISTATE)
        return cues.UiState();
    if (message == WM_ERASEBKGND && background)
        return TRUE;
    if (message == WM_WINDOWPOSCHANGED && shadow)
        SendMessageW(shadow, WM_PAINT, 0, 0);
    return fw::Dialog::WindowProc(message, wParam, lParam);
}

void PumpMessages(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}
