#pragma once
// A colour as three 16-bit components, the one colour type of the window
// layer; drawing takes the high byte of each (component = (c >> 8) / 255).

#include <cstdint>

struct LRGBColor
{
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;

    static constexpr LRGBColor FromRGB8(int r, int g, int b)
    {
        return {static_cast<uint16_t>((r & 255) * 257), static_cast<uint16_t>((g & 255) * 257),
                static_cast<uint16_t>((b & 255) * 257)};
    }
    constexpr int Red8() const { return red >> 8; }
    constexpr int Green8() const { return green >> 8; }
    constexpr int Blue8() const { return blue >> 8; }
    constexpr bool operator==(const LRGBColor&) const = default;
};
