#pragma once
// The kinds of medium a disc operation can target; "Image File" stands for
// writing to a file instead of a drive.

#include <cstdint>

enum LMediaType : uint32_t {
    kMediaCdR = 0,
    kMediaCdRw = 1,
    kMediaCdRom = 2,
    kMediaDvdR = 3,
    kMediaDvdRw = 4,
    kMediaDvdRDl = 5,
    kMediaDvdPlusR = 6,
    kMediaDvdPlusRDl = 7,
    kMediaDvdPlusRw = 8,
    kMediaDvdRwDl = 9,
    kMediaDvdRam = 10,
    kMediaDvdRom = 11,
    kMediaHdDvdRom = 12,
    kMediaHdDvdR = 13,
    kMediaHdDvdRam = 14,
    kMediaBdRom = 15,
    kMediaBdR = 16,
    kMediaBdRe = 17,
    kMediaImageFile = 18,
    kMediaNoDisc = 19,
};

// The medium's name; "" for any other code.
const char* LMediaTypeName(uint32_t code);
