// The programs' backgrounds are stored as 8-bit run-length-encoded bitmaps (tools/rle8-bitmap.py).
// Decoded here straight into a 32-bit section: Windows' own loader would make an 8-bit section
// whose every paint converts each pixel, or a bitmap of the screen's depth through a temporary
// copy, and under Wine that temporary copy's memory stays with the process.
#pragma once
#include <windows.h>

// packed: a packed DIB (BITMAPINFOHEADER, colour table, bits) of size bytes, as an RT_BITMAP
// resource holds it. A new bottom-up 32-bit section with its pixels (the caller owns it), or null
// when it is not a sound BI_RLE8 bitmap. Pixels the codes skip stay black; codes that would
// write outside the picture end the decoding there.
HBITMAP DecodeRle8Bitmap(const BYTE* packed, size_t size);

// Bitmap resource id decoded by DecodeRle8Bitmap, or null when there is none or it is no BI_RLE8
// bitmap.
HBITMAP LoadRle8BitmapResource(HINSTANCE instance, UINT id);
