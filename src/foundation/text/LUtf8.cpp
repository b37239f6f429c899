#include "foundation/text/LUtf8.h"

#include <cstring>

int LUtf8SequenceLength(unsigned char lead)
{
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    if (lead < 0xF8)
        return 4;
    if (lead < 0xFC)
        return 5;
    return 6;
}

std::size_t LUtf8CopyWhole(char* dest, const char* src, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t used = 0;
    if (src) {
        while (src[used] != '\0') {
            int n = LUtf8SequenceLength(static_cast<unsigned char>(src[used]));
            if (used + n > size - 1)
                break;
            // Look at every byte of the sequence before taking it: a terminator
            // inside it means the character was cut short and ends the copy.
            int k = 1;
            while (k < n && src[used + k] != '\0')
                ++k;
            if (k < n)
                break;
            used += n;
        }
        std::memmove(dest, src, used);
    }
    dest[used] = '\0';
    return used;
}

std::size_t LUtf8BoundaryBefore(const char* text, std::size_t length)
{
    if (length == 0)
        return 0;
    // Walk back over at most three continuation bytes to the lead byte of the
    // last character, then keep it only when all of it lies before the cut.
    std::size_t start = length;
    int back = 0;
    while (start > 0 && back < 4) {
        unsigned char c = static_cast<unsigned char>(text[start - 1]);
        --start;
        ++back;
        if ((c & 0xC0) != 0x80)
            break;
    }
    unsigned char lead = static_cast<unsigned char>(text[start]);
    if ((lead & 0xC0) == 0x80)
        return length; // a run of stray continuation bytes: each counts as one
    if (start + LUtf8SequenceLength(lead) <= length)
        return length;
    return start;
}

int LUtf8DecodeOne(const char* text, std::size_t available, char32_t* codePoint)
{
    if (available == 0)
        return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    unsigned char lead = s[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    int n;
    char32_t value;
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            lo = 0xA0; // overlong
        else if (lead == 0xED)
            hi = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            lo = 0x90; // overlong
        else if (lead == 0xF4)
            hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(n) > available)
        return 0;
    for (int i = 1; i < n; ++i) {
        unsigned char c = s[i];
        if (c < (i == 1 ? lo : 0x80) || c > (i == 1 ? hi : 0xBF))
            return 0; // also stops at a terminator inside the sequence
        value = (value << 6) | (c & 0x3F);
    }
    *codePoint = value;
    return n;
}

int LUtf8EncodeOne(char32_t cp, char* out)
{
    if (cp >= 0x110000 || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kUnicodeReplacement;
    unsigned char* o = reinterpret_cast<unsigned char*>(out);
    if (cp < 0x80) {
        o[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        o[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        o[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        o[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        o[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        o[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 3;
    }
    o[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    o[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    o[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 4;
}

bool LUtf8IsValid(const char* text, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        char32_t cp;
        int n = LUtf8DecodeOne(text + i, length - i, &cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

bool LUtf8IsValid(const char* text)
{
    return text == nullptr || LUtf8IsValid(text, std::strlen(text));
}

namespace {

// Decodes NUL-terminated UTF-8 one character at a time without ever looking
// past the terminator (the decoder stops at the first bad byte, and NUL is
// never a valid continuation byte).
int DecodeNext(const char* s, char32_t* cp)
{
    return LUtf8DecodeOne(s, 4, cp);
}

} // namespace

int LUtf8ToCodePoints(std::uint32_t* dest, const char* src, std::size_t count)
{
    if (count == 0)
        return kUtf8OutputFull;
    int status = kUtf8Complete;
    std::size_t out = 0, used = 0;
    if (src) {
        while (src[used] != '\0') {
            char32_t cp;
            int n = DecodeNext(src + used, &cp);
            if (n == 0) {
                status = kUtf8IllFormed;
                break;
            }
            if (used + n >= count) {
                status = kUtf8OutputFull;
                break;
            }
            dest[out++] = cp;
            used += n;
        }
    }
    dest[out] = 0;
    return status;
}

int LCodePointsToUtf8(char* dest, const std::uint32_t* src, std::size_t destSize)
{
    if (destSize == 0)
        return kUtf8OutputFull;
    int status = kUtf8Complete;
    std::size_t out = 0;
    if (src) {
        for (; *src != 0; ++src) {
            char32_t cp = *src;
            if (cp >= 0x110000 || (cp >= 0xD800 && cp <= 0xDFFF))
                status = kUtf8IllFormed;
            char buf[4];
            int n = LUtf8EncodeOne(cp, buf);
            if (out + n > destSize - 1) {
                status = kUtf8OutputFull;
                break;
            }
            std::memcpy(dest + out, buf, n);
            out += n;
        }
    }
    dest[out] = '\0';
    return status;
}

namespace {

int Utf8To16(std::uint16_t* dest, const char* src, std::size_t count, bool allowPairs)
{
    if (count == 0)
        return kUtf8OutputFull;
    int status = kUtf8Complete;
    std::size_t out = 0, used = 0;
    if (src) {
        while (src[used] != '\0') {
            char32_t cp;
            int n = DecodeNext(src + used, &cp);
            if (n == 0) {
                status = kUtf8IllFormed;
                break;
            }
            std::size_t units = (cp > 0xFFFF && allowPairs) ? 2 : 1;
            if (out + units > count - 1) {
                status = kUtf8OutputFull;
                break;
            }
            if (cp > 0xFFFF) {
                if (allowPairs) {
                    char32_t v = cp - 0x10000;
                    dest[out++] = static_cast<std::uint16_t>(0xD800 + (v >> 10));
                    dest[out++] = static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF));
                } else {
                    dest[out++] = static_cast<std::uint16_t>(kUnicodeReplacement);
                    status = kUtf8IllFormed;
                }
            } else {
                dest[out++] = static_cast<std::uint16_t>(cp);
            }
            used += n;
        }
    }
    dest[out] = 0;
    return status;
}

} // namespace

int LUtf8ToWide(std::uint16_t* dest, const char* src, std::size_t count)
{
    return Utf8To16(dest, src, count, true);
}

int LUtf8ToUcs2(std::uint16_t* dest, const char* src, std::size_t count)
{
    return Utf8To16(dest, src, count, false);
}

int LWideToUtf8(char* dest, const std::uint16_t* src, std::size_t destSize, std::size_t srcCount)
{
    if (destSize == 0)
        return kUtf8OutputFull;
    int status = kUtf8Complete;
    std::size_t out = 0;
    if (src) {
        for (std::size_t i = 0; i < srcCount && src[i] != 0;) {
            char32_t cp = src[i];
            std::size_t take = 1;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < srcCount && src[i + 1] >= 0xDC00 &&
                src[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
                take = 2;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = kUnicodeReplacement;
                status = kUtf8IllFormed;
            }
            char buf[4];
            int n = LUtf8EncodeOne(cp, buf);
            if (out + n > destSize - 1) {
                status = kUtf8OutputFull;
                break;
            }
            std::memcpy(dest + out, buf, n);
            out += n;
            i += take;
        }
    }
    dest[out] = '\0';
    return status;
}
