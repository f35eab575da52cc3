// Regions cut by key colour, 32-bit copies and cut-outs, drawing, and the PNG loader, on real GDI.
#include "../language/TestPaths.h"
#include "PngFile.h"
#include "SkinTestSupport.h"

#include "common/skin/ContourBitmap.h"
#include "common/skin/ScaledArtwork.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

COLORREF const kKey = RGB(255, 0, 255);
COLORREF const kBody = RGB(34, 34, 34);

// A bitmap drawn from rows of text: '#' is the key colour, anything else the body colour.
HBITMAP FromRows(const std::vector<std::string>& rows) {
    int width = static_cast<int>(rows[0].size());
    int height = static_cast<int>(rows.size());
    HBITMAP bitmap = SolidDIB(width, height, kBody);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (rows[y][x] == '#')
                PutPixel(bitmap, x, y, kKey);
    return bitmap;
}

// A copy of source drawn into a top-down 32-bit section, or into a bitmap of the screen's kind.
enum class Kind { TopDownSection, ScreenBitmap };
HBITMAP CopyAs(HBITMAP source, Kind kind) {
    BITMAP info = InfoOf(source);
    fw::DisplayDC display;
    HBITMAP copy = nullptr;
    if (kind == Kind::ScreenBitmap) {
        copy = CreateCompatibleBitmap(display, info.bmWidth, info.bmHeight);
    } else {
        BITMAPINFO layout = TopDown32(info.bmWidth, info.bmHeight);
        void* bits = nullptr;
        copy = CreateDIBSection(display, &layout, DIB_RGB_COLORS, &bits, nullptr, 0);
    }
    fw::MemoryDC from(display), to(display);
    fw::SelectGuard selectFrom(from, source), selectTo(to, copy);
    BitBlt(to, 0, 0, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);
    return copy;
}

// rows rows of six pixels, the key colour moving one pixel on each row: every row tells its place.
std::vector<std::string> Staircase(int rows) {
    std::vector<std::string> picture(rows, "......");
    for (int y = 0; y < rows; ++y)
        picture[y][y % 6] = '#';
    picture[0][0] = '#';
    return picture;
}

// The region must hold exactly the pixels that are not '#'.
void ExpectRegionMatches(HRGN region, const std::vector<std::string>& rows) {
    ASSERT_NE(nullptr, region);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) {
            bool inside = PtInRegion(region, static_cast<int>(x), static_cast<int>(y)) != FALSE;
            EXPECT_EQ(rows[y][x] != '#', inside) << "pixel " << x << "," << y;
        }
}

TEST(ContourRegion, CutsEveryKeyColouredPixel) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
    } const cases[] = {
        {"only the key pixel itself", {"#.....", "......", "......"}},
        {"margin all round", {"######", "#....#", "#....#", "######"}},
        {"run reaching the right edge", {"#.....", "...###", "..####", "......"}},
        {"holes inside the body", {"#.......", ".#..##..", "........", "...#...#"}},
        {"single column", {"#", ".", "#"}},
        {"equal rows parted by a key row and by other rows",
         {"#.##..", "#.##..", "######", "#.##..", "#.##..", "#.#...", "#.##..", "#.##.."}},
        {"taller than a strip read at once", Staircase(75)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HBITMAP bottomUp = FromRows(c.rows);
        // Sections are read in place, other bitmaps through a copy: the same region from each.
        HBITMAP const kinds[] = {CopyAs(bottomUp, Kind::TopDownSection), CopyAs(bottomUp, Kind::ScreenBitmap),
                                 bottomUp};
        for (HBITMAP kind : kinds) {
            SCOPED_TRACE(kind == bottomUp ? "bottom-up section" : kind == kinds[0] ? "top-down section" : "screen bitmap");
            CContourBitmap bitmap(kind);
            fw::Region region(CreateContourRegion(bitmap, 0, 0));
            ExpectRegionMatches(region, c.rows);
            RECT box;
            GetRgnBox(region, &box);
            EXPECT_LE(box.right, static_cast<LONG>(c.rows[0].size()));
            EXPECT_LE(box.bottom, static_cast<LONG>(c.rows.size()));
        }
    }
}

