// The name a screen reader gives a window when it must differ from the window's title, which
// other programs find the window by. Set by Dynamic Annotation (IAccPropServices); where the
// platform does not offer it (Wine 8 answers E_NOTIMPL) the window's name stays its title.
#pragma once
#include <windows.h>

struct IAccPropServices;

class AccessibleName {
public:
    AccessibleName() = default;
    ~AccessibleName() { Clear(); }
    AccessibleName(const AccessibleName&) = delete;
    AccessibleName& operator=(const AccessibleName&) = delete;

    // Annotates window (its frame and its client area) with name. COM must be initialised on
    // this thread until Clear. Returns the annotation's result.
    HRESULT Set(HWND window, const wchar_t* name);
    // Removes the annotation and releases the service; call before the window goes and before
    // COM is uninitialised.
    void Clear();

private:
    IAccPropServices* services_ = nullptr;  // owned reference
    HWND window_ = nullptr;
};
