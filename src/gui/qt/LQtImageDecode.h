#pragma once
// JPEG, PNG and GIF pictures decoded by Qt's image reader, and the load
// sequence for picture files the user picks (JPEG, then PNG, then our own
// BMP decoder). Only those three kinds are handed to Qt, recognised by their
// content, so every bitmap file reaches our own decoder whatever its name.

#include "gui/graphics/LImageDecodeRequest.h"

class LProcessContext;
struct LBitmap;

// The first picture of the request's file (read from its start, without
// moving the reader) or of its memory, into the target as format 0.
// 0 decoded, 1 stopped, 2 refused (the request's failure names why).
int LImageDecodeFromFile(LProcessContext& context, LImageDecodeRequest& request);
int LImageDecodeFromMemory(LProcessContext& context, LImageDecodeRequest& request);

// LImageDecodeFromFile with the status text of the kind expected.
int LDecodeJpegFile(LProcessContext& context, LImageDecodeRequest& request);
int LDecodePngFile(LProcessContext& context, LImageDecodeRequest& request);

// Which decoder the load sequence used.
enum class LPictureDecoder {
    None,
    Platform,
    Bmp,
};

// Opens the file read-only under a shared lock (waiting up to 3 s, then going
// on without it) and tries JPEG, PNG and BMP in turn; the first that decodes
// fills the target. 0, 1 or 2 as the decoders; failure holds the cause.
int LLoadPictureFile(LProcessContext& context, const char* path, LBitmap& target,
                     LPictureDecoder* used = nullptr, char* failure = nullptr, size_t failureSize = 0,
                     uint32_t* bitsPerPixel = nullptr);
