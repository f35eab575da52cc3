#include "Screenshot.h"

#include "Harness.h"

#include <stdlib.h>

namespace e2e {

bool ColourNear(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

Screenshot::Screenshot(const RECT& screen)
    : width_(screen.right - screen.left), height_(screen.bottom - screen.top) {
    if (width_ <= 0 || height_ <= 0) {
        width_ = height_ = 0;
        return;
    }
    pixels_.assign(static_cast<size_t>(width_) * height_, 0);
    HDC screenDc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section) {
        HGDIOBJ previous = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width_, height_, screenDc, screen.left, screen.top, SRCCOPY);
        GdiFlush();
        memcpy(pixels_.data(), bits, pixels_.size() * sizeof(DWORD));
        SelectObject(memory, previous);
        DeleteObject(section);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDc);
}

COLORREF Screenshot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    DWORD p = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Screenshot::CountDifferent(const Screenshot& other, const RECT& area) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) != other.At(x, y))
                ++count;
    return count;
}

int Screenshot::CountNear(const RECT& area, COLORREF colour, int tolerance) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (ColourNear(At(x, y), colour, tolerance))
                ++count;
    return count;
}

std::wstring Screenshot::SaveArtifact(const wchar_t* fileName) const {
    std::wstring folder;
    char unixFolder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("DORMELLO_ARTIFACTS", unixFolder, sizeof(unixFolder));
    if (length > 0 && length < sizeof(unixFolder)) {
        folder = WindowsPathFromUnix(unixFolder);
    } else {
        wchar_t temp[MAX_PATH];
        GetTempPathW(ARRAYSIZE(temp), temp);
        folder = temp;
    }
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    std::wstring path = folder + fileName;

    int rowBytes = (width_ * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width_;
    header.biHeight = height_;  // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(rowBytes) * height_;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;

    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return std::wstring();
    DWORD written = 0;
    WriteFile(out, &file, sizeof(file), &written, nullptr);
    WriteFile(out, &header, sizeof(header), &written, nullptr);
    std::vector<BYTE> row(static_cast<size_t>(rowBytes), 0);
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            COLORREF c = At(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
        WriteFile(out, row.data(), static_cast<DWORD>(row.size()), &written, nullptr);
    }
    CloseHandle(out);
    return path;
}

std::string WhyCaptionUnreadable(HWND window, HWND button) {
    RECT windowRect = {}, buttonRect = {};
    GetWindowRect(window, &windowRect);
    GetWindowRect(button, &buttonRect);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    bool shaped = GetWindowRgn(window, shape) != ERROR;
    POINT const corners[] = {{buttonRect.left, buttonRect.top}, {buttonRect.right - 1, buttonRect.top},
                             {buttonRect.left, buttonRect.bottom - 1}, {buttonRect.right - 1, buttonRect.bottom - 1}};
    bool inside = true;
    for (POINT corner : corners) {
        inside &= PtInRect(&windowRect, corner) != FALSE;
        if (shaped)
            inside &= PtInRegion(shape, corner.x - windowRect.left, corner.y - windowRect.top) != FALSE;
    }
    DeleteObject(shape);
    if (!inside)
        return "the button lies partly outside the window's shape";

    Screenshot shot(buttonRect);
    RECT all = {0, 0, shot.Width(), shot.Height()};
    int light = shot.CountNear(all, GetSysColor(COLOR_BTNFACE), 16);
    int dark = shot.CountNear(all, GetSysColor(COLOR_BTNTEXT), 96);
    if (light * 2 < shot.Width() * shot.Height())
        return "the face is not the light system face (" + std::to_string(light) + " face pixels)";
    if (dark < 15)
        return "no dark caption on the face (" + std::to_string(dark) + " text pixels)";
    return std::string();
}

}  // namespace e2e
