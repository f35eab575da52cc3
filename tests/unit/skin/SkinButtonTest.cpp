// Skinned buttons in a real dialog: faces read back from the pixels they draw, mouse behaviour
// driven by real messages, and the caption font and colour.
#include "../language/TestPaths.h"
#include "PngFile.h"
#include "SkinTestDialog.h"
#include "SkinTestSupport.h"

#include "common/LanguageBinding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

COLORREF const kNormal = RGB(200, 0, 0);
COLORREF const kDown = RGB(0, 160, 0);
COLORREF const kOver = RGB(0, 0, 200);
COLORREF const kDisabled = RGB(200, 200, 0);
COLORREF const kBackdrop = RGB(34, 34, 34);
COLORREF const kMarked = RGB(90, 60, 30);
int const kWidth = 119;
int const kHeight = 30;

Rgba ToRgba(COLORREF colour) {
    return Rgba{GetRValue(colour), GetGValue(colour), GetBValue(colour), 255};
}

// A face of one colour whose ten left columns are fully transparent.
std::string FacePng(COLORREF colour, int height = kHeight) {
    std::vector<Rgba> pixels(static_cast<size_t>(kWidth) * height, ToRgba(colour));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 10; ++x)
            pixels[static_cast<size_t>(y) * kWidth + x] = Rgba{0, 0, 0, 0};
    return EncodePng(kWidth, height, pixels);
}

class SkinButtons : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = scratch.MakeFolder("Images") + "\\";
        scratch.WriteFile("Images\\n.png", FacePng(kNormal));
        scratch.WriteFile("Images\\d.png", FacePng(kDown));
        scratch.WriteFile("Images\\o.png", FacePng(kOver));
        scratch.WriteFile("Images\\un.png", FacePng(kDisabled));
        backdrop_.Attach(SolidDIB(300, 100, kBackdrop));
        PutPixel(backdrop_, 13, 47, kMarked);  // lands on (3, 27) of a button cut at (10, 20)
    }
    void TearDown() override { UnloadLanguageLibrary(); }

    std::wstring Folder() const { return std::wstring(folder_.begin(), folder_.end()); }

    // Places button at (x, y) of the dialog and skins it from the test images.
    void Skin(CxSkinButton& button, const wchar_t* disabled = L"un.png", int height = kHeight) {
        MoveWindow(button, 10, 20, kWidth, height, TRUE);
        button.SetSkin(L"n.png", L"d.png", L"o.png", disabled, Folder().c_str(), 0);
        button.SetBackground(backdrop_, 10, 20, kWidth, height);
    }

    // Asks the dialog to draw button with itemState into a fresh bitmap, as WM_DRAWITEM does.
    HBITMAP Draw(SkinTestDialog& dialog, CxSkinButton& button, UINT itemState, int height = kHeight) {
        HBITMAP target = SolidDIB(kWidth, height, RGB(1, 2, 3));
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(memory, target);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(button));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = itemState;
        item.hwndItem = button;
        item.hDC = memory;
        item.rcItem = RECT{0, 0, kWidth, height};
        SendMessageW(dialog.hwnd(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        SelectObject(memory, previous);
        DeleteDC(memory);
        return target;
    }

    COLORREF FaceColour(SkinTestDialog& dialog, CxSkinButton& button, UINT itemState) {
        fw::Bitmap face(Draw(dialog, button, itemState));
        return PixelOf(face, 60, kHeight - 2);  // below any caption
    }

    // Puts the real pointer over the middle of window (or elsewhere) and tells it so.
    static void PointAt(HWND window, bool inside) {
        RECT rect;
        GetWindowRect(window, &rect);
        if (inside)
            SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        else
            SetCursorPos(rect.right + 200, rect.bottom + 200);
        PumpMessages(30);
    }

    static void ShowAt(SkinTestDialog& dialog) {
        SetWindowPos(dialog.hwnd(), HWND_TOPMOST, 100, 100, 400, 200, SWP_SHOWWINDOW);
        PumpMessages(50);
    }

    ScratchFolder scratch;
    GdiplusSession gdiplus;
    fw::Bitmap backdrop_;
    std::string folder_;
};

