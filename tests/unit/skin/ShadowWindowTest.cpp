// The drop-shadow window: its identity and styles, and when it follows its dialog.
#include "SkinTestDialog.h"
#include "SkinTestSupport.h"

#include "common/skin/ShadowWindow.h"

#include <gtest/gtest.h>

namespace {

wchar_t const kFollowedTitle[] = L"Shadow Follow Test";

RECT RectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

void ExpectCorner(HWND window, int left, int top, int width, int height) {
    RECT rect = RectOf(window);
    EXPECT_EQ(left, rect.left);
    EXPECT_EQ(top, rect.top);
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
}

class ShadowWindow : public ::testing::Test {
protected:
    void SetUp() override { ReleaseShadowState(); }
    void TearDown() override {
        if (shadow_)
            DestroyWindow(shadow_);
        ReleaseShadowState();
    }

    // Runs body with the followed dialog and its shadow window.
    void Run(std::function<void(SkinTestDialog&, HWND)> body) {
        SkinTestDialog dialog;
        dialog.Run([&](SkinTestDialog& d) {
            SetWindowTextW(d.hwnd(), kFollowedTitle);
            shadow_ = CreateShadowWindow(d.hwnd(), kFollowedTitle);
            ASSERT_NE(nullptr, shadow_);
            body(d, shadow_);
        });
    }

    // As the dialog's WM_WINDOWPOSCHANGED handler does.
    static void Repaint(HWND shadow) { SendMessageW(shadow, WM_PAINT, 0, 0); }
    // Moves the dialog to (x, y) at 400 x 200, then repaints the shadow.
    static void MoveDialog(SkinTestDialog& d, HWND shadow, int x, int y) {
        MoveWindow(d.hwnd(), x, y, 400, 200, FALSE);
        Repaint(shadow);
    }

