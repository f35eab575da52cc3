// Construction, initialisation, answers, keyboard and mouse handling, and destruction of the
// confirmation dialog.
#include "GeneralMsgBox.h"

#include "ConfirmationRules.h"
#include "resource.h"

#include "common/Dpi.h"
#include "common/ForegroundWindow.h"
#include "common/LanguageBinding.h"
#include "common/RegistryLayout.h"
#include "common/skin/HighContrast.h"
#include "common/skin/ShadowWindow.h"

#include <objbase.h>

#include <string>

namespace {
// Where Tab takes the focus, in order.
int const kTabOrder[] = {IDC_CONFIRM_OK, IDC_CONFIRM_CANCEL, IDC_DONT_SHOW_AGAIN};

bool IsArrowKey(WPARAM key) {
    return (key >= VK_LEFT && key <= VK_DOWN) || key == VK_NUMPAD4 || key == VK_NUMPAD6;
}
}  // namespace

CGeneralMsgBox::CGeneralMsgBox(UINT templateId, HWND parent, const char* message, bool informOnly)
    : fw::Dialog(templateId, parent),
      message_(message),
      informOnly_(informOnly),
      icon_(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CONFIRM))),
      okButton_(new CxSkinButton(ConfirmationSkinButtons)),
      cancelButton_(new CxSkinButton(ConfirmationSkinButtons)),
      dontShowBox_(IDC_DONT_SHOW_LABEL) {}

CGeneralMsgBox::~CGeneralMsgBox() {
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_HIDE);
    okButton_.reset();
    cancelButton_.reset();
    background_.reset();
    TitleFont.reset();
    TextFont.reset();
    ReleaseShadowState();
    gdiplus_.reset();
    showMessageBox_.reset();
    if (languageLoaded_)
        UnloadLanguageLibrary();
    if (comInitialized_)
        CoUninitialize();
}

void CGeneralMsgBox::DoDataExchange() {
    okButton_->SubclassDlgItem(IDC_CONFIRM_OK, hwnd_);
    cancelButton_->SubclassDlgItem(IDC_CONFIRM_CANCEL, hwnd_);
    dontShowBox_.SubclassDlgItem(IDC_DONT_SHOW_AGAIN, hwnd_);
}

BOOL CGeneralMsgBox::OnInitDialog() {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    fw::Dialog::OnInitDialog();
    SetWindowLongPtrW(hwnd_, GWLP_ID, IDD_CONFIRMATION);
    ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    ModifyStyleEx(0, WS_EX_TOOLWINDOW);  // no taskbar button
    SetWindowTextW(hwnd_, kConfirmationTitle);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SetMenu(hwnd_, nullptr);

    if (!showMessageBox_)
        showMessageBox_.reset(new DwordRegHelper(kShowMessageBoxValue, kConfirmReadFailure));
    shownCheck_ = showMessageBox_->Read();  // the box's tick; a question asked not to be asked is not made

    dpi_ = WindowDpi(hwnd_);
    KeepDialogLayoutOnDpiChange(hwnd_);
    SetClassLongPtrW(hwnd_, GCLP_HCURSOR, 0);
    arrowCursor_ = LoadCursorW(nullptr, IDC_ARROW);
    handCursor_ = LoadCursorW(nullptr, IDC_HAND);
    moveCursor_ = LoadCursorW(nullptr, IDC_SIZEALL);
    SetCursor(arrowCursor_);

    wchar_t languageFolder[MAX_PATH];
    if (FindLanguageFolder(LanguageProgram::Confirmation, languageFolder)) {
        LoadLanguageLibrary(languageFolder, LanguageProgram::Confirmation);
        languageLoaded_ = true;
        GetLanguageName(languageName_);
    }

    CreateConfirmationFonts();
    LayoutConfirmationDialog();
    for (int check = 0; check < 3 && !CancelIsWhereExpected(); ++check)
        LayoutConfirmationDialog();

    PlaceCheckBox();
    shadowWindow_ = CreateShadowWindow(hwnd_, kConfirmationTitle);
    if (informOnly_)
        LeaveOnlyCloseButton();
    else
        ::ShowWindow(GetDlgItem(IDC_CONFIRM_OK), SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_CONFIRM_CANCEL), SW_SHOW);
    ApplyColourScheme();
    focusCues_.Hide(hwnd_);
    CenterOnScreen(SWP_NOREDRAW);
    if (shadowWindow_)
        ::ShowWindow(shadowWindow_, SW_SHOW);
    ShowWindow(SW_SHOW);

    // Cancel has the focus: Enter on a question that puts the machine to sleep must not sleep it.
    HWND cancel = GetDlgItem(IDC_CONFIRM_CANCEL);
    ForceForegroundWindow(cancel);
    SetFocus(cancel);
    return FALSE;  // the focus is set
}

bool CGeneralMsgBox::IsJapanese() const {
    return LanguageCharSet(languageName_) == SHIFTJIS_CHARSET;
}

void CGeneralMsgBox::MoveCheckBox() {
    MoveToScaledBox(GetDlgItem(IDC_DONT_SHOW_AGAIN), 199, 154, 15, 15, dpi_);
}

