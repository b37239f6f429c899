// Filter lists of the file panels: groups, types, each group's first type,
// the default group, and which types a chosen group allows.

#include "gui/framework/LFilePanels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Types = std::vector<std::string>;

// Filter lists are pairs of zero-terminated texts ended by an empty text.
std::string List(std::initializer_list<const char*> texts)
{
    std::string list;
    for (const char* text : texts) {
        list += text;
        list += '\0';
    }
    list += '\0';
    return list;
}

TEST(FileTypeFilter, GroupsTypesAndFirstIndices)
{
    struct Case
    {
        const char* name;
        std::string list;
        std::vector<std::string> groups;
        Types types;
        std::vector<int> indices;
    } cases[] = {
        {"audio then all",
         List({"Audio Files", "*.wav;*.mp3", "All Files", "*.*"}),
         {"Audio Files", "All Files"},
         {"wav", "mp3"},
         {0, -1}},
        {"three groups",
         List({"WAV", "*.wav", "MP3", "*.mp3;*.mp2", "FLAC", "*.flac"}),
         {"WAV", "MP3", "FLAC"},
         {"wav", "mp3", "mp2", "flac"},
         {0, 1, 3}},
        {"all files first",
         List({"All Files", "*.*", "Audio", "*.wav"}),
         {"All Files", "Audio"},
         {"wav"},
         {-1, 0}},
        {"stops at an empty pattern list", List({"Audio", "*.wav", "Broken", ""}), {"Audio"}, {"wav"}, {0}},
        {"empty list", std::string(2, '\0'), {}, {}, {}},
    };
    for (const Case& c : cases) {
        const LFileTypeFilter filter = LFileTypeFilter::Parse(c.list.c_str(), nullptr, 0);
        EXPECT_EQ(filter.groups, c.groups) << c.name;
        EXPECT_EQ(filter.types, c.types) << c.name;
        EXPECT_EQ(filter.indices, c.indices) << c.name;
    }
    EXPECT_TRUE(LFileTypeFilter::Parse(nullptr, nullptr, 0).Empty());
}

TEST(FileTypeFilter, DefaultGroupFromTheExtensionUnlessTheCallerChose)
{
    const std::string list = List({"Audio Files", "*.wav;*.mp3", "Lists", "*.m3u", "All Files", "*.*"});
    struct Case
    {
        const char* extension;
        int caller;
        int expected;
    } cases[] = {
        {".MP3", 0, 1}, {"m3u", 0, 2}, {"ogg", 0, 0}, {".MP3", 3, 3}, {nullptr, -1, 0}, {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LFileTypeFilter::Parse(list.c_str(), c.extension, c.caller).defaultGroup, c.expected)
            << (c.extension ? c.extension : "(null)") << " " << c.caller;
}

TEST(FileTypeFilter, AGroupEndsAtTheNextGroupWithTypesOfItsOwn)
{
    const std::string list =
        List({"Audio Files", "*.wav;*.mp3", "All Files", "*.*", "Playlists", "*.m3u;*.pls"});
    const LFileTypeFilter filter = LFileTypeFilter::Parse(list.c_str(), nullptr, 0);
    EXPECT_EQ(filter.AllowedTypes(1), (Types{"wav", "mp3"})) << "the all-files group in between takes none";
    EXPECT_EQ(filter.AllowedTypes(2), Types{}) << "all files";
    EXPECT_EQ(filter.AllowedTypes(3), (Types{"m3u", "pls"}));
    EXPECT_EQ(filter.AllowedTypes(0), Types{});
    EXPECT_EQ(filter.AllowedTypes(4), Types{});
}

} // namespace
