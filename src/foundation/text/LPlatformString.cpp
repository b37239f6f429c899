#include "foundation/text/LPlatformString.h"

#include "foundation/text/LCharsetConvert.h"
#include "foundation/text/LUtf8.h"

#include <cstring>
#include <vector>

namespace {

// Length of the well-formed prefix of `text`.
std::size_t WellFormedPrefix(const char* text, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        char32_t cp;
        int n = LUtf8DecodeOne(text + i, length - i, &cp);
        if (n == 0)
            break;
        i += n;
    }
    return i;
}

// True when `tail` (1 to 3 bytes) could begin a well-formed character that was cut off.
bool IsCutCharacter(const char* tail, std::size_t length)
{
    unsigned char lead = static_cast<unsigned char>(tail[0]);
    int n = LUtf8SequenceLength(lead);
    if (lead < 0xC2 || lead > 0xF4 || static_cast<std::size_t>(n) <= length)
        return false;
    // The bytes present must themselves be a valid start: complete them with
    // the smallest continuation bytes allowed and decode.
    char probe[4];
    std::memcpy(probe, tail, length);
    for (std::size_t i = length; i < static_cast<std::size_t>(n); ++i)
        probe[i] = static_cast<char>(0x80);
    if (length == 1 && lead == 0xE0)
        probe[1] = static_cast<char>(0xA0);
    if (length == 1 && lead == 0xF0)
        probe[1] = static_cast<char>(0x90);
    char32_t cp;
    return LUtf8DecodeOne(probe, static_cast<std::size_t>(n), &cp) == n;
}

} // namespace

void LCFString::Set(const char* utf8)
{
    if (!utf8) {
        Clear();
        return;
    }
    std::size_t length = std::strlen(utf8);
    text_.assign(utf8, WellFormedPrefix(utf8, length));
    set_ = true;
}

void LCFString::Clear()
{
    text_.clear();
    set_ = false;
}

std::size_t LCFString::GetText(char* dest, std::size_t size) const
{
    if (size == 0)
        return 0;
    if (!set_) {
        dest[0] = '\0';
        return 0;
    }
    return LUtf8CopyWhole(dest, text_.c_str(), size);
}

std::string LMakeNSString(const char* text)
{
    if (!text)
        return std::string();
    std::size_t length = std::strlen(text);
    std::size_t valid = WellFormedPrefix(text, length);
    if (valid == length)
        return std::string(text, length);
    if (valid > 0 && length - valid < 4 && IsCutCharacter(text + valid, length - valid))
        return std::string(text, valid);
    // Not UTF-8: Mac OS Roman defines all 256 bytes, so this always succeeds.
    std::vector<char> roman(length * 3 + 4);
    if (LIconvConvert(roman.data(), text, roman.size(), "UTF-8", "MACINTOSH") >= 0)
        return std::string(roman.data());
    return std::string();
}
