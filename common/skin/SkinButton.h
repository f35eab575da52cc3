// Owner-drawn push button whose faces (normal, down, over, disabled) come from skin images,
// alpha-blended over the piece of the dialog background that lies under the button.
#pragma once
#include "ContourBitmap.h"
#include "framework/Button.h"

#include <memory>

// How a program's buttons differ: the caption colour SetSkin sets, and how far the caption
// starts below the button's top for each control id (0 for ids not listed).
struct SkinCaptionOffset {
    int controlId;
    int top;
};
struct SkinButtonProfile {
    COLORREF skinTextColour;
    const SkinCaptionOffset* offsets;
    size_t offsetCount;
};

// The agent's buttons: OK 1000, Cancel 1001, Redefine 1002; black captions until the window sets its own.
extern SkinButtonProfile const AgentSkinButtons;
// The confirmation dialog's buttons: OK 1030, Cancel 1031; white captions.
extern SkinButtonProfile const ConfirmationSkinButtons;

// The profile of buttons constructed without one; each program selects its own once at start
// (AgentSkinButtons until then). profile must live for the rest of the process.
void SelectSkinButtonProfile(const SkinButtonProfile& profile);

class CxSkinButton : public fw::Button {
public:
    // Uses the program's selected profile (SelectSkinButtonProfile), read when it is needed.
    CxSkinButton();
    explicit CxSkinButton(const SkinButtonProfile& profile);
    ~CxSkinButton() override;

    // Takes the four faces from folder (which ends with a backslash) and sets the caption font
    // by the current language. A face is decoded when it is first drawn or asked for: a dialog
    // shows two or three of its buttons' faces before the user touches anything. A missing
    // disabled file falls back to the normal one. A null folder gives no faces: the button is
    // plain, with the caption font.
    void SetSkin(const wchar_t* normal, const wchar_t* down, const wchar_t* over, const wchar_t* disabled,
                 const wchar_t* folder, int kind);
    // The DPI the button is drawn at and the size of its faces there; before SetSkin, which
    // then takes the pictures drawn for that scale. 96 DPI until told otherwise.
    void SetScale(UINT dpi, SIZE faceSize);
    // Keeps a copy of the rectangle of background that the button covers.
    void SetBackground(HBITMAP background, int x, int y, int width, int height);
    // On: the plain face in system colours whatever the skin (high contrast). Repaints.
    void SetSystemColours(bool on);
    // Lets go of the faces, the piece of background and the caption font until the next
    // SetSkin: a hidden window's button need not hold them.
    void DropPictures();

    COLORREF textColour;

    // Read-only views for the owner and for tests.
    int Kind() const { return kind_; }
    HFONT CaptionFont() const { return font_.GetSafeHandle(); }
    bool IsMouseOver() const { return mouseOver_ != 0; }
    bool IsButtonHeld() const { return buttonHeld_ != 0; }
    HBITMAP NormalImage() const { return Face(kNormalFace); }
    HBITMAP DisabledImage() const { return Face(kDisabledFace); }

protected:
    void PreSubclassWindow() override;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // One face: the file it comes from and, once decoded, its bitmap (null when the file is
    // missing or unreadable). Decoding on first use changes nothing the user sees.
    struct SkinFace {
        wchar_t path[MAX_PATH] = {};
        bool decoded = false;
        HBITMAP bitmap = nullptr;
    };
    // The focus face is a second bitmap from the over file.
    enum FaceIndex { kNormalFace, kDownFace, kOverFace, kFocusFace, kDisabledFace, kFaceCount };
    HBITMAP Face(FaceIndex index) const;
    HBITMAP LoadFace(const wchar_t* path) const;
    int Scaled(int length) const;
    void DeleteImages();
    bool CorrectPushedLook();
    int CaptionTopOffset(int controlId) const;
    void DrawSkinImage(HDC dc, HBITMAP image, const RECT& item);
    HBITMAP FaceImage(UINT state) const;
    void FillFace(HDC dc, const RECT& item);
    void DrawFocusCue(HDC dc, const RECT& item, UINT state);
    LRESULT OnLButtonDown();
    LRESULT OnMouseMove(LPARAM lParam);
    bool TrackLeave(DWORD flags);

    const SkinButtonProfile& Profile() const;

    const SkinButtonProfile* profile_ = nullptr;  // null: the program's selected profile
    BYTE mouseOver_ = 0;
    BYTE buttonHeld_ = 0;
    int kind_ = -1;
    mutable SkinFace faces_[kFaceCount];
    fw::Font font_;
    fw::Bitmap background_;
    std::unique_ptr<BLENDFUNCTION> blend_;
    char languageName_[MAX_PATH] = {};
    bool systemColours_ = false;
    UINT dpi_ = 96;
    SIZE faceSize_ = {};
};

// Where a dialog puts one skinned button and which images it wears (normal, pressed, hover,
// disabled, in SetSkin's order).
struct SkinButtonRow {
    int x, y, width, height;
    int controlId;
    const wchar_t* normal;
    const wchar_t* pressed;
    const wchar_t* hover;
    const wchar_t* disabled;
    int kind;
};

// Moves button to its row's rectangle at dpi, skins it from folder (null: plain faces) with the
// pictures drawn for that scale, and gives it the piece of background under that rectangle.
void ApplySkinRow(CxSkinButton& button, const SkinButtonRow& row, const wchar_t* folder, HBITMAP background,
                  UINT dpi = 96);
