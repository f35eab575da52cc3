// The settings window's look: language, fonts, skin layout, painting, cursors and dragging.
#include "HybridS3Dlg.h"
#include "HybridSetting.h"

#include "KeyNames.h"
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
#include "common/skin/SkinImageCache.h"


#include <string>

namespace {

COLORREF const kTitleColour = RGB(112, 226, 255);
COLORREF const kTextColour = RGB(210, 210, 210);
SIZE const kWindowSize = {542, 251};  // the background's, at 96 DPI

// Where each painted text goes (client pixels), in painting order.
struct TextRow {
    int x, y, width, height;
    int controlId;
    COLORREF colour;
};
TextRow const TextRowTable[] = {
    {23, 20, 200, 70, IDC_TITLE, kTitleColour},
    {224, 58, 300, 70, IDC_LABEL_ENABLE, kTextColour},
    {224, 91, 300, 70, IDC_LABEL_TRAY, kTextColour},
    {224, 124, 300, 70, IDC_LABEL_HEADING, kTextColour},
    {200, 68, 300, 70, IDC_REDEFINE_TEXT, kTextColour},
    {280, 140, 90, 22, IDC_KEY1_NAME, kTitleColour},
    {370, 140, 30, 22, IDC_KEY_PLUS, kTitleColour},
    {400, 140, 90, 22, IDC_KEY2_NAME, kTitleColour},
    {23, 190, 250, 44, IDC_POWER_NOTE, kTextColour},
};

SkinButtonRow const ButtonRowTable[] = {
    {279, 198, 119, 30, IDC_OK, L"button_n.png", L"button_d.png", L"button_o.png", L"button_un.png", 0},
    {400, 198, 119, 30, IDC_CANCEL, L"button_n.png", L"button_d.png", L"button_o.png", L"button_un.png", 0},
    {224, 145, 119, 24, IDC_REDEFINE, L"small_button_n.png", L"small_button_d.png", L"small_button_o.png",
     L"small_button_un.png", 0},
};

char const kEnableLabel[] = "Enable the Korvane Dormello hotkey";
char const kTrayLabel[] = "Show the utility icon on the toolbar";
char const kHeading[] = "Set up the Korvane Dormello hotkey";
char const kRedefineText[] = "Press the combination keys to quickly access the Hybrid Sleep mode.";
wchar_t const kBrandTitle[] = L"Korvane Dormello";

// The translation key of a label painted in one mode; null for the other rows.
const char* LabelKey(int controlId) {
    switch (controlId) {
    case IDC_LABEL_ENABLE:
        return kEnableLabel;
    case IDC_LABEL_TRAY:
        return kTrayLabel;
    case IDC_LABEL_HEADING:
        return kHeading;
    case IDC_REDEFINE_TEXT:
        return kRedefineText;
    default:
        return nullptr;
    }
}

std::wstring TranslatedLabel(int controlId) {
    return WideFromAnsi(TranslateText(LabelKey(controlId)));
}

// The controls of each mode: shown in it, hidden windows in the other.
int const kSettingsModeLabels[] = {IDC_LABEL_ENABLE, IDC_LABEL_TRAY, IDC_LABEL_HEADING};
int const kRedefineModeLabels[] = {IDC_REDEFINE_TEXT, IDC_KEY1_NAME, IDC_KEY_PLUS, IDC_KEY2_NAME};

// What the hotkey does on a PC that will not hybrid-sleep; nothing is said on one that will, nor
// where that cannot be told (the question then says only that the PC will sleep).
const char* PowerNoteFor(SleepKind kind) {
    switch (kind) {
    case SleepKind::Sleep:
        return "On this PC the hotkey starts sleep, not hybrid sleep: hibernation is off.";
    case SleepKind::HybridOff:
        return "The hotkey starts sleep: hybrid sleep is off in the power plan, and switching it on failed.";
    case SleepKind::PolicyOff:
        return "The hotkey starts sleep: a policy of your organisation turns hybrid sleep off.";
    case SleepKind::Hibernate:
        return "On this PC the hotkey starts hibernation: it has no hybrid sleep.";
    case SleepKind::None:
        return "This PC offers no sleep that the hotkey can start.";
    default:
        return nullptr;
    }
}

UINT const kLeftWrap = DT_LEFT | DT_VCENTER | DT_WORDBREAK;
UINT const kRightWrap = DT_RIGHT | DT_VCENTER | DT_WORDBREAK;
UINT const kCentreWrap = DT_CENTER | DT_VCENTER | DT_WORDBREAK;

}  // namespace

