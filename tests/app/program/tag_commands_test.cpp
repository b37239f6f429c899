// The main window's tag writes: several files keep what is their own, a
// read-only file is refused untouched with its name in the message, the
// copy in the copy folder follows, and the tables the dialogs share.
#include "TagEditorTestSupport.h"

#include "app/program/tags/TagEditing.h"
#include "foundation/settings/LSettings.h"
#include "tags/LAudioFileTags.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace tagedit;
using quorin::test::TempHome;

namespace {

class Recorder : public TagCommandReporter
{
public:
    void Error(const char* text) override { errors.push_back(text); }
    void Info(const char* text) override { infos.push_back(text); }
    void Wrote(const char* path) override { wrote.push_back(path); }
    std::vector<std::string> errors, infos, wrote;
};

TEST(TagTables, RatingsCategoriesAndDateTexts)
{
    const struct
    {
        const char* stored;
        int stars;
    } ratings[] = {{"", 0},   {"0", 0},   {"1", 1},   {"31", 1},  {"32", 2},  {"64", 2},  {"95", 2},
                   {"96", 3}, {"159", 3}, {"160", 4}, {"200", 4}, {"223", 4}, {"224", 5}, {"255", 5}};
    for (const auto& c : ratings)
        EXPECT_EQ(TagStarsFromRating(c.stored), c.stars) << c.stored;
    const char* written[] = {"", "1", "64", "128", "196", "255"};
    for (int stars = 0; stars <= 5; ++stars)
        EXPECT_STREQ(TagRatingFromStars(stars), written[stars]);
    EXPECT_STREQ(TagRatingFromStars(9), "");

    EXPECT_EQ(TagCategoryText(0), " ");
    EXPECT_EQ(TagCategoryText(16), "MUS, MUSC <Music>");
    EXPECT_EQ(TagCategoryRow("  MUS, MUSC <Music> "), 16);
    EXPECT_EQ(TagCategoryRow("My Cat"), -1);
    EXPECT_EQ(TagCategoryRow(" "), -1);

    char text[260];
    FormatDateTime(text, 2024, 3, 7, 9, 5, 1);
    EXPECT_STREQ(text, "2024-03-07   09:05:01");
    EXPECT_EQ(TagDateTimeSeconds("", ""), 0);
    EXPECT_EQ(TagDateTimeSeconds("abcd", ""), 0);
    const int64_t when = TagDateTimeSeconds("2021-06-30", "13:14:15");
    std::string date, time;
    TagDateTimeTexts(when, &date, &time);
    EXPECT_EQ(date, "2021-06-30");
    EXPECT_EQ(time, "13:14:15");
    EXPECT_EQ(TagTitleFromPath("/a/b/Side One.mp3"), "Side One");
}

TEST(TagCommands, SeveralFilesKeepTheirOwnAndTakeOnlyTheChanges)
{
    TAGTEST_REQUIRE_MUTAGEN();
    TempHome home;
    const std::string covers[3] = {home.Path("a.png"), home.Path("b.png"), home.Path("c.png")};
    const char* colours[3] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(RunCommand("convert -size 8x8 xc:" + std::string(colours[i]) + " " + Quote(covers[i])), 0);
    std::vector<std::string> paths;
    const char* dates[3] = {"2001-02-03", "1999-12-24", ""};
    for (int i = 0; i < 3; ++i) {
        paths.push_back(home.Path("track" + std::to_string(i + 1) + ".mp3"));
        MakeTaggedMp3(paths.back(), "Own " + std::to_string(i), dates[i], "note " + std::to_string(i),
                      covers[i]);
    }
    std::vector<std::map<std::string, std::string>> before;
    for (const auto& p : paths)
        before.push_back(Dump(p));

    Recorder recorder;
    const TagChanges changes = {{"ARTIST", "New Artist"}, {"ALBUM", "New Album"}};
    EXPECT_EQ(WriteChangesToFiles(paths, changes, &recorder), 3);
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(recorder.infos, (std::vector<std::string>{"Tags were written successfully to 3 files."}));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(paths[i]);
        auto after = Dump(paths[i]);
        EXPECT_EQ(after["TPE1"], "New Artist");
        EXPECT_EQ(after["TALB"], "New Album");
        EXPECT_EQ(after["TIT2"], "track" + std::to_string(i + 1));
        EXPECT_EQ(after["TRCK"], std::to_string(i + 1));
        EXPECT_EQ(after.count("TCON"), 0u) << "no genre was chosen";
        for (const char* kept : {"APIC", "COMM", "TDRC", "TXXX", "USLT", "PRIV"})
            EXPECT_EQ(after[kept], before[i][kept]) << kept;
    }
    EXPECT_NE(Dump(paths[0])["APIC"], Dump(paths[1])["APIC"]);
    EXPECT_EQ(Dump(paths[2]).count("TDRC"), 0u) << "no date was invented";
}