    HWND shadow_ = nullptr;
};

TEST_F(ShadowWindow, IdentityStylesAndInitialPlacement) {
    Run([](SkinTestDialog& d, HWND shadow) {
        wchar_t text[64];
        GetClassNameW(shadow, text, ARRAYSIZE(text));
        EXPECT_STREQ(L"MainShadowClass", text);
        GetWindowTextW(shadow, text, ARRAYSIZE(text));
        EXPECT_STREQ(L"Dormello Shadow", text);
        EXPECT_EQ(shadow, FindWindowW(L"MainShadowClass", L"Dormello Shadow"));

        LONG ex = GetWindowLongW(shadow, GWL_EXSTYLE);
        LONG ownerEx = GetWindowLongW(d.hwnd(), GWL_EXSTYLE);
        EXPECT_EQ(0x080800A0, ex & 0x080800A0) << std::hex << ex;
        EXPECT_EQ(ownerEx, ex & ownerEx) << "the dialog's own extended style is kept";
        EXPECT_TRUE(ex & WS_EX_TOPMOST);
        EXPECT_EQ(static_cast<LONG>(WS_OVERLAPPEDWINDOW),
                  GetWindowLongW(shadow, GWL_STYLE) & static_cast<LONG>(WS_OVERLAPPEDWINDOW));
        EXPECT_FALSE(IsWindowVisible(shadow));
        ExpectCorner(shadow, 1, 0, 542, 251);
        EXPECT_EQ(0, SendMessageW(shadow, WM_ERASEBKGND, 0, 0));
    });
}

TEST_F(ShadowWindow, FollowsTheCornerButNotSizeOrZOrder) {
    SetShadowImage(SolidDIB(60, 40, RGB(0, 0, 0)));
    Run([](SkinTestDialog& d, HWND shadow) {
        MoveDialog(d, shadow, 300, 200);
        ExpectCorner(shadow, 300, 200, 60, 40);

        // Park the shadow elsewhere to see whether a repaint moves it.
        SetWindowPos(shadow, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(d.hwnd(), nullptr, 0, 0, 350, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Repaint(shadow);
        ExpectCorner(shadow, 5, 6, 60, 40);
        SetWindowPos(d.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Repaint(shadow);
        ExpectCorner(shadow, 5, 6, 60, 40);

        MoveDialog(d, shadow, 301, 200);
        ExpectCorner(shadow, 301, 200, 60, 40);
        MoveDialog(d, shadow, 301, 250);
        ExpectCorner(shadow, 301, 250, 60, 40);
    });
}

TEST_F(ShadowWindow, DialogWindowPosChangedMovesTheShadow) {
    SetShadowImage(SolidDIB(60, 40, RGB(0, 0, 0)));
    Run([](SkinTestDialog& d, HWND shadow) {
        d.shadow = shadow;
        SetWindowPos(d.hwnd(), nullptr, 420, 330, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ExpectCorner(shadow, 420, 330, 60, 40);
        d.shadow = nullptr;
    });
}

TEST_F(ShadowWindow, DialogAtTheOriginIsNotFollowedUntilItMoves) {
    SetShadowImage(SolidDIB(60, 40, RGB(0, 0, 0)));
    Run([](SkinTestDialog& d, HWND shadow) {
        MoveDialog(d, shadow, 0, 0);
        ExpectCorner(shadow, 1, 0, 542, 251);
        MoveDialog(d, shadow, 0, 12);
        ExpectCorner(shadow, 0, 12, 60, 40);
    });
}

TEST_F(ShadowWindow, WithoutA32BitImageItNeverMoves) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 60;
    info.bmiHeader.biHeight = 40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    for (HBITMAP image : {static_cast<HBITMAP>(nullptr),
                          CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)}) {
        SCOPED_TRACE(image ? "24-bit image" : "no image");
        SetShadowImage(image);
        Run([](SkinTestDialog& d, HWND shadow) {
            MoveDialog(d, shadow, 250, 150);
            ExpectCorner(shadow, 1, 0, 542, 251);
        });
        DestroyWindow(shadow_);
        shadow_ = nullptr;
        ReleaseShadowState();
    }
}

TEST_F(ShadowWindow, FollowsOnlyTheDialogWithItsTitle) {
    SetShadowImage(SolidDIB(60, 40, RGB(0, 0, 0)));
    Run([](SkinTestDialog& d, HWND shadow) {
        SetWindowTextW(d.hwnd(), L"Some other dialog");
        MoveDialog(d, shadow, 250, 150);
        ExpectCorner(shadow, 1, 0, 542, 251);
        SetWindowTextW(d.hwnd(), kFollowedTitle);
        Repaint(shadow);
        ExpectCorner(shadow, 250, 150, 60, 40);
    });
}

TEST_F(ShadowWindow, IsNeverActivatedAndLetsClicksThrough) {
    SetShadowImage(SolidDIB(300, 150, RGB(0, 0, 0)));
    Run([](SkinTestDialog& d, HWND shadow) {
        SetWindowPos(d.hwnd(), HWND_TOPMOST, 200, 200, 400, 200, SWP_SHOWWINDOW);
        SetForegroundWindow(d.hwnd());
        Repaint(shadow);
        ShowWindow(shadow, SW_SHOW);
        PumpMessages(50);
        EXPECT_TRUE(IsWindowVisible(shadow));
        EXPECT_NE(shadow, GetForegroundWindow());
        EXPECT_NE(shadow, GetActiveWindow());

        // The shadow lies over the dialog's corner, yet the point belongs to the dialog below.
        POINT inside = {200 + 250, 200 + 100};
        HWND hit = WindowFromPoint(inside);
        EXPECT_TRUE(hit == d.hwnd() || GetParent(hit) == d.hwnd()) << "hit " << hit;

        SendMessageW(shadow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PumpMessages(30);
        EXPECT_NE(shadow, GetActiveWindow());
        ShowWindow(shadow, SW_HIDE);
    });
}

TEST(ShadowState, OwnsAndReleasesTheImage) {
    HBITMAP first = SolidDIB(4, 4, RGB(0, 0, 0));
    HBITMAP second = SolidDIB(4, 4, RGB(0, 0, 0));
    SetShadowImage(first);
    EXPECT_EQ(first, GetShadowImage());
    SetShadowImage(second);
    EXPECT_EQ(0u, GetObjectType(first)) << "the previous image is deleted";
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), GetObjectType(second));
    ReleaseShadowState();
    EXPECT_EQ(nullptr, GetShadowImage());
    EXPECT_EQ(0u, GetObjectType(second));
}

}  // namespace
