// Modal dialog base created from a dialog template. The modal run has its own message loop,
// so PreTranslateMessage sees every message of the thread before IsDialogMessage and dispatch.
#pragma once
#include "Window.h"

namespace fw {

class Dialog : public Window {
public:
    Dialog(UINT templateId, HWND parent);
    ~Dialog() override;

    // Creates the dialog, runs it until EndDialog or WM_QUIT, destroys the window and returns
    // the result (-1 when the dialog could not be created or the run was ended by WM_QUIT).
    INT_PTR DoModal();
    // Ends the modal run with result; the window is destroyed when the run returns.
    void EndDialog(INT_PTR result);

    // Offered every message of the modal loop first; return TRUE when it was handled.
    virtual BOOL PreTranslateMessage(MSG* message);

protected:
    // WM_INITDIALOG: binds the controls (DoDataExchange). Return TRUE to let the system set the focus.
    virtual BOOL OnInitDialog();
    // Binds controls to their objects (SubclassDlgItem).
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A dialog destroyed while it runs ends its run.
    void PostNcDestroy() override { ending_ = true; }

    UINT templateId_;
    HWND parent_;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    bool ending_ = false;
    INT_PTR result_ = -1;
};

}  // namespace fw