void CHybridS3Dlg::SetUpLanguage() {
    wchar_t folder[MAX_PATH];
    FindLanguageFolder(LanguageProgram::Agent, folder);
    LoadLanguageLibrary(folder, LanguageProgram::Agent);
    GetLanguageName(languageName_);
}

void CHybridS3Dlg::UnloadLanguage() {
    UnloadLanguageLibrary();
}

void CHybridS3Dlg::CreateWindowFonts() {
    LOGFONTW logFont = {};
    lstrcpynW(logFont.lfFaceName, L"Verdana", LF_FACESIZE);
    logFont.lfCharSet = LanguageCharSet(languageName_);
    logFont.lfHeight = -ScaleToDpi(13, dpi_);
    titleFont_.reset(new fw::Font);
    titleFont_->CreateFontIndirect(logFont);
    logFont.lfHeight = -ScaleToDpi(12, dpi_);
    textFont_.reset(new fw::Font);
    textFont_->CreateFontIndirect(logFont);
}

SIZE CHybridS3Dlg::WindowSize() const {
    return SIZE{ScaleToDpi(kWindowSize.cx, dpi_), ScaleToDpi(kWindowSize.cy, dpi_)};
}

void CHybridS3Dlg::LayoutSettingsWindow() {
    PlaceControls();
    SIZE size = WindowSize();
    SetWindowPos(hwnd_, HWND_TOP, GetSystemMetrics(SM_CXSCREEN) / 2 - size.cx / 2,
                 GetSystemMetrics(SM_CYSCREEN) / 2 - size.cy / 2, size.cx, size.cy, SWP_HIDEWINDOW);
}

// The controls' places, captions and names at dpi_; the window's own place and size are the
// caller's. Nothing here is a picture: this is all the hidden window keeps.
void CHybridS3Dlg::PlaceControls() {
    for (const TextRow& row : TextRowTable)
        MoveToScaledBox(GetDlgItem(row.controlId), row.x, row.y, row.width, row.height, dpi_);
    for (const SkinButtonRow& row : ButtonRowTable)
        MoveToScaledBox(GetDlgItem(row.controlId), row.x, row.y, row.width, row.height, dpi_);
    SetWindowTextW(GetDlgItem(IDC_OK), std::wstring(TranslateTextW(L"OK")).c_str());
    SetWindowTextW(GetDlgItem(IDC_CANCEL), std::wstring(TranslateTextW(L"Cancel")).c_str());
    SetWindowTextW(GetDlgItem(IDC_REDEFINE), std::wstring(TranslateTextW(L"Redefine")).c_str());
    NameControls();
    MoveToScaledBox(GetDlgItem(IDC_ENABLE_FUNCTION), 199, 59, 15, 15, dpi_);
    MoveToScaledBox(GetDlgItem(IDC_SHOW_IN_TRAY), 199, 92, 15, 15, dpi_);
}

// What only the shown window needs, at dpi_: fonts, background, shape, button faces and the
// shadow. Made when the window is shown; DropArtwork lets it all go when it is hidden.
void CHybridS3Dlg::MakeArtwork() {
    if (background_)
        return;
    CreateWindowFonts();
    if (!gdiplus_)
        gdiplus_.reset(new GdiplusSession);
    background_.reset(new CContourBitmap(
        LoadBackgroundForDpi(GetModuleHandleW(nullptr), IDB_BACKGROUND, IDR_BACKGROUND_PNG, kWindowSize, dpi_)));

    // Every pixel of the corner's key colour is cut out of the window.
    SetWindowRgn(hwnd_, nullptr, FALSE);
    if (HRGN region = CreateContourRegion(*background_, 0, 0)) {
        if (!SetWindowRgn(hwnd_, region, FALSE))
            DeleteObject(region);  // refused: still ours
    }

    // Without a skin folder the buttons still go to their places, plain.
    wchar_t folder[MAX_PATH];
    SkinButtons(FindSkinFolder(L"ImageResource\\", folder) ? folder : nullptr);
    if (!shadowWindow_ && (shadowWindow_ = ::CreateShadowWindow(hwnd_, kAgentWindowTitle)) != nullptr)
        SendMessageW(shadowWindow_, WM_PAINT, 0, 0);  // composed before it is first shown
}

// The hidden window keeps no pictures, shape, fonts or shadow: the resident agent holds only
// what its hotkey and icon need.
void CHybridS3Dlg::DropArtwork() {
    if (shadowWindow_)
        DestroyWindow(shadowWindow_);
    shadowWindow_ = nullptr;
    DropPictures();
}

