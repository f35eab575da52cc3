// High contrast: while the user has it on, the skinned windows give up their artwork and draw
// in the system colours, in the same shape and size.
#pragma once
#include "ContourBitmap.h"

#include <initializer_list>

class CxSkinButton;

// The one decision: system colours exactly when the query succeeded and says high contrast is on.
bool UseSystemColours(BOOL queried, const HIGHCONTRASTW& settings);
// Asks the system now (SPI_GETHIGHCONTRAST) and decides.
bool SystemAsksForSystemColours();

// A dialog's body at (x, y): its background bitmap, or in system colours a plain COLOR_WINDOW
// face of the bitmap's size.
void PaintDialogBody(HDC dc, const CContourBitmap& background, int x, int y, bool systemColours);
// The colour of a text painted on the body: the skin's own, or COLOR_WINDOWTEXT.
COLORREF BodyTextColour(COLORREF skinColour, bool systemColours);

// Puts a dialog's skinned buttons in the skin's colours or the system's and repaints the dialog
// with all its controls; the dialog paints its body by systemColours itself.
void ApplyDialogColours(HWND dialog, std::initializer_list<CxSkinButton*> buttons, bool systemColours);
