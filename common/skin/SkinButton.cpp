#include "SkinButton.h"

#include "ScaledArtwork.h"

#include "common/Dpi.h"
#include "common/KeyboardFocus.h"
#include "common/LanguageBinding.h"

#include <shlwapi.h>
#include <stdio.h>
#include <windowsx.h>

namespace {

SkinCaptionOffset const kAgentOffsets[] = {{1000, 6}, {1001, 6}, {1002, 3}};
SkinCaptionOffset const kConfirmationOffsets[] = {{1030, 6}, {1031, 6}};

// Private message routed to the button; kind 0 ignores it.
UINT const WM_SKIN_PRIVATE = WM_USER + 256;

// Builds folder + name (drawn for dpi) into path; an empty path (no face) when there is no folder
// or it does not fit.
void BuildFacePath(const wchar_t* folder, const wchar_t* name, UINT dpi, wchar_t (&path)[MAX_PATH]) {
    path[0] = L'\0';
    if (!folder || !folder[0] || !name)
        return;
    std::wstring const full = ScaledSkinPath(folder, name, dpi);
    if (full.size() < ARRAYSIZE(path))
        lstrcpynW(path, full.c_str(), ARRAYSIZE(path));
}

}  // namespace

SkinButtonProfile const AgentSkinButtons = {RGB(0, 0, 0), kAgentOffsets, ARRAYSIZE(kAgentOffsets)};
SkinButtonProfile const ConfirmationSkinButtons = {RGB(255, 255, 255), kConfirmationOffsets,
                                                   ARRAYSIZE(kConfirmationOffsets)};

namespace {
const SkinButtonProfile* g_selectedProfile = &AgentSkinButtons;
}  // namespace

void SelectSkinButtonProfile(const SkinButtonProfile& profile) {
    g_selectedProfile = &profile;
}

CxSkinButton::CxSkinButton() : textColour(GetSysColor(COLOR_BTNTEXT)) {}

CxSkinButton::CxSkinButton(const SkinButtonProfile& profile)
    : textColour(GetSysColor(COLOR_BTNTEXT)), profile_(&profile) {}

const SkinButtonProfile& CxSkinButton::Profile() const {
    return profile_ ? *profile_ : *g_selectedProfile;
}

CxSkinButton::~CxSkinButton() {
    DeleteImages();
}

void CxSkinButton::DeleteImages() {
    for (SkinFace& face : faces_) {
        if (face.bitmap)
            DeleteObject(face.bitmap);
        face.bitmap = nullptr;
        face.decoded = false;
        face.path[0] = L'\0';
    }
}

// The face's bitmap, decoded now if it has not been yet. Each face is a bitmap of its own.
HBITMAP CxSkinButton::Face(FaceIndex index) const {
    SkinFace& face = faces_[index];
    if (!face.decoded) {
        face.decoded = true;
        face.bitmap = LoadFace(face.path);
        if (!face.bitmap && index == kDisabledFace)
            face.bitmap = LoadFace(faces_[kNormalFace].path);
    }
    return face.bitmap;
}

HBITMAP CxSkinButton::LoadFace(const wchar_t* path) const {
    return path[0] ? LoadSkinImageForDpi(path, dpi_, faceSize_) : nullptr;
}

void CxSkinButton::SetScale(UINT dpi, SIZE faceSize) {
    dpi_ = dpi;
    faceSize_ = faceSize;
}

int CxSkinButton::Scaled(int length) const {
    return ScaleToDpi(length, dpi_);
}

void CxSkinButton::PreSubclassWindow() {
    fw::Button::PreSubclassWindow();
    ModifyStyle(0, BS_OWNERDRAW);
}

void CxSkinButton::SetSkin(const wchar_t* normal, const wchar_t* down, const wchar_t* over, const wchar_t* disabled,
                           const wchar_t* folder, int kind) {
    GetLanguageName(languageName_);
    kind_ = kind;
    if (!blend_)
        blend_.reset(new BLENDFUNCTION(SkinBlendFunction));
    textColour = Profile().skinTextColour;

    LOGFONTW logFont = {};
    logFont.lfHeight = -Scaled(12);
    logFont.lfCharSet = LanguageCharSet(languageName_);
    lstrcpynW(logFont.lfFaceName, L"Arial", ARRAYSIZE(logFont.lfFaceName));
    font_.DeleteObject();
    font_.CreateFontIndirect(logFont);

    DeleteImages();
    const wchar_t* const names[kFaceCount] = {normal, down, over, over, disabled};  // focused looks hovered
    for (int i = 0; i < kFaceCount; ++i)
        BuildFacePath(folder, names[i], dpi_, faces_[i].path);
}

