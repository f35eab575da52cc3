#include "KeyboardFocus.h"

#include "Dpi.h"

#include <algorithm>

namespace {

bool CanTakeFocus(HWND control) {
    return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

}  // namespace

HWND NextInTabOrder(HWND dialog, const int* order, size_t count, HWND focus, bool backwards) {
    if (count == 0)
        return nullptr;
    size_t at = count;  // not in the order
    for (size_t i = 0; i < count; ++i)
        if (GetDlgItem(dialog, order[i]) == focus)
            at = i;
    for (size_t step = 1; step <= count; ++step) {
        size_t index;
        if (at == count)
            index = backwards ? count - step : step - 1;
        else
            index = backwards ? (at + count - step) % count : (at + step) % count;
        HWND candidate = GetDlgItem(dialog, order[index]);
        if (CanTakeFocus(candidate))
            return candidate;
    }
    return nullptr;
}

HWND FocusCues::Tab(HWND dialog, const int* order, size_t count, bool backwards) {
    HWND next = NextInTabOrder(dialog, order, count, GetFocus(), backwards);
    if (next)
        SetFocus(next);
    Show(dialog);
    return next;
}

void FocusCues::Change(HWND dialog, bool shown) {
    // Standard controls on Windows follow the window tree's state; the dialog's own drawing and
    // its owner-drawn controls ask the dialog, and are repainted here when it changes.
    SendMessageW(dialog, WM_CHANGEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
    if (shown == shown_)
        return;
    shown_ = shown;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool FocusCuesShown(HWND control) {
    return (SendMessageW(GetParent(control), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void DrawLabelFocusCue(HDC dc, const RECT& box, const wchar_t* text, UINT format, UINT dpi) {
    RECT extent = box;
    DrawTextW(dc, text, -1, &extent, format | DT_CALCRECT);
    InflateRect(&extent, ScaleToDpi(1, dpi), ScaleToDpi(1, dpi));
    DrawFocusCueRect(dc, extent, dpi);
}

void DrawFocusCueRect(HDC dc, const RECT& rect, UINT dpi) {
    // The focus pattern inverts the pixels under its dots only with these two colours.
    COLORREF previousText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF previousBack = SetBkColor(dc, RGB(255, 255, 255));
    // DrawFocusRect draws the focus border width set in Windows (SM_CXFOCUSBORDER, one pixel
    // unless the user made it wider) at every scale: rings of it one inside the other, which the
    // DC-aligned pattern joins into one dotted line, make it that much wider at the window's DPI.
    int const width = std::max(1, GetSystemMetrics(SM_CXFOCUSBORDER));
    int const height = std::max(1, GetSystemMetrics(SM_CYFOCUSBORDER));
    RECT ring = rect;
    for (int rings = std::max(1, ScaleToDpi(1, dpi)); rings > 0 && !IsRectEmpty(&ring); --rings) {
        DrawFocusRect(dc, &ring);
        InflateRect(&ring, -width, -height);
    }
    SetTextColor(dc, previousText);
    SetBkColor(dc, previousBack);
}

LRESULT LabelledCheckBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = fw::Window::WindowProc(message, wParam, lParam);
    // The whole dialog, not the label's rectangle alone: painting that rectangle reaches neither
    // the label (a child that the dialog's painting leaves out) nor the controls it overlaps.
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS)
        RedrawWindow(GetParent(hwnd_), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return result;
}

void LabelledCheckBox::SetName(const wchar_t* name) {
    // The text falls outside the box, all glyph, and is never seen; but a box with a text centres
    // its glyph on the text's line, whose height the language's font decides. On the line of a
    // font one pixel high the glyph sits at the top, where it sits without text, and the font's
    // wide characters start the text well right of the box.
    if (!nameFont_.GetSafeHandle()) {
        LOGFONTW tiny = {};
        tiny.lfHeight = -1;
        tiny.lfWidth = 12;
        nameFont_.CreateFontIndirect(tiny);
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(nameFont_.GetSafeHandle()), FALSE);
    SetWindowTextW(hwnd_, name);
}