void CHybridS3Dlg::DropPictures() {
    for (CxSkinButton* button : {okButton_.get(), cancelButton_.get(), redefineButton_.get()})
        button->DropPictures();
    SetWindowRgn(hwnd_, nullptr, FALSE);
    background_.reset();
    ReleaseSkinResources();
    titleFont_.reset();
    textFont_.reset();
}

// The window moved to a monitor of another DPI (or that monitor's scale changed): controls,
// and while it is shown fonts, background, shape and shadow, are made again at the DPI the
// message carries (the window's own DPI may not have changed yet), in the rectangle Windows
// suggests. Scales changed: the tray icon follows its own monitor's.
void CHybridS3Dlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    if (dpi == 0)
        return;
    dpi_ = dpi;
    PlaceControls();
    if (background_) {
        DropPictures();
        MakeArtwork();
    }
    MoveDialogWithShadow(hwnd_, shadowWindow_, suggested);
    LoadTrayIconForDpi();
}

// A hidden window need not be told that its monitor's scale changed, nor that it was moved
// among monitors: before it shows, it is laid out again at its DPI where that is not dpi_.
void CHybridS3Dlg::CatchUpWithDpi() {
    UINT const dpi = WindowDpi(hwnd_);
    if (dpi == dpi_)
        return;
    RECT place = {};
    GetWindowRect(hwnd_, &place);
    place.right = place.left + ScaleToDpi(kWindowSize.cx, dpi);
    place.bottom = place.top + ScaleToDpi(kWindowSize.cy, dpi);
    OnDpiChanged(dpi, place);
}

void CHybridS3Dlg::SkinButtons(const wchar_t* folder) {
    CxSkinButton* buttons[] = {okButton_.get(), cancelButton_.get(), redefineButton_.get()};
    for (size_t i = 0; i < ARRAYSIZE(ButtonRowTable); ++i) {
        ApplySkinRow(*buttons[i], ButtonRowTable[i], folder, *background_, dpi_);
        buttons[i]->textColour = kTextColour;
    }
    if (folder)
        LoadShadowImageFrom(folder, dpi_);
    // Every button has its own copies now; the agent keeps no decoded files besides.
    ClearSkinImageCache();
}

