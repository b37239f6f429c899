// The tag record's private artwork folder and the choice of format by extension.

#include "tags/LAudioFileTags.h"
#include "tags/LAudioTagMap.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagtest;
using quorin::test::PathExists;
using quorin::test::TempDir;

namespace {

class TagRecord : public quorin::test::TempHomeTest
{
};

TEST_F(TagRecord, ArtworkCopiesLiveInAPrivateFolderThatGoesWithTheRecord)
{
    TempDir dir;
    const std::string picture = dir.Path("cover.PNG");
    WriteFileBytes(picture, "\x89PNG\r\n\x1A\nrest");
    std::string folder, copy;
    {
        LAudioTagMap tags;
        ASSERT_TRUE(LMakeTempCopy(&tags, "IMAGE", picture.c_str()));
        folder = tags.tempFolder;
        copy = tags.Get("IMAGE");
        EXPECT_EQ(copy.substr(0, folder.size()), folder);
        EXPECT_EQ(copy.substr(copy.size() - 4), ".PNG");
        EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(picture));
        struct stat info;
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        // A second copy goes into the same folder.
        ASSERT_TRUE(LMakeTempCopy(&tags, "OTHER", picture.c_str()));
        EXPECT_EQ(std::string(tags.Get("OTHER")).substr(0, folder.size()), folder);
    }
    EXPECT_FALSE(PathExists(copy));
    EXPECT_FALSE(PathExists(folder));
}

TEST_F(TagRecord, MovingARecordMovesItsFolder)
{
    TempDir dir;
    const std::string picture = dir.Path("c.jpg");
    WriteFileBytes(picture, "\xFF\xD8\xFF\xE0 jpeg");
    LAudioTagMap moved;
    std::string folder;
    {
        LAudioTagMap tags;
        ASSERT_TRUE(LMakeTempCopy(&tags, "IMAGE", picture.c_str()));
        folder = tags.tempFolder;
        moved = std::move(tags);
    }
    EXPECT_TRUE(PathExists(folder)) << "the moved-from record must not remove the folder";
    EXPECT_TRUE(PathExists(moved.Get("IMAGE")));
    moved.Clear();
    EXPECT_FALSE(PathExists(folder));
    EXPECT_TRUE(moved.fields.IsEmpty());
}

TEST_F(TagRecord, AMissingSourceMakesNoCopy)
{
    LAudioTagMap tags;
    EXPECT_FALSE(LMakeTempCopy(&tags, "IMAGE", "/nonexistent/cover.jpg"));
    EXPECT_FALSE(tags.Has("IMAGE"));
}

TEST_F(TagRecord, ExtensionsChooseTheFormatWithoutRegardToCase)
{
    struct Case
    {
        const char* path;
        LTagFileKind kind;
    };
    const Case cases[] = {
        {"a.wav", LTagFileKind::kWave},     {"a.WAV", LTagFileKind::kWave},
        {"a.Wav", LTagFileKind::kWave},     {"a.mp3", LTagFileKind::kMpeg},
        {"a.MP3", LTagFileKind::kMpeg},     {"a.mp2", LTagFileKind::kMpeg},
        {"a.Mp1", LTagFileKind::kMpeg},     {"a.flac", LTagFileKind::kNone},
        {"a.ogg", LTagFileKind::kNone},     {"a.wma", LTagFileKind::kNone},
        {"a.m4a", LTagFileKind::kNone},     {"a.mp4", LTagFileKind::kNone},
        {"mp3", LTagFileKind::kNone},       {"dir.mp3/a", LTagFileKind::kNone},
        {"a.wav.bak", LTagFileKind::kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LTagFileKindOfPath(c.path), c.kind) << c.path;
}

TEST_F(TagRecord, OtherFormatsReadAndWriteNothing)
{
    TempDir dir;
    for (const char* name : {"a.flac", "a.ogg", "a.m4a", "a.m4r", "a.m4b", "noextension"}) {
        const std::string path = dir.Path(name);
        // ID3 bytes in a file of another type are not ours to read or change.
        WriteFileBytes(path, ToString(Tag(3, Frame(3, "TIT2", Text(0, "x")))));
        const std::string before = ReadFileBytes(path);
        LAudioTagMap tags;
        EXPECT_EQ(ReadAudioFileTags(&tags, path.c_str()), 0) << name;
        EXPECT_TRUE(tags.fields.IsEmpty()) << name;
        tags.Set("TITLE", "t");
        LTagFileError error = LTagFileError::kNone;
        EXPECT_EQ(WriteAudioFileTags(&tags, path.c_str(), &error), 0) << name;
        EXPECT_EQ(error, LTagFileError::kUnsupportedExtension);
        EXPECT_EQ(ReadFileBytes(path), before) << name;
    }
}

TEST_F(TagRecord, MissingFilesReadEmptyAndAreNeverCreated)
{
    TempDir dir;
    LAudioTagMap tags;
    EXPECT_EQ(ReadAudioFileTags(&tags, dir.Path("none.mp3").c_str()), 0);
    EXPECT_EQ(ReadAudioFileTags(&tags, dir.Path("none.wav").c_str()), 1);
    EXPECT_TRUE(tags.fields.IsEmpty());
    tags.Set("TITLE", "t");
    for (const char* name : {"none.mp3", "none.WAV"}) {
        LTagFileError error = LTagFileError::kNone;
        EXPECT_EQ(WriteAudioFileTags(&tags, dir.Path(name).c_str(), &error), 0);
        EXPECT_EQ(error, LTagFileError::kCannotOpen);
    }
    EXPECT_TRUE(quorin::test::FolderEntries(dir.Path()).empty());
}

} // namespace
