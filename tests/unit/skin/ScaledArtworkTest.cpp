// Artwork for a DPI: the DPI a window and the notification area take, which drawn scale a window
// takes, the file names, the background scaled down with an exact key-coloured margin, the
// shipped backgrounds and shadows, the faces at their size, painting in bands, the small icon for
// a DPI, the focus cue's line, and the run-length decoder.
#include "../language/TestPaths.h"
#include "SkinTestResource.h"
#include "SkinTestSupport.h"

#include "common/Dpi.h"
#include "common/KeyboardFocus.h"
#include "common/WideText.h"
#include "common/skin/BandedPaint.h"
#include "common/skin/ContourBitmap.h"
#include "common/skin/Rle8Bitmap.h"
#include "common/skin/ScaledArtwork.h"
#include "common/skin/ShadowWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

COLORREF const kKey = RGB(255, 0, 255);

struct ScaleRow {
    UINT dpi;
    int artworkScale;
    const wchar_t* faceFile;
};
ScaleRow const kScaleRows[] = {
    {72, 100, L"F\\button_n.png"},       {96, 100, L"F\\button_n.png"},       {97, 150, L"F\\button_n_150.png"},
    {120, 150, L"F\\button_n_150.png"},  {144, 150, L"F\\button_n_150.png"},  {168, 200, L"F\\button_n_200.png"},
    {192, 200, L"F\\button_n_200.png"},  {240, 300, L"F\\button_n_300.png"},  {288, 300, L"F\\button_n_300.png"},
    {384, 300, L"F\\button_n_300.png"},  // beyond the largest drawn scale: the largest
};

// A key-blended fringe would be a pinkish pixel inside the region.
// Every pixel of bitmap as 32-bit top-down rows; empty when they cannot be read.
std::vector<DWORD> RowsOf(HBITMAP bitmap) {
    BITMAP size = {};
    GetObjectW(bitmap, sizeof(size), &size);
    BITMAPINFO info = TopDown32(size.bmWidth, size.bmHeight);
    std::vector<DWORD> rows(static_cast<size_t>(size.bmWidth) * size.bmHeight);
    HDC screen = GetDC(nullptr);
    int read = GetDIBits(screen, bitmap, 0, size.bmHeight, rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return read == size.bmHeight ? rows : std::vector<DWORD>();
}

bool LooksKeyBlended(COLORREF colour) {
    return GetRValue(colour) > GetGValue(colour) + 40 && GetBValue(colour) > GetGValue(colour) + 40;
}

// Stand-ins for the system's DPI calls, answering what a row says; 0 for a call that fails.
struct DpiAnswers {
    UINT window, monitor, system;
};
DpiAnswers g_answers;
UINT WINAPI AnswerForWindow(HWND) { return g_answers.window; }
HRESULT WINAPI AnswerForMonitor(HMONITOR monitor, int kind, UINT* x, UINT* y) {
    if (!monitor || kind != 0 /* MDT_EFFECTIVE_DPI */ || !g_answers.monitor)
        return E_INVALIDARG;
    *x = *y = g_answers.monitor;
    return S_OK;
}
UINT AnswerForSystem() { return g_answers.system; }

}  // namespace

// Wine has one monitor at the session's DPI: the calls are stand-ins here. A window takes its own
// DPI, else its monitor's, else the system's; the notification area its monitor's, never a
// window's of this program, else the system's.
TEST(ScaledArtwork, WindowAndNotificationAreaTakeTheBestDpiAtHand) {
    struct Case {
        const char* name;
        bool forWindow, forMonitor;  // the calls this Windows has
        DpiAnswers answers;
        UINT window, taskbar;
    } const cases[] = {
        {"Windows 10 1607 on", true, true, {144, 120, 96}, 144, 120},
        {"Windows 8.1 to 10 1511", false, true, {0, 120, 96}, 120, 120},
        {"Windows 7 and 8", false, false, {0, 0, 120}, 120, 120},
        {"the window's DPI not to be had", true, true, {0, 168, 96}, 168, 168},
        {"the monitor's DPI not to be had", true, true, {192, 0, 144}, 192, 144},
    };
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, probe);
    for (const Case& c : cases) {
        g_answers = c.answers;
        DpiCalls const calls = {c.forWindow ? AnswerForWindow : nullptr, c.forMonitor ? AnswerForMonitor : nullptr,
                                AnswerForSystem};
        EXPECT_EQ(c.window, WindowDpi(probe, calls)) << c.name;
        EXPECT_EQ(c.taskbar, TaskbarDpi(calls)) << c.name;
    }
    DestroyWindow(probe);
}

