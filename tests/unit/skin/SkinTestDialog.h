// A test dialog with four skinned buttons (agent ids 1000 and 1002, confirmation ids 1030 and
// 1031); each test runs its body while the dialog is up and then ends it.
#pragma once
#include "SkinTestResource.h"

#include "common/KeyboardFocus.h"
#include "common/skin/SkinButton.h"
#include "framework/Dialog.h"

#include <functional>

class SkinTestDialog : public fw::Dialog {
public:
    SkinTestDialog() : fw::Dialog(IDD_SKIN_TEST, nullptr) {}

    // Runs body once the dialog is initialised and returns when the dialog has ended.
    void Run(std::function<void(SkinTestDialog&)> body);

    HWND hwnd() const { return hwnd_; }
    CxSkinButton ok{AgentSkinButtons};         // 1000
    CxSkinButton redefine{AgentSkinButtons};   // 1002
    CxSkinButton confirmOk{ConfirmationSkinButtons};      // 1030
    CxSkinButton confirmCancel{ConfirmationSkinButtons};  // 1031
    int clicks = 0;
    int doubleClicks = 0;
    // When set: painted as the dialog's surface, and told to follow the dialog, as the programs do.
    const CContourBitmap* background = nullptr;
    bool systemColours = false;  // the background painted in system colours, as in high contrast
    HWND shadow = nullptr;
    // Answers WM_QUERYUISTATE, as the programs' dialogs do.
    FocusCues cues;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::function<void(SkinTestDialog&)> body_;
};

// Handles the messages that are waiting (and those they cause) for about milliseconds.
void PumpMessages(DWORD milliseconds = 50);
