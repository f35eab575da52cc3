#pragma once
#include <windows.h>

// Gives a static control text that a screen reader reads, while its window paints that text
// itself: the control becomes owner-drawn, and since nothing draws for it, it adds no pixel.
void SetUnpaintedText(HWND control, const wchar_t* text);
