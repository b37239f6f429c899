#pragma once
// Platform strings. On this platform they are UTF-8 std::string values that
// are always well-formed; these helpers make them from the byte texts the
// program carries, which may not be.

#include <cstddef>
#include <string>

// An owning holder of one platform string; null until set.
class LCFString
{
public:
    LCFString() = default;
    explicit LCFString(const char* utf8) { Set(utf8); }

    // Holds the text; ill-formed UTF-8 keeps only the well-formed part before
    // the first bad sequence. A null text makes the holder null.
    void Set(const char* utf8);
    void Clear();
    bool IsNull() const { return !set_; }
    const std::string& String() const { return text_; }

    // The text in `size` bytes, whole characters only; empty when null.
    // Returns the bytes copied.
    std::size_t GetText(char* dest, std::size_t size) const;

private:
    bool set_ = false;
    std::string text_;
};

// A platform string for any byte text, never failing: well-formed UTF-8 as it
// is; UTF-8 cut inside its last character without that character; anything
// else read as Mac OS Roman. A null text gives the empty string.
std::string LMakeNSString(const char* text);
