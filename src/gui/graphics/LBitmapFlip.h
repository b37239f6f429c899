#pragma once
// Mirrors a bitmap horizontally, vertically or both (a half turn), into a
// second bitmap of the same format and size or in place.

#include "gui/graphics/LBitmap.h"

class LProcessContext;

enum : int {
    LFlipNone = 0,
    LFlipHorizontal = 1, // left and right exchanged
    LFlipVertical = 2,   // top and bottom exchanged
    LFlipBoth = 3,       // a half turn
};

// 0 done, 1 stopped before any work, 2 unknown format or mode, or a
// destination whose format or size differs from the source's. Each bitmap
// steps by its own strides; destination == source flips in place.
int LBitmapFlipCopy(int mode, LProcessContext& context, LBitmap& destination, const LBitmap& source);

// The planar formats (8, 9): every plane mirrored; unknown modes do nothing.
int LFlipPlanar(int mode, LBitmap& destination, const LBitmap& source);
int LFlipPlanarInPlace(int mode, LBitmap& bitmap);
