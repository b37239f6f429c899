#include "foundation/text/LFormatEngine.h"

#include "foundation/text/LUtf8.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <locale.h>
#include <memory>
#include <string>

namespace {

enum class Length { None, Char, Short, Long, LongLong, IntMax, Size, PtrDiff, LongDouble };

struct Conversion
{
    char flags[8] = {}; // each of "-+ #0'" at most once
    int flagCount = 0;
    bool hasWidth = false;
    int width = 0;
    bool hasPrecision = false;
    int precision = 0;
    Length length = Length::None;
    char conversion = 0;

    bool HasFlag(char f) const { return std::memchr(flags, f, flagCount) != nullptr; }
};

int ReadNumber(const char*& p)
{
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > INT_MAX)
            value = INT_MAX;
        ++p;
    }
    return static_cast<int>(value);
}

class Output
{
public:
    Output(LFormatWrite write, void* context) : write_(write), context_(context) {}

    void Write(const char* bytes, std::size_t count)
    {
        if (count) {
            write_(context_, bytes, count);
            total_ += count;
        }
    }
    void Pad(char ch, std::size_t count)
    {
        char run[64];
        std::memset(run, ch, sizeof run);
        while (count) {
            std::size_t n = count < sizeof run ? count : sizeof run;
            Write(run, n);
            count -= n;
        }
    }
    std::uint64_t Total() const { return total_; }

private:
    LFormatWrite write_;
    void* context_;
    std::uint64_t total_ = 0;
};