TEST(TagCommands, AReadOnlyFileIsRefusedByNameAndLeftAsItWas)
{
    TAGTEST_REQUIRE_MUTAGEN();
    TempHome home;
    const std::string locked = home.Path("locked.mp3"), open = home.Path("open.mp3");
    MakeTaggedMp3(locked, "Locked", "2001-02-03", "c", "");
    MakeTaggedMp3(open, "Open", "2001-02-03", "c", "");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    const std::string bytes = ReadFileBytes(locked);

    LAudioTagMap tags;
    ReadAudioFileTags(&tags, locked.c_str());
    tags.Set("TITLE", "Changed");
    Recorder one;
    EXPECT_FALSE(WriteEditedTags(&tags, locked.c_str(), &one));
    ASSERT_EQ(one.errors.size(), 1u);
    EXPECT_NE(one.errors[0].find("Could not write a tag to the selected file."), std::string::npos);
    EXPECT_NE(one.errors[0].find(locked), std::string::npos) << one.errors[0];
    EXPECT_NE(one.errors[0].find("read-only"), std::string::npos) << one.errors[0];
    EXPECT_TRUE(one.infos.empty());
    EXPECT_EQ(ReadFileBytes(locked), bytes);

    Recorder several;
    EXPECT_EQ(WriteChangesToFiles({locked, open}, {{"ARTIST", "X"}}, &several), 1);
    ASSERT_EQ(several.errors.size(), 1u);
    EXPECT_NE(several.errors[0].find("Could not write a tag to file: " + locked), std::string::npos);
    EXPECT_EQ(several.infos.back(), "Tags were written successfully to 1 files.");
    EXPECT_EQ(ReadFileBytes(locked), bytes);
    EXPECT_EQ(Dump(open)["TPE1"], "X");
}

TEST(TagCommands, TheCopyInTheCopyFolderFollows)
{
    TAGTEST_REQUIRE_MUTAGEN();
    TempHome home;
    const std::string copies = home.Path("copies");
    mkdir(copies.c_str(), 0755);
    const std::string path = home.Path("song.mp3"), copy = copies + "/song.mp3";
    MakeTaggedMp3(path, "Song", "", "c", "");
    ASSERT_EQ(RunCommand("cp " + Quote(path) + " " + Quote(copy)), 0);
    const struct
    {
        const char* format;
        const char* makeCopy;
        bool follows;
    } cases[] = {{"0", "1", true}, {"1", "1", true}, {"2", "1", false}, {"0", "0", false}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + "/" + c.makeCopy);
        LSettingsSetString("OutputFormat", "OutputFormatNum", c.format);
        LSettingsSetString("OutputFormat", "MakeCopy", c.makeCopy);
        LSettingsSetString("OutputFormat", "OutputFolder", copies.c_str());
        const std::string before = Dump(copy)["TIT2"];
        LAudioTagMap tags;
        ReadAudioFileTags(&tags, path.c_str());
        const std::string title = "Title " + std::to_string(++n);
        tags.Set("TITLE", title.c_str());
        Recorder recorder;
        EXPECT_TRUE(WriteEditedTags(&tags, path.c_str(), &recorder));
        EXPECT_EQ(recorder.infos, (std::vector<std::string>{"Tag written successfully to file."}));
        EXPECT_EQ(Dump(path)["TIT2"], title);
        EXPECT_EQ(Dump(copy)["TIT2"], c.follows ? title : before);
    }
    // A copy that went is only logged.
    unlink(copy.c_str());
    LSettingsSetString("OutputFormat", "OutputFormatNum", "0");
    LSettingsSetString("OutputFormat", "MakeCopy", "1");
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path.c_str());
    Recorder recorder;
    EXPECT_TRUE(WriteEditedTags(&tags, path.c_str(), &recorder));
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_FALSE(quorin::test::PathExists(copy));
}

} // namespace
