// Skin images decoded once per process: both programs put the same few PNG files on several
// buttons (each state of each button, the hover image twice), and decoding is the costly part.
// Every caller still gets a bitmap of its own.
#pragma once
#include <windows.h>

// A new 32-bit bitmap with the pixels of the image file at path (the caller owns it), or null
// when the file does not exist or cannot be decoded. The first call for a file decodes it
// (LoadSkinImage); later calls copy the decoded pixels while the file's size and time are unchanged.
HBITMAP LoadSkinImageShared(const wchar_t* path);

// Forgets every decoded image (they are also released when the process ends).
void ClearSkinImageCache();