locale_t CLocale()
{
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

class CLocaleScope
{
public:
    CLocaleScope() : previous_(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(0)) {}
    ~CLocaleScope()
    {
        if (previous_)
            uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

// Writes `text` of `count` bytes inside the field width of the conversion.
void WriteField(Output& out, const Conversion& c, const char* text, std::size_t count)
{
    // A negative width taken from '*' means left-justified in its magnitude.
    long long w = c.hasWidth ? c.width : 0;
    std::size_t width = static_cast<std::size_t>(w < 0 ? -w : w);
    std::size_t pad = width > count ? width - count : 0;
    bool left = c.HasFlag('-') || (c.hasWidth && c.width < 0);
    if (!left)
        out.Pad(' ', pad);
    out.Write(text, count);
    if (left)
        out.Pad(' ', pad);
}

// Hands one converted value to the C library with the caller's flags, width
// and precision; the length modifier is replaced by the one that matches the
// type the value is passed with.
template <typename V>
void FormatWithLibrary(Output& out, const Conversion& c, const char* lengthPrefix, V value)
{
    char spec[32];
    int n = 0;
    spec[n++] = '%';
    for (int i = 0; i < c.flagCount; ++i)
        spec[n++] = c.flags[i];
    if (c.hasWidth)
        spec[n++] = '*';
    if (c.hasPrecision) {
        spec[n++] = '.';
        spec[n++] = '*';
    }
    for (const char* l = lengthPrefix; *l; ++l)
        spec[n++] = *l;
    spec[n++] = c.conversion;
    spec[n] = '\0';

    auto call = [&](char* buf, std::size_t size) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        if (c.hasWidth && c.hasPrecision)
            return std::snprintf(buf, size, spec, c.width, c.precision, value);
        if (c.hasWidth)
            return std::snprintf(buf, size, spec, c.width, value);
        if (c.hasPrecision)
            return std::snprintf(buf, size, spec, c.precision, value);
        return std::snprintf(buf, size, spec, value);
#pragma GCC diagnostic pop
    };

    // Numbers are written the same whatever locale the process runs in: the
    // results go into files and settings that are read back elsewhere.
    CLocaleScope cLocale;
    char small[128];
    int len = call(small, sizeof small);
    if (len < 0)
        return; // a width or precision beyond what the C library can produce
    if (static_cast<std::size_t>(len) < sizeof small) {
        out.Write(small, len);
        return;
    }
    std::unique_ptr<char[]> big(new char[static_cast<std::size_t>(len) + 1]);
    len = call(big.get(), static_cast<std::size_t>(len) + 1);
    if (len > 0)
        out.Write(big.get(), len);
}

// Integers by C's rules: precision is the minimum digit count (and a zero
// value with precision 0 has no digits), '#' adds "0x" or a leading octal
// zero, '0' pads after the sign when no precision is given, '-' pads on the right.
void FormatInteger(Output& out, const Conversion& c, bool negative, unsigned long long magnitude)
{
    const char conv = c.conversion;
    const unsigned base = (conv == 'o') ? 8 : (conv == 'x' || conv == 'X') ? 16 : 10;
    const char* digitSet = conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[32];
    int n = 0;
    for (unsigned long long v = magnitude; v; v /= base)
        digits[n++] = digitSet[v % base];
    int precision = c.hasPrecision ? c.precision : 1;
    int zeros = precision > n ? precision - n : 0;
    if (conv == 'o' && c.HasFlag('#') && zeros == 0 && (n == 0 || digits[n - 1] != '0'))
        zeros = 1;

    char prefix[2];
    int prefixLength = 0;
    if (conv == 'd' || conv == 'i') {
        if (negative)
            prefix[prefixLength++] = '-';
        else if (c.HasFlag('+'))
            prefix[prefixLength++] = '+';
        else if (c.HasFlag(' '))
            prefix[prefixLength++] = ' ';
    } else if (base == 16 && c.HasFlag('#') && magnitude != 0) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = conv;
    }

    long long w = c.hasWidth ? c.width : 0;
    bool left = c.HasFlag('-') || w < 0;
    std::size_t width = static_cast<std::size_t>(w < 0 ? -w : w);
    std::size_t body = static_cast<std::size_t>(prefixLength) + static_cast<std::size_t>(zeros) + n;
    std::size_t pad = width > body ? width - body : 0;
    if (!left && c.HasFlag('0') && !c.hasPrecision) {
        zeros += static_cast<int>(pad);
        pad = 0;
    }
    if (!left)
        out.Pad(' ', pad);
    out.Write(prefix, static_cast<std::size_t>(prefixLength));
    out.Pad('0', static_cast<std::size_t>(zeros));
    char forward[32];
    for (int i = 0; i < n; ++i)
        forward[i] = digits[n - 1 - i];
    out.Write(forward, static_cast<std::size_t>(n));
    if (left)
        out.Pad(' ', pad);
}

void FormatSigned(Output& out, const Conversion& c, va_list& args)
{
    long long v;
    switch (c.length) {
    case Length::Char:
        v = static_cast<signed char>(va_arg(args, int));
        break;
    case Length::Short:
        v = static_cast<short>(va_arg(args, int));
        break;
    case Length::Long:
        v = va_arg(args, long);
        break;
    case Length::LongLong:
        v = va_arg(args, long long);
        break;
    case Length::IntMax:
        v = va_arg(args, intmax_t);
        break;
    case Length::Size:
        v = va_arg(args, ssize_t);
        break;
    case Length::PtrDiff:
        v = va_arg(args, ptrdiff_t);
        break;
    default:
        v = va_arg(args, int);
        break;
    }
    if (c.HasFlag('\''))
        FormatWithLibrary(out, c, "ll", v);
    else
        FormatInteger(out, c, v < 0,
                      v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v));
}

void FormatUnsigned(Output& out, const Conversion& c, va_list& args)
{
    unsigned long long v;
    switch (c.length) {
    case Length::Char:
        v = static_cast<unsigned char>(va_arg(args, unsigned));
        break;
    case Length::Short:
        v = static_cast<unsigned short>(va_arg(args, unsigned));
        break;
    case Length::Long:
        v = va_arg(args, unsigned long);
        break;
    case Length::LongLong:
        v = va_arg(args, unsigned long long);
        break;
    case Length::IntMax:
        v = va_arg(args, uintmax_t);
        break;
    case Length::Size:
        v = va_arg(args, size_t);
        break;
    case Length::PtrDiff:
        v = static_cast<unsigned long long>(va_arg(args, ptrdiff_t));
        break;
    default:
        v = va_arg(args, unsigned);
        break;
    }
    if (c.HasFlag('\''))
        FormatWithLibrary(out, c, "ll", v);
    else
        FormatInteger(out, c, false, v);
}

void FormatText(Output& out, const Conversion& c, const char* text)
{
    if (!text)
        text = "";
    std::size_t count;
    if (c.hasPrecision && c.precision >= 0) {
        // Look at no more bytes than the precision allows (the text need not be terminated).
        const void* end = std::memchr(text, '\0', static_cast<std::size_t>(c.precision));
        count = end ? static_cast<std::size_t>(static_cast<const char*>(end) - text)
                    : LUtf8BoundaryBefore(text, static_cast<std::size_t>(c.precision));
    } else {
        count = std::strlen(text);
    }
    WriteField(out, c, text, count);
}

