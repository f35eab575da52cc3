// Skin images decoded once per process: each caller gets its own bitmap of the same pixels, and
// a file whose size or time changes is decoded again.
#include "../language/TestPaths.h"
#include "PngFile.h"
#include "SkinTestSupport.h"

#include "common/skin/ContourBitmap.h"
#include "common/skin/SkinImageCache.h"

#include <gtest/gtest.h>

#include <string>

namespace {

Rgba const kRed = {200, 0, 0, 255};
Rgba const kBlue = {0, 0, 200, 128};

class SharedSkinImages : public ::testing::Test {
protected:
    void SetUp() override { ClearSkinImageCache(); }
    void TearDown() override { ClearSkinImageCache(); }

    // Writes a 5 x 4 PNG of one colour (the same size in bytes for every colour) at name.
    std::wstring Write(const char* name, Rgba colour) {
        std::string path = scratch.WriteFile(name, SolidPng(5, 4, colour));
        return std::wstring(path.begin(), path.end());
    }
    static FILETIME WriteTime(const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        return data.ftLastWriteTime;
    }
    static void SetWriteTime(const std::wstring& path, FILETIME time) {
        HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }

    GdiplusSession gdiplus;
    ScratchFolder scratch;
};

TEST_F(SharedSkinImages, DecodedOnceCopiedPerCallerDecodedAgainWhenTheFileChanges) {
    std::wstring path = Write("face.png", kRed);
    FILETIME original = WriteTime(path);
    fw::Bitmap first(LoadSkinImageShared(path.c_str()));
    ASSERT_NE(nullptr, first.GetSafeHandle());

    // Other pixels behind the same size and time: a second decode would see blue.
    Write("face.png", kBlue);
    SetWriteTime(path, original);
    fw::Bitmap second(LoadSkinImageShared(path.c_str()));
    ASSERT_NE(nullptr, second.GetSafeHandle());
    EXPECT_NE(first.GetSafeHandle(), second.GetSafeHandle());
    BITMAP info = InfoOf(second);
    EXPECT_EQ(5, info.bmWidth);
    EXPECT_EQ(4, info.bmHeight);
    EXPECT_EQ(32, info.bmBitsPixel);
    EXPECT_EQ(RGB(200, 0, 0), PixelOf(second, 4, 3));
    EXPECT_EQ(255, AlphaOf(second, 4, 3));

    // Each copy is its owner's alone.
    first.DeleteObject();
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(second)));
    EXPECT_EQ(RGB(200, 0, 0), PixelOf(second, 0, 0));

    // A new time means new content: the same pixels as a direct load of the file.
    FILETIME later = original;
    later.dwLowDateTime += 10000000;
    SetWriteTime(path, later);
    fw::Bitmap changed(LoadSkinImageShared(path.c_str()));
    fw::Bitmap direct(LoadSkinImage(path.c_str()));
    ASSERT_NE(nullptr, changed.GetSafeHandle());
    EXPECT_EQ(PixelOf(direct, 2, 2), PixelOf(changed, 2, 2));
    EXPECT_EQ(AlphaOf(direct, 2, 2), AlphaOf(changed, 2, 2));
    EXPECT_NE(RGB(200, 0, 0), PixelOf(changed, 2, 2));

    // A file that is gone gives nothing, even though it was decoded before.
    DeleteFileW(path.c_str());
    EXPECT_EQ(nullptr, LoadSkinImageShared(path.c_str()));
    EXPECT_EQ(nullptr, LoadSkinImageShared(nullptr));
}

}  // namespace
