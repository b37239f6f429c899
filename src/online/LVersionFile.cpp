#include "online/LVersionFile.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxVersionDigits = 6;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Where `key` begins a pair in the text, from `from` on; null when it
// begins none.
const char* FindKey(const char* text, const char* from, const char* key)
{
    const size_t length = std::strlen(key);
    for (const char* at = std::strstr(from, key); at != nullptr; at = std::strstr(at + 1, key))
        if (at == text || at[-1] == '&')
            return at + length;
    return nullptr;
}

// The value after key, found from `from` on: up to the next '&' or the end,
// line ends and blanks at its end dropped, at most 259 characters. The end of
// the value in the text, or null when the key is missing or empty.
const char* ReadValue(const char* text, const char* from, const char* key, char* dest)
{
    dest[0] = '\0';
    const char* value = FindKey(text, from, key);
    if (value == nullptr)
        return nullptr;
    size_t length = std::strcspn(value, "&");
    const char* end = value + length;
    while (length > 0 && (value[length - 1] == '\r' || value[length - 1] == '\n' ||
                          value[length - 1] == ' ' || value[length - 1] == '\t'))
        --length;
    if (length == 0)
        return nullptr;
    if (length > 259)
        length = 259;
    std::memcpy(dest, value, length);
    dest[length] = '\0';
    return end;
}

} // namespace

bool LParseDecimalVersion(const char* text, size_t length, double* version)
{
    *version = 0;
    size_t whole = 0;
    while (whole < length && IsDigit(text[whole]))
        ++whole;
    if (whole == 0 || whole > kMaxVersionDigits)
        return false;
    if (whole < length) {
        if (text[whole] != '.')
            return false;
        size_t fraction = 0;
        while (whole + 1 + fraction < length && IsDigit(text[whole + 1 + fraction]))
            ++fraction;
        if (fraction == 0 || fraction > kMaxVersionDigits || whole + 1 + fraction != length)
            return false;
    }
    // Only digits and one dot are left: strtod reads them as written.
    *version = std::strtod(std::string(text, length).c_str(), nullptr);
    return true;
}

bool LParseVersionFile(const char* text, LVersionInfo* out)
{
    *out = LVersionInfo();
    if (text == nullptr)
        return false;
    char version[260];
    const char* end = ReadValue(text, text, "version=", version);
    if (end != nullptr)
        end = ReadValue(text, end, "info=", out->info);
    if (end != nullptr)
        end = ReadValue(text, end, "download=", out->download);
    double number = 0;
    if (end == nullptr || !LParseDecimalVersion(version, std::strlen(version), &number)) {
        *out = LVersionInfo(); // nothing of a file that is refused
        return false;
    }
    out->version = number;
    return true;
}

bool LParseComponentVersionFile(const char* text, double* version)
{
    *version = 0;
    char value[260];
    return text != nullptr && ReadValue(text, text, "version=", value) != nullptr &&
           LParseDecimalVersion(value, std::strlen(value), version);
}
