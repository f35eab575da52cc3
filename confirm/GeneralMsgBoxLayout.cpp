// The confirmation dialog's look: fonts, skin layout, region, and off-screen painting.
#include "GeneralMsgBox.h"

#include "ConfirmationRules.h"
#include "resource.h"

#include "common/Dpi.h"
#include "common/LanguageBinding.h"
#include "common/ModulePath.h"
#include "common/TextInBox.h"
#include "common/UnpaintedText.h"
#include "common/WideText.h"
#include "common/skin/BandedPaint.h"
#include "common/skin/HighContrast.h"
#include "common/skin/ScaledArtwork.h"
#include "common/skin/ShadowWindow.h"


#include <string>

namespace {

COLORREF const kTitleColour = RGB(112, 226, 255);
COLORREF const kTextColour = RGB(210, 210, 210);
COLORREF const kWhite = RGB(255, 255, 255);

ConfirmationLayoutRow const kLayoutRows[] = {
    {23, 20, 200, 70, IDC_CONFIRM_TITLE, 0, kTitleColour},
    {200, 68, 300, 70, IDC_MESSAGE, 0, kTextColour},
    {224, 153, 300, 140, IDC_DONT_SHOW_LABEL, 0, kTextColour},
    {16, 36, 60, 70, IDC_BLANK_1, 0, kWhite},
    {81, 36, 60, 70, IDC_BLANK_2, 0, kWhite},
    {146, 36, 60, 70, IDC_BLANK_3, 0, kWhite},
    {211, 36, 60, 70, IDC_BLANK_4, 0, kWhite},
    {276, 36, 60, 70, IDC_BLANK_5, 0, kWhite},
    {341, 36, 63, 70, IDC_BLANK_6, 0, kWhite},
    {20, 166, 300, 70, IDC_BLANK_7, 0, kWhite},
    {20, 302, 300, 70, IDC_BLANK_8, 0, kWhite},
    {0, 0, 542, 251, 0, 1, kWhite},  // the background
};
size_t const kControlRows = ARRAYSIZE(kLayoutRows) - 1;
ConfirmationLayoutRow const& kBackgroundRow = kLayoutRows[kControlRows];

ConfirmationButtonRow const kButtonRows[] = {
    {279, 198, 119, 30, IDC_CONFIRM_OK, L"button_n.png", L"button_d.png", L"button_o.png", L"button_g.png", 0},
    {400, 198, 119, 30, IDC_CONFIRM_CANCEL, L"button_n.png", L"button_d.png", L"button_o.png", L"button_g.png", 0},
};

char const kDontShowAgain[] = "Do not show next time";
wchar_t const kBrandTitle[] = L"Korvane Dormello";

}  // namespace

void CGeneralMsgBox::CreateConfirmationFonts() {
    LOGFONTW logFont = {};
    lstrcpynW(logFont.lfFaceName, L"Verdana", LF_FACESIZE);
    logFont.lfHeight = -ScaleToDpi(12, dpi_);
    logFont.lfCharSet = LanguageCharSet(languageName_);
    TitleFont.reset(new fw::Font);
    TitleFont->CreateFontIndirect(logFont);
    TextFont.reset(new fw::Font);
    TextFont->CreateFontIndirect(logFont);
}

void CGeneralMsgBox::CenterOnScreen(UINT flags) {
    SIZE size = background_ ? background_->GetSize()
                            : SIZE{ScaleToDpi(kBackgroundRow.width, dpi_), ScaleToDpi(kBackgroundRow.height, dpi_)};
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - size.cx / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - size.cy / 2;
    RECT now = {};
    bool const onlyMove = (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) == 0;
    if (onlyMove && GetWindowRect(hwnd_, &now) && now.left == x && now.top == y && now.right - now.left == size.cx &&
        now.bottom - now.top == size.cy)
        return;  // already there: moving a top-level window costs many round trips under Wine
    SetWindowPos(hwnd_, nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | flags);
}

// Cancel's left edge where the centred dialog puts it: at 96 DPI half the screen plus 129
// (400 - 542 / 2).
bool CGeneralMsgBox::CancelIsWhereExpected() const {
    RECT cancel = {};
    GetWindowRect(GetDlgItem(IDC_CONFIRM_CANCEL), &cancel);
    int width = background_ ? background_->GetSize().cx : ScaleToDpi(kBackgroundRow.width, dpi_);
    return cancel.left == GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2 + ScaleToDpi(kButtonRows[1].x, dpi_);
}

void CGeneralMsgBox::LayoutConfirmationDialog() {
    LayOutAtDpi();
    CenterOnScreen(SWP_HIDEWINDOW);
}