TEST(ContourRegion, AllKeyGivesAnEmptyRegion) {
    CContourBitmap bitmap(SolidDIB(7, 5, kKey));
    fw::Region region(CreateContourRegion(bitmap, 3, 2));
    ASSERT_NE(nullptr, region.GetSafeHandle());
    RECT box;
    EXPECT_EQ(NULLREGION, GetRgnBox(region, &box));
}

TEST(ContourRegion, KeyPointElsewhereKeepsTheFullRectangle) {
    // The key colour is that of (3, 1); a pixel of another colour is never cut.
    CContourBitmap bitmap(SolidDIB(9, 4, kBody));
    PutPixel(bitmap, 3, 1, kKey);
    fw::Region region(CreateContourRegion(bitmap, 0, 0));  // key = body colour: all but (3, 1) cut
    RECT box;
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(region, &box));
    EXPECT_EQ(3, box.left);
    EXPECT_EQ(1, box.top);
    EXPECT_EQ(4, box.right);
    EXPECT_EQ(2, box.bottom);

    fw::Region cut(CreateContourRegion(bitmap, 3, 1));
    EXPECT_EQ(COMPLEXREGION, GetRgnBox(cut, &box));
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(9, box.right);
    EXPECT_EQ(4, box.bottom);
    EXPECT_FALSE(PtInRegion(cut, 3, 1));
}

TEST(ContourRegion, NoBitmapOrUnreadableKeyGivesNull) {
    CContourBitmap empty;
    EXPECT_EQ(nullptr, CreateContourRegion(empty, 0, 0));
    CContourBitmap bitmap(SolidDIB(4, 4, kBody));
    EXPECT_EQ(nullptr, CreateContourRegion(bitmap, 4, 0));
    EXPECT_EQ(nullptr, CreateContourRegion(bitmap, -1, 0));
}

TEST(ContourRegion, BackgroundArtworkLeavesExactlyTheBody) {
    for (const char* file : {"settings.bmp", "confirm.bmp"}) {
        SCOPED_TRACE(file);
        std::string path = WindowsPath(BITMAP_FOLDER) + "\\" + file;
        HBITMAP loaded = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                         LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, loaded);
        fw::Bitmap background(loaded);
        BITMAP info = InfoOf(background);
        EXPECT_EQ(542, info.bmWidth);
        EXPECT_EQ(251, info.bmHeight);
        EXPECT_EQ(24, info.bmBitsPixel);
        EXPECT_EQ(kKey, PixelOf(background, 0, 0));
        EXPECT_TRUE(Near(kBody, PixelOf(background, 300, 120), 4)) << Describe(PixelOf(background, 300, 120));

        CContourBitmap copy(CopyToDIB32(background));
        EXPECT_EQ(32, InfoOf(copy).bmBitsPixel);
        fw::Region region(CreateContourRegion(copy, 0, 0));
        RECT box;
        EXPECT_EQ(SIMPLEREGION, GetRgnBox(region, &box)) << "no hole inside the body";
        EXPECT_EQ(9, box.left);
        EXPECT_EQ(8, box.top);
        EXPECT_EQ(529, box.right);
        EXPECT_EQ(237, box.bottom);
    }
}

