#pragma once
// JPEG, PNG and GIF pictures decoded by Qt's image reader; the load
// sequence for picture files the user picks (gui/graphics/LPictureFile.h:
// JPEG, then PNG, then our own BMP decoder) is built on them. Only those
// three kinds are handed to Qt, recognised by their content, so every bitmap
// file reaches our own decoder whatever its name.

#include "gui/graphics/LImageDecodeRequest.h"
#include "gui/graphics/LPictureFile.h"

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
