// High contrast: the one decision, and both dialogs' drawing in system colours read back from
// the screen, switched on and off while the dialog stays open.
#include "../language/TestPaths.h"
#include "SkinTestDialog.h"
#include "SkinTestSupport.h"

#include "common/skin/HighContrast.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HighContrast, SystemColoursExactlyWhenTheQuerySaysOn) {
    struct Case {
        const char* name;
        BOOL queried;
        DWORD flags;
        bool systemColours;
    } const cases[] = {
        {"on", TRUE, HCF_HIGHCONTRASTON, true},
        {"on with other flags", TRUE, HCF_HIGHCONTRASTON | HCF_AVAILABLE | HCF_HOTKEYACTIVE, true},
        {"available but off", TRUE, HCF_AVAILABLE | HCF_HOTKEYAVAILABLE, false},
        {"off", TRUE, 0, false},
        {"query failed, stale flags", FALSE, HCF_HIGHCONTRASTON, false},
    };
    for (const Case& c : cases) {
        HIGHCONTRASTW settings = {};
        settings.cbSize = sizeof(settings);
        settings.dwFlags = c.flags;
        EXPECT_EQ(c.systemColours, UseSystemColours(c.queried, settings)) << c.name;
    }
}

POINT ScreenPoint(HWND window, int x, int y) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{rect.left + x, rect.top + y};
}

COLORREF ScreenPixel(POINT at) {
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Counts pixels of the window's rectangle (relative) near colour on the screen.
int CountOnScreen(HWND window, const RECT& area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; y += 2)
        for (int x = area.left; x < area.right; x += 2)
            count += Near(ScreenPixel(ScreenPoint(window, x, y)), colour, 40) ? 1 : 0;
    return count;
}

// The settings background with a skinned button: turned to system colours
// while it is up, the body becomes COLOR_WINDOW and the button the plain face; turned back, the artwork returns. Nothing is reopened.
TEST(HighContrast, DialogSwitchesToSystemColoursAndBackWhileOpen) {
    GdiplusSession gdiplus;
    std::string images = WindowsPath(IMAGE_FOLDER) + "\\";
    std::wstring imagesW(images.begin(), images.end());
    std::string bitmaps = WindowsPath(BITMAP_FOLDER);
    CContourBitmap background(static_cast<HBITMAP>(LoadImageA(
        nullptr, (bitmaps + "\\settings.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ASSERT_NE(nullptr, background.GetSafeHandle());
    SetCursorPos(5, 5);  // nothing hovered

    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        d.background = &background;
        ShowWindow(d.redefine, SW_HIDE);
        ShowWindow(d.confirmOk, SW_HIDE);
        ShowWindow(d.confirmCancel, SW_HIDE);
        MoveWindow(d.ok, 279, 198, 119, 30, TRUE);
        d.ok.SetSkin(L"button_n.png", L"button_d.png", L"button_o.png", L"button_un.png", imagesW.c_str(), 0);
        d.ok.SetBackground(background, 279, 198, 119, 30);
        SetWindowTextW(d.ok, L"OK");
        SetWindowPos(d.hwnd(), HWND_TOPMOST, 200, 200, 542, 251, SWP_SHOWWINDOW);
        SetFocus(d.hwnd());
        PumpMessages(300);

        RECT const body = {240, 60, 500, 120};
        RECT const button = {285, 202, 390, 224};
        COLORREF const window = GetSysColor(COLOR_WINDOW);
        COLORREF const face = GetSysColor(COLOR_BTNFACE);
        int const bodyArea = (body.right - body.left) / 2 * ((body.bottom - body.top) / 2);
        for (bool systemColours : {true, false, true}) {
            SCOPED_TRACE(systemColours ? "system colours" : "skin");
            d.systemColours = systemColours;
            ApplyDialogColours(d.hwnd(), {&d.ok}, systemColours);
            PumpMessages(300);
            int const bodyInWindowColour = CountOnScreen(d.hwnd(), body, window);
            int const buttonInFaceColour = CountOnScreen(d.hwnd(), button, face);
            if (systemColours) {
                EXPECT_EQ(bodyArea, bodyInWindowColour) << "a COLOR_WINDOW body";
                EXPECT_GT(buttonInFaceColour, 500) << "a plain button face";
            } else {
                EXPECT_EQ(0, bodyInWindowColour) << "the dark artwork";
                EXPECT_EQ(0, buttonInFaceColour);
            }
            EXPECT_TRUE(IsWindowVisible(d.hwnd()));
        }
    });
}

}  // namespace
