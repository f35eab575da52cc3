// Owners for GDI objects, menus and device contexts, and scoped helpers for painting.
// Each owner releases its handle exactly once; copying is deleted, moving hands the handle on.
#pragma once
#include <windows.h>

namespace fw {

// Owns one GDI object (bitmap, font, region, brush) and deletes it with DeleteObject.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { DeleteObject(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(other.Detach()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    Handle GetSafeHandle() const { return handle_; }
    operator Handle() const { return handle_; }

    // Takes ownership of handle; the object held before is deleted.
    void Attach(Handle handle) {
        if (handle != handle_) {
            DeleteObject();
            handle_ = handle;
        }
    }
    // Gives up ownership: the caller deletes the returned handle.
    Handle Detach() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    bool DeleteObject() {
        if (!handle_)
            return false;
        BOOL deleted = ::DeleteObject(handle_);
        handle_ = nullptr;
        return deleted != FALSE;
    }

protected:
    Handle handle_ = nullptr;
};

class Bitmap : public GdiObject<HBITMAP> {
public:
    using GdiObject::GdiObject;
    bool LoadBitmap(HINSTANCE instance, UINT resourceId) {
        Attach(::LoadBitmapW(instance, MAKEINTRESOURCEW(resourceId)));
        return handle_ != nullptr;
    }
    // Width and height in pixels; 0 x 0 without a bitmap.
    SIZE GetSize() const {
        BITMAP info = {};
        if (handle_)
            ::GetObjectW(handle_, sizeof(info), &info);
        return SIZE{info.bmWidth, info.bmHeight};
    }
};

class Font : public GdiObject<HFONT> {
public:
    using GdiObject::GdiObject;
    bool CreateFontIndirect(const LOGFONTW& logFont) {
        Attach(::CreateFontIndirectW(&logFont));
        return handle_ != nullptr;
    }
};

using Region = GdiObject<HRGN>;

// Owns a menu loaded from resources (or created) and destroys it, with its popups, once.
class Menu {
public:
    Menu() = default;
    ~Menu() { DestroyMenu(); }
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    Menu(Menu&& other) noexcept : handle_(other.Detach()) {}
    Menu& operator=(Menu&& other) noexcept {
        if (this != &other) {
            DestroyMenu();
            handle_ = other.Detach();
        }
        return *this;
    }

    HMENU GetSafeHmenu() const { return handle_; }
    operator HMENU() const { return handle_; }
    bool LoadMenu(HINSTANCE instance, UINT resourceId) {
        DestroyMenu();
        handle_ = ::LoadMenuW(instance, MAKEINTRESOURCEW(resourceId));
        return handle_ != nullptr;
    }
    // The popup at position; it stays owned by this menu.
    HMENU GetSubMenu(int position) const { return handle_ ? ::GetSubMenu(handle_, position) : nullptr; }
    HMENU Detach() {
        HMENU handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    bool DestroyMenu() {
        if (!handle_)
            return false;
        BOOL destroyed = ::DestroyMenu(handle_);
        handle_ = nullptr;
        return destroyed != FALSE;
    }

private:
    HMENU handle_ = nullptr;
};

// A memory device context, deleted when the scope ends.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_)
            ::DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// A device context for the whole display ("DISPLAY" driver), deleted when the scope ends.
class DisplayDC {
public:
    DisplayDC() : dc_(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {}
    ~DisplayDC() {
        if (dc_)
            ::DeleteDC(dc_);
    }
    DisplayDC(const DisplayDC&) = delete;
    DisplayDC& operator=(const DisplayDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintDC() { ::EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const { return dc_; }
    const PAINTSTRUCT& Info() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_;
};

// Selects an object into a DC for the scope and puts the previous one back.
// A null object or DC selects nothing (and so restores nothing).
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (dc_ && previous_)
            ::SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    HGDIOBJ Previous() const { return previous_; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace fw
