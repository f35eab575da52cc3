#include "Rle8Bitmap.h"

#include "ContourBitmap.h"

#include "framework/Handles.h"

#include <string.h>

#include <vector>

namespace {

// The largest side a background may have: beyond it the header is not believed.
LONG const kMaxSide = 8192;

// The largest bitmap file believed: the shadow at 300 % takes some 60 KB.
DWORD const kMaxFileSize = 16u << 20;

// Writes the codes of bits (count bytes) into pixels, a bottom-up width x height picture, through
// the colour table colours (entries of them); the entries' fourth bytes are the alpha where
// withAlpha, else the pixels' top bytes stay 0.
void DecodeCodes(const BYTE* bits, size_t count, const RGBQUAD* colours, DWORD entries, bool withAlpha,
                 UINT32* pixels, LONG width, LONG height) {
    auto colourOf = [&](BYTE index) -> UINT32 {
        if (index >= entries)
            return 0;
        const RGBQUAD& c = colours[index];
        UINT32 const alpha = withAlpha ? UINT32(c.rgbReserved) << 24 : 0;
        return alpha | (UINT32(c.rgbRed) << 16) | (UINT32(c.rgbGreen) << 8) | c.rgbBlue;
    };
    LONG x = 0, y = 0;  // y counts rows from the bottom
    size_t at = 0;
    while (at + 2 <= count && y < height) {
        BYTE const first = bits[at], second = bits[at + 1];
        at += 2;
        if (first > 0) {  // a run of one colour
            UINT32 const colour = colourOf(second);
            for (int i = 0; i < first && x < width; ++i)
                pixels[y * width + x++] = colour;
            continue;
        }
        if (second == 0) {  // end of line
            x = 0;
            ++y;
        } else if (second == 1) {  // end of bitmap
            return;
        } else if (second == 2) {  // move right and up
            if (at + 2 > count)
                return;
            x += bits[at];
            y += bits[at + 1];
            at += 2;
        } else {  // second literal indices, padded to a whole word
            if (at + second > count)
                return;
            for (int i = 0; i < second && x < width; ++i)
                pixels[y * width + x++] = colourOf(bits[at + i]);
            at += second + (second & 1);
        }
    }
}

}  // namespace

HBITMAP DecodeRle8Bitmap(const BYTE* packed, size_t size, bool withAlpha) {
    if (!packed || size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPINFOHEADER header;
    memcpy(&header, packed, sizeof(header));
    if (header.biSize < sizeof(header) || header.biSize > size || header.biCompression != BI_RLE8 ||
        header.biBitCount != 8 || header.biPlanes != 1 || header.biWidth <= 0 || header.biWidth > kMaxSide ||
        header.biHeight <= 0 || header.biHeight > kMaxSide)
        return nullptr;
    DWORD const entries = header.biClrUsed ? header.biClrUsed : 256;
    size_t const coloursAt = header.biSize;
    if (entries > 256 || (size - coloursAt) / sizeof(RGBQUAD) < entries)
        return nullptr;
    size_t const bitsAt = coloursAt + entries * sizeof(RGBQUAD);
    HBITMAP section = nullptr;
    void* pixels = nullptr;
    if (!CreateDIB32(header.biWidth, header.biHeight, &section, &pixels))
        return nullptr;
    // A fresh section is all zero: black wherever the codes write nothing.
    DecodeCodes(packed + bitsAt, size - bitsAt, reinterpret_cast<const RGBQUAD*>(packed + coloursAt), entries,
                withAlpha, static_cast<UINT32*>(pixels), header.biWidth, header.biHeight);
    return section;
}

HBITMAP LoadRle8BitmapResource(HINSTANCE instance, UINT id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes ? DecodeRle8Bitmap(static_cast<const BYTE*>(bytes), SizeofResource(instance, found)) : nullptr;
}

HBITMAP LoadRle8BitmapFileWithAlpha(const wchar_t* path, SIZE size) {
    fw::KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER fileSize = {};
    if (!file.IsValid() || !GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart > kMaxFileSize)
        return nullptr;
    std::vector<BYTE> bytes(static_cast<size_t>(fileSize.QuadPart));
    DWORD read = 0;
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) ||
        !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size() ||
        bytes[0] != 'B' || bytes[1] != 'M')
        return nullptr;
    BITMAPINFOHEADER header;
    memcpy(&header, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof(header));
    if (header.biWidth != size.cx || header.biHeight != size.cy)
        return nullptr;
    return DecodeRle8Bitmap(bytes.data() + sizeof(BITMAPFILEHEADER), bytes.size() - sizeof(BITMAPFILEHEADER), true);
}
