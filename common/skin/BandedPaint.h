// Double-buffered painting a band of rows at a time: each band of a window's picture is drawn
// whole into a small section and then copied, so the window never shows a picture half drawn and
// no buffer the size of the window is made. At large scales, memory touched for the first time
// is the dearest part of a paint (a 200 % window's buffer is 2 MB).
#pragma once
#include <windows.h>

#include "framework/GdiObjects.h"

int const kPaintBandRows = 64;

class PaintBand {
public:
    // A buffer of width x kPaintBandRows for painting into target.
    PaintBand(HDC target, int width);
    ~PaintBand();
    PaintBand(const PaintBand&) = delete;
    PaintBand& operator=(const PaintBand&) = delete;

    bool IsValid() const { return section_.GetSafeHandle() != nullptr; }
    // The buffer, ready for the band whose top row is top: it takes window coordinates.
    HDC Start(int top);
    // Copies the band's rows (rows, in window coordinates) to target.
    void Finish(HDC target, const RECT& rows);

private:
    fw::MemoryDC memory_;
    fw::Bitmap section_;
    HGDIOBJ previous_ = nullptr;
};

// Paints the part dirty of a window picture of size into dc: draw(buffer, band) draws everything
// that touches band (in window coordinates) into buffer. Without memory for a buffer, draw paints
// straight into dc. The bands start at multiples of kPaintBandRows, a multiple of 8: a patterned
// brush (a dotted focus cue's too) keeps the phase it has in a picture drawn whole.
template <class Draw>
void PaintInBands(HDC dc, SIZE size, const RECT& dirty, Draw draw) {
    RECT const all = {0, 0, size.cx, size.cy};
    RECT area = {};
    if (!IntersectRect(&area, &all, &dirty))
        return;
    PaintBand band(dc, size.cx);
    if (!band.IsValid()) {
        SetBkMode(dc, TRANSPARENT);
        draw(dc, all);
        return;
    }
    for (int top = area.top - area.top % kPaintBandRows; top < area.bottom; top += kPaintBandRows) {
        RECT const rows = {0, top, size.cx, top + kPaintBandRows < area.bottom ? top + kPaintBandRows : area.bottom};
        draw(band.Start(top), rows);
        band.Finish(dc, rows);
    }
}
