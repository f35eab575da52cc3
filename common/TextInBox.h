#pragma once
#include <windows.h>

#include <string>

// The format that keeps a word-wrapped text (format holds DT_WORDBREAK) inside box's width.
// Windows breaks lines between words, and between full-width characters unless told not to
// (DT_NOFULLWIDTHCHARBREAK); but not every system does the latter: Wine 10 breaks a run of
// Chinese characters only where the first one past the edge may start a line, and draws the rest
// of the run beyond the box, where it is cut off. Where the text comes out wider than its box, the
// format also breaks inside a word, at the box's edge (DT_EDITCONTROL). Else format unchanged.
UINT FormatKeepingTextInBox(HDC dc, const wchar_t* text, int length, const RECT& box, UINT format);

// Draws text word-wrapped in box with format kept inside it (above), and where focusCue, the
// focus cue of a check box whose label it is around the text as laid out, at dpi.
void DrawTextInBox(HDC dc, const std::wstring& text, RECT box, UINT format, bool focusCue, UINT dpi);