COLORREF const kButtonFace = GetSysColor(COLOR_BTNFACE);

TEST_F(SkinButtons, FaceFollowsTheItemState) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        struct Case {
            const char* name;
            UINT state;
            COLORREF face;
        } const cases[] = {
            {"normal", 0, kNormal},
            {"pushed", ODS_SELECTED, kDown},
            {"pushed with focus", ODS_SELECTED | ODS_FOCUS, kDown},
            {"focused looks hovered", ODS_FOCUS, kOver},
            {"disabled", ODS_DISABLED, kDisabled},
            {"disabled wins over pushed", ODS_DISABLED | ODS_SELECTED, kDisabled},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            COLORREF face = FaceColour(d, d.ok, c.state);
            EXPECT_EQ(c.face, face) << Describe(face);
        }
    });
}

TEST_F(SkinButtons, ImageIsBlendedOverTheBackgroundPiece) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        fw::Bitmap face(Draw(d, d.ok, 0));
        EXPECT_EQ(kMarked, PixelOf(face, 3, 27)) << "transparent part shows the piece under the button";
        EXPECT_EQ(kBackdrop, PixelOf(face, 5, 5));
        EXPECT_EQ(kNormal, PixelOf(face, 12, 27));

        // Without a background piece the image is first copied opaque: the clear part is black.
        CxSkinButton& bare = d.confirmCancel;
        MoveWindow(bare, 10, 20, kWidth, kHeight, TRUE);
        bare.SetSkin(L"n.png", L"d.png", L"o.png", L"un.png", Folder().c_str(), 0);
        fw::Bitmap plain(Draw(d, bare, 0));
        EXPECT_EQ(RGB(0, 0, 0), PixelOf(plain, 3, 27));
        EXPECT_EQ(kNormal, PixelOf(plain, 12, 27));
    });
}

TEST_F(SkinButtons, MissingImagesFallBack) {
    scratch.MakeFolder("Partial");
    scratch.CopyIn(scratch.Path() + "\\Images\\o.png", "Partial\\o.png");
    scratch.CopyIn(scratch.Path() + "\\Images\\n.png", "Partial\\n.png");
    std::string partial = scratch.Path() + "\\Partial\\";
    std::wstring partialW(partial.begin(), partial.end());
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        // No disabled file: the normal file is loaded again as the disabled face.
        Skin(d.ok, L"absent.png");
        ASSERT_NE(nullptr, d.ok.DisabledImage());
        EXPECT_NE(d.ok.NormalImage(), d.ok.DisabledImage()) << "a second load, not a shared handle";
        EXPECT_EQ(kNormal, FaceColour(d, d.ok, ODS_DISABLED));

        // No down image: the pushed face is the flat button colour.
        d.redefine.SetSkin(L"n.png", L"absent.png", L"o.png", L"un.png", partialW.c_str(), 0);
        MoveWindow(d.redefine, 10, 20, kWidth, kHeight, TRUE);
        EXPECT_EQ(kButtonFace, FaceColour(d, d.redefine, ODS_SELECTED));
        EXPECT_EQ(kNormal, FaceColour(d, d.redefine, 0));

        // No normal image: every enabled face that is not pushed is flat, even with an over image.
        d.confirmOk.SetSkin(L"absent.png", L"absent.png", L"o.png", L"absent.png", partialW.c_str(), 0);
        MoveWindow(d.confirmOk, 10, 20, kWidth, kHeight, TRUE);
        EXPECT_EQ(nullptr, d.confirmOk.DisabledImage());
        for (UINT state : {0u, static_cast<UINT>(ODS_FOCUS), static_cast<UINT>(ODS_SELECTED),
                           static_cast<UINT>(ODS_DISABLED)}) {
            SCOPED_TRACE(state);
            EXPECT_EQ(kButtonFace, FaceColour(d, d.confirmOk, state));
        }

        // A folder that does not exist: no images at all.
        d.confirmCancel.SetSkin(L"n.png", L"d.png", L"o.png", L"un.png", L"Z:\\no\\such\\folder\\", 0);
        EXPECT_EQ(nullptr, d.confirmCancel.NormalImage());
        EXPECT_EQ(kButtonFace, FaceColour(d, d.confirmCancel, 0));
    });
}

