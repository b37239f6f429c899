// Owned text lists and growable arrays.

#include "foundation/containers/LStringList.h"
#include "foundation/containers/LVector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(StringList, GrowsByEightfoldSlotsWithANullAfterTheLast)
{
    LStringList list;
    EXPECT_EQ(list.items, nullptr);
    list.RemoveAll(); // nothing to do without an array
    char* stored = list.Add("one");
    EXPECT_EQ(list.capacity, 7u);
    EXPECT_STREQ(stored, "one");
    EXPECT_EQ(list.items[1], nullptr);
    for (int i = 2; i <= 7; ++i)
        list.Add(std::to_string(i).c_str());
    EXPECT_EQ(list.capacity, 7u);
    EXPECT_EQ(list.items[7], nullptr);
    list.Add("8");
    EXPECT_EQ(list.capacity, 63u);
    EXPECT_EQ(list.count, 8u);
    EXPECT_EQ(list.items[8], nullptr);
    EXPECT_STREQ(list.Get(0), "one");
    EXPECT_STREQ(list.Get(7), "8");
    EXPECT_EQ(list.Get(8), nullptr);
    for (int i = 9; i <= 64; ++i)
        list.Add("x");
    EXPECT_EQ(list.capacity, 511u);
    EXPECT_EQ(list.items[64], nullptr);
}

TEST(StringList, StoresCopiesAndEmpties)
{
    char text[] = "mutable";
    LStringList list;
    list.Add(text);
    text[0] = 'X';
    EXPECT_STREQ(list.Get(0), "mutable");
    list.Add(nullptr);
    EXPECT_STREQ(list.Get(1), "");
    LStringList copy(list);
    list.RemoveAll();
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.items[0], nullptr);
    EXPECT_EQ(copy.count, 2u);
    EXPECT_STREQ(copy.Get(0), "mutable");
    list.Add("again");
    EXPECT_STREQ(list.Get(0), "again");
    list = copy;
    EXPECT_EQ(list.count, 2u);
}

TEST(Vector, SetSizeAndCapacity)
{
    LVector<std::int32_t> v;
    v.SetSize(3);
    EXPECT_EQ(v.capacity, 3u);
    v[0] = 1;
    v[1] = 2;
    v[2] = 3;
    v.SetSize(4); // doubles
    EXPECT_EQ(v.capacity, 6u);
    EXPECT_EQ(v[3], 0);
    v.SetSize(20); // more than double
    EXPECT_EQ(v.capacity, 20u);
    v.SetSize(2);
    EXPECT_EQ(v.capacity, 20u);
    v.SetSize(5); // elements coming back into use start at zero
    EXPECT_EQ(v[2], 0);
    v.SetCapacity(1);
    EXPECT_EQ(v.size, 1u);
    EXPECT_EQ(v[0], 1);
    v.SetCapacity(0);
    EXPECT_EQ(v.data, nullptr);
    EXPECT_EQ(v.size, 0u);
}

TEST(Vector, AppendAndCopy)
{
    LVector<std::int64_t> v;
    for (std::int64_t i = 0; i < 1000; ++i)
        v.Append(i * 3000000000LL);
    EXPECT_EQ(v.size, 1000u);
    v.Append(v[0]); // from inside the block while it grows
    EXPECT_EQ(v[1000], 0);
    LVector<std::int64_t> copy(v);
    v[5] = -1;
    EXPECT_EQ(copy[5], 15000000000LL);
    std::int64_t sum = 0;
    for (auto x : copy)
        sum += x;
    EXPECT_EQ(sum, 3000000000LL * (999 * 1000 / 2));
}

} // namespace
