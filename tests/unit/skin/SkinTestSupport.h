// Pixel helpers shared by the skin tests.
#pragma once
#include <windows.h>

#include <string>

// A 32-bit DIB section of width x height filled with colour (alpha 255).
HBITMAP SolidDIB(int width, int height, COLORREF colour);
// The header of width x height 32-bit top-down rows.
BITMAPINFO TopDown32(int width, int height);
// Sets one pixel of a 32-bit DIB section (top-left origin).
void PutPixel(HBITMAP bitmap, int x, int y, COLORREF colour);
// Reads one pixel of a bitmap through a memory DC (CLR_INVALID outside).
COLORREF PixelOf(HBITMAP bitmap, int x, int y);
// The alpha byte of a 32-bit bitmap's pixel.
BYTE AlphaOf(HBITMAP bitmap, int x, int y);
// Bits per pixel, width and height of a bitmap.
BITMAP InfoOf(HBITMAP bitmap);
// Whether two colours differ by at most tolerance in each channel.
bool Near(COLORREF a, COLORREF b, int tolerance);
std::string Describe(COLORREF colour);
