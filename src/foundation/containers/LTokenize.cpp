#include "foundation/containers/LTokenize.h"

#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"

#include <cstring>

namespace {

// Bytes compare as unsigned: UTF-8 bytes above 0x7F are never blanks.
inline unsigned char Byte(const char* p)
{
    return static_cast<unsigned char>(*p);
}

inline bool IsBlank(const char* p)
{
    return *p != '\0' && Byte(p) < 33;
}

// Copies `count` bytes into a 260-byte buffer, cutting between characters.
void CopyBounded(char* dest, const char* src, std::size_t count)
{
    if (count > kTextBufferSize - 1)
        count = LUtf8BoundaryBefore(src, kTextBufferSize - 1);
    std::memmove(dest, src, count);
    dest[count] = '\0';
}

} // namespace

std::uint64_t LStringCopyUntil(const char* text, char delimiter, LStringLongTemplate<char>* out)
{
    out->Reserve(kTextBufferSize);
    out->Clear();
    if (!text)
        return 0;
    const char* p = text;
    while (*p && *p != delimiter)
        ++p;
    out->Append(text, static_cast<std::uint64_t>(p - text));
    return out->length;
}

std::size_t LStrCopyWord(const char* text, char* dest)
{
    if (!text) {
        dest[0] = '\0';
        return 0;
    }
    std::size_t i = 0;
    while (Byte(text + i) > 32)
        ++i;
    CopyBounded(dest, text, i);
    while (IsBlank(text + i))
        ++i;
    return i;
}

std::size_t LStrCopyUntilAny(const char* text, const char* delimiters, char* dest)
{
    if (!text) {
        dest[0] = '\0';
        return 0;
    }
    std::size_t i = delimiters ? std::strcspn(text, delimiters) : std::strlen(text);
    CopyBounded(dest, text, i);
    return i;
}

std::size_t LStrSpanOf(const char* text, const char* set)
{
    if (!text || !set)
        return 0;
    return std::strspn(text, set);
}

void LCsvTokenizer::Start(const char* text)
{
    cursor = text ? text : "";
    while (IsBlank(cursor))
        ++cursor;
    field.Reserve(kTextBufferSize);
    field.Clear();
    end = false;
    Next();
}

void LCsvTokenizer::Next()
{
    field.Reserve(kTextBufferSize);
    field.Clear();
    if (!cursor || *cursor == '\0') {
        end = true;
        return;
    }
    const char* p = cursor;
    if (*p != '"') {
        const char* q = p;
        while (*q && *q != ',')
            ++q;
        const char* last = q;
        while (last > p && Byte(last - 1) < 33)
            --last;
        field.Append(p, static_cast<std::uint64_t>(last - p));
        p = q;
    } else {
        ++p;
        for (;;) {
            const char* q = p;
            while (*q && *q != '"')
                ++q;
            field.Append(p, static_cast<std::uint64_t>(q - p));
            if (*q == '\0') { // no closing quote: the field runs to the end
                cursor = q;
                return;
            }
            if (q[1] == '"') { // a doubled quote stands for one
                field.AppendChar('"');
                p = q + 2;
                continue;
            }
            p = q + 1;
            break;
        }
        // Whatever follows the closing quote up to the comma is not part of the field.
        while (*p && *p != ',')
            ++p;
    }
    if (*p == ',')
        ++p;
    while (IsBlank(p))
        ++p;
    cursor = p;
}

namespace {

// Bytes of the character at `text` for '?': a whole well-formed UTF-8
// character, or a single byte of anything else.
std::size_t CharacterLength(const char* text)
{
    char32_t cp;
    int n = LUtf8DecodeOne(text, 4, &cp);
    return n > 0 ? static_cast<std::size_t>(n) : 1;
}

} // namespace

bool LWildcardMatch(const char* pattern, const char* text)
{
    if (!pattern)
        pattern = "";
    if (!text)
        text = "";
    // Greedy matching that returns to the last '*' on a mismatch and lets it
    // take one more character. The last star is the only one worth returning
    // to, which keeps the work at most pattern length times text length
    // (a recursive matcher is exponential on patterns such as "*a*a*a*b").
    const char* p = pattern;
    const char* t = text;
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    while (*t) {
        if (*p == '*') {
            while (*p == '*')
                ++p;
            if (*p == '\0')
                return true;
            starPattern = p;
            starText = t;
            continue;
        }
        if (*p == '?') {
            ++p;
            t += CharacterLength(t);
            continue;
        }
        if (*p != '\0' && *p == *t) {
            ++p;
            ++t;
            continue;
        }
        if (!starPattern)
            return false;
        starText += CharacterLength(starText);
        t = starText;
        p = starPattern;
    }
    while (*p == '*')
        ++p;
    return *p == '\0';
}