// A face is decoded when it is first drawn, not by SetSkin: a file replaced in between is the
// one shown, and one that is never drawn is never read.
TEST_F(SkinButtons, FacesAreDecodedWhenFirstDrawn) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        EXPECT_EQ(kNormal, FaceColour(d, d.ok, 0));
        scratch.WriteFile("Images\\d.png", FacePng(kDisabled));
        EXPECT_EQ(kDisabled, FaceColour(d, d.ok, ODS_SELECTED));
        EXPECT_EQ(kNormal, FaceColour(d, d.ok, 0)) << "a face once decoded stays";
    });
}

TEST_F(SkinButtons, HoverShowsTheOverFaceUntilThePointerLeaves) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        ShowAt(d);
        Skin(d.ok);
        PointAt(d.ok, true);
        SendMessageW(d.ok, WM_MOUSEMOVE, 0, MAKELPARAM(60, 15));
        EXPECT_TRUE(d.ok.IsMouseOver());
        EXPECT_EQ(kOver, FaceColour(d, d.ok, 0));

        PointAt(d.ok, false);
        for (int i = 0; i < 40 && d.ok.IsMouseOver(); ++i)
            PumpMessages(25);
        EXPECT_FALSE(d.ok.IsMouseOver()) << "WM_MOUSELEAVE clears the hover";
        EXPECT_EQ(kNormal, FaceColour(d, d.ok, 0));

        // A press ends the hover look.
        PointAt(d.ok, true);
        SendMessageW(d.ok, WM_MOUSEMOVE, 0, MAKELPARAM(60, 15));
        ASSERT_TRUE(d.ok.IsMouseOver());
        SendMessageW(d.ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 15));
        EXPECT_FALSE(d.ok.IsMouseOver());
        EXPECT_TRUE(d.ok.IsButtonHeld());
        SendMessageW(d.ok, WM_LBUTTONUP, 0, MAKELPARAM(60, 15));
        EXPECT_FALSE(d.ok.IsButtonHeld());
        PointAt(d.ok, false);
    });
}

TEST_F(SkinButtons, DraggingOffAndBackTogglesThePushedState) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        ShowAt(d);
        Skin(d.ok);
        auto pushed = [&] { return (SendMessageW(d.ok, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; };
        POINT const inside = {60, 15};
        POINT const outside = {60, 80};  // below the button, still over the dialog
        // The real pointer goes where the message says: the button also checks it when drawing.
        auto move = [&](POINT point, UINT message, WPARAM keys) {
            POINT screen = point;
            ClientToScreen(d.ok, &screen);
            SetCursorPos(screen.x, screen.y);
            SendMessageW(d.ok, message, keys, MAKELPARAM(point.x, point.y));
        };

        move(inside, WM_LBUTTONDOWN, MK_LBUTTON);
        EXPECT_EQ(static_cast<HWND>(d.ok), GetCapture());
        EXPECT_TRUE(pushed());
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            move(outside, WM_MOUSEMOVE, MK_LBUTTON);
            EXPECT_FALSE(pushed());
            move(inside, WM_MOUSEMOVE, MK_LBUTTON);
            EXPECT_TRUE(pushed());
        }
        move(outside, WM_MOUSEMOVE, MK_LBUTTON);
        move(outside, WM_LBUTTONUP, 0);
        EXPECT_EQ(0, d.clicks) << "released outside: no click";
        EXPECT_NE(static_cast<HWND>(d.ok), GetCapture());

        move(inside, WM_LBUTTONDOWN, MK_LBUTTON);
        move(inside, WM_LBUTTONUP, 0);
        EXPECT_EQ(1, d.clicks);
        SetCursorPos(5, 5);
    });
}

