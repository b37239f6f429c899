#pragma once
// Shared steps of the qd-image subcommands: decoding by the chosen decoder
// and writing a bitmap as a PPM or PAM file.

#include "gui/graphics/LBitmap.h"

#include <string>

enum class QdDecoderChoice {
    Auto,
    Bmp,
    Platform,
};

struct QdDecoded
{
    int result = 2;
    bool usedBmp = false;
    uint32_t bitsPerPixel = 0;
    std::string failure;
};

// False when the file cannot be opened at all (an I/O error, not a refusal).
bool QdDecodeFile(const char* path, QdDecoderChoice choice, LBitmap& bitmap, QdDecoded& out);

// Writes the picture top row first: binary P6 for ".ppm", P7 RGB_ALPHA for
// ".pam"; false for another suffix or a write error (errno set).
bool QdWritePicture(const LBitmap& bitmap, const std::string& path, std::string& error);