void CGeneralMsgBox::PlaceCheckBox() {
    HWND box = GetDlgItem(IDC_DONT_SHOW_AGAIN);
    MoveCheckBox();
    SendMessageW(box, BM_SETCHECK, shownCheck_ != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    ::ShowWindow(box, SW_SHOW);
}

// Nothing to confirm: no OK and no "do not show" box, and the one button left closes the question
// with the answer "do not sleep".
void CGeneralMsgBox::LeaveOnlyCloseButton() {
    ::ShowWindow(GetDlgItem(IDC_DONT_SHOW_AGAIN), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_DONT_SHOW_LABEL), SW_HIDE);
    SetWindowTextW(GetDlgItem(IDC_CONFIRM_CANCEL), std::wstring(TranslateTextW(L"Close")).c_str());
}

void CGeneralMsgBox::OnOkClicked() {
    if (informOnly_) {
        OnCancelClicked();  // a hidden OK confirms nothing
        return;
    }
    bool ticked = SendMessageW(GetDlgItem(IDC_DONT_SHOW_AGAIN), BM_GETCHECK, 0, 0) == BST_CHECKED;
    shownCheck_ = ticked ? 1 : 0;
    if (showMessageBox_)
        showMessageBox_->Write(shownCheck_);
    WriteSuspendAnswer(1);
    OnOK();
}

void CGeneralMsgBox::OnCancelClicked() {
    WriteSuspendAnswer(0);
    OnCancel();
}

void CGeneralMsgBox::ApplyColourScheme() {
    systemColours_ = SystemAsksForSystemColours();
    ApplyDialogColours(hwnd_, {okButton_.get(), cancelButton_.get()}, systemColours_);
}

BOOL CGeneralMsgBox::PreTranslateMessage(MSG* message) {
    if (message->message == WM_KEYDOWN && message->wParam == VK_TAB && hwnd_) {
        focusCues_.Tab(hwnd_, kTabOrder, ARRAYSIZE(kTabOrder), GetKeyState(VK_SHIFT) < 0);
        return TRUE;
    }
    if (message->message == WM_KEYDOWN && IsArrowKey(message->wParam) && hwnd_)
        focusCues_.Show(hwnd_);  // the user moves the focus with the keyboard
    if (message->message != WM_KEYDOWN || !IsDialogKey(message->wParam) || !hwnd_)
        return FALSE;
    // These keys belong to the dialog whichever control has the focus: the dialog manager
    // must not turn Enter or Escape into commands of its own.
    TranslateMessage(message);
    SendMessageW(hwnd_, message->message, message->wParam, message->lParam);
    return TRUE;
}

void CGeneralMsgBox::MoveFocusTo(HWND button) {
    ForceForegroundWindow(button);
    SetFocus(button);
}

LRESULT CGeneralMsgBox::OnKeyDown(WPARAM virtualKey) {
    HWND focus = GetFocus();
    HWND ok = GetDlgItem(IDC_CONFIRM_OK);
    HWND cancel = GetDlgItem(IDC_CONFIRM_CANCEL);
    FocusedButton focused = focus == ok ? FocusedButton::Ok
                            : focus == cancel ? FocusedButton::Cancel
                                              : FocusedButton::Other;
    switch (ConfirmationKeyAction(virtualKey, focused)) {
    case KeyAction::Ok:
        OnOkClicked();
        break;
    case KeyAction::Cancel:
        OnCancelClicked();
        break;
    case KeyAction::FocusOk:
        if (!informOnly_)
            MoveFocusTo(ok);
        break;
    case KeyAction::FocusCancel:
        MoveFocusTo(cancel);
        break;
    case KeyAction::None:
        break;
    }
    return Default();
}

LRESULT CGeneralMsgBox::OnLButtonDown(WPARAM, LPARAM lParam) {
    // Dragging by the body: let the system treat the press as one on a caption.
    SetCursor(moveCursor_);
    PostMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    return Default();
}

LRESULT CGeneralMsgBox::OnSetCursor(HWND under) {
    SetCursor(under == hwnd_ ? arrowCursor_ : handCursor_);
    return TRUE;
}

LRESULT CGeneralMsgBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        return OnKeyDown(wParam);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_CONFIRM_OK) {
            OnOkClicked();
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_CONFIRM_CANCEL) {
            OnCancelClicked();
            return 0;
        }
        break;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // everything is painted off screen in WM_PAINT
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam));
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wParam, lParam);
    case WM_WINDOWPOSCHANGED:
        if (shadowWindow_)
            SendMessageW(shadowWindow_, WM_PAINT, 0, 0);
        return Default();
    case WM_HELP:
        return TRUE;  // F1 does nothing
    case WM_DPICHANGED:
        if (lParam)
            OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_QUERYUISTATE:
        return focusCues_.UiState();
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // High contrast may have been switched on or off while the question is up.
        ApplyColourScheme();
        break;
    }
    return fw::Dialog::WindowProc(message, wParam, lParam);
}
