#pragma once
// A colour as three 16-bit components; every user takes the high byte of
// each (component = (c >> 8) / 255).

#include <cstdint>

struct LRGBColor
{
    uint16_t r = 0;
    uint16_t g = 0;
    uint16_t b = 0;

    bool operator==(const LRGBColor&) const = default;
};