// Everything at dpi_: background, region, controls, captions and skins; the window's own place
// and size are the caller's.
void CGeneralMsgBox::LayOutAtDpi() {
    if (!gdiplus_)
        gdiplus_.reset(new GdiplusSession);
    HINSTANCE instance = GetModuleHandleW(nullptr);

    SIZE const atDefault = {kBackgroundRow.width, kBackgroundRow.height};
    background_.reset(new CContourBitmap(
        LoadBackgroundForDpi(instance, IDB_CONFIRM_BACKGROUND, IDR_CONFIRM_BACKGROUND_PNG, atDefault, dpi_)));
    if (regionApplied_)
        SetWindowRgn(hwnd_, nullptr, TRUE);
    regionApplied_ = false;
    // Cut from the background's own pixels: a 32-bit copy to read them from would hold the same.
    if (HRGN region = CreateContourRegion(*background_, 0, 0)) {
        regionApplied_ = SetWindowRgn(hwnd_, region, TRUE) != 0;
        if (!regionApplied_)
            DeleteObject(region);  // a region the window refused is still ours
    }

    for (size_t i = 0; i < kControlRows; ++i) {
        const ConfirmationLayoutRow& row = kLayoutRows[i];
        MoveToScaledBox(GetDlgItem(row.controlId), row.x, row.y, row.width, row.height, dpi_);
    }
    NameControls();
    SetWindowTextW(GetDlgItem(IDC_CONFIRM_OK), std::wstring(TranslateTextW(L"OK")).c_str());
    SetWindowTextW(GetDlgItem(IDC_CONFIRM_CANCEL), std::wstring(TranslateTextW(L"Cancel")).c_str());

    // Without a skin folder the buttons still go to their places, plain: at the template's
    // places (which follow the font) they could fall outside the window's shape.
    wchar_t images[MAX_PATH];
    bool skinned = FindSkinFolder(L"Images\\", images);
    CxSkinButton* buttons[] = {okButton_.get(), cancelButton_.get()};
    for (size_t i = 0; i < ARRAYSIZE(kButtonRows); ++i) {
        CxSkinButton& button = *buttons[i];
        // The buttons cut their backdrops from the background itself: the same pixels as a
        // second copy of the resource, without loading and converting it twice.
        ApplySkinRow(button, kButtonRows[i], skinned ? images : nullptr, *background_, dpi_);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont->GetSafeHandle()), TRUE);
        button.textColour = kWhite;
    }
    if (skinned)
        LoadShadowImageFrom(images, dpi_);
}

// The dialog moved to a monitor of another DPI (or that monitor's scale changed): fonts,
// background, region, controls and shadow are made again at the DPI the message carries (the
// window's own DPI may not have changed yet), in the rectangle Windows suggests.
void CGeneralMsgBox::OnDpiChanged(UINT dpi, const RECT& suggested) {
    if (dpi == 0)
        return;
    dpi_ = dpi;
    CreateConfirmationFonts();
    LayOutAtDpi();
    MoveCheckBox();
    MoveDialogWithShadow(hwnd_, shadowWindow_, suggested);
}

// The dialog paints every text itself; each control carries the same words as its name for
// screen readers, and draws none of them.
void CGeneralMsgBox::NameControls() {
    SetUnpaintedText(GetDlgItem(IDC_CONFIRM_TITLE), kBrandTitle);
    SetUnpaintedText(GetDlgItem(IDC_MESSAGE), WideFromAnsi(TranslateText(message_)).c_str());
    std::wstring const dontShow = WideFromAnsi(TranslateText(kDontShowAgain));
    SetUnpaintedText(GetDlgItem(IDC_DONT_SHOW_LABEL), dontShow.c_str());
    dontShowBox_.SetName(dontShow.c_str());
}

void CGeneralMsgBox::OnPaint() {
    if (IsIconic(hwnd_)) {
        Default();  // the standard minimised-dialog icon
        return;
    }
    fw::PaintDC paint(hwnd_);
    if (!background_)
        return;
    PaintInBands(paint, background_->GetSize(), paint.Info().rcPaint,
                 [this](HDC buffer, const RECT& band) { PaintContent(buffer, band); });
}

void CGeneralMsgBox::PaintContent(HDC dc, const RECT& band) {
    if (kBackgroundRow.drawFlag == 1)
        PaintDialogBody(dc, *background_, kBackgroundRow.x, kBackgroundRow.y, systemColours_);
    for (size_t i = 0; i < kControlRows; ++i) {
        const ConfirmationLayoutRow& row = kLayoutRows[i];
        SetTextColor(dc, BodyTextColour(row.textColour, systemColours_));
        switch (row.controlId) {
        case IDC_MESSAGE:
            DrawRowText(dc, band, row, TextFont ? TextFont->GetSafeHandle() : nullptr,
                        WideFromAnsi(TranslateText(message_)));
            break;
        case IDC_DONT_SHOW_LABEL:
            if (informOnly_)
                break;
            DrawRowText(dc, band, row, TextFont ? TextFont->GetSafeHandle() : nullptr,
                        WideFromAnsi(TranslateText(kDontShowAgain)));
            break;
        case IDC_CONFIRM_TITLE:
            DrawRowText(dc, band, row, TitleFont ? TitleFont->GetSafeHandle() : nullptr, kBrandTitle);
            break;
        }
    }
}

void CGeneralMsgBox::DrawRowText(HDC dc, const RECT& band, const ConfirmationLayoutRow& row, HFONT font,
                                 const std::wstring& text) {
    if (!font)
        return;
    RECT box = {};
    HWND control = GetDlgItem(row.controlId);
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    if (row.controlId == IDC_CONFIRM_TITLE && IsJapanese())
        OffsetRect(&box, 0, ScaleToDpi(3, dpi_));  // Japanese glyphs sit higher in the title's box
    // The text stays inside its box; a focus cue follows the text as laid out and may not.
    bool const cue = row.controlId == dontShowBox_.LabelId() && dontShowBox_.ShowsFocusCue();
    RECT common = {};
    if (!cue && !IntersectRect(&common, &box, &band))
        return;
    fw::SelectGuard selectFont(dc, font);
    DrawTextInBox(dc, text, box, DT_WORDBREAK | DT_VCENTER, cue, dpi_);
}
