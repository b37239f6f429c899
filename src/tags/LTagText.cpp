#include "tags/LTagText.h"

#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LUtf8.h"

#include <cstring>

std::string LTagLatin1ToUtf8(const uint8_t* bytes, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char buf[4];
        out.append(buf, static_cast<size_t>(LUtf8EncodeOne(bytes[i], buf)));
    }
    return out;
}

std::string LTagWindows1252ToUtf8(const uint8_t* bytes, size_t length)
{
    // The converter works on terminated text: stop at the first zero byte as it would.
    std::string source(reinterpret_cast<const char*>(bytes),
                       strnlen(reinterpret_cast<const char*>(bytes), length));
    std::string out(source.size() * 3 + 1, '\0');
    const size_t written = LWindowsLatin1ToUtf8(out.data(), source.c_str(), out.size());
    out.resize(written);
    return out;
}

std::string LTagUtf8OrWindows1252(const uint8_t* bytes, size_t length)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    if (LUtf8IsValid(text, length))
        return std::string(text, length);
    return LTagWindows1252ToUtf8(bytes, length);
}

std::string LTagUtf16ToUtf8(const uint8_t* bytes, size_t units, bool bigEndian)
{
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        auto unitAt = [&](size_t k) -> uint32_t {
            return bigEndian ? (bytes[2 * k] << 8 | bytes[2 * k + 1])
                             : (bytes[2 * k + 1] << 8 | bytes[2 * k]);
        };
        uint32_t cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units) {
            const uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = kUnicodeReplacement;
        char buf[4];
        out.append(buf, static_cast<size_t>(LUtf8EncodeOne(cp, buf)));
    }
    return out;
}

std::vector<uint16_t> LTagUtf8ToUtf16(const char* text)
{
    std::vector<uint16_t> units;
    const size_t length = std::strlen(text);
    units.reserve(length);
    for (size_t i = 0; i < length;) {
        char32_t cp;
        int n = LUtf8DecodeOne(text + i, length - i, &cp);
        if (n == 0) {
            // An ill-formed byte: keep a visible mark of it rather than stop.
            cp = kUnicodeReplacement;
            n = 1;
        }
        i += static_cast<size_t>(n);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
    }
    return units;
}

std::string LTagUtf8ToLatin1(const char* text)
{
    std::string out;
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < length;) {
        char32_t cp;
        int n = LUtf8DecodeOne(text + i, length - i, &cp);
        if (n == 0) {
            cp = '?';
            n = 1;
        }
        i += static_cast<size_t>(n);
        out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    }
    return out;
}

uint64_t LTagLeadingNumber(const char* text, uint64_t limit)
{
    if (!text)
        return 0;
    while (*text == ' ' || *text == '\t')
        ++text;
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > limit)
            value = limit; // keeps the multiplication far from overflow
    }
    return value;
}
