#include "foundation/containers/LStringList.h"

#include <cstring>
#include <utility>

namespace {

char* CopyText(const char* text)
{
    if (!text)
        text = "";
    std::size_t n = std::strlen(text) + 1;
    char* copy = new char[n];
    std::memcpy(copy, text, n);
    return copy;
}

} // namespace

LStringListTemplate<char>::LStringListTemplate(const LStringListTemplate& other)
{
    for (std::uint64_t i = 0; i < other.count; ++i)
        Add(other.items[i]);
}

LStringListTemplate<char>::LStringListTemplate(LStringListTemplate&& other) noexcept
    : items(other.items), count(other.count), capacity(other.capacity)
{
    other.items = nullptr;
    other.count = other.capacity = 0;
}

LStringListTemplate<char>& LStringListTemplate<char>::operator=(const LStringListTemplate& other)
{
    if (this != &other) {
        LStringListTemplate copy(other);
        *this = std::move(copy);
    }
    return *this;
}

LStringListTemplate<char>& LStringListTemplate<char>::operator=(LStringListTemplate&& other) noexcept
{
    if (this != &other) {
        RemoveAll();
        delete[] items;
        items = other.items;
        count = other.count;
        capacity = other.capacity;
        other.items = nullptr;
        other.count = other.capacity = 0;
    }
    return *this;
}

LStringListTemplate<char>::~LStringListTemplate()
{
    RemoveAll();
    delete[] items;
}

char* LStringListTemplate<char>::Add(const char* text)
{
    if (count >= capacity) {
        // Eight slots at first, then eight times as many each time.
        std::uint64_t slots = items ? (capacity + 1) * 8 : 8;
        char** grown = new char*[slots];
        if (count)
            std::memcpy(grown, items, count * sizeof(char*));
        delete[] items;
        items = grown;
        capacity = slots - 1;
    }
    char* copy = CopyText(text);
    items[count++] = copy;
    items[count] = nullptr;
    return copy;
}

void LStringListTemplate<char>::RemoveAll()
{
    if (!items)
        return;
    for (std::uint64_t i = 0; i < count; ++i)
        delete[] items[i];
    count = 0;
    items[0] = nullptr;
}
