// Keyboard focus in the skinned dialogs: a fixed order that Tab follows, and focus cues that
// appear once the user moves the focus with the keyboard, as standard dialogs do.
#pragma once
#include "framework/GdiObjects.h"
#include "framework/Window.h"

#include <windows.h>

#include <stddef.h>

// The control after focus in order (before it when backwards), wrapping round and skipping
// hidden and disabled controls; null when none can take the focus. A focus outside the order
// moves to its first control (its last when backwards).
HWND NextInTabOrder(HWND dialog, const int* order, size_t count, HWND focus, bool backwards);

// Whether a dialog shows its focus cues. A window opens without them; they appear once the user
// moves the focus with the keyboard (Tab or an arrow key), as in standard dialogs. The dialog
// answers WM_QUERYUISTATE from this, for itself and for its controls, which ask it: Wine keeps
// no UI state of its own (it answers 0, "cues shown", always).
class FocusCues {
public:
    void Hide(HWND dialog) { Change(dialog, false); }
    void Show(HWND dialog) { Change(dialog, true); }
    bool Shown() const { return shown_; }
    // The answer to WM_QUERYUISTATE.
    LRESULT UiState() const { return shown_ ? 0 : UISF_HIDEFOCUS; }
    // Moves the focus one step along order, shows the cues, and returns the new focus.
    HWND Tab(HWND dialog, const int* order, size_t count, bool backwards);

private:
    void Change(HWND dialog, bool shown);
    bool shown_ = false;
};

// Whether control's dialog (its parent) shows focus cues now.
bool FocusCuesShown(HWND control);

// A dotted focus rectangle that inverts the pixels under its dots, whatever the DC's colours,
// inside rect. Its line is the system's focus border (one pixel unless the user set it wider)
// at 96 DPI, and as much wider as the window's dpi: DrawFocusRect keeps it at every scale.
void DrawFocusCueRect(HDC dc, const RECT& rect, UINT dpi);
// The cue of a focused check box whose label the dialog paints: a focus rectangle one pixel (at
// 96 DPI) around the label's text as DrawText lays it out in box with format.
void DrawLabelFocusCue(HDC dc, const RECT& box, const wchar_t* text, UINT format, UINT dpi);

// A check box whose label the dialog paints (the box itself is too small for any text): when it
// gains or loses the focus it has the dialog repaint the label, around which the dialog draws
// the box's focus cue.
class LabelledCheckBox : public fw::Window {
public:
    explicit LabelledCheckBox(int labelId) : labelId_(labelId) {}
    int LabelId() const { return labelId_; }
    // Gives the box its label's words as its own text, the name a screen reader reads, without
    // changing a pixel of it.
    void SetName(const wchar_t* name);
    // Whether the dialog is to draw this box's focus cue now.
    bool ShowsFocusCue() const { return hwnd_ && GetFocus() == hwnd_ && FocusCuesShown(hwnd_); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int labelId_;
    fw::Font nameFont_;  // the box's font, for its unseen text
};