TEST_F(SkinButtons, DoubleClickIsTwoClicks) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        ShowAt(d);
        Skin(d.ok);
        LPARAM const inside = MAKELPARAM(60, 15);
        SendMessageW(d.ok, WM_LBUTTONDOWN, MK_LBUTTON, inside);
        SendMessageW(d.ok, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(0, SendMessageW(d.ok, WM_LBUTTONDBLCLK, MK_LBUTTON, inside));
        EXPECT_TRUE(d.ok.IsButtonHeld()) << "the double click acts as a press";
        SendMessageW(d.ok, WM_LBUTTONUP, 0, inside);
        EXPECT_EQ(2, d.clicks);
        EXPECT_EQ(0, d.doubleClicks);
    });
}

TEST_F(SkinButtons, LosingFocusWhileHeldReleasesTheCapture) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        ShowAt(d);
        Skin(d.ok);
        SendMessageW(d.ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 15));
        ASSERT_EQ(static_cast<HWND>(d.ok), GetCapture());
        SetFocus(d.redefine);
        EXPECT_NE(static_cast<HWND>(d.ok), GetCapture());
        EXPECT_FALSE(d.ok.IsButtonHeld());
    });
}

TEST_F(SkinButtons, MessagesAnsweredByTheButton) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        EXPECT_TRUE(GetWindowLongW(d.ok, GWL_STYLE) & BS_OWNERDRAW);
        EXPECT_EQ(0, SendMessageW(d.ok, BM_SETCHECK, BST_CHECKED, 0));
        EXPECT_EQ(BST_UNCHECKED, SendMessageW(d.ok, BM_GETCHECK, 0, 0));
        EXPECT_EQ(TRUE, SendMessageW(d.ok, WM_ERASEBKGND, 0, 0));
        EXPECT_EQ(0, SendMessageW(d.ok, WM_USER + 256, 1, 2));
        EXPECT_EQ(0, SendMessageW(d.ok, WM_MOUSELEAVE, 0, 0));
        EXPECT_EQ(0, d.ok.Kind());
    });
    CxSkinButton unskinned(AgentSkinButtons);
    EXPECT_EQ(-1, unskinned.Kind());
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), unskinned.textColour);
}

TEST_F(SkinButtons, CaptionFontFollowsTheLanguageName) {
    struct Case {
        const char* language;  // null: no binding loaded
        BYTE charSet;
    } const cases[] = {
        {nullptr, DEFAULT_CHARSET},   {"Japanese", SHIFTJIS_CHARSET}, {"JAPANESE", SHIFTJIS_CHARSET},
        {"japanese", SHIFTJIS_CHARSET}, {"German", DEFAULT_CHARSET},  {"Chinese", DEFAULT_CHARSET},
    };
    std::string echo = WindowsPath(ECHO_LIBRARY);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language ? c.language : "none");
        if (c.language) {
            std::string folder = scratch.MakeFolder(c.language);
            ASSERT_EQ(0, LoadLanguageLibraryFrom(Wide(echo).c_str(), Wide(folder).c_str(), LanguageProgram::Agent));
        }
        SkinTestDialog dialog;
        dialog.Run([&](SkinTestDialog& d) {
            Skin(d.ok);
            LOGFONTW font = {};
            ASSERT_NE(nullptr, d.ok.CaptionFont());
            GetObjectW(d.ok.CaptionFont(), sizeof(font), &font);
            EXPECT_EQ(c.charSet, font.lfCharSet);
            EXPECT_EQ(-12, font.lfHeight);
            EXPECT_STREQ(L"Arial", font.lfFaceName);
        });
        UnloadLanguageLibrary();
    }
}

TEST_F(SkinButtons, ButtonsWithoutAProfileUseTheProgramsSelection) {
    CxSkinButton button;
    SelectSkinButtonProfile(ConfirmationSkinButtons);
    button.SetSkin(L"n.png", L"d.png", L"o.png", L"un.png", Folder().c_str(), 0);
    EXPECT_EQ(RGB(255, 255, 255), button.textColour);
    SelectSkinButtonProfile(AgentSkinButtons);
    button.SetSkin(L"n.png", L"d.png", L"o.png", L"un.png", Folder().c_str(), 0);
    EXPECT_EQ(RGB(0, 0, 0), button.textColour);
}

