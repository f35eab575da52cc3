#include "SkinImageCache.h"

#include "ContourBitmap.h"

#include <stdlib.h>
#include <string.h>


namespace {

// One decoded file: its path, the size and time that identify its content, and the pixels.
struct DecodedImage {
    wchar_t path[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA stamp;
    HBITMAP pixels;
};

bool SameContent(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
    return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

// The few files a program's skin has; only the user-interface thread of each program loads
// skins. Owns the decoded bitmaps until Clear or the end of the process.
class SkinImageCache {
public:
    ~SkinImageCache() { Clear(); }

    HBITMAP Find(const wchar_t* path, const WIN32_FILE_ATTRIBUTE_DATA& stamp) const {
        for (size_t i = 0; i < count_; ++i)
            if (lstrcmpiW(images_[i].path, path) == 0 && SameContent(images_[i].stamp, stamp))
                return images_[i].pixels;
        return nullptr;
    }
    // Keeps pixels (when there is room; otherwise the caller's copy is all there is).
    bool Add(const wchar_t* path, const WIN32_FILE_ATTRIBUTE_DATA& stamp, HBITMAP pixels) {
        if (!images_)
            images_ = static_cast<DecodedImage*>(calloc(kCapacity, sizeof(DecodedImage)));
        if (!images_ || count_ == kCapacity || lstrlenW(path) >= MAX_PATH)
            return false;
        DecodedImage& image = images_[count_++];
        lstrcpynW(image.path, path, MAX_PATH);
        image.stamp = stamp;
        image.pixels = pixels;
        return true;
    }
    void Clear() {
        for (size_t i = 0; i < count_; ++i)
            DeleteObject(images_[i].pixels);
        count_ = 0;
        free(images_);
        images_ = nullptr;
    }

private:
    static size_t const kCapacity = 16;
    DecodedImage* images_ = nullptr;
    size_t count_ = 0;
};

SkinImageCache g_cache;

// A DIB section with the same header and the same bytes as source (a DIB section), or null.
HBITMAP DuplicateSection(HBITMAP source) {
    DIBSECTION section = {};
    if (!source || GetObjectW(source, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits)
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader = section.dsBmih;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy)
        return nullptr;
    GdiFlush();  // the source's bits are complete before they are read
    memcpy(bits, section.dsBm.bmBits, static_cast<size_t>(section.dsBm.bmWidthBytes) * section.dsBm.bmHeight);
    return copy;
}

}  // namespace

HBITMAP LoadSkinImageShared(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA stamp = {};
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &stamp) ||
        (stamp.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return nullptr;
    if (HBITMAP known = g_cache.Find(path, stamp))
        return DuplicateSection(known);
    HBITMAP decoded = LoadSkinImage(path);
    if (!decoded || !g_cache.Add(path, stamp, decoded))
        return decoded;
    return DuplicateSection(decoded);
}

void ClearSkinImageCache() {
    g_cache.Clear();
}
