#include "foundation/text/LCharsetConvert.h"

#include "foundation/text/LStringLong.h"
#include "foundation/text/LUtf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iconv.h>
#include <string>

std::size_t LUtf8ToLatin1(char* dest, const char* src, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t out = 0;
    const char* p = src ? src : "";
    while (*p && out < size - 1) {
        char32_t cp;
        int n = LUtf8DecodeOne(p, 4, &cp);
        if (n == 0)
            break; // the well-formed part before a bad sequence
        if (cp > 0xFF) {
            dest[0] = '\0';
            return 0;
        }
        dest[out++] = static_cast<char>(cp);
        p += n;
    }
    dest[out] = '\0';
    return out;
}

namespace {

// Code page 1252 from 0x80 to 0x9F; the undefined bytes keep their own value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

std::size_t LWindowsLatin1ToUtf8(char* dest, const char* src, std::size_t size)
{
    return LWindowsLatin1BytesToUtf8(dest, size, src, src ? std::strlen(src) : 0);
}

std::size_t LWindowsLatin1BytesToUtf8(char* dest, std::size_t destSize, const char* src,
                                      std::size_t srcLength)
{
    if (destSize == 0)
        return 0;
    std::size_t out = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(src ? src : "");
    for (std::size_t i = 0; src && i < srcLength; ++i) {
        char32_t cp = (p[i] >= 0x80 && p[i] <= 0x9F) ? kWindows1252High[p[i] - 0x80] : p[i];
        char buf[4];
        int n = LUtf8EncodeOne(cp, buf);
        if (out + n > destSize - 1)
            break;
        std::memcpy(dest + out, buf, n);
        out += n;
    }
    dest[out] = '\0';
    return out;
}

const char* LCodePageIconvName(unsigned codePage)
{
    switch (codePage) {
    case 437:
        return "CP437";
    case 737:
        return "CP737";
    case 775:
        return "CP775";
    case 850:
        return "CP850";
    case 852:
        return "CP852";
    case 855:
        return "CP855";
    case 857:
        return "CP857";
    case 860:
        return "CP860";
    case 861:
        return "CP861";
    case 862:
        return "CP862";
    case 863:
        return "CP863";
    case 864:
        return "CP864";
    case 865:
        return "CP865";
    case 866:
        return "CP866";
    case 869:
        return "CP869";
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1252:
        return "CP1252";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    case 10000:
        return "MACINTOSH";
    case 10007:
        return "MAC-CYRILLIC";
    case 12000:
        return "UTF-32LE";
    case 12001:
        return "UTF-32BE";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 28591:
        return "ISO-8859-1";
    case 28592:
        return "ISO-8859-2";
    case 28593:
        return "ISO-8859-3";
    case 28594:
        return "ISO-8859-4";
    case 28595:
        return "ISO-8859-5";
    case 28596:
        return "ISO-8859-6";
    case 28597:
        return "ISO-8859-7";
    case 28598:
        return "ISO-8859-8";
    case 28599:
        return "ISO-8859-9";
    case 28603:
        return "ISO-8859-13";
    case 28605:
        return "ISO-8859-15";
    case 50220:
        return "ISO-2022-JP";
    case 51932:
        return "EUC-JP";
    case 51936:
        return "EUC-CN";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    case 65000:
        return "UTF-7";
    case 65001:
        return "UTF-8";
    default:
        return nullptr;
    }
}

namespace {

// Converts everything or fails: the whole source must be valid in `fromCode`.
bool ConvertWhole(const char* toCode, const char* fromCode, const char* src, std::size_t srcLength,
                  LStringLongTemplate<char>* dest)
{
    iconv_t cd = iconv_open(toCode, fromCode);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    dest->Clear();
    dest->Reserve(srcLength * 4 + 16);
    char* in = const_cast<char*>(src);
    std::size_t inLeft = srcLength;
    bool ok = true;
    for (;;) {
        char* out = dest->data + dest->length;
        std::size_t outLeft = dest->capacity - dest->length - 1;
        std::size_t r = iconv(cd, inLeft ? &in : nullptr, &inLeft, &out, &outLeft);
        dest->length = static_cast<std::uint64_t>(out - dest->data);
        if (r != static_cast<std::size_t>(-1) && inLeft == 0) {
            // Return to the initial shift state (ISO-2022 and the like).
            out = dest->data + dest->length;
            outLeft = dest->capacity - dest->length - 1;
            if (iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1) &&
                errno == E2BIG) {
                dest->Reserve(dest->capacity * 2);
                continue;
            }
            dest->length = static_cast<std::uint64_t>(out - dest->data);
            break;
        }
        if (r == static_cast<std::size_t>(-1) && errno == E2BIG) {
            dest->Reserve(dest->capacity * 2);
            continue;
        }
        ok = false; // an invalid or incomplete sequence
        break;
    }
    iconv_close(cd);
    dest->data[dest->length] = '\0';
    return ok;
}

} // namespace

