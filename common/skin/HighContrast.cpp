#include "HighContrast.h"

#include "SkinButton.h"

bool UseSystemColours(BOOL queried, const HIGHCONTRASTW& settings) {
    return queried && (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool SystemAsksForSystemColours() {
    HIGHCONTRASTW settings = {};
    settings.cbSize = sizeof(settings);
    BOOL queried = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(settings), &settings, 0);
    return UseSystemColours(queried, settings);
}

void PaintDialogBody(HDC dc, const CContourBitmap& background, int x, int y, bool systemColours) {
    if (!systemColours) {
        DrawContourBitmap(dc, background, x, y);
        return;
    }
    SIZE size = background.GetSize();
    RECT body = {x, y, x + size.cx, y + size.cy};
    FillRect(dc, &body, GetSysColorBrush(COLOR_WINDOW));
}

COLORREF BodyTextColour(COLORREF skinColour, bool systemColours) {
    return systemColours ? GetSysColor(COLOR_WINDOWTEXT) : skinColour;
}

void ApplyDialogColours(HWND dialog, std::initializer_list<CxSkinButton*> buttons, bool systemColours) {
    for (CxSkinButton* button : buttons)
        button->SetSystemColours(systemColours);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}
