#include "ShadowWindow.h"

#include "ContourBitmap.h"
#include "Rle8Bitmap.h"
#include "ScaledArtwork.h"

#include "common/Dpi.h"

#include <shlwapi.h>

#include <memory>
#include <string>

namespace {

wchar_t const kShadowClass[] = L"MainShadowClass";
wchar_t const kShadowTitle[] = L"Dormello Shadow";
wchar_t const kDialogClass[] = L"#32770";
DWORD const kShadowExStyle = WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
int const kInitialWidth = 542;
int const kInitialHeight = 251;

// One shadow per program; only its user-interface thread touches this.
struct ShadowState {
    HBITMAP image = nullptr;
    std::unique_ptr<BLENDFUNCTION> blend;
    RECT lastOwner = {};
    bool stale = false;  // compose at the next repaint wherever the dialog is
    wchar_t followedTitle[MAX_PATH] = {};
};

ShadowState g_shadow;

// Moves the shadow onto owner's corner and composes it from the image in memory.
void Compose(HWND window, HDC memory, const BITMAP& image, const RECT& owner) {
    MoveWindow(window, owner.left, owner.top, image.bmWidth, image.bmHeight, TRUE);
    SIZE size = {image.bmWidth, image.bmHeight};
    POINT origin = {0, 0};
    UpdateLayeredWindow(window, nullptr, nullptr, &size, memory, &origin, 0, g_shadow.blend.get(), ULW_ALPHA);
}

void OnPaint(HWND window) {
    if (!g_shadow.blend)
        g_shadow.blend.reset(new BLENDFUNCTION(SkinBlendFunction));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectIfPresent(memory, g_shadow.image);
    SetBkMode(memory, TRANSPARENT);
    SelectClipRgn(memory, nullptr);
    BITMAP image = {};
    if (g_shadow.image)
        GetObjectW(g_shadow.image, sizeof(image), &image);

    if (image.bmBitsPixel == 32) {
        HWND owner = FindWindowW(kDialogClass, g_shadow.followedTitle);
        RECT ownerRect;
        if (owner && GetWindowRect(owner, &ownerRect)) {
            // Only a new corner (or a new image) moves the shadow; size and z-order changes leave it be.
            if (g_shadow.stale || ownerRect.left != g_shadow.lastOwner.left || ownerRect.top != g_shadow.lastOwner.top)
                Compose(window, memory, image, ownerRect);
            g_shadow.stale = false;
            g_shadow.lastOwner = ownerRect;
        }
    }

    BitBlt(dc, 0, 0, image.bmWidth, image.bmHeight, memory, 0, 0, SRCCOPY);
    if (previous)
        SelectObject(memory, previous);
    DeleteDC(memory);
    EndPaint(window, &paint);
}

}  // namespace

HWND CreateShadowWindow(HWND ownerDialog, const wchar_t* followedTitle) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    lstrcpynW(g_shadow.followedTitle, followedTitle ? followedTitle : L"", ARRAYSIZE(g_shadow.followedTitle));

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ShadowWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kShadowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when a second dialog registers it again

    HWND window = CreateWindowExW(0, kShadowClass, kShadowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    LONG ownerExStyle = ownerDialog ? GetWindowLongW(ownerDialog, GWL_EXSTYLE) : 0;
    SetWindowLongW(window, GWL_EXSTYLE, ownerExStyle | static_cast<LONG>(kShadowExStyle));
    SetWindowPos(window, HWND_TOPMOST, 1, 0, kInitialWidth, kInitialHeight, SWP_HIDEWINDOW);
    return window;
}

void SetShadowImage(HBITMAP image) {
    if (g_shadow.image && g_shadow.image != image)
        DeleteObject(g_shadow.image);
    g_shadow.image = image;
}

HBITMAP GetShadowImage() {
    return g_shadow.image;
}

void ReleaseShadowState() {
    SetShadowImage(nullptr);
    g_shadow.blend.reset();
    g_shadow.lastOwner = RECT{};
    g_shadow.stale = false;
}

void MoveDialogWithShadow(HWND dialog, HWND shadow, const RECT& rect) {
    // The shadow has a new image: composed again even where its dialog's corner stays.
    g_shadow.stale = true;
    // The dialog's WM_WINDOWPOSCHANGED repaints the shadow; a rectangle it already had sends none.
    SetWindowPos(dialog, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (shadow)
        SendMessageW(shadow, WM_PAINT, 0, 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK ShadowWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 0;
    case WM_PAINT:
        OnPaint(window);
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING:
        // Showing the shadow (SW_SHOW) must not take activation from its dialog.
        if (auto* position = reinterpret_cast<WINDOWPOS*>(lParam))
            position->flags |= SWP_NOACTIVATE;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void LoadShadowImageFrom(const wchar_t* folder, UINT dpi) {
    SIZE const size = {ScaleToDpi(kInitialWidth, dpi), ScaleToDpi(kInitialHeight, dpi)};
    std::wstring const path = ScaledSkinPath(folder, L"bg_shadow01.png", dpi);
    if (dpi != kDefaultDpi && PathFileExistsW(path.c_str())) {
        // The setup puts each drawn scale's shadow beside its PNG as a run-length-encoded bitmap
        // too: decoded straight into the section, without an image codec's two copies of a
        // picture that is mostly clear. Without the PNG there is no shadow, as at 100 %.
        std::wstring const bitmapPath = ScaledSkinPath(folder, L"bg_shadow01.bmp", dpi);
        // Between the drawn scales the sizes differ and the PNG is scaled.
        if (HBITMAP shipped = LoadRle8BitmapFileWithAlpha(bitmapPath.c_str(), size)) {
            SetShadowImage(shipped);
            return;
        }
    }
    SetShadowImage(LoadSkinImageForDpi(path.c_str(), dpi, size, false));  // one shadow: nothing to share
}