void CxSkinButton::SetBackground(HBITMAP background, int x, int y, int width, int height) {
    if (!background)
        return;
    background_.Attach(CutToDIB32(background, x, y, width, height));
}

void CxSkinButton::DropPictures() {
    DeleteImages();
    background_.DeleteObject();
    font_.DeleteObject();
}

void CxSkinButton::SetSystemColours(bool on) {
    systemColours_ = on;
    if (hwnd_)
        Invalidate(TRUE);
}

int CxSkinButton::CaptionTopOffset(int controlId) const {
    const SkinButtonProfile& profile = Profile();
    for (size_t i = 0; i < profile.offsetCount; ++i)
        if (profile.offsets[i].controlId == controlId)
            return profile.offsets[i].top;
    return 0;
}

// While the left button is held the face must follow the pointer; true when the state was
// changed (the change repaints the button, so this paint stops).
bool CxSkinButton::CorrectPushedLook() {
    POINT cursor;
    if (!buttonHeld_ || GetCapture() != hwnd_ || !GetCursorPos(&cursor))
        return false;
    bool over = WindowFromPoint(cursor) == hwnd_;
    bool pushed = (SendMessageW(hwnd_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    if (over == pushed)
        return false;
    SendMessageW(hwnd_, BM_SETSTATE, over ? TRUE : FALSE, 0);
    return true;
}

// The image of the face for state: pushed, else hovered, focused or normal; null for a plain face.
HBITMAP CxSkinButton::FaceImage(UINT state) const {
    if (systemColours_)
        return nullptr;
    if (state & ODS_SELECTED)
        return Face(kDownFace);
    HBITMAP normal = Face(kNormalFace);
    if (!normal)
        return nullptr;
    HBITMAP over = mouseOver_ ? Face(kOverFace) : nullptr;
    if (over)
        return over;
    HBITMAP focus = (state & ODS_FOCUS) ? Face(kFocusFace) : nullptr;
    return focus ? focus : normal;
}

void CxSkinButton::FillFace(HDC dc, const RECT& item) {
    FillRect(dc, &item, GetSysColorBrush(COLOR_BTNFACE));
}

// Once the user moves the focus with the keyboard, the focused button also shows a focus
// rectangle: its focus face alone looks like the pointer's hover.
void CxSkinButton::DrawFocusCue(HDC dc, const RECT& item, UINT state) {
    if (!(state & ODS_FOCUS) || !FocusCuesShown(hwnd_))
        return;
    RECT cue = item;
    InflateRect(&cue, -Scaled(3), -Scaled(3));
    DrawFocusCueRect(dc, cue, dpi_);
}

void CxSkinButton::DrawSkinImage(HDC dc, HBITMAP image, const RECT& item) {
    int width = item.right - item.left;
    int height = item.bottom - item.top;
    fw::MemoryDC memory(dc);
    HGDIOBJ previous = SelectObject(memory, image);
    int previousMode = SetBkMode(memory, TRANSPARENT);
    SelectClipRgn(memory, nullptr);
    // Without a background piece the image itself is copied opaque first.
    SelectIfPresent(memory, background_.GetSafeHandle());
    BitBlt(dc, item.left, item.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, image);
    if (blend_)
        AlphaBlendFromOrigin(dc, 0, 0, width, height, memory, width, height, *blend_);
    SetBkMode(memory, previousMode);
    SelectObject(memory, previous);
}

void CxSkinButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (!item || CorrectPushedLook())
        return;
    HDC dc = item->hDC;
    RECT face = item->rcItem;
    RECT text = face;
    text.left += Scaled(2);
    text.right -= Scaled(2);
    text.top += Scaled(CaptionTopOffset(static_cast<int>(item->CtlID)));

    wchar_t caption[MAX_PATH] = {};
    GetWindowTextW(hwnd_, caption, ARRAYSIZE(caption));
    SetBkMode(dc, TRANSPARENT);

    if (item->itemState & ODS_DISABLED) {
        if (HBITMAP disabled = systemColours_ ? nullptr : Face(kDisabledFace))
            DrawSkinImage(dc, disabled, face);
        else
            FillFace(dc, face);
        UINT const format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, caption, -1, &text, format);
        OffsetRect(&text, -Scaled(1), -Scaled(1));
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, caption, -1, &text, format);
        return;
    }

    HBITMAP image = FaceImage(item->itemState);
    if (image)
        DrawSkinImage(dc, image, face);
    else
        FillFace(dc, face);
    if (item->itemState & ODS_SELECTED)
        OffsetRect(&text, Scaled(1), Scaled(1));

    // A plain face is the light system face: a skin's light caption colour would vanish on it.
    SetTextColor(dc, image ? textColour : GetSysColor(COLOR_BTNTEXT));
    if (font_.GetSafeHandle()) {
        fw::SelectGuard selectFont(dc, font_.GetSafeHandle());
        DrawTextW(dc, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    DrawFocusCue(dc, face, item->itemState);
}

bool CxSkinButton::TrackLeave(DWORD flags) {
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = flags;
    track.hwndTrack = hwnd_;
    track.dwHoverTime = 0;
    return TrackMouseEvent(&track) != FALSE;  // user32's own: no common-controls library to load
}

LRESULT CxSkinButton::OnLButtonDown() {
    // A press ends the hover look: the pushed face takes over.
    if (mouseOver_ && TrackLeave(TME_CANCEL | TME_LEAVE))
        mouseOver_ = 0;
    LRESULT result = Default();
    buttonHeld_ = 1;
    return result;
}

LRESULT CxSkinButton::OnMouseMove(LPARAM lParam) {
    if (buttonHeld_) {
        if (GetCapture() == hwnd_) {
            POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd_, &point);
            bool over = WindowFromPoint(point) == hwnd_;
            bool pushed = (SendMessageW(hwnd_, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            if (over != pushed) {
                SendMessageW(hwnd_, BM_SETSTATE, over ? TRUE : FALSE, 0);
                Invalidate(TRUE);
            }
        }
        return Default();
    }
    if (!mouseOver_ && TrackLeave(TME_LEAVE)) {
        mouseOver_ = 1;
        Invalidate(TRUE);
    }
    return Default();
}

LRESULT CxSkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_LBUTTONDOWN:
        return OnLButtonDown();
    case WM_LBUTTONUP:
        buttonHeld_ = 0;
        return Default();
    case WM_MOUSEMOVE:
        return OnMouseMove(lParam);
    case WM_MOUSELEAVE:
        mouseOver_ = 0;
        Invalidate(TRUE);
        return 0;
    case WM_LBUTTONDBLCLK:
        // A double click is a second press, never BN_DOUBLECLICKED.
        SendMessageW(hwnd_, WM_LBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_KILLFOCUS:
        if (GetCapture() == hwnd_) {
            ReleaseCapture();
            buttonHeld_ = 0;
        }
        return Default();
    case BM_SETCHECK:
        // A push button is never checked, whatever it is told.
        Invalidate(TRUE);
        return 0;
    case BM_GETCHECK:
        return BST_UNCHECKED;
    case WM_SKIN_PRIVATE:
        return 0;
    default:
        return fw::Button::WindowProc(message, wParam, lParam);
    }
}

void ApplySkinRow(CxSkinButton& button, const SkinButtonRow& row, const wchar_t* folder, HBITMAP background,
                  UINT dpi) {
    int x = ScaleToDpi(row.x, dpi), y = ScaleToDpi(row.y, dpi);
    int width = ScaleToDpi(row.width, dpi), height = ScaleToDpi(row.height, dpi);
    MoveWindow(button, x, y, width, height, TRUE);
    button.SetScale(dpi, SIZE{width, height});
    button.SetSkin(row.normal, row.pressed, row.hover, row.disabled, folder, row.kind);
    button.SetBackground(background, x, y, width, height);
}
