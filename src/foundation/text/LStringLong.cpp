#include "foundation/text/LStringLong.h"

#include "foundation/text/LFormatEngine.h"
#include "foundation/text/LUtf8.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kMinimumGrowth = 260;

bool PointsInto(const char* text, const char* block, std::uint64_t capacity)
{
    // Compare through integers: relational compares of unrelated pointers are unspecified.
    auto t = reinterpret_cast<std::uintptr_t>(text);
    auto b = reinterpret_cast<std::uintptr_t>(block);
    return block && t >= b && t < b + capacity;
}

} // namespace

LStringLongTemplate<char>::LStringLongTemplate(const char* text)
{
    Assign(text);
}

LStringLongTemplate<char>::LStringLongTemplate(const LStringLongTemplate& other)
{
    if (other.data) {
        capacity = other.length + 1;
        data = new char[capacity];
        std::memcpy(data, other.data, other.length);
        length = other.length;
        data[length] = '\0';
    }
}

LStringLongTemplate<char>::LStringLongTemplate(LStringLongTemplate&& other) noexcept
    : data(other.data), length(other.length), capacity(other.capacity)
{
    other.data = nullptr;
    other.length = other.capacity = 0;
}

LStringLongTemplate<char>& LStringLongTemplate<char>::operator=(const LStringLongTemplate& other)
{
    if (this == &other)
        return *this;
    if (!other.data) {
        delete[] data;
        data = nullptr;
        length = capacity = 0;
        return *this;
    }
    char* block = new char[other.length + 1];
    std::memcpy(block, other.data, other.length);
    block[other.length] = '\0';
    delete[] data;
    data = block;
    length = other.length;
    capacity = other.length + 1;
    return *this;
}

LStringLongTemplate<char>& LStringLongTemplate<char>::operator=(LStringLongTemplate&& other) noexcept
{
    if (this != &other) {
        delete[] data;
        data = other.data;
        length = other.length;
        capacity = other.capacity;
        other.data = nullptr;
        other.length = other.capacity = 0;
    }
    return *this;
}

LStringLongTemplate<char>::~LStringLongTemplate()
{
    delete[] data;
}

void LStringLongTemplate<char>::Reserve(std::uint64_t newCapacity)
{
    if (capacity >= newCapacity)
        return;
    char* block = new char[newCapacity];
    if (data)
        std::memcpy(block, data, length);
    block[length] = '\0';
    delete[] data;
    data = block;
    capacity = newCapacity;
}

LStringLongTemplate<char>& LStringLongTemplate<char>::Assign(const char* text)
{
    return Assign(text, text ? std::strlen(text) : 0);
}

LStringLongTemplate<char>& LStringLongTemplate<char>::Assign(const char* text, std::uint64_t count)
{
    // The new block is filled before the old one goes, so a text taken from
    // this very string stays readable.
    char* block = new char[count + 1];
    if (count)
        std::memcpy(block, text, count);
    block[count] = '\0';
    delete[] data;
    data = block;
    length = count;
    capacity = count + 1;
    return *this;
}

LStringLongTemplate<char>& LStringLongTemplate<char>::AssignWide(const std::uint16_t* units)
{
    std::uint64_t count = 0;
    if (units)
        while (units[count])
            ++count;
    // A 16-bit unit never needs more than three bytes of UTF-8 (a pair takes four for two).
    LStringLongTemplate<char> converted;
    converted.Reserve(3 * count + 1);
    LWideToUtf8(converted.data, units, converted.capacity);
    converted.length = std::strlen(converted.data);
    return *this = std::move(converted);
}

void LStringLongTemplate<char>::Append(const char* text)
{
    if (text)
        Append(text, std::strlen(text));
}

void LStringLongTemplate<char>::Append(const char* text, std::uint64_t count)
{
    if (!text)
        return;
    std::uint64_t needed = length + count + 1;
    if (needed > capacity) {
        // Reserve moves the block; keep hold of a source that lies inside it.
        if (PointsInto(text, data, capacity)) {
            std::uint64_t offset = static_cast<std::uint64_t>(text - data);
            Reserve(std::max(needed + capacity, kMinimumGrowth));
            text = data + offset;
        } else {
            Reserve(std::max(needed + capacity, kMinimumGrowth));
        }
    }
    std::memmove(data + length, text, count);
    length += count;
    data[length] = '\0';
}

void LStringLongTemplate<char>::AppendChar(char ch)
{
    if (length + 2 > capacity)
        Reserve(std::max(length + 2 + capacity, kMinimumGrowth));
    data[length++] = ch;
    data[length] = '\0';
}

void LStringLongTemplate<char>::Clear()
{
    length = 0;
    if (data)
        data[0] = '\0';
}

namespace {

// Formatting goes to a scratch area first: the arguments may point into the
// very string being formatted (path.Format("%s/%s", path.Text(), name)), and
// writing or growing the target while they are read would corrupt them.
struct FormatScratch
{
    char small[512];
    std::uint64_t length = 0;
    LStringLongTemplate<char> large;

    const char* Bytes() const { return large.data ? large.data : small; }
};

void ScratchWrite(void* context, const char* bytes, std::size_t count)
{
    auto* s = static_cast<FormatScratch*>(context);
    if (!s->large.data && s->length + count <= sizeof s->small) {
        std::memcpy(s->small + s->length, bytes, count);
    } else {
        if (!s->large.data) {
            s->large.Reserve(std::max<std::uint64_t>(2 * sizeof s->small, s->length + count + 1));
            s->large.Append(s->small, s->length);
        }
        s->large.Append(bytes, count);
    }
    s->length += count;
}

} // namespace

std::uint64_t LStringLongTemplate<char>::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatScratch scratch;
    LFormatEngine(&ScratchWrite, &scratch, format, args);
    va_end(args);
    Reserve(std::max(kMinimumGrowth, scratch.length + 1));
    std::memcpy(data, scratch.Bytes(), scratch.length);
    length = scratch.length;
    data[length] = '\0';
    return length;
}

std::uint64_t LStringLongTemplate<char>::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::uint64_t result = AppendFormatV(format, args);
    va_end(args);
    return result;
}

std::uint64_t LStringLongTemplate<char>::AppendFormatV(const char* format, va_list args)
{
    FormatScratch scratch;
    LFormatEngine(&ScratchWrite, &scratch, format, args);
    Reserve(kMinimumGrowth);
    Append(scratch.Bytes(), scratch.length);
    return length;
}

void LStringPutChar(void* context, char ch)
{
    auto* text = static_cast<LStringLongTemplate<char>*>(context);
    if (text->length + 1 >= text->capacity)
        text->Reserve(std::max(text->capacity * 4, kMinimumGrowth));
    text->data[text->length++] = ch;
}
