#include "ContourBitmap.h"

#include <objidl.h>  // IStream, PROPID: needed before gdiplus.h with WIN32_LEAN_AND_MEAN
#include <shlwapi.h>

#include <gdiplus.h>

#include <string.h>

#include <vector>

namespace {

// Skin images are small; anything beyond this is a broken or hostile file.
UINT const kMaxImageSide = 8192;

// The pixels that are not key coloured, as runs a row at a time, top row first. A row whose runs
// are those of the row above only makes that band taller: the region is built one rectangle at a
// time, each merged into all the bands before it, so the rectangles handed over must be few.
class BodyRuns {
public:
    explicit BodyRuns(UINT32 key) : key_(key) {}

    // row: width pixels 0x..RRGGBB (the top byte is no colour).
    void AddRow(const UINT32* row, int width, int y) {
        size_t const rowStart = runs_.size();
        int start = -1;
        // x == width counts as key, so a run always ends at the row's end.
        for (int x = 0; x <= width; ++x) {
            bool body = x < width && (row[x] & 0x00FFFFFF) != key_;
            if (body && start < 0)
                start = x;
            else if (!body && start >= 0) {
                runs_.push_back(RECT{start, y, x, y + 1});
                start = -1;
            }
        }
        size_t const count = runs_.size() - rowStart;
        bool sameAsBand = count > 0 && count == rowStart - bandStart_ && runs_[bandStart_].bottom == y;
        for (size_t i = 0; sameAsBand && i < count; ++i)
            sameAsBand = runs_[bandStart_ + i].left == runs_[rowStart + i].left &&
                         runs_[bandStart_ + i].right == runs_[rowStart + i].right;
        if (!sameAsBand) {
            bandStart_ = rowStart;
            return;
        }
        for (size_t i = 0; i < count; ++i)
            runs_[bandStart_ + i].bottom = y + 1;
        runs_.resize(rowStart);
    }

    // All the runs as one region in one call: cutting each key run out of a full rectangle would
    // cost a region operation per run.
    HRGN MakeRegion(int width, int height) const;

private:
    UINT32 key_;
    std::vector<RECT> runs_;
    size_t bandStart_ = 0;  // the first run of the band the last row went into
};

// Reads bitmap's rows, whatever its kind, a strip at a time into a small buffer, top strip first:
// a whole picture's copy at once would cost some megabytes of fresh memory at large scales.
bool ReadRows(HBITMAP bitmap, int width, int height, BodyRuns& runs) {
    int const stripRows = 32;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up: scan line 0 is the bottom row
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<UINT32> strip(static_cast<size_t>(width) * stripRows);
    fw::DisplayDC display;
    for (int top = 0; top < height; top += stripRows) {
        int const rows = height - top < stripRows ? height - top : stripRows;
        UINT const lowestScan = static_cast<UINT>(height - top - rows);
        if (GetDIBits(display, bitmap, lowestScan, static_cast<UINT>(rows), strip.data(), &info, DIB_RGB_COLORS) != rows)
            return false;
        for (int i = 0; i < rows; ++i)  // the strip's last row is its top one
            runs.AddRow(strip.data() + static_cast<size_t>(rows - 1 - i) * width, width, top + i);
    }
    return true;
}

HRGN BodyRuns::MakeRegion(int width, int height) const {
    std::vector<char> data(sizeof(RGNDATAHEADER) + runs_.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs_.size());
    header->nRgnSize = static_cast<DWORD>(runs_.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, width, height};
    if (!runs_.empty())
        memcpy(data.data() + sizeof(RGNDATAHEADER), runs_.data(), runs_.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
}

// Copies (x, y, width, height) of source into a new 32-bit section.
HBITMAP CopyRectToDIB32(HBITMAP source, int x, int y, int width, int height) {
    HBITMAP copy = nullptr;
    void* bits = nullptr;
    if (!CreateDIB32(width, height, &copy, &bits))
        return nullptr;
    fw::DisplayDC display;
    fw::MemoryDC from(display);
    fw::MemoryDC to(display);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, copy);
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, width, height, from, x, y, width, height, SRCCOPY);
    SelectObject(to, oldTo);
    SelectObject(from, oldFrom);
    return copy;
}

}  // namespace