void CHybridS3Dlg::CenterAndCheck() {
    SIZE size = WindowSize();
    SetWindowPos(hwnd_, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2 - size.cx / 2,
                 GetSystemMetrics(SM_CYSCREEN) / 2 - size.cy / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessageW(GetDlgItem(IDC_ENABLE_FUNCTION), BM_SETCHECK, enableFunction_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(IDC_SHOW_IN_TRAY), BM_SETCHECK, showInTray_ == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CHybridS3Dlg::ReleaseSkinResources() {
    ReleaseShadowState();
    gdiplus_.reset();
}

void CHybridS3Dlg::OnPaint() {
    if (IsIconic(hwnd_)) {
        fw::PaintDC paint(hwnd_);
        SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(paint)), 0);
        RECT client = {};
        GetClientRect(hwnd_, &client);
        int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(paint, x, y, windowIcon_);
        return;
    }
    if (WindowShown == 0 || !background_) {
        ValidateRect(hwnd_, nullptr);  // nothing to show: do not ask again
        return;
    }
    fw::PaintDC paint(hwnd_);
    PaintInBands(paint, background_->GetSize(), paint.Info().rcPaint,
                 [this](HDC buffer, const RECT& band) { PaintContent(buffer, band); });
}

// A themed check box asks for what lies under it before it draws its partly transparent box;
// without it the box would be drawn over its last picture and come out brighter each time.
void CHybridS3Dlg::OnPrintClient(HDC dc) {
    if (background_)
        PaintDialogBody(dc, *background_, 0, 0, systemColours_);
}

// The background and every text that touch band, into the band's buffer dc.
void CHybridS3Dlg::PaintContent(HDC dc, const RECT& band) {
    PaintDialogBody(dc, *background_, 0, 0, systemColours_);
    for (const TextRow& row : TextRowTable) {
        SetTextColor(dc, BodyTextColour(row.colour, systemColours_));
        HFONT font = nullptr;
        std::wstring text;
        UINT format = kLeftWrap;
        switch (row.controlId) {
        case IDC_TITLE:
            font = titleFont_ ? titleFont_->GetSafeHandle() : nullptr;
            text = kBrandTitle;
            break;
        case IDC_LABEL_ENABLE:
        case IDC_LABEL_TRAY:
        case IDC_LABEL_HEADING:
            if (Redefining != 0)
                continue;
            font = textFont_ ? textFont_->GetSafeHandle() : nullptr;
            text = TranslatedLabel(row.controlId);
            break;
        case IDC_REDEFINE_TEXT:
            if (Redefining != 1)
                continue;
            font = textFont_ ? textFont_->GetSafeHandle() : nullptr;
            text = TranslatedLabel(row.controlId);
            break;
        case IDC_POWER_NOTE:
            if (powerNote_.empty())
                continue;
            font = textFont_ ? textFont_->GetSafeHandle() : nullptr;
            text = powerNote_;
            break;
        case IDC_KEY1_NAME:
        case IDC_KEY_PLUS:
        case IDC_KEY2_NAME:
            if (Redefining != 1)
                continue;
            font = titleFont_ ? titleFont_->GetSafeHandle() : nullptr;
            text = row.controlId == IDC_KEY1_NAME ? Key1Text : row.controlId == IDC_KEY2_NAME ? Key2Text : L"+";
            format = row.controlId == IDC_KEY1_NAME ? kRightWrap : row.controlId == IDC_KEY_PLUS ? kCentreWrap : kLeftWrap;
            break;
        }
        if (!font)
            continue;
        RECT box = {};
        GetWindowRect(GetDlgItem(row.controlId), &box);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
        // The text stays inside its box; a focus cue follows the text as laid out and may not.
        bool cue = false;
        for (const LabelledCheckBox* checkBox : {&enableBox_, &trayBox_})
            cue = cue || (row.controlId == checkBox->LabelId() && checkBox->ShowsFocusCue());
        RECT common = {};
        if (!cue && !IntersectRect(&common, &box, &band))
            continue;
        fw::SelectGuard selectFont(dc, font);
        DrawTextInBox(dc, text, box, format, cue, dpi_);
    }
}

// Read each time the window is shown: hibernation, the plan or a policy may have changed since.
// The same promise the question would make now.
void CHybridS3Dlg::UpdatePowerNote() {
    const char* key = PowerNoteFor(PromiseFor(ReadSleepKind()));
    powerNote_ = key ? WideFromAnsi(TranslateText(key)) : std::wstring();
    HWND note = GetDlgItem(IDC_POWER_NOTE);
    SetUnpaintedText(note, powerNote_.c_str());
    ::ShowWindow(note, powerNote_.empty() ? SW_HIDE : SW_SHOWNA);
}

// The window paints every text itself; each control carries the same words as its name for
// screen readers, and draws none of them.
void CHybridS3Dlg::NameControls() {
    SetUnpaintedText(GetDlgItem(IDC_TITLE), kBrandTitle);
    for (int id : {IDC_LABEL_ENABLE, IDC_LABEL_TRAY, IDC_LABEL_HEADING, IDC_REDEFINE_TEXT})
        SetUnpaintedText(GetDlgItem(id), TranslatedLabel(id).c_str());
    enableBox_.SetName(TranslatedLabel(IDC_LABEL_ENABLE).c_str());
    trayBox_.SetName(TranslatedLabel(IDC_LABEL_TRAY).c_str());
    NameHotkeyLine();
}

void CHybridS3Dlg::NameHotkeyLine() {
    SetUnpaintedText(GetDlgItem(IDC_KEY1_NAME), Key1Text);
    SetUnpaintedText(GetDlgItem(IDC_KEY_PLUS), L"+");
    SetUnpaintedText(GetDlgItem(IDC_KEY2_NAME), Key2Text);
}

// A screen reader reads the windows that are there: the other mode's labels are hidden.
void CHybridS3Dlg::ShowModeLabels(bool settingsMode) {
    for (int id : kSettingsModeLabels)
        ::ShowWindow(GetDlgItem(id), settingsMode ? SW_SHOWNA : SW_HIDE);
    for (int id : kRedefineModeLabels)
        ::ShowWindow(GetDlgItem(id), settingsMode ? SW_HIDE : SW_SHOWNA);
    NameHotkeyLine();
}

void CHybridS3Dlg::ApplyColourScheme() {
    systemColours_ = SystemAsksForSystemColours();
    ApplyDialogColours(hwnd_, {okButton_.get(), cancelButton_.get(), redefineButton_.get()}, systemColours_);
}

LRESULT CHybridS3Dlg::OnSetCursor(HWND under) {
    SetCursor(under == hwnd_ ? arrowCursor_ : handCursor_);
    return TRUE;
}

LRESULT CHybridS3Dlg::OnLButtonDown(LPARAM lParam) {
    // Dragging by the background: the system takes the press as one on a caption.
    SetCursor(moveCursor_);
    PostMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    return Default();
}
