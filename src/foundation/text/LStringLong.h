#pragma once
// The growable NUL-terminated text used for everything that may outgrow a
// fixed 260-byte buffer.

#include <cstdarg>
#include <cstdint>

template <typename T> class LStringLongTemplate;

// `data` is null or a block of `capacity` bytes; whenever it is set, the byte at
// `length` is NUL after every public operation. The capacity only grows, except
// through assignment.
template <> class LStringLongTemplate<char>
{
public:
    char* data = nullptr;
    std::uint64_t length = 0;
    std::uint64_t capacity = 0;

    LStringLongTemplate() = default;
    explicit LStringLongTemplate(const char* text);
    LStringLongTemplate(const LStringLongTemplate& other);
    LStringLongTemplate(LStringLongTemplate&& other) noexcept;
    LStringLongTemplate& operator=(const LStringLongTemplate& other);
    LStringLongTemplate& operator=(LStringLongTemplate&& other) noexcept;
    ~LStringLongTemplate();

    // The text, or "" when no block exists yet.
    const char* Text() const { return data ? data : ""; }
    std::uint64_t Length() const { return length; }
    bool IsEmpty() const { return length == 0; }

    // Grows the block to exactly `newCapacity` bytes when it is smaller; the text is kept.
    void Reserve(std::uint64_t newCapacity);

    // Replaces the text (a null text gives the empty text). `text` may point into this string.
    LStringLongTemplate& Assign(const char* text);
    LStringLongTemplate& Assign(const char* text, std::uint64_t count);

    // Replaces the text with the UTF-8 form of a 0-terminated UTF-16 text
    // (surrogate pairs joined, lone surrogates as U+FFFD).
    LStringLongTemplate& AssignWide(const std::uint16_t* units);

    // Appends a NUL-terminated text, or `count` bytes of one. `text` may point into this string.
    void Append(const char* text);
    void Append(const char* text, std::uint64_t count);
    void AppendChar(char ch);

    // Empties the text, keeping the block.
    void Clear();

    // Replaces the text with the formatted result; returns the new length.
    std::uint64_t Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Appends the formatted result; returns the new length.
    std::uint64_t AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    std::uint64_t AppendFormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
};

using LStringLong = LStringLongTemplate<char>;

// The formatter's output callback for a growable string (the context is the
// string). It stores one byte at `length` and keeps room for one more, growing
// fourfold; the terminator is left to the caller.
void LStringPutChar(void* context, char ch);