HRGN CreateContourRegion(const CContourBitmap& bitmap, int x, int y) {
    HBITMAP handle = bitmap.GetSafeHandle();
    if (!handle)
        return nullptr;
    SIZE size = bitmap.GetSize();

    COLORREF key;
    {
        fw::MemoryDC memory(nullptr);
        fw::SelectGuard select(memory, handle);
        key = GetPixel(memory, x, y);
    }
    if (key == CLR_INVALID)
        return nullptr;

    // Reading the rows in strips is far cheaper than a GetPixel per pixel; the result is the same.
    BodyRuns runs((GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key));
    if (!ReadRows(handle, size.cx, size.cy, runs))
        return nullptr;
    return runs.MakeRegion(size.cx, size.cy);
}

BOOL DrawContourBitmap(HDC dc, const CContourBitmap& bitmap, int x, int y) {
    if (!dc || !bitmap.GetSafeHandle())
        return FALSE;
    SIZE size = bitmap.GetSize();
    fw::MemoryDC memory(dc);
    fw::SelectGuard select(memory, bitmap.GetSafeHandle());
    return BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
}

HBITMAP LoadSkinImage(const wchar_t* path) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    // A longer path would be cut to the name of some other file.
    if (!path || lstrlenW(path) >= MAX_PATH)
        return nullptr;
    wchar_t file[MAX_PATH];
    lstrcpynW(file, path, ARRAYSIZE(file));
    if (!PathFileExistsW(file))
        return nullptr;

    GpImage* image = nullptr;
    if (GdipLoadImageFromFile(file, &image) != Ok || !image)
        return nullptr;
    UINT width = 0;
    UINT height = 0;
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);

    HBITMAP result = nullptr;
    GpBitmap* canvas = nullptr;
    GpGraphics* graphics = nullptr;
    bool sane = width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
    // Decoded pixels become a 32-bit section in one conversion; drawing them on a transparent
    // canvas first gives the same pixels at three times the cost, and is left for pictures that
    // are no bitmaps or whose format does not convert.
    ImageType type = ImageTypeUnknown;
    if (sane && GdipGetImageType(image, &type) == Ok && type == ImageTypeBitmap &&
        GdipCreateHBITMAPFromBitmap(static_cast<GpBitmap*>(image), &result, 0) != Ok)
        result = nullptr;
    if (sane && !result &&
        GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, PixelFormat32bppARGB,
                                  nullptr, &canvas) == Ok &&
        GdipGetImageGraphicsContext(canvas, &graphics) == Ok &&
        GdipDrawImageRectI(graphics, image, 0, 0, static_cast<INT>(width), static_cast<INT>(height)) == Ok) {
        if (GdipCreateHBITMAPFromBitmap(canvas, &result, 0) != Ok)
            result = nullptr;
    }
    if (graphics)
        GdipDeleteGraphics(graphics);
    if (canvas)
        GdipDisposeImage(canvas);
    GdipDisposeImage(image);
    return result;
}

bool CreateDIB32(int width, int height, HBITMAP* bitmap, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biXPelsPerMeter = 100;
    info.bmiHeader.biYPelsPerMeter = 100;
    void* pixels = nullptr;
    HBITMAP section = nullptr;
    {
        fw::DisplayDC display;
        section = CreateDIBSection(display, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    }
    if (bitmap)
        *bitmap = section;
    if (bits)
        *bits = pixels;
    if (!section) {
        OutputDebugStringW(L"\n(TV Setting) memory not enough");
        return false;
    }
    return true;
}

HBITMAP CopyToDIB32(HBITMAP source) {
    BITMAP info = {};
    if (!source || !GetObjectW(source, sizeof(info), &info))
        return nullptr;
    return CopyRectToDIB32(source, 0, 0, info.bmWidth, info.bmHeight);
}

HBITMAP CutToDIB32(HBITMAP source, int x, int y, int width, int height) {
    BITMAP info = {};
    if (!source || !GetObjectW(source, sizeof(info), &info))
        return nullptr;
    if (info.bmWidth < width || info.bmHeight < height)
        return nullptr;
    // A piece from outside the picture would be made of whatever lies there: refuse it.
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x > info.bmWidth - width || y > info.bmHeight - height)
        return nullptr;
    return CopyRectToDIB32(source, x, y, width, height);
}

BOOL AlphaBlendFromOrigin(HDC dc, int x, int y, int width, int height, HDC source, int sourceWidth,
                          int sourceHeight, BLENDFUNCTION blend) {
    // gdi32's entry, which msimg32's AlphaBlend forwards to: one library fewer to load.
    return GdiAlphaBlend(dc, x, y, width, height, source, 0, 0, sourceWidth, sourceHeight, blend);
}

HGDIOBJ SelectIfPresent(HDC dc, HGDIOBJ object) {
    if (!object)
        return nullptr;
    return SelectObject(dc, object);
}

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok)
        token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_)
        Gdiplus::GdiplusShutdown(token_);
}
