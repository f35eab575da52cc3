#include "BandedPaint.h"

#include "ContourBitmap.h"

PaintBand::PaintBand(HDC target, int width) : memory_(target) {
    HBITMAP section = nullptr;
    // A section, not a bitmap of the screen's kind: under Wine the memory of those stays with
    // the process once freed.
    if (width > 0 && CreateDIB32(width, kPaintBandRows, &section, nullptr))
        section_.Attach(section);
    if (memory_ && section_.GetSafeHandle())
        previous_ = SelectObject(memory_, section_);
    else
        section_.DeleteObject();
}

PaintBand::~PaintBand() {
    if (previous_)
        SelectObject(memory_, previous_);
}

HDC PaintBand::Start(int top) {
    SetViewportOrgEx(memory_, 0, -top, nullptr);
    SetBkMode(memory_, TRANSPARENT);
    SelectClipRgn(memory_, nullptr);
    return memory_;
}

void PaintBand::Finish(HDC target, const RECT& rows) {
    BitBlt(target, rows.left, rows.top, rows.right - rows.left, rows.bottom - rows.top, memory_, rows.left, rows.top,
           SRCCOPY);
}
