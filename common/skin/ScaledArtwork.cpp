#include "ScaledArtwork.h"

#include "ContourBitmap.h"
#include "Rle8Bitmap.h"
#include "SkinImageCache.h"
#include "common/Dpi.h"
#include "framework/Handles.h"

#include <objidl.h>  // IStream, PROPID: needed before gdiplus.h with WIN32_LEAN_AND_MEAN
#include <shlwapi.h>

#include <gdiplus.h>

#include <string.h>

#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// A new canvas of width x height with image drawn over all of it in mode, or null.
GpBitmap* DrawScaled(GpImage* image, int width, int height, InterpolationMode mode) {
    UINT imageWidth = 0, imageHeight = 0;
    GdipGetImageWidth(image, &imageWidth);
    GdipGetImageHeight(image, &imageHeight);
    GpBitmap* canvas = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &canvas) != Ok)
        return nullptr;
    GpGraphics* graphics = nullptr;
    GpImageAttributes* attributes = nullptr;
    bool drawn = GdipGetImageGraphicsContext(canvas, &graphics) == Ok && GdipCreateImageAttributes(&attributes) == Ok;
    if (drawn) {
        GdipSetInterpolationMode(graphics, mode);
        GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
        // Mirrored beyond the edges: the border pixels are not blended with nothing.
        GdipSetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0, FALSE);
        drawn = GdipDrawImageRectRectI(graphics, image, 0, 0, width, height, 0, 0, static_cast<INT>(imageWidth),
                                       static_cast<INT>(imageHeight), UnitPixel, attributes, nullptr, nullptr) == Ok;
    }
    if (attributes)
        GdipDisposeImageAttributes(attributes);
    if (graphics)
        GdipDeleteGraphics(graphics);
    if (!drawn) {
        GdipDisposeImage(canvas);
        return nullptr;
    }
    return canvas;
}

HBITMAP TakeBitmap(GpBitmap* canvas) {
    HBITMAP bitmap = nullptr;
    if (canvas && GdipCreateHBITMAPFromBitmap(canvas, &bitmap, 0) != Ok)
        bitmap = nullptr;
    if (canvas)
        GdipDisposeImage(canvas);
    return bitmap;
}

// Where smooth must not blend the key colour into the body, take sharp's pixels: within two
// pixels of a key pixel of sharp (a smooth filter reaches that far), both pictures take sharp's.
void KeepKeyEdgeSharp(GpBitmap* smooth, GpBitmap* sharp, int width, int height) {
    Rect all(0, 0, width, height);
    BitmapData smoothBits = {}, sharpBits = {};
    if (GdipBitmapLockBits(smooth, &all, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppARGB, &smoothBits) != Ok)
        return;
    if (GdipBitmapLockBits(sharp, &all, ImageLockModeRead, PixelFormat32bppARGB, &sharpBits) == Ok) {
        auto pixel = [](BitmapData& data, int x, int y) -> UINT32& {
            return static_cast<UINT32*>(data.Scan0)[y * (data.Stride / 4) + x];
        };
        UINT32 const key = pixel(sharpBits, 0, 0);
        int const reach = 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                bool nearKey = false;
                for (int dy = -reach; dy <= reach && !nearKey; ++dy)
                    for (int dx = -reach; dx <= reach && !nearKey; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        nearKey = nx >= 0 && ny >= 0 && nx < width && ny < height && pixel(sharpBits, nx, ny) == key;
                    }
                if (nearKey)
                    pixel(smoothBits, x, y) = pixel(sharpBits, x, y);
            }
        GdipBitmapUnlockBits(sharp, &sharpBits);
    }
    GdipBitmapUnlockBits(smooth, &smoothBits);
}

// Bitmap resource id, or null: the shipped run-length-encoded pictures decoded into a 32-bit
// section, any other kind as a section of its own depth.
HBITMAP LoadBitmapResource(HINSTANCE instance, UINT id) {
    if (HBITMAP decoded = LoadRle8BitmapResource(instance, id))
        return decoded;
    return static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// The PNG resource as a GDI+ image (the caller disposes it), or null.
GpImage* LoadPngResource(HINSTANCE instance, UINT id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return nullptr;
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), SizeofResource(instance, found));
    if (!stream)
        return nullptr;
    GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromStream(stream, &image) != Ok)
        image = nullptr;
    stream->Release();
    return image;
}

