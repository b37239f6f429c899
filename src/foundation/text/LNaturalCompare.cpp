#include "foundation/text/LNaturalCompare.h"

#include <cstddef>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

signed char Folded(char c)
{
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    return static_cast<signed char>(c);
}

// Compares two digit runs by value, however long they are.
int CompareRuns(const char* a, std::size_t aLen, const char* b, std::size_t bLen)
{
    while (aLen > 1 && *a == '0') {
        ++a;
        --aLen;
    }
    while (bLen > 1 && *b == '0') {
        ++b;
        --bLen;
    }
    if (aLen != bLen)
        return aLen < bLen ? -1 : 1;
    for (std::size_t i = 0; i < aLen; ++i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

} // namespace

int LStrCmpNatural(const char* a, const char* b)
{
    if (!a)
        a = "";
    if (!b)
        b = "";
    if (!*a)
        return *b ? -1 : 0;
    if (!*b)
        return 1;
    for (;;) {
        if (IsDigit(*a) && IsDigit(*b)) {
            std::size_t aLen = 0, bLen = 0;
            while (IsDigit(a[aLen]))
                ++aLen;
            while (IsDigit(b[bLen]))
                ++bLen;
            int c = CompareRuns(a, aLen, b, bLen);
            if (c != 0)
                return c;
            if (!a[aLen] && !b[bLen])
                return aLen == bLen ? 0 : (aLen < bLen ? -1 : 1);
            a += aLen;
            b += bLen;
        } else {
            signed char ca = Folded(*a), cb = Folded(*b);
            if (ca != cb)
                return ca < cb ? -1 : 1;
            ++a;
            ++b;
        }
        if (!*a)
            return *b ? -1 : 0;
        if (!*b)
            return 1;
    }
}