TEST(ScaledArtwork, EachDpiTakesTheNextLargerDrawnScale) {
    for (const ScaleRow& row : kScaleRows) {
        EXPECT_EQ(row.artworkScale, ArtworkScaleFor(row.dpi)) << row.dpi << " DPI";
        EXPECT_EQ(std::wstring(row.faceFile), ScaledSkinPath(L"F\\", L"button_n.png", row.dpi)) << row.dpi << " DPI";
    }
}

// At 96 DPI the bitmap resource itself; elsewhere the window's size at the DPI, with the margin
// exactly key coloured (the region ends where the body ends) and no key colour blended into the
// body, also where 150 % is scaled down to 125 %.
TEST(ScaledArtwork, BackgroundsKeepAnExactMarginAtEveryScale) {
    GdiplusSession gdiplus;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (UINT dpi : {96u, 120u, 144u, 192u, 288u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        CContourBitmap background(LoadBackgroundForDpi(instance, IDB_TEST_BACKGROUND, IDR_TEST_BACKGROUND_PNG,
                                                       SIZE{542, 251}, dpi));
        ASSERT_NE(nullptr, background.GetSafeHandle());
        SIZE size = background.GetSize();
        EXPECT_EQ(ScaleToDpi(542, dpi), size.cx);
        EXPECT_EQ(ScaleToDpi(251, dpi), size.cy);
        EXPECT_EQ(kKey, PixelOf(background, 0, 0));

        fw::Region region(CreateContourRegion(background, 0, 0));
        ASSERT_NE(nullptr, region.GetSafeHandle());
        RECT bounds = {};
        GetRgnBox(region, &bounds);
        // A picture scaled down keeps its proportions within the rounding of both sizes: 2 pixels.
        EXPECT_NEAR(ScaleToDpi(9, dpi), bounds.left, 2);
        EXPECT_NEAR(ScaleToDpi(8, dpi), bounds.top, 2);
        EXPECT_NEAR(ScaleToDpi(529, dpi), bounds.right, 2);
        EXPECT_NEAR(ScaleToDpi(237, dpi), bounds.bottom, 2);
        int const middle = size.cy / 2;
        for (int x = bounds.left; x < bounds.left + ScaleToDpi(4, dpi); ++x)
            EXPECT_FALSE(LooksKeyBlended(PixelOf(background, x, middle))) << "x " << x;
    }
}

// The backgrounds as shipped (run-length-encoded 8-bit bitmaps, loaded without an image codec
// at 100 % and at each drawn scale) have every pixel of the pictures they are made from.
TEST(ScaledArtwork, ShippedBackgroundsHaveThePixelsOfTheirPictures) {
    GdiplusSession gdiplus;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (UINT dpi : {96u, 144u, 192u, 288u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        SIZE const atDefault = {542, 251};
        UINT const shippedId = IDB_TEST_SHIPPED + (dpi == 96 ? 0 : ArtworkScaleFor(dpi));
        ASSERT_NE(nullptr, FindResourceW(instance, MAKEINTRESOURCEW(shippedId), MAKEINTRESOURCEW(2)));  // RT_BITMAP
        CContourBitmap shipped(LoadBackgroundForDpi(instance, IDB_TEST_SHIPPED, IDR_TEST_BACKGROUND_PNG, atDefault, dpi));
        CContourBitmap drawn(LoadBackgroundForDpi(instance, IDB_TEST_BACKGROUND, IDR_TEST_BACKGROUND_PNG, atDefault, dpi));
        ASSERT_NE(nullptr, shipped.GetSafeHandle());
        ASSERT_NE(nullptr, drawn.GetSafeHandle());
        SIZE const size = drawn.GetSize();
        ASSERT_EQ(size.cx, shipped.GetSize().cx);
        ASSERT_EQ(size.cy, shipped.GetSize().cy);
        std::vector<DWORD> const expected = RowsOf(drawn), actual = RowsOf(shipped);
        ASSERT_EQ(static_cast<size_t>(size.cx) * size.cy, expected.size());
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            differing += (expected[i] & 0xFFFFFF) != (actual[i] & 0xFFFFFF);
        EXPECT_EQ(0u, differing) << "pixels that differ";
    }
}

// The shadows as shipped at the drawn scales (run-length-encoded with their alpha, decoded without
// an image codec) have every pixel, alpha included, of the PNGs they are made from. Between the
// drawn scales their size is not the one wanted: the PNG is scaled instead.
TEST(ScaledArtwork, ShippedShadowsHaveThePixelsOfTheirPictures) {
    GdiplusSession gdiplus;
    std::wstring const folder = Wide(WindowsPath(STAGED_IMAGE_FOLDER)) + L"\\";
    for (UINT dpi : {144u, 168u, 192u, 288u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        SIZE const size = {ScaleToDpi(542, dpi), ScaleToDpi(251, dpi)};
        std::wstring const bitmapPath = ScaledSkinPath(folder.c_str(), L"bg_shadow01.bmp", dpi);
        CContourBitmap shipped(LoadRle8BitmapFileWithAlpha(bitmapPath.c_str(), size));
        LoadShadowImageFrom(folder.c_str(), dpi);
        std::vector<DWORD> const used = RowsOf(GetShadowImage());  // the shadow's image, at its size
        SetShadowImage(nullptr);
        EXPECT_EQ(static_cast<size_t>(size.cx) * size.cy, used.size());
        if (dpi == 168) {
            EXPECT_EQ(nullptr, shipped.GetSafeHandle());
            continue;
        }
        CContourBitmap drawn(LoadSkinImage(ScaledSkinPath(folder.c_str(), L"bg_shadow01.png", dpi).c_str()));
        ASSERT_NE(nullptr, shipped.GetSafeHandle());
        std::vector<DWORD> const expected = RowsOf(drawn), actual = RowsOf(shipped);
        ASSERT_EQ(static_cast<size_t>(size.cx) * size.cy, expected.size());
        size_t differing = 0, shaded = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            differing += expected[i] != actual[i] || expected[i] != used[i];
            shaded += (expected[i] >> 24) != 0;
        }
        EXPECT_EQ(0u, differing) << "pixels that differ";
        EXPECT_GT(shaded, expected.size() / 20) << "the shadow has its alpha";
    }
}

// A window painted in bands, over the whole of it or a part starting at any row, has in that part
// the picture painted whole: each band draws in window coordinates, no row of the part is left
// out, and a patterned brush (as a dotted focus cue draws with) keeps its phase.
TEST(PaintInBands, GivesThePicturePaintedWhole) {
    SIZE const size = {150, 200};
    auto draw = [](HDC dc, const RECT&) {
        RECT const face = {0, 0, 150, 200}, hatched = {10, 37, 140, 171};
        SetBkMode(dc, TRANSPARENT);
        FillRect(dc, &face, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        fw::GdiObject<HBRUSH> hatch(CreateHatchBrush(HS_BDIAGONAL, RGB(255, 255, 255)));
        FillRect(dc, &hatched, hatch);
        TextOutW(dc, 20, 60, L"Sleep now", 9);
    };
    auto paint = [&](const RECT& dirty, bool banded) {
        fw::Bitmap picture(SolidDIB(size.cx, size.cy, RGB(0, 0, 0)));
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, picture);
        if (banded)
            PaintInBands(dc, size, dirty, draw);
        else
            draw(dc, dirty);
        SelectObject(dc, previous);
        DeleteDC(dc);
        return RowsOf(picture);
    };
    std::vector<DWORD> const whole = paint(RECT{0, 0, 150, 200}, false);
    for (RECT const dirty : {RECT{0, 0, 150, 200}, RECT{30, 63, 90, 131}, RECT{-5, 199, 200, 300}}) {
        SCOPED_TRACE(testing::Message() << "rows " << dirty.top << " to " << dirty.bottom);
        std::vector<DWORD> const banded = paint(dirty, true);
        ASSERT_EQ(whole.size(), banded.size());
        size_t differing = 0;
        for (LONG y = std::max(dirty.top, 0L); y < std::min(dirty.bottom, size.cy); ++y)
            for (LONG x = std::max(dirty.left, 0L); x < std::min(dirty.right, size.cx); ++x)
                differing += whole[y * size.cx + x] != banded[y * size.cx + x];
        EXPECT_EQ(0u, differing) << "pixels of the part that differ";
    }
}

TEST(ScaledArtwork, FacesAreBroughtToTheirSize) {
    GdiplusSession gdiplus;
    std::wstring const folder = WideFromAnsi(WindowsPath(IMAGE_FOLDER).c_str()) + L"\\";
    struct {
        UINT dpi;
        SIZE size;
    } const rows[] = {{120, {149, 38}}, {144, {179, 45}}, {192, {238, 60}}, {288, {357, 90}}};
    for (const auto& row : rows) {
        std::wstring path = ScaledSkinPath(folder.c_str(), L"button_n.png", row.dpi);
        fw::Bitmap face(LoadSkinImageForDpi(path.c_str(), row.dpi, row.size));
        SIZE size = face.GetSize();
        EXPECT_EQ(row.size.cx, size.cx) << row.dpi << " DPI";
        EXPECT_EQ(row.size.cy, size.cy) << row.dpi << " DPI";
    }
    EXPECT_EQ(nullptr, LoadSkinImageSized((folder + L"missing_150.png").c_str(), 10, 10));
}

// The tray icon at the small-icon size of another monitor's DPI, drawn from the icon's own frames.
TEST(ScaledArtwork, SmallIconForEachDpi) {
    for (UINT dpi : {120u, 144u, 192u, 288u}) {
        HICON icon = LoadSmallIconForDpi(GetModuleHandleW(nullptr), IDI_TEST_TRAY, dpi);
        ASSERT_NE(nullptr, icon) << dpi << " DPI";
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        fw::Bitmap colour(info.hbmColor), mask(info.hbmMask);
        EXPECT_EQ(ScaleToDpi(16, dpi), colour.GetSize().cx) << dpi << " DPI";
        DestroyIcon(icon);
    }
}

// The focus cue's dotted line is the system's focus border (SM_CXFOCUSBORDER) at 96 DPI, what
// DrawFocusRect draws at every scale, twice that at 150 and 200 %, three times at 300 %.
TEST(ScaledArtwork, FocusCueLineGrowsWithTheDpi) {
    struct {
        UINT dpi;
        int borders;
    } const rows[] = {{96, 1}, {120, 1}, {144, 2}, {192, 2}, {288, 3}};
    int const border = GetSystemMetrics(SM_CXFOCUSBORDER);
    for (const auto& row : rows) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, 40, 40);
        ReleaseDC(nullptr, screen);
        HGDIOBJ previous = SelectObject(dc, canvas);
        RECT all = {0, 0, 40, 40};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawFocusCueRect(dc, all, row.dpi);
        // Across two rows every column of the dotted band has a changed pixel.
        int band = 0;
        while (band < 20 && (GetPixel(dc, band, 20) != RGB(255, 255, 255) || GetPixel(dc, band, 21) != RGB(255, 255, 255)))
            ++band;
        EXPECT_EQ(row.borders * border, band) << row.dpi << " DPI";
        SelectObject(dc, previous);
        DeleteObject(canvas);
        DeleteDC(dc);
    }
}

