// Artwork for a window's DPI. tools/make_artwork.sh draws every picture at 100 % and at a few
// larger scales; a window takes the smallest drawn scale at least as large as its own and scales
// it down to the exact size. A 96-DPI picture is never stretched up, and at 96 DPI the original
// pictures are used untouched.
#pragma once
#include <windows.h>

#include <string>

// The percent of the drawn pictures a window at dpi takes: 100 at 96 DPI and below, else the
// smallest drawn scale that is at least as large (the largest beyond it).
int ArtworkScaleFor(UINT dpi);

// folder + name for dpi: "button_n.png" at 100 %, "button_n_200.png" where 200 % is taken.
std::wstring ScaledSkinPath(const wchar_t* folder, const wchar_t* name, UINT dpi);

// A 32-bit bitmap of the image file at path scaled to width x height (the caller owns it), or null.
// A file of that size already is the shared decode (LoadSkinImageShared), unscaled.
HBITMAP LoadSkinImageSized(const wchar_t* path, int width, int height);

// The skin picture at path for a window at dpi (the caller owns it), or null: at 96 DPI the file
// as it is, else brought to size, that picture's size at dpi. keepDecoded: the file is decoded
// once for the program (pictures several buttons share); else decoded for this caller alone.
HBITMAP LoadSkinImageForDpi(const wchar_t* path, UINT dpi, SIZE size, bool keepDecoded = true);

// A window's background for dpi (the caller owns it): at 96 DPI bitmap resource bitmapId; at a
// drawn scale bitmap resource bitmapId + percent where there is one (a run-length-encoded one
// decoded into a 32-bit section); else the PNG resource pngBaseId + percent of the scale taken,
// scaled to atDefault times dpi / 96.
// The key-coloured margin stays exact, so the window region is cut where the body ends.
HBITMAP LoadBackgroundForDpi(HINSTANCE instance, UINT bitmapId, UINT pngBaseId, SIZE atDefault, UINT dpi);

// The drawn scales besides 100 %, smallest first.
int const kDrawnScales[] = {150, 200, 300};
