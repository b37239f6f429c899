// The text-keyed red-black map, checked against std::map.

#include "foundation/containers/LRedBlackTree.h"
#include "foundation/containers/LStringMap.h"
#include "foundation/text/LTextBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

// Checks the red-black rules and the links; returns the black height.
int CheckSubtree(const LStringMap::Node* n, const LStringMap::Node* parent, std::size_t* count)
{
    if (!n)
        return 1;
    ++*count;
    EXPECT_EQ(n->parent, parent);
    EXPECT_NE(n->value, nullptr);
    if (n->color == kRbRed) {
        EXPECT_FALSE(lrb::IsRed(n->left));
        EXPECT_FALSE(lrb::IsRed(n->right));
    }
    if (n->left) {
        EXPECT_LT(std::strcmp(n->left->key.Text(), n->key.Text()), 0);
    }
    if (n->right) {
        EXPECT_GT(std::strcmp(n->right->key.Text(), n->key.Text()), 0);
    }
    int lh = CheckSubtree(n->left, n, count);
    int rh = CheckSubtree(n->right, n, count);
    EXPECT_EQ(lh, rh);
    return lh + (n->color == kRbBlack ? 1 : 0);
}

void CheckTree(const LStringMap& map)
{
    if (map.root) {
        EXPECT_EQ(map.root->color, kRbBlack);
    }
    std::size_t count = 0;
    CheckSubtree(map.root, nullptr, &count);
    EXPECT_EQ(count, map.Count());
}

std::vector<std::pair<std::string, std::string>> Contents(const LStringMap& map)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (LStringMap::Iterator it(map); !it.AtEnd(); it.Next())
        out.emplace_back(it.Key(), it.Value());
    return out;
}

TEST(StringMap, SetTwiceKeepsOneNodeWithTheSecondValue)
{
    LStringMap map;
    map.Set("k", "first");
    map.Set("k", "second");
    EXPECT_EQ(map.Count(), 1u);
    EXPECT_STREQ(map.Get("k", "none"), "second");
}

TEST(StringMap, IteratesInByteOrder)
{
    LStringMap map;
    map.Set("a", "1");
    map.Set("B", "2");
    map.Set("\xC3\xA9", "3");
    map.Set("", "4");
    auto c = Contents(map);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].first, "");
    EXPECT_EQ(c[1].first, "B");
    EXPECT_EQ(c[2].first, "a");
    EXPECT_EQ(c[3].first, "\xC3\xA9");
}

TEST(StringMap, MissingKeysGiveTheDefaultItself)
{
    LStringMap map;
    const char* fallback = "fallback";
    EXPECT_EQ(map.Get("x", fallback), fallback);
    EXPECT_EQ(map.Get("x", nullptr), nullptr);
    map.Set("x", nullptr);
    EXPECT_STREQ(map.Get("x", fallback), "");
    EXPECT_TRUE(map.Contains("x"));
    map.Set(nullptr, "null key");
    EXPECT_STREQ(map.Get("", nullptr), "null key");
}

TEST(StringMap, GetTextGetStringAndPrefix)
{
    LStringMap map;
    map.SetWithPrefix("title", "Song", "tags");
    EXPECT_STREQ(map.Get("tags/title", nullptr), "Song");

    std::string longValue = std::string(258, 'v') + "\xE2\x82\xAC";
    map.Set("long", longValue.c_str());
    char buf[kTextBufferSize];
    map.GetText("long", "", buf);
    EXPECT_EQ(std::string(buf), std::string(258, 'v'));
    map.GetText("missing", "dflt", buf);
    EXPECT_STREQ(buf, "dflt");

    LStringLong out;
    map.GetString("long", "d", &out);
    EXPECT_EQ(std::string(out.Text()), longValue);
    map.GetString("missing", "d", &out);
    EXPECT_STREQ(out.Text(), "d");
}

TEST(StringMap, IteratorWithoutMapStops)
{
    LStringMap::Iterator it;
    EXPECT_TRUE(it.AtEnd());
    EXPECT_FALSE(it.Next());
    LStringMap empty;
    LStringMap::Iterator e(empty);
    EXPECT_TRUE(e.AtEnd());
    EXPECT_FALSE(e.Next());
}

TEST(StringMap, RandomOperationsMatchStdMap)
{
    std::mt19937 rng(1210);
    LStringMap map;
    std::map<std::string, std::string> reference;
    for (int step = 0; step < 6000; ++step) {
        std::string key = "k" + std::to_string(rng() % 400);
        int op = static_cast<int>(rng() % 3);
        if (op < 2) {
            std::string value = std::to_string(step);
            map.Set(key.c_str(), value.c_str());
            reference[key] = value;
        } else {
            map.Remove(key.c_str());
            reference.erase(key);
        }
        if (step % 500 == 0)
            CheckTree(map);
    }
    CheckTree(map);
    auto c = Contents(map);
    ASSERT_EQ(c.size(), reference.size());
    auto it = reference.begin();
    for (const auto& [k, v] : c) {
        EXPECT_EQ(k, it->first);
        EXPECT_EQ(v, it->second);
        ++it;
    }
    // Empty it completely, checking along the way.
    std::vector<std::string> keys;
    for (const auto& [k, v] : reference)
        keys.push_back(k);
    std::shuffle(keys.begin(), keys.end(), rng);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        map.Remove(keys[i].c_str());
        if (i % 37 == 0)
            CheckTree(map);
    }
    EXPECT_EQ(map.root, nullptr);
    EXPECT_EQ(map.Count(), 0u);
}

TEST(StringMap, SortedInsertionStaysBalanced)
{
    LStringMap map;
    char key[16];
    for (int i = 0; i < 4096; ++i) {
        std::snprintf(key, sizeof key, "%06d", i);
        map.Set(key, key);
    }
    CheckTree(map);
    // Height of a red-black tree is at most 2 log2(n + 1) = 24 here.
    int maxDepth = 0;
    for (LStringMap::Iterator it(map); !it.AtEnd(); it.Next()) {
        int d = 0;
        for (auto* n = it.current; n; n = n->parent)
            ++d;
        maxDepth = std::max(maxDepth, d);
    }
    EXPECT_LE(maxDepth, 24);
}

TEST(StringMap, RemoveLeavesOtherNodesInPlace)
{
    LStringMap map;
    for (const char* k : {"d", "b", "f", "a", "c", "e", "g"})
        map.Set(k, k);
    LStringMap::Node* e = map.Find("e");
    map.Remove("d"); // two children: its successor "e" moves into its place
    EXPECT_EQ(map.Find("e"), e);
    EXPECT_FALSE(map.Contains("d"));
    CheckTree(map);
    map.Remove("not there");
    EXPECT_EQ(map.Count(), 6u);
}

TEST(StringMap, CopiesAreDeep)
{
    LStringMap map;
    map.Set("a", "1");
    map.Set("b", nullptr);
    LStringMap copy(map);
    map.Set("a", "changed");
    EXPECT_STREQ(copy.Get("a", nullptr), "1");
    EXPECT_STREQ(copy.Get("b", nullptr), "");
    CheckTree(copy);
    copy = map;
    EXPECT_STREQ(copy.Get("a", nullptr), "changed");
    LStringMap moved(std::move(copy));
    EXPECT_EQ(moved.Count(), 2u);
    EXPECT_EQ(copy.Count(), 0u);
    moved.RemoveAll();
    EXPECT_TRUE(moved.IsEmpty());
}

} // namespace
