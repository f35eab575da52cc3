// The programs' backgrounds are stored as 8-bit run-length-encoded bitmaps (tools/rle8-bitmap.py).
// Decoded here straight into a 32-bit section: Windows' own loader would make an 8-bit section
// whose every paint converts each pixel, or a bitmap of the screen's depth through a temporary
// copy, and under Wine that temporary copy's memory stays with the process.
#pragma once
#include <windows.h>

// packed: a packed DIB (BITMAPINFOHEADER, colour table, bits) of size bytes, as an RT_BITMAP
// resource holds it. A new bottom-up 32-bit section with its pixels (the caller owns it), or null
// when it is not a sound BI_RLE8 bitmap. Pixels the codes skip stay black (and clear); codes that
// would write outside the picture end the decoding there. withAlpha: each colour-table entry's
// fourth byte is its alpha and its colour is premultiplied (tools/rle8-bitmap.py --alpha), the
// form a layered window takes; else the pixels' top bytes stay 0.
HBITMAP DecodeRle8Bitmap(const BYTE* packed, size_t size, bool withAlpha = false);

// The bitmap file at path (made by tools/rle8-bitmap.py --alpha) decoded with its alpha, or null
// when it is missing, unreadable, no such bitmap or not of size (checked before decoding).
HBITMAP LoadRle8BitmapFileWithAlpha(const wchar_t* path, SIZE size);

// Bitmap resource id decoded by DecodeRle8Bitmap, or null when there is none or it is no BI_RLE8
// bitmap.
HBITMAP LoadRle8BitmapResource(HINSTANCE instance, UINT id);