TEST(DibCopies, CopyAndCutHonourTheSourceBounds) {
    fw::Bitmap source(SolidDIB(20, 10, RGB(10, 20, 30)));
    PutPixel(source, 19, 9, RGB(200, 100, 50));
    PutPixel(source, 5, 3, RGB(1, 2, 3));
    struct Case {
        const char* name;
        int x, y, width, height;
        bool made;
    } const cases[] = {
        {"exact fit", 0, 0, 20, 10, true},
        {"inner piece", 5, 3, 15, 7, true},
        {"wider than the source", 0, 0, 21, 10, false},
        {"higher than the source", 0, 0, 20, 11, false},
        {"reaching past the right edge", 6, 0, 15, 10, false},
        {"starting left of the source", -1, 0, 5, 5, false},
        {"empty", 0, 0, 0, 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fw::Bitmap piece(CutToDIB32(source, c.x, c.y, c.width, c.height));
        EXPECT_EQ(c.made, piece.GetSafeHandle() != nullptr);
        if (!piece.GetSafeHandle())
            continue;
        DIBSECTION section = {};
        ASSERT_EQ(static_cast<int>(sizeof(section)), GetObjectW(piece, sizeof(section), &section));
        EXPECT_EQ(32, section.dsBm.bmBitsPixel);
        EXPECT_EQ(c.width, section.dsBm.bmWidth);
        EXPECT_EQ(c.height, section.dsBmih.biHeight) << "bottom-up";
        EXPECT_EQ(100, section.dsBmih.biXPelsPerMeter);
        EXPECT_EQ(PixelOf(source, c.x, c.y), PixelOf(piece, 0, 0));
        EXPECT_EQ(RGB(200, 100, 50), PixelOf(piece, c.width - 1, c.height - 1));
    }
    EXPECT_EQ(nullptr, CutToDIB32(nullptr, 0, 0, 1, 1));
    EXPECT_EQ(nullptr, CopyToDIB32(nullptr));
}

TEST(DibCopies, CopyOfADeviceBitmapKeepsItsPixels) {
    HDC screen = GetDC(nullptr);
    fw::Bitmap device(CreateCompatibleBitmap(screen, 6, 4));
    ReleaseDC(nullptr, screen);
    {
        fw::MemoryDC memory(nullptr);
        fw::SelectGuard select(memory, device);
        SetPixel(memory, 5, 3, RGB(0, 128, 255));
    }
    fw::Bitmap copy(CopyToDIB32(device));
    BITMAP info = InfoOf(copy);
    EXPECT_EQ(6, info.bmWidth);
    EXPECT_EQ(4, info.bmHeight);
    EXPECT_EQ(32, info.bmBitsPixel);
    EXPECT_EQ(RGB(0, 128, 255), PixelOf(copy, 5, 3));
}

TEST(DrawContour, CopiesTheWholeBitmapAtTheGivenPoint) {
    CContourBitmap picture(SolidDIB(3, 2, RGB(90, 0, 0)));
    fw::Bitmap target(SolidDIB(10, 8, RGB(0, 0, 0)));
    fw::MemoryDC memory(nullptr);
    fw::SelectGuard select(memory, target);
    EXPECT_TRUE(DrawContourBitmap(memory, picture, 4, 5));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            bool covered = x >= 4 && x < 7 && y >= 5 && y < 7;
            EXPECT_EQ(covered ? RGB(90, 0, 0) : RGB(0, 0, 0), GetPixel(memory, x, y)) << x << "," << y;
        }
    CContourBitmap none;
    EXPECT_FALSE(DrawContourBitmap(memory, none, 0, 0));
    EXPECT_FALSE(DrawContourBitmap(nullptr, picture, 0, 0));
}

class SkinImages : public ::testing::Test {
protected:
    std::wstring File(const std::string& name, const std::string& bytes) {
        std::string path = scratch.WriteFile(name, bytes);
        return std::wstring(path.begin(), path.end());
    }
    GdiplusSession gdiplus;
    ScratchFolder scratch;
};

