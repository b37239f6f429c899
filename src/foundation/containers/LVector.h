#pragma once
// A growable array of plain values (the program keeps 32-bit and 64-bit
// integers in it). Elements that come into use through growth start at zero.

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>

template <typename T> class LVector
{
    static_assert(std::is_trivially_copyable_v<T>, "LVector holds plain values");

public:
    T* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t capacity = 0;

    LVector() = default;
    LVector(const LVector& other) { *this = other; }
    LVector(LVector&& other) noexcept : data(other.data), size(other.size), capacity(other.capacity)
    {
        other.data = nullptr;
        other.size = other.capacity = 0;
    }
    LVector& operator=(const LVector& other)
    {
        if (this != &other) {
            SetCapacity(0);
            SetCapacity(other.size);
            std::copy(other.data, other.data + other.size, data);
            size = other.size;
        }
        return *this;
    }
    LVector& operator=(LVector&& other) noexcept
    {
        if (this != &other) {
            delete[] data;
            data = other.data;
            size = other.size;
            capacity = other.capacity;
            other.data = nullptr;
            other.size = other.capacity = 0;
        }
        return *this;
    }
    ~LVector() { delete[] data; }

    // Changes the number of elements; growth beyond the capacity at least doubles it.
    void SetSize(std::uint64_t n)
    {
        if (n == size)
            return;
        if (n > capacity)
            SetCapacity(std::max<std::uint64_t>(2 * capacity, n));
        if (n > size)
            std::fill(data + size, data + n, T());
        size = n;
    }

    // Reallocates to exactly n elements, keeping the first min(size, n); 0 frees the block.
    void SetCapacity(std::uint64_t n)
    {
        if (n == capacity)
            return;
        if (n == 0) {
            delete[] data;
            data = nullptr;
            capacity = size = 0;
            return;
        }
        T* block = new T[n]();
        const std::uint64_t keep = std::min(size, n);
        if (keep != 0)
            std::copy(data, data + keep, block);
        delete[] data;
        data = block;
        capacity = n;
        size = keep;
    }

    void Append(const T& value)
    {
        T copy = value; // `value` may live in the block that SetSize moves
        SetSize(size + 1);
        data[size - 1] = copy;
    }

    T& operator[](std::uint64_t i) { return data[i]; }
    const T& operator[](std::uint64_t i) const { return data[i]; }
    T* begin() { return data; }
    T* end() { return data + size; }
    const T* begin() const { return data; }
    const T* end() const { return data + size; }
};
