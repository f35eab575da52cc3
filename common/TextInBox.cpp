#include "common/TextInBox.h"

UINT FormatKeepingTextInBox(HDC dc, const wchar_t* text, int length, const RECT& box, UINT format) {
    RECT needed = box;
    DrawTextW(dc, text, length, &needed, format | DT_CALCRECT);
    return needed.right - needed.left > box.right - box.left ? format | DT_EDITCONTROL : format;
}
