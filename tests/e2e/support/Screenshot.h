// Pixels of the screen as the user sees them, read back from the display, and saved as pictures.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class Screenshot {
public:
    // Captures the screen rectangle (screen coordinates).
    explicit Screenshot(const RECT& screen);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel at (x, y) relative to the captured rectangle.
    COLORREF At(int x, int y) const;
    // How many pixels of area (relative coordinates) differ from the same pixels of other.
    int CountDifferent(const Screenshot& other, const RECT& area) const;
    // How many pixels of the rectangle (relative coordinates) lie within tolerance of colour.
    int CountNear(const RECT& area, COLORREF colour, int tolerance) const;
    // Saves a 24-bit BMP into the artifacts folder (DORMELLO_ARTIFACTS, else the temporary folder).
    // Returns the full path, empty on failure.
    std::wstring SaveArtifact(const wchar_t* fileName) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<DWORD> pixels_;  // 0x00RRGGBB, top-down
};

bool ColourNear(COLORREF a, COLORREF b, int tolerance);

// Why a plain (unskinned) button's caption is not readable on the screen, "" when it is: the
// button must lie wholly inside its window's shape, on the light system face, with dark caption
// pixels in the system button-text colour.
std::string WhyCaptionUnreadable(HWND window, HWND button);

}  // namespace e2e