std::uint64_t LCodePageToUtf8(unsigned codePage, LStringLongTemplate<char>* dest,
                              const LStringLongTemplate<char>* src)
{
    const char* text = src ? src->Text() : "";
    std::size_t length = std::strlen(text);
    const char* name = LCodePageIconvName(codePage);
    if (name && std::strcmp(name, "UTF-8") == 0) {
        dest->Assign(text, length);
        return dest->length;
    }
    // Copy first: `dest` may be `src`.
    LStringLongTemplate<char> source(text);
    if (!name || !ConvertWhole("UTF-8", name, source.Text(), length, dest)) {
        dest->Reserve(1);
        dest->Clear();
    }
    return dest->length;
}

namespace {

// Bytes of the NUL character in an encoding: a byte-order mark that iconv puts
// in front of the first character is told apart by converting one NUL and two.
std::size_t TerminatorWidth(const char* toCode)
{
    std::size_t produced[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        iconv_t cd = iconv_open(toCode, "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return 1;
        char nuls[2] = {0, 0};
        char* in = nuls;
        std::size_t inLeft = static_cast<std::size_t>(i + 1);
        char buf[32];
        char* out = buf;
        std::size_t outLeft = sizeof buf;
        iconv(cd, &in, &inLeft, &out, &outLeft);
        produced[i] = sizeof buf - outLeft;
        iconv_close(cd);
    }
    std::size_t width = produced[1] - produced[0];
    return width >= 1 && width <= 4 ? width : 1;
}

} // namespace

namespace {

// The bytes of U+FFFD in `toCode`, or of '?' where that code has no such
// character, without a byte-order mark: what the second of two adds to one.
std::string ReplacementIn(const char* toCode)
{
    for (const char* mark : {"\xEF\xBF\xBD", "?"}) {
        std::string produced[2];
        for (int count = 1; count <= 2; ++count) {
            iconv_t cd = iconv_open(toCode, "UTF-8");
            if (cd == reinterpret_cast<iconv_t>(-1))
                return std::string();
            std::string in;
            for (int i = 0; i < count; ++i)
                in += mark;
            char* inPtr = in.data();
            std::size_t inLeft = in.size();
            char buf[32];
            char* out = buf;
            std::size_t outLeft = sizeof buf;
            const bool ok = iconv(cd, &inPtr, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) &&
                            iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
            iconv_close(cd);
            if (!ok)
                break;
            produced[count - 1].assign(buf, sizeof buf - outLeft);
        }
        const std::size_t one = produced[0].size();
        const std::size_t two = produced[1].size();
        if (one > 0 && two > one)
            return produced[1].substr(one);
    }
    return std::string();
}

long Convert(char* dest, std::size_t destSize, const char* src, std::size_t srcLength, const char* toCode,
             const char* fromCode, bool replaceBadBytes)
{
    if (destSize == 0 || !dest)
        return -1;
    dest[0] = '\0';
    if (!toCode || !fromCode)
        return -1;
    iconv_t cd = iconv_open(toCode, fromCode);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return -1;
    std::size_t nul = TerminatorWidth(toCode);
    if (destSize < nul) {
        iconv_close(cd);
        std::memset(dest, 0, destSize);
        return 0;
    }
    const std::string replacement = replaceBadBytes ? ReplacementIn(toCode) : std::string();
    char* in = const_cast<char*>(src ? src : "");
    std::size_t inLeft = src ? srcLength : 0;
    char* out = dest;
    std::size_t outLeft = destSize - nul;
    // iconv writes whole characters only, so whatever stops it (a bad
    // sequence, a full buffer) leaves a clean end to terminate.
    while (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        if (!replaceBadBytes || errno == E2BIG || replacement.empty())
            break;
        // EILSEQ or EINVAL: the byte that starts no whole character becomes
        // the replacement, in the initial shift state, and the rest goes on.
        iconv(cd, nullptr, nullptr, &out, &outLeft);
        if (outLeft < replacement.size())
            break;
        std::memcpy(out, replacement.data(), replacement.size());
        out += replacement.size();
        outLeft -= replacement.size();
        ++in;
        --inLeft;
    }
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    iconv_close(cd);
    std::memset(out, 0, nul);
    return static_cast<long>(out - dest);
}

} // namespace

long LIconvConvertBytes(char* dest, std::size_t destSize, const char* src, std::size_t srcLength,
                        const char* toCode, const char* fromCode)
{
    return Convert(dest, destSize, src, srcLength, toCode, fromCode, true);
}

long LIconvConvert(char* dest, const char* src, std::size_t destSize, const char* toCode,
                   const char* fromCode)
{
    return Convert(dest, destSize, src, src ? std::strlen(src) : 0, toCode, fromCode, false);
}
