// The confirmation dialog: a skinned, shaped, topmost popup that asks before the machine sleeps
// and writes the answer to the registry (Suspend) before it closes.
#pragma once
#include "common/DwordRegHelper.h"
#include "common/KeyboardFocus.h"
#include "common/skin/ContourBitmap.h"
#include "common/skin/SkinButton.h"
#include "framework/Dialog.h"
#include "framework/GdiObjects.h"

#include <memory>

wchar_t const kConfirmationTitle[] = L"Korvane Dormello Message";

// One control of the dialog: where it goes, and the colour of the text painted in its box.
struct ConfirmationLayoutRow {
    int x, y, width, height;
    int controlId;  // 0 for the background row
    int drawFlag;   // 1: the background image is drawn at this row's x and y
    COLORREF textColour;
};

using ConfirmationButtonRow = SkinButtonRow;

class CGeneralMsgBox : public fw::Dialog {
public:
    // informOnly: the PC offers no sleep; the question only says so and has one button that closes it.
    CGeneralMsgBox(UINT templateId, HWND parent, const char* message, bool informOnly = false);
    ~CGeneralMsgBox() override;

    BOOL PreTranslateMessage(MSG* message) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateConfirmationFonts();
    void LayoutConfirmationDialog();
    void LayOutAtDpi();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void PlaceCheckBox();
    void MoveCheckBox();
    void LeaveOnlyCloseButton();
    void CenterOnScreen(UINT flags);
    bool CancelIsWhereExpected() const;

    void OnOkClicked();
    void OnCancelClicked();
    LRESULT OnKeyDown(WPARAM virtualKey);
    void MoveFocusTo(HWND button);
    void OnPaint();
    // Draws what touches band (window coordinates) into dc.
    void PaintContent(HDC dc, const RECT& band);
    void DrawRowText(HDC dc, const RECT& band, const ConfirmationLayoutRow& row, HFONT font, const std::wstring& text);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(HWND under);
    bool IsJapanese() const;
    void NameControls();
    void ApplyColourScheme();

    const char* message_;  // the caller's buffer: the message's translation key
    bool informOnly_;
    std::unique_ptr<fw::Font> TitleFont;
    std::unique_ptr<fw::Font> TextFont;
    HICON icon_ = nullptr;  // shared resource icon: never destroyed
    std::unique_ptr<CxSkinButton> okButton_;
    std::unique_ptr<CxSkinButton> cancelButton_;
    std::unique_ptr<CContourBitmap> background_;
    std::unique_ptr<GdiplusSession> gdiplus_;
    std::unique_ptr<DwordRegHelper> showMessageBox_;
    DWORD shownCheck_ = 0;
    bool regionApplied_ = false;  // the window has a region of ours
    char languageName_[MAX_PATH] = {};
    bool languageLoaded_ = false;
    HCURSOR arrowCursor_ = nullptr;  // shared system cursors
    HCURSOR handCursor_ = nullptr;
    HCURSOR moveCursor_ = nullptr;
    HWND shadowWindow_ = nullptr;
    bool comInitialized_ = false;
    LabelledCheckBox dontShowBox_;  // "Do not show next time"
    FocusCues focusCues_;
    bool systemColours_ = false;    // high contrast: drawn in system colours
    UINT dpi_ = 96;                 // the DPI everything is laid out and drawn at
};
