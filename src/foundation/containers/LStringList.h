#pragma once
// A list of owned NUL-terminated texts. The item array always has a null slot
// after the last item, so it can be handed to calls that expect a
// null-terminated vector (an argument list, for instance).

#include <cstdint>

template <typename T> class LStringListTemplate;

template <> class LStringListTemplate<char>
{
public:
    char** items = nullptr;
    std::uint64_t count = 0;
    std::uint64_t capacity = 0; // usable slots, one less than allocated

    LStringListTemplate() = default;
    LStringListTemplate(const LStringListTemplate& other);
    LStringListTemplate(LStringListTemplate&& other) noexcept;
    LStringListTemplate& operator=(const LStringListTemplate& other);
    LStringListTemplate& operator=(LStringListTemplate&& other) noexcept;
    ~LStringListTemplate();

    // Appends a copy of `text` (a null text is stored as ""); returns the copy.
    char* Add(const char* text);
    void RemoveAll();

    std::uint64_t Count() const { return count; }
    const char* Get(std::uint64_t index) const { return index < count ? items[index] : nullptr; }
};

using LStringList = LStringListTemplate<char>;
