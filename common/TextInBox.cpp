#include "common/TextInBox.h"

#include "common/KeyboardFocus.h"

UINT FormatKeepingTextInBox(HDC dc, const wchar_t* text, int length, const RECT& box, UINT format) {
    RECT needed = box;
    DrawTextW(dc, text, length, &needed, format | DT_CALCRECT);
    return needed.right - needed.left > box.right - box.left ? format | DT_EDITCONTROL : format;
}

void DrawTextInBox(HDC dc, const std::wstring& text, RECT box, UINT format, bool focusCue, UINT dpi) {
    int const length = static_cast<int>(text.size());
    format = FormatKeepingTextInBox(dc, text.c_str(), length, box, format);
    DrawTextW(dc, text.c_str(), length, &box, format);
    if (focusCue)
        DrawLabelFocusCue(dc, box, text.c_str(), format, dpi);
}
