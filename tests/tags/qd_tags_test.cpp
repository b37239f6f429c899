// `qd-tags read` and `qd-tags write` end to end.

#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagtest;
using quorin::test::BuildDir;
using quorin::test::TempDir;

namespace {

std::string Tool()
{
    return Quote(BuildDir() + "/tools/qd-tags/qd-tags");
}

class QdTags : public quorin::test::TempHomeTest
{
protected:
    std::string Run(const std::string& args, int* status)
    {
        return CaptureCommand(Tool() + " " + args + " 2>&1", status);
    }
    TempDir dir_;
};

TEST_F(QdTags, WriteThenReadInKeyOrder)
{
    for (const char* name : {"a.mp3", "a.wav"}) {
        const std::string file = dir_.Path(name);
        if (std::string(name) == "a.mp3")
            MakeMp3(file);
        else
            MakeWav(file);
        int status = -1;
        Run("read " + Quote(file), &status);
        EXPECT_EQ(status, 1) << name << ": no tag yet";
        const std::string png = MakePicture(dir_.Path(), "c.png");
        const size_t pngSize = ReadFileBytes(png).size();
        Run("write " + Quote(file) + " TITLE='Song t\xC3\xADtle' ARTIST=Band GENRE=Rock --image " +
                Quote(png),
            &status);
        ASSERT_EQ(status, 0) << name;
        const std::string out = Run("read " + Quote(file), &status);
        EXPECT_EQ(status, 0) << name;
        EXPECT_NE(out.find("ARTIST=Band\n"), std::string::npos) << out;
        EXPECT_NE(out.find("GENRE=Rock\n"), std::string::npos) << out;
        EXPECT_NE(out.find("IMAGE=image/png " + std::to_string(pngSize) + "\n"), std::string::npos) << out;
        EXPECT_NE(out.find("TITLE=Song t\xC3\xADtle\n"), std::string::npos) << out;
        EXPECT_LT(out.find("ARTIST="), out.find("GENRE="));
        EXPECT_LT(out.find("IMAGE="), out.find("TITLE="));

        // An empty value removes a key; --clear starts from nothing.
        Run("write " + Quote(file) + " ARTIST=", &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(Run("read " + Quote(file), &status).find("ARTIST="), std::string::npos);
        Run("write " + Quote(file) + " --clear ALBUM=Only", &status);
        ASSERT_EQ(status, 0);
        const std::string only = Run("read " + Quote(file), &status);
        EXPECT_EQ(only.find("TITLE="), std::string::npos) << only;
        EXPECT_NE(only.find("ALBUM=Only\n"), std::string::npos) << only;

        // Keys are taken in any case.
        Run("write " + Quote(file) + " title=Lower Album=Mixed", &status);
        ASSERT_EQ(status, 0);
        const std::string cased = Run("read " + Quote(file), &status);
        EXPECT_NE(cased.find("TITLE=Lower\n"), std::string::npos) << cased;
        EXPECT_NE(cased.find("ALBUM=Mixed\n"), std::string::npos) << cased;
    }
}

TEST_F(QdTags, ErrorsSayWhatWentWrong)
{
    int status = -1;
    std::string out = Run("read " + Quote(dir_.Path("missing.mp3")), &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("missing.mp3"), std::string::npos);
    out = Run("write " + Quote(dir_.Path("missing.wav")) + " TITLE=x", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("cannot be opened"), std::string::npos) << out;
    EXPECT_FALSE(quorin::test::PathExists(dir_.Path("missing.wav")));
    WriteFileBytes(dir_.Path("a.flac"), "fLaC");
    out = Run("read " + Quote(dir_.Path("a.flac")), &status);
    EXPECT_EQ(status, 2);
    Run("write " + Quote(dir_.Path("a.flac")) + " nonsense", &status);
    EXPECT_EQ(status, 2);
    Run("frobnicate", &status);
    EXPECT_EQ(status, 2);
}

// Under a file-size limit the write fails with its message instead of the
// tool dying of the signal, and no copy is left beside the file.
TEST_F(QdTags, AFileSizeLimitIsAWriteErrorWithAMessage)
{
    const std::string file = dir_.Path("big.wav");
    MakeWav(file, 2.0);
    const std::string before = ReadFileBytes(file);
    ASSERT_GT(before.size(), 100u * 1024);
    int status = -1;
    const std::string out =
        CaptureCommand("ulimit -f 64; " + Tool() + " write " + Quote(file) + " TITLE=x 2>&1", &status);
    EXPECT_EQ(status, 2) << out;
    EXPECT_NE(out.find("could not be written"), std::string::npos) << out;
    EXPECT_TRUE(ReadFileBytes(file) == before);
    EXPECT_EQ(quorin::test::FolderEntries(dir_.Path()), std::vector<std::string>{"big.wav"});
}

TEST_F(QdTags, ADamagedWavFileIsRefusedWithTheDamageNamed)
{
    const std::string file = dir_.Path("damaged.wav");
    MakeWav(file);
    std::string bytes = ReadFileBytes(file);
    // A list after "fmt " whose size runs 5000 bytes into the audio.
    const size_t second = 12 + 8 + (bytes[16] & 0xFF);
    bytes.insert(second, std::string("LIST\x88\x13\0\0INFO", 12));
    const uint32_t riff = static_cast<uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<char>(riff >> (8 * i));
    WriteFileBytes(file, bytes);
    int status = -1;
    const std::string out = Run("write " + Quote(file) + " TITLE=x", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("chunk layout is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("at byte " + std::to_string(second)), std::string::npos) << out;
    EXPECT_TRUE(ReadFileBytes(file) == bytes);
}

} // namespace
