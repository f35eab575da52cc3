// Window base: binds a C++ object to an existing HWND by subclassing it, and routes every
// message through the overridable WindowProc. Default() hands the current message on to the
// window's previous procedure.
#pragma once
#include <windows.h>

namespace fw {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    // The object bound to window, or null.
    static Window* FromHandle(HWND window);

    // Binds this object to window; fails when either is already bound.
    bool SubclassWindow(HWND window);
    // Binds this object to the child control with id of parent.
    bool SubclassDlgItem(int id, HWND parent);
    // Restores the previous procedure and releases the window.
    HWND UnsubclassWindow();

    // Thin helpers, one call each.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    BOOL ShowWindow(int command) const { return ::ShowWindow(hwnd_, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(hwnd_); }
    void ModifyStyle(DWORD remove, DWORD add) const;
    void ModifyStyleEx(DWORD remove, DWORD add) const;
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(hwnd_, nullptr, erase); }

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message being handled, passed to the previous procedure.
    LRESULT Default();
    // Any message, passed to the previous procedure.
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    // Called when the object is bound to a window, before any message reaches it.
    virtual void PreSubclassWindow() {}
    // Owner-draw requests that the parent receives for this control (WM_DRAWITEM).
    // Return true when handled.
    virtual bool ReflectDrawItem(DRAWITEMSTRUCT*) { return false; }
    // Called after the window's last message (WM_NCDESTROY), once the object is released.
    virtual void PostNcDestroy() {}

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC previous_ = nullptr;
    MSG current_ = {};
};

}  // namespace fw
