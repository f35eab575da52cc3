// The drop shadow of a skinned dialog: a layered, click-through top-level window that shows
// "bg_shadow01.png" and keeps its top-left corner on the dialog's. The dialog sends it WM_PAINT
// from its WM_WINDOWPOSCHANGED handler and shows and hides it with itself.
#pragma once
#include <windows.h>

// Creates the (hidden) shadow window that follows the "#32770" window titled followedTitle.
// Returns null when the window cannot be created; the dialog then works without a shadow.
HWND CreateShadowWindow(HWND ownerDialog, const wchar_t* followedTitle);

// Takes ownership of image (null for none) as the process-wide shadow image; the previous one is deleted.
void SetShadowImage(HBITMAP image);
HBITMAP GetShadowImage();
// Replaces the shadow image by the skin folder's "bg_shadow01.png" drawn for dpi, at the size of
// a dialog at dpi (none when it is missing); at a drawn scale its run-length-encoded copy
// ("bg_shadow01_200.bmp") where the setup put one.
void LoadShadowImageFrom(const wchar_t* folder, UINT dpi = 96);
// A dialog laid out again for a new DPI takes rect (the one WM_DPICHANGED suggests), its shadow
// (null: none) is composed again for it, and the dialog repaints with all its controls.
void MoveDialogWithShadow(HWND dialog, HWND shadow, const RECT& rect);

// Releases the shadow image and blend data; called when the dialog is destroyed.
void ReleaseShadowState();

LRESULT CALLBACK ShadowWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
