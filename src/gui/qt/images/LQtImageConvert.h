#pragma once
// Pictures between our bitmaps and Qt's images: decoded pictures come in as
// format-0 bitmaps (bytes B, G, R, A, straight alpha); bitmaps go out as
// images whose first row is the picture's top row.

#include <QImage>

class LProcessContext;
struct LBitmap;

// 0 imported, 1 stopped (the target is then untouched), 2 failed. The target
// becomes a format-0 bitmap of the image's size; a target that already is
// one keeps its storage.
int LBitmapFromQImage(LProcessContext& context, LBitmap& target, const QImage& image);

// An image of the bitmap with its top row first; null for an invalid bitmap
// or a format without an image form. opaque ignores format 0's alpha bytes.
QImage LImageToQImage(const LBitmap& bitmap, bool opaque);
// The same, rows in the bitmap's memory order.
QImage LBitmapCreateQImage(const LBitmap& bitmap, bool opaque);
