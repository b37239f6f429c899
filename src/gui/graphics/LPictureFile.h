#pragma once
// Loading a picture file the user picked (artwork of a tag, a cover for a
// disc): the file is tried as JPEG, PNG and BMP in turn. The JPEG and PNG
// readers are the toolkit's (gui/qt/images/LQtImageDecode.cpp), the BMP reader our
// own; controls load pictures through this, never through the toolkit.

#include <cstddef>
#include <cstdint>

class LProcessContext;
struct LBitmap;

// Which decoder the load sequence used.
enum class LPictureDecoder {
    None,
    Platform,
    Bmp,
};

// Opens the file read-only under a shared lock (waiting up to 3 s, then going
// on without it) and tries JPEG, PNG and BMP in turn; the first that decodes
// fills the target. 0 decoded, 1 stopped, 2 refused; failure holds the cause.
int LLoadPictureFile(LProcessContext& context, const char* path, LBitmap& target,
                     LPictureDecoder* used = nullptr, char* failure = nullptr, size_t failureSize = 0,
                     uint32_t* bitsPerPixel = nullptr);