void FormatWideText(Output& out, const Conversion& c, const wchar_t* text)
{
    std::string utf8;
    utf8.reserve(64);
    if (text) {
        for (; *text; ++text) {
            char buf[4];
            utf8.append(buf, LUtf8EncodeOne(static_cast<char32_t>(*text), buf));
        }
    }
    FormatText(out, c, utf8.c_str());
}

void FormatCharacter(Output& out, const Conversion& c, va_list& args)
{
    char buf[4];
    int n;
    if (c.length == Length::Long) {
        n = LUtf8EncodeOne(static_cast<char32_t>(va_arg(args, wint_t)), buf);
    } else {
        buf[0] = static_cast<char>(va_arg(args, int));
        n = 1;
    }
    WriteField(out, c, buf, n);
}

void SkipCountPointer(const Conversion& c, va_list& args)
{
    // The position count is never stored: a format that reaches here from
    // outside data must not be able to write to memory.
    (void)c;
    (void)va_arg(args, void*);
}

} // namespace

std::uint64_t LFormatEngine(LFormatWrite write, void* context, const char* format, va_list argsIn)
{
    if (!format)
        return 0;
    va_list args;
    va_copy(args, argsIn);
    Output out(write, context);
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* start = p;
            while (*p && *p != '%')
                ++p;
            out.Write(start, static_cast<std::size_t>(p - start));
            continue;
        }
        const char* specStart = p++;
        Conversion c;
        while (*p && std::strchr("-+ #0'", *p)) {
            if (!c.HasFlag(*p))
                c.flags[c.flagCount++] = *p;
            ++p;
        }
        if (*p == '*') {
            c.hasWidth = true;
            c.width = va_arg(args, int);
            ++p;
        } else if (*p >= '0' && *p <= '9') {
            c.hasWidth = true;
            c.width = ReadNumber(p);
        }
        if (*p == '.') {
            ++p;
            c.hasPrecision = true;
            if (*p == '*') {
                c.precision = va_arg(args, int);
                ++p;
                if (c.precision < 0)
                    c.hasPrecision = false; // as if no precision was given
            } else {
                c.precision = ReadNumber(p);
            }
        }
        switch (*p) {
        case 'h':
            ++p;
            c.length = Length::Short;
            if (*p == 'h') {
                ++p;
                c.length = Length::Char;
            }
            break;
        case 'l':
            ++p;
            c.length = Length::Long;
            if (*p == 'l') {
                ++p;
                c.length = Length::LongLong;
            }
            break;
        case 'q':
            ++p;
            c.length = Length::LongLong;
            break;
        case 'L':
            ++p;
            c.length = Length::LongDouble;
            break;
        case 'j':
            ++p;
            c.length = Length::IntMax;
            break;
        case 'z':
            ++p;
            c.length = Length::Size;
            break;
        case 't':
            ++p;
            c.length = Length::PtrDiff;
            break;
        default:
            break;
        }
        if (!*p)
            break; // a format that ends inside a conversion ends the output
        c.conversion = *p++;
        switch (c.conversion) {
        case '%':
            out.Write("%", 1);
            break;
        case 'd':
        case 'i':
            FormatSigned(out, c, args);
            break;
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            FormatUnsigned(out, c, args);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (c.length == Length::LongDouble)
                FormatWithLibrary(out, c, "L", va_arg(args, long double));
            else
                FormatWithLibrary(out, c, "", va_arg(args, double));
            break;
        case 'c':
            FormatCharacter(out, c, args);
            break;
        case 's':
            if (c.length == Length::Long)
                FormatWideText(out, c, va_arg(args, const wchar_t*));
            else
                FormatText(out, c, va_arg(args, const char*));
            break;
        case 'p':
            FormatWithLibrary(out, c, "", va_arg(args, void*));
            break;
        case 'n':
            SkipCountPointer(c, args);
            break;
        default:
            // Not a conversion: show it as written and take no argument.
            out.Write(specStart, static_cast<std::size_t>(p - specStart));
            break;
        }
    }
    va_end(args);
    return out.Total();
}