// A packed 8-bit run-length-encoded DIB of width x height with colours red, green and blue, and codes.
std::vector<BYTE> PackedRle8(LONG width, LONG height, const std::vector<BYTE>& codes, DWORD entries = 3) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RLE8;
    header.biClrUsed = entries;
    std::vector<BYTE> packed(reinterpret_cast<BYTE*>(&header), reinterpret_cast<BYTE*>(&header) + sizeof(header));
    RGBQUAD const colours[] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE* colour = reinterpret_cast<const BYTE*>(&colours[i % 3]);
        packed.insert(packed.end(), colour, colour + sizeof(RGBQUAD));
    }
    packed.insert(packed.end(), codes.begin(), codes.end());
    return packed;
}

TEST(Rle8Bitmap, DecodesEveryKindOfCodeAndRefusesWhatIsNoPicture) {
    COLORREF const r = RGB(255, 0, 0), g = RGB(0, 255, 0), b = RGB(0, 0, 255), k = RGB(0, 0, 0);
    struct Case {
        const char* name;
        std::vector<BYTE> codes;
        std::vector<COLORREF> top, bottom;  // the two rows of a 4 x 2 picture, read back
    } const cases[] = {
        {"runs", {4, 0, 0, 0, 2, 1, 2, 2, 0, 1}, {g, g, b, b}, {r, r, r, r}},
        {"odd literal, padded", {0, 3, 2, 1, 0, 0, 1, 2, 0, 0, 4, 1, 0, 1}, {g, g, g, g}, {b, g, r, b}},
        {"move right and up", {0, 2, 1, 1, 2, 0, 0, 1}, {k, r, r, k}, {k, k, k, k}},
        {"a run past the row's end is cut", {9, 1, 0, 0, 1, 2, 0, 1}, {b, k, k, k}, {g, g, g, g}},
        {"codes end early", {2, 2}, {k, k, k, k}, {b, b, k, k}},
        {"index beyond the colour table", {4, 7, 0, 1}, {k, k, k, k}, {k, k, k, k}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> packed = PackedRle8(4, 2, c.codes);
        fw::Bitmap picture(DecodeRle8Bitmap(packed.data(), packed.size()));
        ASSERT_NE(nullptr, picture.GetSafeHandle());
        EXPECT_EQ(32, InfoOf(picture).bmBitsPixel);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(c.top[x], PixelOf(picture, x, 0)) << "top row, x " << x;
            EXPECT_EQ(c.bottom[x], PixelOf(picture, x, 1)) << "bottom row, x " << x;
        }
    }
    std::vector<BYTE> const good = PackedRle8(4, 2, {8, 1, 0, 1});
    struct Broken {
        const char* name;
        std::vector<BYTE> packed;
    } const broken[] = {
        {"cut inside the header", std::vector<BYTE>(good.begin(), good.begin() + 20)},
        {"cut inside the colour table", std::vector<BYTE>(good.begin(), good.begin() + 44)},
        {"no width", PackedRle8(0, 2, {0, 1})},
        {"top-down", PackedRle8(4, -2, {0, 1})},
        {"too large", PackedRle8(100000, 2, {0, 1})},
        {"more colours than a table holds", PackedRle8(4, 2, {0, 1}, 300)},
    };
    for (const Broken& c : broken) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nullptr, DecodeRle8Bitmap(c.packed.data(), c.packed.size()));
    }
    EXPECT_EQ(nullptr, DecodeRle8Bitmap(nullptr, 0));
}
