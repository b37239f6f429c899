#include "foundation/text/LTextBuffer.h"

#include "foundation/text/LStringLong.h"
#include "foundation/text/LUtf8.h"

#include <clocale>
#include <cstring>
#include <cwctype>
#include <langinfo.h>
#include <locale.h>

std::size_t LStrCopyText(char* dest, const char* src, std::size_t size, bool* truncated)
{
    std::size_t n = LUtf8CopyWhole(dest, src, size);
    if (truncated)
        *truncated = src && src[n] != '\0';
    return n;
}

void LStrEllipsizeMiddle(char* dest, const char* src, std::size_t size)
{
    if (size == 0)
        return;
    if (!src)
        src = "";
    std::size_t length = std::strlen(src);
    if (length < size) {
        std::memmove(dest, src, length + 1);
        return;
    }
    if (size < 5) {
        std::size_t n = size - 1;
        std::memcpy(dest, "...", n);
        dest[n] = '\0';
        return;
    }
    std::size_t head = (size - 4) / 2 + (size % 2);
    std::size_t tail = (size - 4) / 2;
    // Both ends move inwards to character boundaries, so the result may come
    // out a byte or two shorter than size - 1 but never holds a broken character.
    head = LUtf8BoundaryBefore(src, head);
    std::size_t tailStart = length - tail;
    while (tailStart < length && (static_cast<unsigned char>(src[tailStart]) & 0xC0) == 0x80)
        ++tailStart;
    tail = length - tailStart;
    // `dest` may be `src`: build the result in a scratch block first.
    char* out = new char[head + 3 + tail + 1];
    std::memcpy(out, src, head);
    std::memcpy(out + head, "...", 3);
    std::memcpy(out + head + 3, src + tailStart, tail);
    out[head + 3 + tail] = '\0';
    std::memcpy(dest, out, head + 3 + tail + 1);
    delete[] out;
}

void LStrTrimSpaces(char* text)
{
    if (!text)
        return;
    std::size_t start = 0;
    while (text[start] == ' ')
        ++start;
    std::size_t length = std::strlen(text + start);
    if (start)
        std::memmove(text, text + start, length + 1);
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length] = '\0';
}

namespace {

locale_t Utf8Locale()
{
    static locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (l) {
            const char* codeset = nl_langinfo_l(CODESET, l);
            if (codeset && std::strcmp(codeset, "UTF-8") == 0)
                return l;
            freelocale(l);
        }
        l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return l;
    }();
    return locale;
}

} // namespace

void LStrToLowerLocale(char* text)
{
    if (!text)
        return;
    locale_t locale = Utf8Locale();
    char result[kTextBufferSize];
    std::size_t out = 0;
    const char* p = text;
    while (*p) {
        char32_t cp;
        int n = LUtf8DecodeOne(p, 4, &cp);
        char buf[4];
        int produced;
        if (n == 0) {
            // Bytes that are not UTF-8 stay as they are.
            buf[0] = *p;
            produced = 1;
            n = 1;
        } else {
            wint_t lower = locale ? towlower_l(static_cast<wint_t>(cp), locale) : static_cast<wint_t>(cp);
            produced = LUtf8EncodeOne(static_cast<char32_t>(lower), buf);
        }
        if (out + produced > kTextBufferSize - 1)
            break;
        std::memcpy(result + out, buf, produced);
        out += produced;
        p += n;
    }
    result[out] = '\0';
    std::memcpy(text, result, out + 1);
}

std::uint64_t LStringCopyLine(const char* text, LStringLongTemplate<char>* out)
{
    out->Reserve(kTextBufferSize);
    out->length = 0;
    if (text) {
        for (const char* p = text; *p && *p != '\n' && *p != '\r'; ++p)
            LStringPutChar(out, *p);
    }
    out->data[out->length] = '\0';
    return out->length;
}

std::size_t LStrLen(const char* text)
{
    return text ? std::strlen(text) : 0;
}

int LCompareInt64(const void* a, const void* b)
{
    std::int64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return x < y ? -1 : (x > y ? 1 : 0);
}
