#include "Dialog.h"

namespace fw {

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
    if (hwnd_)
        ::DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal() {
    ending_ = false;
    result_ = -1;
    bool disabledOwner = parent_ && ::IsWindowEnabled(parent_);
    if (disabledOwner)
        ::EnableWindow(parent_, FALSE);

    HWND window = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_,
                                       &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (window) {
        // Like any modal run, show the dialog once it is initialised (it may refuse, see WM_WINDOWPOSCHANGING).
        if (!ending_)
            ::ShowWindow(window, SW_SHOWNORMAL);
        RunModalLoop();
    }

    // The owner must be enabled again before the dialog goes, or the system activates another application.
    if (disabledOwner)
        ::EnableWindow(parent_, TRUE);
    if (hwnd_) {
        ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::DestroyWindow(hwnd_);
    } else if (window && ::IsWindow(window)) {
        ::DestroyWindow(window);
    }
    return result_;
}

void Dialog::RunModalLoop() {
    MSG message;
    while (!ending_) {
        BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)  // invalid arguments: nothing more can be read
            break;
        if (got == 0) {
            // WM_QUIT ends this run; post it again so an outer loop ends too.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            result_ = -1;
            break;
        }
        if (PreTranslateMessage(&message))
            continue;
        if (hwnd_ && ::IsDialogMessageW(hwnd_, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ending_ = true;
    // Wake the loop in case nothing else is queued.
    if (hwnd_)
        ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

BOOL Dialog::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL Dialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) <= 1) {  // button click, menu or accelerator
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        }
    }
    return Window::WindowProc(message, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;  // the subclass procedure has already offered the message to WindowProc
    auto* self = reinterpret_cast<Dialog*>(lParam);
    // Bind here so that every later message, and OnInitDialog itself, reaches the object.
    if (!self || !self->SubclassWindow(window))
        return TRUE;
    return self->OnInitDialog();
}

}  // namespace fw
