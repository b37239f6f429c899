#pragma once
// Little helpers for writing and reading the fields of disc structures.

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

namespace disc {

inline void Put8(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
}
inline void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put16Be(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put32Be(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
inline void Put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
// Both-byte-order fields of ISO 9660: little-endian then big-endian.
inline void PutBoth16(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16Be(p + 2, v);
}
inline void PutBoth32(uint8_t* p, uint32_t v)
{
    Put32(p, v);
    Put32Be(p + 4, v);
}

inline uint32_t Get16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
inline uint32_t Get16Be(const uint8_t* p)
{
    return (p[0] << 8) | p[1];
}
inline uint32_t Get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t Get32Be(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
inline uint64_t Get64(const uint8_t* p)
{
    return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

// The calendar fields of a time in UTC; times before 1970 or unreadable read as 1970.
inline std::tm UtcFields(time_t when)
{
    std::tm fields{};
    if (when < 0 || gmtime_r(&when, &fields) == nullptr) {
        time_t zero = 0;
        gmtime_r(&zero, &fields);
    }
    return fields;
}

inline uint64_t SectorsFor(uint64_t bytes)
{
    return (bytes + 2047) / 2048;
}

} // namespace disc
