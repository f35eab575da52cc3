#include "UnpaintedText.h"

void SetUnpaintedText(HWND control, const wchar_t* text) {
    if (!control)
        return;
    LONG style = GetWindowLongW(control, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_OWNERDRAW)
        SetWindowLongW(control, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW);
    SetWindowTextW(control, text);
}