// The first row of face holding a caption pixel (the white text has blue; the faces drawn have none).
int FirstCaptionRow(HBITMAP face, int height) {
    for (int y = 0; y < height; ++y)
        for (int x = 12; x < kWidth - 2; ++x)
            if (GetBValue(PixelOf(face, x, y)) > 100)
                return y;
    return -1;
}

TEST_F(SkinButtons, CaptionColourAndOffsetPerProgram) {
    scratch.WriteFile("Images\\sn.png", FacePng(kNormal, 24));
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        EXPECT_EQ(RGB(0, 0, 0), d.ok.textColour) << "agent buttons start black";
        Skin(d.confirmOk);
        EXPECT_EQ(RGB(255, 255, 255), d.confirmOk.textColour) << "confirmation buttons are white";
        MoveWindow(d.redefine, 10, 20, kWidth, 24, TRUE);
        d.redefine.SetSkin(L"sn.png", L"sn.png", L"sn.png", L"sn.png", Folder().c_str(), 0);

        for (CxSkinButton* button : {&d.ok, &d.redefine, &d.confirmOk}) {
            SetWindowTextW(*button, L"Hybrid");
            button->textColour = RGB(255, 255, 255);
        }
        int const height24 = 24;
        fw::Bitmap ok(Draw(d, d.ok, 0));
        fw::Bitmap okPushed(Draw(d, d.ok, ODS_SELECTED));
        fw::Bitmap small(Draw(d, d.redefine, 0, height24));
        fw::Bitmap confirm(Draw(d, d.confirmOk, 0));
        int okRow = FirstCaptionRow(ok, kHeight);
        ASSERT_GE(okRow, 6) << "caption starts 6 pixels down";
        EXPECT_EQ(okRow + 1, FirstCaptionRow(okPushed, kHeight)) << "pushed caption moves down 1";
        EXPECT_EQ(okRow - 3, FirstCaptionRow(small, height24)) << "1002 starts 3 pixels down";
        EXPECT_EQ(okRow, FirstCaptionRow(confirm, kHeight)) << "1030 starts 6 pixels down";

        // The caption is not drawn without text colour pixels: an empty caption leaves the face clean.
        SetWindowTextW(d.ok, L"");
        fw::Bitmap empty(Draw(d, d.ok, 0));
        EXPECT_EQ(-1, FirstCaptionRow(empty, kHeight));
    });
}

}  // namespace

namespace {

// Pixels of row y of a drawn face, right of the faces' clear left part, that are not colour.
int OffColourInRow(HBITMAP face, int y, COLORREF colour) {
    int count = 0;
    for (int x = 12; x < kWidth - 3; ++x)
        count += PixelOf(face, x, y) == colour ? 0 : 1;
    return count;
}

}  // namespace

// A focused button shows a focus rectangle (3 pixels in) once its dialog shows focus cues, and
// only then; its face stays the focus face either way.
TEST_F(SkinButtons, FocusRectangleOnlyWhileTheDialogShowsCues) {
    SkinTestDialog dialog;
    dialog.Run([&](SkinTestDialog& d) {
        Skin(d.ok);
        struct Case {
            const char* name;
            bool cues;
            UINT state;
            bool rectangle;
        } const cases[] = {
            {"focused, cues hidden", false, ODS_FOCUS, false},
            {"focused, cues shown", true, ODS_FOCUS, true},
            {"not focused, cues shown", true, 0, false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            if (c.cues)
                d.cues.Show(d.hwnd());
            else
                d.cues.Hide(d.hwnd());
            fw::Bitmap face(Draw(d, d.ok, c.state));
            COLORREF const faceColour = c.state & ODS_FOCUS ? kOver : kNormal;
            EXPECT_EQ(c.rectangle, OffColourInRow(face, 3, faceColour) > 20) << "top edge of the rectangle";
            EXPECT_EQ(0, OffColourInRow(face, 28, faceColour)) << "below the rectangle";
        }
    });
}