// The width and height in the header of the PNG file at path, without decoding it; false for a
// file that is not a PNG or cannot be read.
bool ReadPngSize(const wchar_t* path, SIZE* size) {
    fw::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BYTE header[24];
    DWORD read = 0;
    if (!file.IsValid() || !ReadFile(file.Get(), header, sizeof(header), &read, nullptr) || read != sizeof(header))
        return false;
    // The signature, then the first chunk, which must be IHDR: 13 bytes that start with the size.
    BYTE const start[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (memcmp(header, start, sizeof(start)) != 0)
        return false;
    auto bigEndian = [](const BYTE* bytes) {
        return static_cast<LONG>((UINT32(bytes[0]) << 24) | (UINT32(bytes[1]) << 16) | (UINT32(bytes[2]) << 8) | bytes[3]);
    };
    *size = SIZE{bigEndian(header + 16), bigEndian(header + 20)};
    return true;
}

}  // namespace

int ArtworkScaleFor(UINT dpi) {
    if (dpi <= kDefaultDpi)
        return 100;
    for (int scale : kDrawnScales)
        if (static_cast<UINT>(MulDiv(scale, kDefaultDpi, 100)) >= dpi)
            return scale;
    return kDrawnScales[ARRAYSIZE(kDrawnScales) - 1];
}

std::wstring ScaledSkinPath(const wchar_t* folder, const wchar_t* name, UINT dpi) {
    std::wstring file(name);
    int scale = ArtworkScaleFor(dpi);
    size_t dot = file.rfind(L'.');
    if (scale != 100 && dot != std::wstring::npos)
        file.insert(dot, L"_" + std::to_wstring(scale));
    return std::wstring(folder) + file;
}

HBITMAP LoadSkinImageSized(const wchar_t* path, int width, int height) {
    GpImage* image = nullptr;
    if (!path || width <= 0 || height <= 0 || GdipLoadImageFromFile(path, &image) != Ok || !image)
        return nullptr;
    UINT imageWidth = 0, imageHeight = 0;
    GdipGetImageWidth(image, &imageWidth);
    GdipGetImageHeight(image, &imageHeight);
    bool const sameSize = imageWidth == static_cast<UINT>(width) && imageHeight == static_cast<UINT>(height);
    HBITMAP result = sameSize ? nullptr : TakeBitmap(DrawScaled(image, width, height, InterpolationModeHighQualityBicubic));
    GdipDisposeImage(image);
    return sameSize ? LoadSkinImageShared(path) : result;
}

HBITMAP LoadSkinImageForDpi(const wchar_t* path, UINT dpi, SIZE size, bool keepDecoded) {
    // A file drawn for this very size is taken as it is, as the 100 % files are: its header
    // tells, where decoding it to learn its size would decode it twice.
    SIZE drawn = {};
    if (dpi == kDefaultDpi || (path && ReadPngSize(path, &drawn) && drawn.cx == size.cx && drawn.cy == size.cy))
        return keepDecoded ? LoadSkinImageShared(path) : LoadSkinImage(path);
    return LoadSkinImageSized(path, size.cx, size.cy);
}

HBITMAP LoadBackgroundForDpi(HINSTANCE instance, UINT bitmapId, UINT pngBaseId, SIZE atDefault, UINT dpi) {
    int scale = ArtworkScaleFor(dpi);
    if (scale == 100)
        return LoadBitmapResource(instance, bitmapId);
    int width = ScaleToDpi(atDefault.cx, dpi), height = ScaleToDpi(atDefault.cy, dpi);
    UINT const drawnDpi = static_cast<UINT>(MulDiv(scale, kDefaultDpi, 100));
    if (width == ScaleToDpi(atDefault.cx, drawnDpi) && height == ScaleToDpi(atDefault.cy, drawnDpi)) {
        // Drawn for this very scale: the bitmap resource as it is, where there is one, which
        // needs no image codec and no copy.
        if (HBITMAP drawn = LoadBitmapResource(instance, bitmapId + scale))
            return drawn;
    }
    GpImage* image = LoadPngResource(instance, pngBaseId + scale);
    if (!image)
        return nullptr;
    UINT imageWidth = 0, imageHeight = 0;
    GdipGetImageWidth(image, &imageWidth);
    GdipGetImageHeight(image, &imageHeight);
    if (imageWidth == static_cast<UINT>(width) && imageHeight == static_cast<UINT>(height)) {
        // Drawn for this very scale: the pixels as they are.
        HBITMAP exact = TakeBitmap(DrawScaled(image, width, height, InterpolationModeNearestNeighbor));
        GdipDisposeImage(image);
        return exact;
    }
    GpBitmap* smooth = DrawScaled(image, width, height, InterpolationModeHighQualityBicubic);
    GpBitmap* sharp = DrawScaled(image, width, height, InterpolationModeNearestNeighbor);
    if (smooth && sharp)
        KeepKeyEdgeSharp(smooth, sharp, width, height);
    if (sharp)
        GdipDisposeImage(sharp);
    GdipDisposeImage(image);
    return TakeBitmap(smooth);
}
