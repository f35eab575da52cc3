// The lowest layer of the skinned window toolkit: a bitmap that cuts a window region out of
// itself by a key colour and draws itself, a PNG loader, and 32-bit DIB copies of bitmaps.
// Every function that returns a GDI handle passes ownership to its caller.
#pragma once
#include "framework/GdiObjects.h"

class CContourBitmap : public fw::Bitmap {
public:
    using fw::Bitmap::Bitmap;
};

// Per-pixel alpha as every skinned window draws it.
BLENDFUNCTION const SkinBlendFunction = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

// The bitmap's rectangle minus every pixel of the colour found at (x, y); null without a
// bitmap or when that pixel cannot be read.
HRGN CreateContourRegion(const CContourBitmap& bitmap, int x, int y);

// Copies the whole bitmap at its own size to (x, y) of dc; 0 without dc or bitmap.
BOOL DrawContourBitmap(HDC dc, const CContourBitmap& bitmap, int x, int y);

// A 32-bit ARGB bitmap of the image file at path, or null (missing, unreadable or absurdly
// large image). GDI+ must have been started.
HBITMAP LoadSkinImage(const wchar_t* path);

// A bottom-up 32-bit DIB section of width x height.
bool CreateDIB32(int width, int height, HBITMAP* bitmap, void** bits);

// A 32-bit copy of source, or null.
HBITMAP CopyToDIB32(HBITMAP source);

// A 32-bit copy of the rectangle (x, y, width, height) of source, or null when the rectangle
// does not lie inside source.
HBITMAP CutToDIB32(HBITMAP source, int x, int y, int width, int height);

// AlphaBlend from the origin of source (sourceWidth x sourceHeight) into a rectangle of dc.
BOOL AlphaBlendFromOrigin(HDC dc, int x, int y, int width, int height, HDC source, int sourceWidth,
                          int sourceHeight, BLENDFUNCTION blend);

// Selects object into dc only when it is not null; returns the previous object (or null).
HGDIOBJ SelectIfPresent(HDC dc, HGDIOBJ object);

// Starts GDI+ for the lifetime of the object (the dialogs keep one while they use skin images).
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool IsStarted() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};
