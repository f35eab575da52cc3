#include "Window.h"

namespace fw {

Window::~Window() {
    UnsubclassWindow();
}

Window* Window::FromHandle(HWND window) {
    if (!window)
        return nullptr;
    // The bound object lives in the window's user data: every message looks it up, and reading a
    // window property would cost a round trip to the window server under Wine. Only this
    // framework sets the user data of the programs' windows.
    return reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool Window::SubclassWindow(HWND window) {
    if (!window || hwnd_ || FromHandle(window))
        return false;
    ::SetLastError(ERROR_SUCCESS);
    if (!::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)) &&
        ::GetLastError() != ERROR_SUCCESS)
        return false;
    hwnd_ = window;
    PreSubclassWindow();
    previous_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    return true;
}

bool Window::SubclassDlgItem(int id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, id));
}

HWND Window::UnsubclassWindow() {
    HWND window = hwnd_;
    if (!window)
        return nullptr;
    if (previous_)
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    previous_ = nullptr;
    hwnd_ = nullptr;
    return window;
}

void Window::ModifyStyle(DWORD remove, DWORD add) const {
    LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
    ::SetWindowLongW(hwnd_, GWL_STYLE, (style & ~static_cast<LONG>(remove)) | static_cast<LONG>(add));
}

void Window::ModifyStyleEx(DWORD remove, DWORD add) const {
    LONG style = ::GetWindowLongW(hwnd_, GWL_EXSTYLE);
    ::SetWindowLongW(hwnd_, GWL_EXSTYLE, (style & ~static_cast<LONG>(remove)) | static_cast<LONG>(add));
}

LRESULT Window::WindowProc(UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType != ODT_MENU) {
            Window* control = FromHandle(item->hwndItem);
            if (control && control->ReflectDrawItem(item))
                return TRUE;
        }
    }
    return Default();
}

LRESULT Window::Default() {
    return CallPrevious(current_.message, current_.wParam, current_.lParam);
}

LRESULT Window::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    if (previous_)
        return ::CallWindowProcW(previous_, hwnd_, message, wParam, lParam);
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* self = FromHandle(window);
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);

    // Messages nest (SendMessage from a handler): keep the outer one for its Default().
    MSG outer = self->current_;
    self->current_ = MSG{window, message, wParam, lParam, 0, {}};
    LRESULT result;
    if (message == WM_NCDESTROY) {
        // Last message: let the previous procedure finish, then release the window.
        WNDPROC previous = self->previous_;
        self->UnsubclassWindow();
        result = previous ? ::CallWindowProcW(previous, window, message, wParam, lParam)
                          : ::DefWindowProcW(window, message, wParam, lParam);
        self->PostNcDestroy();
    } else {
        result = self->WindowProc(message, wParam, lParam);
    }
    self->current_ = outer;
    return result;
}

}  // namespace fw
