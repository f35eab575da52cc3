// The whole toolkit on screen: a shaped dialog with the settings background, two skinned
// buttons and the drop shadow, captured from the display and kept as a test artifact.
#include "../language/TestPaths.h"
#include "SkinTestDialog.h"
#include "SkinTestSupport.h"

#include "common/skin/ShadowWindow.h"

#include <gtest/gtest.h>

#include <objidl.h>  // IStream, PROPID: needed before gdiplus.h with WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <stdlib.h>

#include <string>

namespace {

wchar_t const kTitle[] = L"Skin Screenshot";
// Centred on the screen, as the dialogs place themselves (689, 415 on 1920 x 1080).
int const kLeft = GetSystemMetrics(SM_CXSCREEN) / 2 - 542 / 2;
int const kTop = GetSystemMetrics(SM_CYSCREEN) / 2 - 251 / 2;
int const kMargin = 20;

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// A plain white window under the dialog, so that the shadow has something to darken.
HWND CreateWhiteBackdrop() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"SkinScreenshotBackdrop";
    RegisterClassW(&windowClass);
    return CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE,
                           kLeft - kMargin, kTop - kMargin, 542 + 2 * kMargin, 251 + 2 * kMargin, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

// The screen rectangle around the dialog, as a 32-bit bitmap.
HBITMAP CaptureScreen() {
    int width = 542 + 2 * kMargin;
    int height = 251 + 2 * kMargin;
    HBITMAP shot = SolidDIB(width, height, RGB(1, 2, 3));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, width, height, screen, kLeft - kMargin, kTop - kMargin, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

// Writes bitmap as PNG into DORMELLO_ARTIFACTS, or beside the test program.
void SaveArtifact(HBITMAP bitmap, const wchar_t* name) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    wchar_t folder[MAX_PATH] = {};
    if (const char* artifacts = getenv("DORMELLO_ARTIFACTS")) {
        std::string path = artifacts[0] == '/' ? WindowsPath(artifacts) : std::string(artifacts);
        lstrcpynW(folder, Wide(path).c_str(), MAX_PATH);
        CreateDirectoryW(folder, nullptr);
    } else {
        GetModuleFileNameW(nullptr, folder, MAX_PATH);
        *wcsrchr(folder, L'\\') = L'\0';
    }
    std::wstring path = std::wstring(folder) + L"\\" + name;
    GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Ok)
        return;
    CLSID const png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    EXPECT_EQ(Ok, GdipSaveImageToFile(image, path.c_str(), &png, nullptr)) << "artifact not saved";
    GdipDisposeImage(image);
}

int Brightness(COLORREF colour) {
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

TEST(SkinScreenshot, ShapedDialogWithSkinnedButtonsAndShadow) {
    GdiplusSession gdiplus;
    ASSERT_TRUE(gdiplus.IsStarted());
    std::string bitmaps = WindowsPath(BITMAP_FOLDER);
    std::string images = WindowsPath(IMAGE_FOLDER) + "\\";
    CContourBitmap background(static_cast<HBITMAP>(LoadImageA(
        nullptr, (bitmaps + "\\settings.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ASSERT_NE(nullptr, background.GetSafeHandle());
    fw::Bitmap normalImage(LoadSkinImage(Wide(images + "button_n.png").c_str()));
    fw::Bitmap overImage(LoadSkinImage(Wide(images + "button_o.png").c_str()));
    ASSERT_NE(nullptr, normalImage.GetSafeHandle());

    HWND backdrop = CreateWhiteBackdrop();
    SetCursorPos(5, 5);  // nothing hovered
    fw::Bitmap shot;
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        SetWindowTextW(d.hwnd(), kTitle);
        d.background = &background;
        CContourBitmap regionSource(CopyToDIB32(background));
        SetWindowRgn(d.hwnd(), CreateContourRegion(regionSource, 0, 0), TRUE);
        ShowWindow(d.ok, SW_HIDE);
        ShowWindow(d.redefine, SW_HIDE);

        struct Row {
            CxSkinButton* button;
            int x;
            const wchar_t* caption;
        } const rows[] = {{&d.confirmOk, 279, L"OK"}, {&d.confirmCancel, 400, L"Cancel"}};
        for (const Row& row : rows) {
            MoveWindow(*row.button, row.x, 198, 119, 30, TRUE);
            row.button->SetSkin(L"button_n.png", L"button_d.png", L"button_o.png", L"button_g.png",
                                Wide(images).c_str(), 0);
            row.button->SetBackground(background, row.x, 198, 119, 30);
            row.button->textColour = RGB(255, 255, 255);
            SetWindowTextW(*row.button, row.caption);
        }
        SetShadowImage(LoadSkinImage(Wide(images + "bg_shadow01.png").c_str()));
        ASSERT_NE(nullptr, GetShadowImage());
        d.shadow = CreateShadowWindow(d.hwnd(), kTitle);
        ASSERT_NE(nullptr, d.shadow);

        ShowWindow(d.shadow, SW_SHOW);
        SetWindowPos(d.hwnd(), HWND_TOPMOST, kLeft, kTop, 542, 251, SWP_SHOWWINDOW);
        SetFocus(d.confirmCancel);
        PumpMessages(400);
        RECT shadowRect;
        GetWindowRect(d.shadow, &shadowRect);
        EXPECT_EQ(kLeft, shadowRect.left);
        EXPECT_EQ(kTop, shadowRect.top);
        shot.Attach(CaptureScreen());
        ShowWindow(d.shadow, SW_HIDE);
        DestroyWindow(d.shadow);
        d.shadow = nullptr;
    });
    DestroyWindow(backdrop);
    ReleaseShadowState();
    ASSERT_NE(nullptr, shot.GetSafeHandle());
    SaveArtifact(shot, L"skin_screenshot.png");

    auto at = [&](int x, int y) { return PixelOf(shot, kMargin + x, kMargin + y); };
    EXPECT_TRUE(Near(RGB(34, 34, 34), at(300, 120), 6)) << "body " << Describe(at(300, 120));
    EXPECT_NE(RGB(255, 0, 255), at(2, 2)) << "the magenta margin is cut away";
    EXPECT_NE(RGB(255, 0, 255), at(535, 244));
    // Beyond the shadow image the white window below shows; inside it the composed shadow does (an
    // X server without a compositing manager draws its clear parts black, a Windows desktop blends them).
    EXPECT_GT(Brightness(at(560, 120)), 750) << Describe(at(560, 120));
    EXPECT_LT(Brightness(at(532, 241)), 600) << "the shadow darkens beyond the corner " << Describe(at(532, 241));

    // Faces: OK is in its normal look, Cancel has the focus and so looks hovered.
    COLORREF okFace = at(279 + 60, 198 + 27);
    COLORREF cancelFace = at(400 + 60, 198 + 27);
    EXPECT_TRUE(Near(PixelOf(normalImage, 60, 27), okFace, 3)) << Describe(okFace);
    EXPECT_TRUE(Near(PixelOf(overImage, 60, 27), cancelFace, 3)) << Describe(cancelFace);
}

}  // namespace