TEST_F(SkinImages, BrokenFilesGiveNull) {
    std::string good = SolidPng(8, 8, {255, 0, 0, 255});
    struct Case {
        const char* name;
        std::string bytes;
    } const cases[] = {
        {"zero.png", ""},
        {"truncated.png", good.substr(0, good.size() / 2)},
        {"header-only.png", HeaderOnlyPng(8, 8)},
        {"huge.png", HeaderOnlyPng(100000, 100000)},
        {"huge-with-data.png", HeaderOnlyPng(30000, 30000) + good.substr(33)},
        {"not-an-image.png", "hello, world"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring const path = File(c.name, c.bytes);
        EXPECT_EQ(nullptr, LoadSkinImage(path.c_str()));
        // Above 100 % a header giving the wanted size is trusted only as far as the decode goes.
        EXPECT_EQ(nullptr, LoadSkinImageForDpi(path.c_str(), 192, SIZE{8, 8}));
    }
    EXPECT_EQ(nullptr, LoadSkinImage(L"Z:\\no\\such\\file.png"));
    EXPECT_EQ(nullptr, LoadSkinImage(nullptr));
}

TEST(SkinImagesWithoutGdiplus, MissingFileNeedsNoGdiplus) {
    // GDI+ is not started here: a missing file must return before any GDI+ call.
    EXPECT_EQ(nullptr, LoadSkinImage(L"Z:\\no\\such\\file.png"));
}

TEST_F(SkinImages, LoadsA32BitBitmapWithAlpha) {
    std::vector<Rgba> pixels(4 * 3, Rgba{0, 0, 0, 0});
    pixels[0] = {200, 40, 10, 255};       // (0, 0) opaque
    pixels[4 * 2 + 3] = {0, 0, 255, 255};  // (3, 2) opaque
    fw::Bitmap image(LoadSkinImage(File("small.png", EncodePng(4, 3, pixels)).c_str()));
    ASSERT_NE(nullptr, image.GetSafeHandle());
    BITMAP info = InfoOf(image);
    EXPECT_EQ(4, info.bmWidth);
    EXPECT_EQ(3, info.bmHeight);
    EXPECT_EQ(32, info.bmBitsPixel);
    EXPECT_EQ(RGB(200, 40, 10), PixelOf(image, 0, 0));
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(image, 3, 2));
    EXPECT_EQ(255, AlphaOf(image, 0, 0));
    EXPECT_EQ(0, AlphaOf(image, 1, 1));
}

TEST_F(SkinImages, ShippedSkinsAre32BitWithDistinctStates) {
    struct Case {
        const char* file;
        int width, height;
    } const cases[] = {
        {"button_n.png", 119, 30},       {"button_d.png", 119, 30},       {"button_o.png", 119, 30},
        {"button_un.png", 119, 30},      {"button_g.png", 119, 30},       {"small_button_n.png", 119, 24},
        {"small_button_d.png", 119, 24}, {"small_button_o.png", 119, 24}, {"small_button_un.png", 119, 24},
        {"bg_shadow01.png", 542, 251},
    };
    std::string folder = WindowsPath(IMAGE_FOLDER);
    std::vector<COLORREF> faces;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = folder + "\\" + c.file;
        fw::Bitmap image(LoadSkinImage(std::wstring(path.begin(), path.end()).c_str()));
        ASSERT_NE(nullptr, image.GetSafeHandle());
        BITMAP info = InfoOf(image);
        EXPECT_EQ(c.width, info.bmWidth);
        EXPECT_EQ(c.height, info.bmHeight);
        EXPECT_EQ(32, info.bmBitsPixel);
        EXPECT_EQ(0, AlphaOf(image, 0, 0)) << "the corner is transparent";
        if (c.width == 119) {
            EXPECT_GT(AlphaOf(image, 60, c.height / 2), 100) << "the face is visible";
            faces.push_back(PixelOf(image, 60, c.height / 2));
        } else {
            EXPECT_EQ(0, AlphaOf(image, 270, 120)) << "clear over the body";
            EXPECT_GT(AlphaOf(image, 531, 239), 0) << "shadow beyond the body's corner";
        }
    }
    // Within each set, every state looks different from every other.
    for (size_t first : {size_t(0), size_t(5)}) {
        size_t count = first == 0 ? 5 : 4;
        for (size_t i = first; i < first + count; ++i)
            for (size_t j = i + 1; j < first + count; ++j)
                EXPECT_FALSE(Near(faces[i], faces[j], 8)) << cases[i].file << " vs " << cases[j].file;
    }
}

}  // namespace
