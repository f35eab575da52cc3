// A bitmap that can cut a window region out of itself by a key colour and draw itself.
#pragma once
#include "framework/GdiObjects.h"

class CContourBitmap : public fw::Bitmap {
public:
    using fw::Bitmap::Bitmap;
};
