#include "gui/graphics/LBitmapFlip.h"

#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One pixel moved as a unit of N bytes.
template <int N> struct Pixel
{
    uint8_t bytes[N];
};

template <int N> inline void ReverseRow(uint8_t* to, const uint8_t* from, uint64_t w)
{
    auto* out = reinterpret_cast<Pixel<N>*>(to);
    const auto* in = reinterpret_cast<const Pixel<N>*>(from);
    for (uint64_t i = 0; i < w; ++i)
        std::memcpy(&out[i], &in[w - 1 - i], N);
}

template <int N> inline void ReverseRowInPlace(uint8_t* row, uint64_t w)
{
    auto* p = reinterpret_cast<Pixel<N>*>(row);
    for (uint64_t i = 0; i < w / 2; ++i) {
        Pixel<N> t;
        std::memcpy(&t, &p[i], N);
        std::memcpy(&p[i], &p[w - 1 - i], N);
        std::memcpy(&p[w - 1 - i], &t, N);
    }
}

template <int N> void FlipHorizontalInPlace(LBitmap& b)
{
    for (int32_t r = 0; r < b.height; ++r)
        ReverseRowInPlace<N>(b.Row(r), uint32_t(b.width));
}

void FlipVerticalInPlace(LBitmap& b, uint64_t rowBytes)
{
    std::vector<uint8_t> temp(rowBytes);
    for (int32_t r = 0; r < b.height / 2; ++r) {
        uint8_t* top = b.Row(r);
        uint8_t* bottom = b.Row(b.height - 1 - r);
        std::memcpy(temp.data(), top, rowBytes);
        std::memcpy(top, bottom, rowBytes);
        std::memcpy(bottom, temp.data(), rowBytes);
    }
}

template <int N> void FlipBothInPlace(LBitmap& b)
{
    const uint64_t w = uint32_t(b.width);
    for (int32_t r = 0; r < b.height / 2; ++r) {
        auto* top = reinterpret_cast<Pixel<N>*>(b.Row(r));
        auto* bottom = reinterpret_cast<Pixel<N>*>(b.Row(b.height - 1 - r));
        for (uint64_t i = 0; i < w; ++i) {
            Pixel<N> t;
            std::memcpy(&t, &top[i], N);
            std::memcpy(&top[i], &bottom[w - 1 - i], N);
            std::memcpy(&bottom[w - 1 - i], &t, N);
        }
    }
    if (b.height % 2 == 1)
        ReverseRowInPlace<N>(b.Row(b.height / 2), w);
}

template <int N> int FlipMember(int mode, LBitmap& destination, const LBitmap& source)
{
    const uint64_t w = uint32_t(source.width);
    const int32_t h = source.height;
    const uint64_t rowBytes = w * N;
    if (&destination == &source || destination.buffer == source.buffer) {
        LBitmap& b = destination;
        switch (mode) {
        case 0:
            return 0;
        case 1:
            FlipHorizontalInPlace<N>(b);
            return 0;
        case 2:
            FlipVerticalInPlace(b, rowBytes);
            return 0;
        case 3:
            FlipBothInPlace<N>(b);
            return 0;
        default:
            return 2;
        }
    }
    switch (mode) {
    case 0:
        LBitmapCopy(destination, source);
        return 0;
    case 1:
        for (int32_t r = 0; r < h; ++r)
            ReverseRow<N>(destination.Row(r), source.Row(r), w);
        return 0;
    case 2:
        for (int32_t r = 0; r < h; ++r)
            std::memcpy(destination.Row(h - 1 - r), source.Row(r), rowBytes);
        return 0;
    case 3:
        for (int32_t r = 0; r < h; ++r)
            ReverseRow<N>(destination.Row(h - 1 - r), source.Row(r), w);
        return 0;
    default:
        return 2;
    }
}

struct PlaneView
{
    uint8_t* data;
    uint64_t stride;
    uint64_t width; // bytes
    uint64_t rows;
};

void PlanesOf(const LBitmap& b, PlaneView planes[3])
{
    const uint64_t w = uint32_t(b.width);
    const uint64_t h = uint32_t(b.height);
    planes[0] = {b.Plane(0), b.stride, w, h};
    planes[1] = {b.Plane(1), b.stride1, (w + 1) / 2, (h + 1) / 2};
    planes[2] = {b.Plane(2), b.stride2, (w + 1) / 2, (h + 1) / 2};
}

void ReverseBytes(uint8_t* row, uint64_t n)
{
    std::reverse(row, row + n);
}

} // namespace

int LFlipPlanarInPlace(int mode, LBitmap& bitmap)
{
    if (!LBitmapIsValid(bitmap))
        return 0;
    PlaneView planes[3];
    PlanesOf(bitmap, planes);
    for (const PlaneView& p : planes) {
        if (mode == 2 || mode == 3) {
            std::vector<uint8_t> temp(p.width);
            for (uint64_t r = 0; r < p.rows / 2; ++r) {
                uint8_t* top = p.data + r * p.stride;
                uint8_t* bottom = p.data + (p.rows - 1 - r) * p.stride;
                std::memcpy(temp.data(), top, p.width);
                std::memcpy(top, bottom, p.width);
                std::memcpy(bottom, temp.data(), p.width);
            }
        }
        if (mode == 1 || mode == 3)
            for (uint64_t r = 0; r < p.rows; ++r)
                ReverseBytes(p.data + r * p.stride, p.width);
    }
    return 0;
}

int LFlipPlanar(int mode, LBitmap& destination, const LBitmap& source)
{
    if (&destination == &source || destination.buffer == source.buffer)
        return LFlipPlanarInPlace(mode, destination);
    if (!LBitmapIsValid(source) || !LBitmapIsValid(destination))
        return 0;
    if (mode == 0) {
        LBitmapCopy(destination, source);
        return 0;
    }
    if (mode < 0 || mode > 3)
        return 0;
    PlaneView to[3], from[3];
    PlanesOf(destination, to);
    PlanesOf(source, from);
    for (int i = 0; i < 3; ++i) {
        for (uint64_t r = 0; r < from[i].rows; ++r) {
            const uint64_t target = (mode == 1) ? r : from[i].rows - 1 - r;
            uint8_t* out = to[i].data + target * to[i].stride;
            std::memcpy(out, from[i].data + r * from[i].stride, from[i].width);
            if (mode != 2)
                ReverseBytes(out, from[i].width);
        }
    }
    return 0;
}

int LBitmapFlipCopy(int mode, LProcessContext& context, LBitmap& destination, const LBitmap& source)
{
    if (context.IsStopRequested())
        return 1;
    const bool inPlace =
        &destination == &source || (source.buffer != nullptr && destination.buffer == source.buffer);
    if (!inPlace && LBitmapIsValid(source) &&
        (!LBitmapIsValid(destination) || destination.format != source.format ||
         destination.width != source.width || destination.height != source.height))
        return 2;
    if (!LBitmapIsValid(source)) {
        // Nothing to move; still refuse what could never be done.
        switch (source.format) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
            return mode >= 0 && mode <= 3 ? 0 : 2;
        case 8:
        case 9:
            return 0;
        default:
            return 2;
        }
    }
    switch (source.format) {
    case 0:
    case 5:
    case 6:
        return FlipMember<4>(mode, destination, source);
    case 1:
        return FlipMember<3>(mode, destination, source);
    case 2:
    case 3:
    case 4:
        return FlipMember<2>(mode, destination, source);
    case 8:
    case 9:
        return LFlipPlanar(mode, destination, source);
    default:
        return 2;
    }
}
