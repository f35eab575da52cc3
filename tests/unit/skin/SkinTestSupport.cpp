#include "SkinTestSupport.h"

#include "common/skin/ContourBitmap.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

DWORD* PixelAddress(HBITMAP bitmap, int x, int y) {
    DIBSECTION section = {};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) || section.dsBm.bmBitsPixel != 32)
        return nullptr;
    if (x < 0 || y < 0 || x >= section.dsBm.bmWidth || y >= section.dsBm.bmHeight)
        return nullptr;
    int row = section.dsBmih.biHeight > 0 ? section.dsBm.bmHeight - 1 - y : y;
    auto* bits = static_cast<BYTE*>(section.dsBm.bmBits);
    return reinterpret_cast<DWORD*>(bits + static_cast<size_t>(row) * section.dsBm.bmWidthBytes) + x;
}

}  // namespace

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

HBITMAP SolidDIB(int width, int height, COLORREF colour) {
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
    if (!CreateDIB32(width, height, &bitmap, &bits))
        return nullptr;
    DWORD value = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
        pixels[i] = value;
    return bitmap;
}

void PutPixel(HBITMAP bitmap, int x, int y, COLORREF colour) {
    GdiFlush();
    if (DWORD* pixel = PixelAddress(bitmap, x, y))
        *pixel = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return colour;
}

BYTE AlphaOf(HBITMAP bitmap, int x, int y) {
    GdiFlush();
    DWORD* pixel = PixelAddress(bitmap, x, y);
    return pixel ? static_cast<BYTE>(*pixel >> 24) : 0;
}

BITMAP InfoOf(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    return info;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Describe(COLORREF colour) {
    char text[40];
    snprintf(text, sizeof(text), "RGB(%d, %d, %d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}
