#pragma once
// Pictures for the decoding tests: ImageMagick's own decode of a file as
// RGBA, ours through the load sequence, and comparisons that say where the
// first difference lies.

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmap.h"
#include "gui/qt/images/LQtImageDecode.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace quorin::test {

struct Rgba
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // R, G, B, A per pixel, top row first
};

// A P7 (any depth, maxval 255) or P6 file's pixels as RGBA.
inline bool ParseNetpbm(const std::string& data, Rgba& out)
{
    std::istringstream in(data);
    std::string magic;
    in >> magic;
    int depth = 3, maxval = 255;
    if (magic == "P7") {
        std::string key;
        while (in >> key && key != "ENDHDR") {
            std::string value;
            in >> value;
            if (key == "WIDTH")
                out.width = std::atoi(value.c_str());
            else if (key == "HEIGHT")
                out.height = std::atoi(value.c_str());
            else if (key == "DEPTH")
                depth = std::atoi(value.c_str());
            else if (key == "MAXVAL")
                maxval = std::atoi(value.c_str());
        }
    } else if (magic == "P6") {
        in >> out.width >> out.height >> maxval;
    } else {
        return false;
    }
    in.get();
    if ((maxval != 255 && maxval != 65535) || out.width <= 0 || out.height <= 0)
        return false;
    const size_t start = size_t(in.tellg());
    const size_t n = size_t(out.width) * size_t(out.height);
    const size_t sample = maxval == 255 ? 1 : 2;
    if (data.size() < start + n * size_t(depth) * sample)
        return false;
    // 16-bit samples are rounded to 8 bits.
    std::vector<uint8_t> samples(n * size_t(depth));
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto* q = reinterpret_cast<const uint8_t*>(data.data()) + start + i * sample;
        samples[i] = sample == 1 ? q[0] : uint8_t(((uint32_t(q[0]) << 8 | q[1]) + 128) / 257);
    }
    out.pixels.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = samples.data() + i * size_t(depth);
        uint8_t r = p[0], g = p[0], b = p[0], a = 255;
        if (depth >= 3)
            g = p[1], b = p[2];
        if (depth == 2)
            a = p[1];
        if (depth == 4)
            a = p[3];
        out.pixels[i * 4] = r;
        out.pixels[i * 4 + 1] = g;
        out.pixels[i * 4 + 2] = b;
        out.pixels[i * 4 + 3] = a;
    }
    return true;
}

// ImageMagick's decode of a file; false when it refuses it. depth 16 takes
// its samples at 16 bits and rounds them here.
inline bool MagickPixels(const std::string& path, Rgba& out, const std::string& options = "", int depth = 8)
{
    int status = 0;
    const std::string data = CaptureCommand("convert " + Quote(path) + " " + options + " -depth " +
                                                std::to_string(depth) + " pam:- 2>/dev/null",
                                            &status);
    return status == 0 && ParseNetpbm(data, out);
}

inline Rgba BitmapPixels(const LBitmap& bitmap)
{
    Rgba out;
    out.width = bitmap.width;
    out.height = bitmap.height;
    LPixelIterator it;
    it.Setup(bitmap, 0);
    while (!it.Done()) {
        const uint32_t c = it.Read();
        out.pixels.push_back(uint8_t(c >> 16));
        out.pixels.push_back(uint8_t(c >> 8));
        out.pixels.push_back(uint8_t(c));
        out.pixels.push_back(uint8_t(c >> 24));
        it.Advance();
    }
    return out;
}

// Compares two pictures; tolerance per channel. Empty when they match, else
// where and how the first pixel differs, and how many do.
inline std::string Difference(const Rgba& expected, const Rgba& actual, int tolerance = 0)
{
    if (expected.width != actual.width || expected.height != actual.height)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + ", expected " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    size_t count = 0;
    std::string first;
    for (size_t i = 0; i < expected.pixels.size(); i += 4) {
        bool differs = false;
        for (int c = 0; c < 4; ++c)
            differs |= std::abs(int(expected.pixels[i + c]) - int(actual.pixels[i + c])) > tolerance;
        if (!differs)
            continue;
        if (count++ == 0) {
            const size_t p = i / 4;
            std::ostringstream s;
            s << "pixel (" << p % size_t(expected.width) << ", " << p / size_t(expected.width) << ") is ";
            for (int c = 0; c < 4; ++c)
                s << int(actual.pixels[i + c]) << (c < 3 ? "," : "");
            s << ", expected ";
            for (int c = 0; c < 4; ++c)
                s << int(expected.pixels[i + c]) << (c < 3 ? "," : "");
            first = s.str();
        }
    }
    return count ? first + " (" + std::to_string(count) + " pixels differ)" : std::string();
}

// ImageMagick widens an n-bit field by shifting it up; we scale it to the
// full range (31 -> 255 rather than 248, 1-bit alpha -> 255 rather than
// 128). Its value is mapped back to the field and scaled our way.
inline void ScaleMagickFields(Rgba& picture, const int bits[4])
{
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const int n = bits[i % 4];
        if (n <= 0 || n >= 8)
            continue;
        const uint32_t m = (1u << n) - 1;
        const uint32_t v = picture.pixels[i] >> (8 - n);
        picture.pixels[i] = uint8_t((v * 255 + m / 2) / m);
    }
}

struct LoadedPicture
{
    int result = -1;
    LPictureDecoder decoder = LPictureDecoder::None;
    std::string failure;
    Rgba pixels;
};

inline LoadedPicture LoadPicture(const std::string& path, LBitmap& bitmap)
{
    LLocalProcessContext context;
    LoadedPicture out;
    char failure[160] = {};
    out.result = LLoadPictureFile(context, path.c_str(), bitmap, &out.decoder, failure, sizeof failure);
    out.failure = failure;
    if (out.result == 0)
        out.pixels = BitmapPixels(bitmap);
    return out;
}

inline LoadedPicture LoadPicture(const std::string& path)
{
    LBitmap bitmap;
    return LoadPicture(path, bitmap);
}

} // namespace quorin::test
