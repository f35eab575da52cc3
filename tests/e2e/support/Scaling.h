// Display scaling seen from outside: the prefix's DPI for the programs a test starts, the sizes a
// window must have at a scale, and where a window's painted words lie on the screen.
#pragma once
#include "Screenshot.h"

#include <windows.h>

#include <string>

namespace e2e {

// The scales a user picks in Windows' display settings that each window is tried at.
struct ScaleCase {
    UINT dpi;
    const wchar_t* name;  // for file names: "100", "125", ...
};
extern ScaleCase const kScales[5];

// A length of the 96-DPI layout at dpi, rounded as the programs round it.
int Scaled(int length, UINT dpi);
// A rectangle (x, y, width, height) of the 96-DPI layout at dpi, edges rounded.
RECT ScaledBox(int x, int y, int width, int height, UINT dpi);

// A rectangle of the 96-DPI layout given by its edges, each edge scaled to dpi.
RECT ScaledEdges(const RECT& edges, UINT dpi);

// Programs started while this lives run at dpi: HKCU\Control Panel\Desktop LogPixels of the
// test's prefix. The value before (or its absence) is put back at the end.
class DisplayScaling {
public:
    explicit DisplayScaling(UINT dpi);
    ~DisplayScaling();
    DisplayScaling(const DisplayScaling&) = delete;
    DisplayScaling& operator=(const DisplayScaling&) = delete;

private:
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

// Lets the test program read windows and screens in physical pixels, whatever their DPI: once,
// before it looks at any window.
void SeePhysicalPixels();

// The smallest rectangle (relative to the shot) holding every pixel of area within tolerance of
// colour; empty when there is none.
RECT InkBounds(const Screenshot& shot, const RECT& area, COLORREF colour, int tolerance);

// A text a window paints: its colour, the 96-DPI rectangle its words must stay in (they must not
// reach its right or bottom edge: a word cut there would), and the wider 96-DPI area searched.
struct PaintedText {
    const char* name;
    COLORREF colour;
    RECT room;
    RECT searched;
};
// Checks one text of the shot of a window at dpi: there is ink, all of it in its scaled room.
// Returns the ink's bounds.
RECT ExpectTextInItsRoom(const Screenshot& shot, const PaintedText& text, UINT dpi);

// The window's size at dpi: width and height times dpi / 96 of the 96-DPI size, give or take 2.
void ExpectScaledSize(HWND window, SIZE atDefault, UINT dpi);

// The 96-DPI geometry of a skinned window and the texts it paints, the title first.
struct ScaledWindowSpec {
    const wchar_t* shotPrefix;
    SIZE size;
    RECT body;  // the opaque part that the window region keeps
    const PaintedText* texts;
    size_t textCount;
};
// Checks the window at dpi: its size, its region's bounds, each text in its room; keeps a shot
// named after scale. Returns the title's ink.
RECT ExpectWindowAtScale(HWND window, const ScaledWindowSpec& spec, UINT dpi, const wchar_t* scale);
// The title's words are drawn at the scale: their ink is dpi / 96 times as wide and high as at 96 DPI.
void ExpectInkScaled(const RECT& inkAtDefault, const RECT& ink, UINT dpi);

// A picture of the window saved as "<prefix>-<scale>-<language>.bmp" in the artifacts; returns it.
Screenshot KeepShotOf(HWND window, const wchar_t* prefix, const wchar_t* scale);

// Sends window WM_DPICHANGED for dpi with the suggested rectangle, as Windows does when the
// window moves to a monitor of that DPI: the rectangle is written into the window's process.
bool SendDpiChanged(HWND window, UINT dpi, const RECT& suggested);

// Tells the window (of process processId, at 96 DPI) that it is now on a 200 % monitor, with a
// suggested rectangle elsewhere. It must take that rectangle and be laid out, painted and shaped
// at 192 DPI, its shadow drawn for it on its corner; a later high-contrast repaint keeps that.
void ExpectDpiChangeFollowed(HWND window, DWORD processId, const ScaledWindowSpec& spec);

// The running language for file names: "ja" or "en".
const wchar_t* LanguageTag();

}  // namespace e2e
